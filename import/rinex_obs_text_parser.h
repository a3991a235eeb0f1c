// The text parser of RINEX observation files below version 3: header labels, epoch records with
// their event flags, satellite lists and observation lines.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "import/line_classification.h"
#include "import/line_splitter.h"
#include "import/rinex_station_builder.h"

namespace vyr_import {

// The observation codes of version 2 in table order; a code's index is its place here.
inline constexpr int kV2CodeCount = 44;
const char* v2_code(int index);
// Index of the first code of the table that occurs in text; -1 when none does.
int find_v2_code(std::string_view text);

// The UTC leap seconds in force on an MJD day, from the table of leap-second dates.
int leap_seconds_on(uint32_t mjd);

class RinexObsTextParser : private CLineClassification {
public:
    RinexObsTextParser(FILE* file, RinexStationBuilder& builder)
        : m_file(file), m_builder(builder) {}

    VYR_ERROR Run();

    // After the header: the leap seconds the file gives, or those in force at its first epoch.
    int leap_seconds() const { return m_leapSeconds; }
    // 0: 2.00 to below 2.12; 1: 2.12 to below 3 and below 2.00.
    int version_class() const { return m_versionClass; }

private:
    struct SatelliteValues;

    VYR_ERROR read_header();
    VYR_ERROR header_line(char* line, int lineClass);
    VYR_ERROR obs_types_line(std::string_view line);
    VYR_ERROR phase_shift_line(std::string_view line);
    VYR_ERROR other_header_line(std::string_view line);
    VYR_ERROR data();
    VYR_ERROR epoch_record(std::string_view line);
    VYR_ERROR header_lines(int count);
    VYR_ERROR skip_lines(int count);
    VYR_ERROR satellite_list(std::string_view line, int count, std::vector<uint8_t>& satellites);
    VYR_ERROR observations(const std::vector<uint8_t>& satellites, VYR_OBSERVATIONEPOCH& epoch);
    void satellite_signals(uint8_t compact, VYR_OBSERVATIONEPOCH& epoch);

    bool read_raw(char* buffer);
    bool read_classified(char* buffer, int& lineClass);
    VYR_ERROR fail(VYR_ERROR code, const std::string& problem);
    // Something of the header read past: told to the sink, the conversion goes on.
    void warn(const std::string& problem);

    FILE* m_file;
    RinexStationBuilder& m_builder;
    uint32_t m_line = 0;
    char m_buffer[kLineBufferSize] = {};
    char m_written[kLineBufferSize] = {};  // the last classified line before classifying

    double m_version = 0.0;
    int m_versionClass = 0;
    bool m_seenVersion = false;
    bool m_seenFirstObs = false;
    uint32_t m_firstObsMjd = 0;
    bool m_leapGiven = false;
    int m_leapSeconds = 0;
    // Observation codes by column (indices of the code table) and how many the header promised.
    std::vector<int> m_types;
    size_t m_typesPromised = 0;
    bool m_seenTypes = false;
    // Phase corrections in cycles by code index and compact satellite number; empty when the
    // header gives none.
    std::vector<double> m_phaseShift;

    // Work buffers of one satellite, reused from epoch to epoch.
    CLineSplitterRinexObs m_splitter;
    std::vector<double> m_values;
    std::vector<uint8_t> m_lossOfLock;
    std::vector<uint8_t> m_satellites;
    VYR_OBSERVATIONEPOCH m_epoch;
};

}  // namespace vyr_import
