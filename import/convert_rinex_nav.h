// The broadcast-ephemeris importers of GPS, GLONASS and Galileo navigation files. Version 2
// files of GPS and GLONASS go through the system's own text reader, version 3 and later
// through the RINEX access library.
#pragma once

#include <cstdint>
#include <vector>

#include "import/convert_rinex_nav_reader.h"
#include "vyr/ephemeris.h"
#include "vyr/error.h"

class CConvertFileRinexNav : public CRinexReader<VYR_BROADCASTEPHEMERIS> {
public:
    virtual VYR_ERROR Convert(std::vector<VYR_BROADCASTEPHEMERIS>& out, uint32_t option);
};

class CConvertFileRinexNavGlo : public CRinexReader<VYR_BROADCASTEPHEMERIS_GLO> {
public:
    virtual VYR_ERROR Convert(std::vector<VYR_BROADCASTEPHEMERIS_GLO>& out, uint32_t option);
};

// Galileo has no version-2 files of its own: only the library road.
class CConvertFileRinexNavGal : public CRinexReader<VYR_BROADCASTEPHEMERIS_GAL> {
public:
    virtual VYR_ERROR Convert(std::vector<VYR_BROADCASTEPHEMERIS_GAL>& out, uint32_t option);
};

namespace vyr_import {

// The type letter of a version-2 file's "RINEX VERSION / TYPE" line (column 21): "N" for GPS,
// "G" for GLONASS navigation; 0 when the first line is no such line.
char rinex_file_type(const char* fileName);

// The version gate of the navigation readers, over read_rinex_format_version: 0 from lowest on;
// a version below 1 is none at all, the first line damaged (0x8000e002); one from 1 to below
// lowest is a version not read (0x80008003). A refusal is noted in report.
VYR_ERROR check_navigation_version(double version, double lowest, VyrConversionReport& report);

}  // namespace vyr_import
