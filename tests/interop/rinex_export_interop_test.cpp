// RTKLIB's programs read what `vyr export` writes: convbin without complaint and with every
// epoch, and rnx2rtkp to the same single-point positions as from the original file.
#include <array>
#include <cmath>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "interop_support.h"

namespace {

namespace fs = std::filesystem;
using namespace vyr_interop_test;

// A day of GLONASS and Galileo at 15 s (4675 epochs), station "ceda".
constexpr const char* kDay = "rinex3-obs/CEDA00USA_R_20182100000_23H_15S_MO.rnx";
// An hour of GPS at 30 s, station "0759", with the broadcast orbits of the same hour.
constexpr const char* kGpsHour = "rinex2-obs/07590920.05o";
constexpr const char* kGpsOrbits = "nav-v2/07590920.05n";

fs::path corpus_file(const char* name) {
    const char* src = std::getenv("VYR_SOURCE_DIR");
    return (src ? fs::path(src) : fs::current_path()) / ".." / "shared" / "corpus" / name;
}

#define REQUIRE_FILE(path)                                                        \
    do {                                                                          \
        if (!fs::exists(path)) {                                                  \
            if (under_ci()) FAIL() << "corpus file missing under CI: " << (path); \
            GTEST_SKIP() << "corpus file not present: " << (path);                \
        }                                                                         \
    } while (0)

// Epoch records of a RINEX 3 file holding observations (event flag 0, in column 32).
size_t epoch_records(const std::string& text) {
    size_t count = 0;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.size() > 31 && line[0] == '>' && line[31] == '0') ++count;
    return count;
}

// Epoch (week and seconds as printed) to ECEF position, from an rnx2rtkp -e output.
std::map<std::string, std::array<double, 3>> positions(const fs::path& file) {
    std::map<std::string, std::array<double, 3>> out;
    std::istringstream in(slurp(file));
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '%') continue;
        std::istringstream fields(line);
        std::string week, seconds;
        std::array<double, 3> xyz{};
        if (fields >> week >> seconds >> xyz[0] >> xyz[1] >> xyz[2])
            out[week + " " + seconds] = xyz;
    }
    return out;
}

class RinexExportInterop : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("vyr_rinex_interop_" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    // Imports a corpus file and exports its station in the version given; the exported path.
    std::string export_file(const char* file, const char* station, const std::string& version) {
        const std::string project = (dir / (std::string(station) + ".vyr")).string();
        if (!fs::exists(project)) {
            const Outcome imported =
                run({VYR_CLI_PATH, "import", project, corpus_file(file).string()});
            EXPECT_EQ(imported.status, 0);
        }
        const fs::path out = dir / version;
        fs::create_directories(out);
        const Outcome exported = run({VYR_CLI_PATH, "export", project, station, "-o", out.string(),
                                      "--rinex-version", version});
        EXPECT_EQ(exported.status, 0);
        return exported.out.substr(0, exported.out.find('\n'));
    }

    fs::path dir;
};

TEST_F(RinexExportInterop, ConvbinReadsEveryVersionWithEveryEpoch) {
    const auto convbin = on_path("convbin");
    REQUIRE_PEER(convbin, "convbin (rtklib)");
    REQUIRE_FILE(corpus_file(kDay));
    const size_t original = epoch_records(slurp(corpus_file(kDay)));
    ASSERT_EQ(original, 4675u);
    for (const char* version : {"3.04", "2.11"}) {
        const std::string file = export_file(kDay, "ceda", version);
        ASSERT_TRUE(fs::exists(file)) << version;
        const fs::path converted = dir / (std::string(version) + ".obs");
        const fs::path complaints = dir / "convbin.err";
        const std::string command = quote(*convbin) + " -r rinex -v 3.04 -o " +
                                    quote(converted.string()) + " " + quote(file) + " 2>" +
                                    quote(complaints.string());
        ASSERT_EQ(std::system(command.c_str()), 0) << version;
        EXPECT_EQ(epoch_records(slurp(converted)), original) << version;
        // convbin reports what it cannot read as "... error" or "invalid ..." lines.
        const std::string said = slurp(complaints);
        EXPECT_EQ(said.find("error"), std::string::npos) << version << ": " << said.substr(0, 300);
        EXPECT_EQ(said.find("invalid"), std::string::npos) << version;
    }
}

TEST_F(RinexExportInterop, SinglePointPositionsMatchTheOriginalFileToAMillimetre) {
    const auto rnx2rtkp = on_path("rnx2rtkp");
    REQUIRE_PEER(rnx2rtkp, "rnx2rtkp (rtklib)");
    REQUIRE_FILE(corpus_file(kGpsHour));
    REQUIRE_FILE(corpus_file(kGpsOrbits));
    const std::string exported = export_file(kGpsHour, "0759", "3.04");
    const auto solve = [&](const std::string& observations, const char* name) {
        const fs::path out = dir / name;
        EXPECT_EQ(run({*rnx2rtkp, "-p", "0", "-sys", "G", "-e", "-o", out.string(), observations,
                       corpus_file(kGpsOrbits).string()})
                      .status,
                  0);
        return positions(out);
    };
    const auto theirs = solve(corpus_file(kGpsHour).string(), "original.pos");
    const auto ours = solve(exported, "exported.pos");
    ASSERT_GT(theirs.size(), 100u);
    ASSERT_EQ(ours.size(), theirs.size());
    double worst = 0;
    for (const auto& [epoch, xyz] : theirs) {
        const auto found = ours.find(epoch);
        ASSERT_NE(found, ours.end()) << epoch;
        worst = std::max(worst, std::hypot(found->second[0] - xyz[0], found->second[1] - xyz[1],
                                           found->second[2] - xyz[2]));
    }
    EXPECT_LE(worst, 0.001);
}

}  // namespace
