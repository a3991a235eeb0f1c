// The text parser of RINEX observation files below version 3: header labels, epoch records with
// their event flags, satellite lists and observation lines.
#pragma once

#include <array>
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
    // Takes Doppler (D1, D2, ...) and signal strength (S1, S2, ...) into the slots of their
    // band's signal, as version-3 files give them; off, they are left out of the epoch.
    void set_doppler_and_strength(bool on) { m_dopplerAndStrength = on; }

    // After the header: the leap seconds the file gives, or those in force at its first epoch.
    int leap_seconds() const { return m_leapSeconds; }
    // 0: 2.00 to below 2.12; 1: 2.12 to below 3 and below 2.00.

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
    VYR_ERROR satellite_list(std::string_view line, int count, std::vector<uint8_t>& satellites,
                             uint32_t epochLine);
    VYR_ERROR observations(const std::vector<uint8_t>& satellites, VYR_OBSERVATIONEPOCH& epoch,
                           uint32_t epochLine);
    void satellite_signals(uint8_t compact, VYR_OBSERVATIONEPOCH& epoch);

    bool read_raw(char* buffer);
    bool read_classified(char* buffer, int& lineClass);
    std::string unreadable() const;
    VYR_ERROR fail(VYR_ERROR code, const std::string& problem);
    // The input ended or broke off where a line of the epoch of line epochLine was needed.
    VYR_ERROR cut_at_end(uint32_t epochLine);
    VYR_ERROR cut(const std::string& problem);
    // Damage met in the epoch of line epochLine: a cut when the line read last is the file's
    // unterminated last line (cut in the middle), a failure with code otherwise.
    VYR_ERROR damaged(VYR_ERROR code, uint32_t epochLine, const std::string& problem);
    // Something of the header read past: told to the sink, the conversion goes on.
    void warn(const std::string& problem);

    FILE* m_file;
    RinexStationBuilder& m_builder;
    uint32_t m_line = 0;
    bool m_lineEnded = true;  // the line read last had its line end
    char m_buffer[kLineBufferSize] = {};
    bool m_dopplerAndStrength = false;
    bool m_cut = false;                    // the input ended inside an epoch; nothing more is read
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
    // Satellites of systems the project does not keep, by system letter.
    std::array<uint64_t, 128> m_otherSystems{};
};

}  // namespace vyr_import
