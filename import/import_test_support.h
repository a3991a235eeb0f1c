// Helpers of the import tests: files written into a scratch folder, converters run over them,
// and observation and navigation lines in their exact columns.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <vyr/file_converter.h>
#include "rinex/reader_test_support.h"

namespace import_test {

using rnx_test::d19;
using rnx_test::format;
using rnx_test::hdr;
using rnx_test::nav2_orbit;
using rnx_test::nav3_orbit;
using rnx_test::obs;

// A folder of the current test's own, removed afterwards.
class ScratchDir {
public:
    ScratchDir() {
        static int made = 0;
        const char* binary = std::getenv("VYR_BINARY_DIR");
        const auto* test = testing::UnitTest::GetInstance()->current_test_info();
        m_path = (binary != nullptr ? std::filesystem::path(binary)
                                    : std::filesystem::temp_directory_path()) /
                 "import_scratch" /
                 (std::string(test->test_suite_name()) + "." + test->name() + "." +
                  std::to_string(getpid()) + "." + std::to_string(++made));
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~ScratchDir() { std::filesystem::remove_all(m_path); }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string Write(const std::string& name, const std::string& content) const {
        const std::string path = (m_path / name).string();
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    std::string Path(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

// The bytes of a file; empty when it cannot be read.
inline std::string file_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A header line of an ionosphere model: the label in columns 1-60, then ": " and the value.
inline std::string iono_line(const std::string& label, const std::string& value) {
    std::string line = label;
    line.resize(60, ' ');
    return line + ": " + value + "\n";
}

// Runs a converter over content written to a file of its own; report, when given, receives what
// the conversion reported.
template <class Converter, class Output>
VYR_ERROR convert_text(const std::string& content, Output& out,
                       VyrConversionReport* report = nullptr) {
    ScratchDir dir;
    Converter converter;
    EXPECT_EQ(converter.SetFileName(dir.Write("input", content).c_str()), VYR_OK);
    const VYR_ERROR result = converter.Convert(out, 0);
    if (report != nullptr) *report = converter.Report();
    return result;
}

// "N records (lines a, b): problem" for each kind read past, one string per kind.
inline std::vector<std::string> read_past_text(const VyrConversionReport& report) {
    std::vector<std::string> out;
    for (const auto& kind : report.readPast) {
        std::string lines;
        for (uint32_t line : kind.lines)
            lines += (lines.empty() ? "" : ", ") + std::to_string(line);
        out.push_back(std::to_string(kind.records) + " records (lines " + lines +
                      "): " + kind.problem);
    }
    return out;
}

// "RINEX VERSION / TYPE" of a navigation file: type letter in column 21, system in 41.
inline std::string nav_version_line(const char* version, char type, char system = ' ') {
    return hdr(format("%9s%11s%c%19s%c", version, "", type, "", system), "RINEX VERSION / TYPE");
}

// A version-3 navigation message dated 2020-06-25 02:00 with its orbit lines.
inline std::string nav3_message(const char* sat, double clock2,
                                const std::vector<std::vector<double>>& orbit) {
    std::string m =
        std::string(sat) + " 2020 06 25 02 00 00" + d19(1e-4) + d19(0.0) + d19(clock2) + "\n";
    for (const auto& v : orbit) m += nav3_orbit(v[0], v[1], v[2], v[3]);
    return m;
}

// A version-2 GPS message: IODE 45, IODC 813, week 1564. shortLine: an orbit line (0-6) written
// with only three values.
inline std::string gps_v2(int prn, int yy, int month, int day, int hour, int shortLine = -1) {
    const double orbit[6][4] = {
        {45, -12.5, 4.5e-9, 1.25},         {-6.5e-7, 0.0123, 8.0e-6, 5153.7},
        {439200.0, 1.1e-7, -2.1, -3.3e-8}, {0.95, 210.5, 0.7, -8.1e-9},
        {2.1e-10, 1.0, 1564.0, 0.0},       {2.4, 0.0, -1.1e-8, 813}};
    std::string text = format("%2d %02d %2d %2d %2d %2d%5.1f", prn, yy, month, day, hour, 0, 0.0) +
                       d19(-1.2e-4) + d19(-3.4e-12) + d19(0.0) + "\n";
    for (int i = 0; i < 6; ++i) {
        std::string line = nav2_orbit(orbit[i][0], orbit[i][1], orbit[i][2], orbit[i][3]);
        if (i == shortLine) line = line.substr(0, 3 + 3 * 19) + "\n";
        text += line;
    }
    return text + "   " + d19(432018.0) + "\n";
}

// A version-2 GLONASS message of 2021-01-01 00:15 (two-digit year yy).
inline std::string glonass_v2(int slot, int yy, double frameTime, double channel) {
    return format("%2d %02d %2d %2d %2d %2d%5.1f", slot, yy, 1, 1, 0, 15, 0.0) +
           d19(7.28257000446e-05) + d19(-1.81898940355e-12) + d19(frameTime) + "\n" +
           nav2_orbit(12345.678, -2.5, 0.0, 0.0) + nav2_orbit(-1488.7998, 1.2, 0.0, channel) +
           nav2_orbit(21000.5, 0.3, 9.3e-10, 2.0);
}

// A version-3 GPS observation file of 2018-07-29 12:00 from one receiver: the "SYS / # / OBS
// TYPES" text (`types`), the marker, extra header lines, then the records.
inline std::string v3_gps_file(const std::string& types, const std::string& marker,
                               const std::string& records, const std::string& extra = "") {
    return hdr("     3.04           OBSERVATION DATA    G", "RINEX VERSION / TYPE") +
           hdr(marker, "MARKER NAME") +
           hdr(format("%-20s%-20s%-20s", "R1", "TRIMBLE NETR9", "5.4"), "REC # / TYPE / VERS") +
           hdr(format("%-20s%-20s", "A1", "TRM59800.00     NONE"), "ANT # / TYPE") +
           hdr("  4201575.8243   189863.5678  4779066.1219", "APPROX POSITION XYZ") +
           hdr("        1.5000        0.0000        0.0000", "ANTENNA: DELTA H/E/N") +
           hdr(types, "SYS / # / OBS TYPES") +
           hdr("  2018     7    29    12     0    0.0000000     GPS", "TIME OF FIRST OBS") + extra +
           hdr("", "END OF HEADER") + records;
}

// A version-2 observation header with the given types; extra lines go before "END OF HEADER".
inline std::string v2_header(const std::vector<std::string>& types, const std::string& extra = "",
                             double version = 2.11, char system = 'G', bool firstObs = true) {
    std::string h = hdr(format("%9.2f%11s%-20s%c", version, "", "OBSERVATION DATA", system),
                        "RINEX VERSION / TYPE");
    h += hdr("TESTMARK", "MARKER NAME");
    h += hdr(format("%-20s%-20s%-20s", "5121", "TRIMBLE 5700", "1.30"), "REC # / TYPE / VERS");
    h += hdr(format("%-20s%-20s", "ANT77", "TRM41249.00     NONE"), "ANT # / TYPE");
    h += hdr("  4201575.8243   189863.5678  4779066.1219", "APPROX POSITION XYZ");
    h += hdr("        1.2340        0.0100        0.0200", "ANTENNA: DELTA H/E/N");
    for (size_t at = 0; at < types.size() || at == 0; at += 9) {
        std::string line = at == 0 ? format("%6zu", types.size()) : std::string(6, ' ');
        for (size_t i = at; i < types.size() && i < at + 9; ++i)
            line += format("%6s", types[i].c_str());
        h += hdr(line, "# / TYPES OF OBSERV");
    }
    if (firstObs)
        h += hdr("  2015     2    13     0     0    0.0000000     GPS", "TIME OF FIRST OBS");
    return h + extra + hdr("", "END OF HEADER");
}

// " yy mm dd hh mm ss.sssssss  f nn" and the satellites, 12 on the first line, the rest on
// continuation lines in columns 33-68.
inline std::string v2_epoch(int yy, int mo, int d, int h, int mi, double s, int flag,
                            const std::vector<std::string>& sats) {
    std::string line =
        format(" %02d %2d %2d %2d %2d%11.7f  %d%3zu", yy, mo, d, h, mi, s, flag, sats.size());
    for (size_t i = 0; i < sats.size(); ++i) {
        if (i > 0 && i % 12 == 0) line += "\n" + std::string(32, ' ');
        line += sats[i];
    }
    return line + "\n";
}

// Collects what a streaming conversion hands out.
class RecordingSink : public IVyrStationRinexSink {
public:
    VYR_ERROR OnEpoch(const VYR_STATION_RINEX&, const VYR_OCCUPATION& occupation,
                      VYR_OBSERVATIONEPOCH& epoch, uint32_t line) override {
        epochs.push_back(epoch);
        lines.push_back(line);
        markers.push_back(occupation.markerName);
        return failAtEpoch != 0 && epochs.size() == failAtEpoch ? VYR_E_WRITE_ENTRY_FAILED : VYR_OK;
    }
    VYR_ERROR OnStation(const VYR_STATION_RINEX& station) override {
        stations.push_back(station);
        return VYR_OK;
    }
    void OnFailure(uint32_t line, const char* problem) override {
        ++failures;
        failureLine = line;
        failureText = problem;
    }
    void OnSystemReadPast(char system, uint64_t satelliteEpochs) override {
        systemsReadPast.emplace_back(system, satelliteEpochs);
    }
    void OnCut(uint32_t line, uint64_t completeEpochs, const char* problem) override {
        ++cuts;
        cutLine = line;
        cutEpochs = completeEpochs;
        cutText = problem;
    }
    void OnWarning(uint32_t line, const char* problem) override {
        warningLines.push_back(line);
        warnings.push_back(problem);
    }

    size_t failAtEpoch = 0;
    std::vector<std::pair<char, uint64_t>> systemsReadPast;
    std::vector<VYR_OBSERVATIONEPOCH> epochs;
    std::vector<uint32_t> lines;
    std::vector<std::string> markers;
    std::vector<VYR_STATION_RINEX> stations;
    int failures = 0;
    uint32_t failureLine = 0;
    std::string failureText;
    int cuts = 0;
    uint32_t cutLine = 0;  // the last line of the last whole epoch
    uint64_t cutEpochs = 0;
    std::string cutText;
    std::vector<uint32_t> warningLines;
    std::vector<std::string> warnings;
};

// The streaming observation conversion with its two choices.
inline VYR_ERROR convert_with(const std::string& path, IVyrStationRinexSink& sink,
                              bool dopplerAndStrength, bool salvage) {
    VyrObsConversionOptions options;
    options.v2DopplerAndStrength = dopplerAndStrength;
    options.salvageCut = salvage;
    return Vyr_ConvertRinexObsToSinkEx(path.c_str(), sink, options);
}

// The signal of a type in an epoch's satellite; null when it has none.
inline const VYR_OBSERVATIONEPOCH_SIGNAL* signal_of(const VYR_OBSERVATIONEPOCH_SV& sat,
                                                    VYR_OBSTYPE type) {
    for (const auto& s : sat.observations)
        if (s.obsType == type) return &s;
    return nullptr;
}

}  // namespace import_test
