// Spherical-harmonic ionosphere models (global, regional or station models) of an ionosphere
// model file: one record per model.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "import/conversion_report.h"
#include "storage/file_name_manager.h"
#include "storage/string_toolbox.h"
#include "vyr/ephemeris.h"
#include "vyr/error.h"

namespace vyr_import {

// Line classes of this format: a label's index in its table, then blank, data and no line.
enum IonoLineClass : int {
    kIonoSeparator = 0,
    kIonoModelNumber = 1,
    kIonoModelType = 2,
    kIonoMaxDegree = 3,
    kIonoMaxOrder = 4,
    kIonoDevelopment = 5,
    kIonoFrame = 6,
    kIonoSunPosition = 7,
    kIonoMappingFunction = 8,
    kIonoMappingFunctionExtended = 9,
    kIonoHeight = 10,
    kIonoDipoleAxis = 11,
    kIonoPoleLatitude = 12,
    kIonoPoleLongitude = 13,
    kIonoValidity = 14,
    kIonoFromEpoch = 15,
    kIonoToEpoch = 16,
    kIonoLatitudeBand = 17,
    kIonoMinLatitude = 18,
    kIonoMaxLatitude = 19,
    kIonoAdditionalInformation = 20,
    kIonoStations = 21,
    kIonoSatellites = 22,
    kIonoElevationCutOff = 23,
    kIonoMaxTec = 24,
    kIonoComment = 25,
    kIonoCoefficients = 26,
    kIonoCoefficientHeader = 27,
    kIonoBlank = 28,
    kIonoData = 29,
    kIonoNone = 30,
};

// How many coefficient lines a model of this degree and order holds.
int iono_coefficient_count(int maxDegree, int maxOrder);

}  // namespace vyr_import

// Models that need more coefficients than the record holds are refused with 0x8000e001. A failure
// leaves its line and problem in the report.
class CConvertFileIonoGlobalReg : public CStringToolbox,
                                  public CFileNameManager,
                                  public CConversionReporter {
public:
    virtual int ClassifyLine(char* line) const;
    // Reads one line (without its line end) and classifies it; false at the end of the file.
    virtual bool ReadLine(FILE* file, char* buffer, int& lineClass) const;
    virtual VYR_ERROR Convert(std::vector<VYR_IONO_GLOBALREG>& out, uint32_t option);

private:
    // ReadLine, counting the line.
    bool NextLine(FILE* file, char* buffer, int& lineClass);
    // A failure at the line last read.
    VYR_ERROR Fail(VYR_ERROR code, std::string problem);
    // The end of the file (or a read failure) inside part of a model.
    VYR_ERROR EndInside(FILE* file, const char* part);
    VYR_ERROR ReadModelHeader(FILE* file, VYR_IONO_GLOBALREG& model);
    VYR_ERROR ReadCoefficients(FILE* file, VYR_IONO_GLOBALREG& model);

    uint32_t m_line = 0;
};
