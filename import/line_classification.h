// Line classes of the text importers: which header label a line holds, or whether it is blank or
// a data line, and the reading of lines into the 260-byte buffer every importer uses.
#pragma once

#include <cstdio>

#include "storage/string_toolbox.h"

namespace vyr_import {

// A label's index in the RINEX header label table is its line class.
enum LineClass : int {
    kLineVersion = 0,
    kLineProgram = 1,
    kLineComment = 2,
    kLineIonAlpha = 3,
    kLineIonBeta = 4,
    kLineDeltaUtc = 5,
    kLineLeapSeconds = 6,
    kLineEndOfHeader = 7,
    kLineMarkerName = 8,
    kLineMarkerNumber = 9,
    kLineObserverAgency = 10,
    kLineReceiver = 11,
    kLineAntenna = 12,
    kLineApproxPosition = 13,
    kLineAntennaDelta = 14,
    kLineWavelengthFactor = 15,
    kLineObsTypes = 16,
    kLineInterval = 17,
    kLineTimeOfFirstObs = 18,
    kLineTimeOfLastObs = 19,
    kLineClockOffsetApplied = 20,
    kLinePhaseShift = 21,
    kLineNumberOfSatellites = 22,
    kLinePrnNumberOfObs = 23,
    kLineBlank = 24,
    kLineData = 25,
    kLineNone = 26,
};

// Lines are read into buffers of this size: at most 259 characters and the terminator; a
// longer line comes in pieces of 259 characters.
inline constexpr int kLineBufferSize = 260;

// The label of a class below kLineBlank.
const char* line_label(int lineClass);

}  // namespace vyr_import

// The line operations every text converter carries.
class CLineClassification : public CStringToolbox {
public:
    // The class of line; a data line has its Fortran "D" exponents turned into "E".
    virtual int ClassifyLine(char* line, const int& previousClass) const;
    // Reads one line (without its line end) and classifies it, the old lineClass being the
    // previous class. False at the end of the file or for a null buffer or stream.
    virtual bool ReadLine(FILE* file, char* buffer, int& lineClass) const;
    // Reads lines until one has wantedClass: the number of lines read (at least 1), -1 at the
    // end of the file, 0 for a null buffer or stream.
    virtual int ReadRecord(FILE* file, int& wantedClass, char* buffer) const;
};

namespace vyr_import {

// The format version of a RINEX file: the leading number of its first line when that line is a
// "RINEX VERSION / TYPE" line; 0.0 when the file does not open, the line is another one or the
// number does not parse.
double read_rinex_format_version(const char* fileName);

}  // namespace vyr_import
