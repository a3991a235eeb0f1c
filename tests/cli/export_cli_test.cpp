// `vyr export` end to end: the bundled samples imported, exported, imported again.
#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli_runner.h"

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using vyr_cli_test::lines_of;
using vyr_cli_test::sample;
using vyr_cli_test::slurp;

constexpr const char* kSampleV2 = "vyra0020.21o";
constexpr const char* kSampleV3 = "VYRB00XXX_R_20210021200_06M_30S_MO.rnx";

// The first n comma-separated fields of every row.
std::vector<std::string> first_fields(const std::string& csv, int n) {
    std::vector<std::string> rows;
    for (const std::string& line : lines_of(csv)) {
        size_t at = 0;
        for (int i = 0; i < n && at != std::string::npos; ++i) at = line.find(',', at + 1);
        rows.push_back(line.substr(0, at));
    }
    return rows;
}

class ExportCliTest : public vyr_cli_test::CliTest {
protected:
    void ImportSamples() {
        const auto imported = vyr({"import", project, sample(kSampleV2), sample(kSampleV3)});
        ASSERT_EQ(imported.status, 0) << imported.err;
    }
    // Exports a station and returns the path printed.
    std::string Export(const std::string& station, const std::vector<std::string>& extra = {}) {
        std::vector<std::string> args = {"export", project, station, "-o", (dir / "out").string()};
        args.insert(args.end(), extra.begin(), extra.end());
        const auto run = vyr(args);
        EXPECT_EQ(run.status, 0) << run.err;
        const std::vector<std::string> printed = lines_of(run.out);
        EXPECT_EQ(printed.size(), 1u) << run.out;
        return printed.empty() ? std::string() : printed[0];
    }
    std::string Obs(const std::string& path, const std::string& station) {
        const auto run = vyr({"obs", path, station});
        EXPECT_EQ(run.status, 0) << run.err;
        return run.out;
    }
};

TEST_F(ExportCliTest, Version304ReadsBackToTheSameRows) {
    ImportSamples();
    const std::string a = Export("VYRA");
    const std::string b = Export("VYRB");
    EXPECT_EQ(fs::path(a).filename(), "VYRA00XXX_R_20210021200_10M_30S_MO.rnx");
    EXPECT_EQ(fs::path(b).filename(), "VYRB00XXX_R_20210021200_06M_30S_MO.rnx");
    const std::string again = (dir / "again.vyr").string();
    const auto imported = vyr({"import", again, a, b});
    ASSERT_EQ(imported.status, 0) << imported.err;
    for (const char* station : {"VYRA", "VYRB"}) {
        const std::string before = Obs(project, station);
        EXPECT_GT(lines_of(before).size(), 100u);
        EXPECT_EQ(Obs(again, station), before) << station;
    }
}

// Version 2 has one type list for all systems and two-character types. What comes back: every
// epoch and satellite, and the C/A code and phase of band 1; what differs is told in
// docs/cli.md (L2 tracking modes share P2/C2/L2, Doppler and strength are not read back).
TEST_F(ExportCliTest, Version211KeepsEpochsSatellitesAndL1) {
    ImportSamples();
    const std::string b = Export("VYRB", {"--rinex-version", "2.11"});
    EXPECT_EQ(fs::path(b).filename(), "vyrb0020.21o");
    const std::string again = (dir / "again.vyr").string();
    ASSERT_EQ(vyr({"import", again, b}).status, 0);
    const auto l1 = [](const std::string& csv) {
        std::set<std::string> rows;
        for (const std::string& row : first_fields(csv, 5))
            if (row.find(",1,") != std::string::npos || row.find(",9,") != std::string::npos)
                rows.insert(row);
        return rows;
    };
    const std::string before = Obs(project, "VYRB");
    const std::string after = Obs(again, "VYRB");
    std::set<std::string> epochsBefore, epochsAfter;
    for (const std::string& row : first_fields(before, 2)) epochsBefore.insert(row);
    for (const std::string& row : first_fields(after, 2)) epochsAfter.insert(row);
    EXPECT_EQ(epochsAfter, epochsBefore);
    EXPECT_EQ(l1(after), l1(before));
}

// Leaving out GLONASS and Galileo and keeping only GPS and SBAS write the same file.
TEST_F(ExportCliTest, TheFilterOptionsOfObsApply) {
    ImportSamples();
    std::vector<std::string> written;
    for (const std::vector<std::string>& systems :
         {std::vector<std::string>{"--exclude-system", "R,E"}, {"--only-system", "G,S"}}) {
        std::vector<std::string> options = {"--from",           "2021-01-02T12:01:00", "--to",
                                            "2021-01-02 12:03", "--interval",          "60"};
        options.insert(options.end(), systems.begin(), systems.end());
        const std::string text = slurp(Export("VYRB", options));
        EXPECT_THAT(text, HasSubstr("    60.000                                                  "
                                    "INTERVAL"));
        size_t epochs = 0;
        for (const std::string& line : lines_of(text)) {
            if (!line.empty() && line[0] == '>') ++epochs;
            EXPECT_FALSE(!line.empty() && (line[0] == 'R' || line[0] == 'E')) << line;
            if (line.find("PGM / RUN BY / DATE") == std::string::npos) written.push_back(line);
        }
        EXPECT_EQ(epochs, 3u) << systems[0];  // 12:01, 12:02, 12:03
    }
    ASSERT_EQ(written.size() % 2, 0u);
    const auto half = written.begin() + static_cast<std::ptrdiff_t>(written.size() / 2);
    EXPECT_TRUE(std::equal(written.begin(), half, half));
}

TEST_F(ExportCliTest, FailuresSayWhyAndLeaveNoFile) {
    ImportSamples();
    const fs::path out = dir / "out";
    const std::string o = out.string();
    const std::string plain = write("plain", "x");  // an output folder that is a file
    const struct {
        std::vector<std::string> args;
        int status;
        const char* said;
    } cases[] = {
        {{"NOSUCH", "-o", o}, 1, "no station NOSUCH"},
        {{"VYRA", "-o", o, "--from", "2030-01-01T00:00:00"},
         1,
         "station VYRA has no epochs to export through the filter"},
        {{"VYRA", "-o", o, "--rinex-version", "3.02"}, 2, ""},
        {{"VYRA", "-o", o, "--exclude-system", "X"}, 2, "--exclude-system: not a system: X"},
        {{"VYRA", "-o", o, "--only-system", "G", "--exclude-system", "R"},
         2,
         "--exclude-system excludes --only-system"},
        {{"VYRA", "-o", plain}, 1, "plain"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"export", project};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const auto run = vyr(args);
        EXPECT_EQ(run.status, c.status) << c.args.back();
        EXPECT_THAT(run.err, HasSubstr(c.said)) << c.args.back();
    }
    size_t left = 0;
    if (fs::is_directory(out))
        for ([[maybe_unused]] const auto& entry : fs::directory_iterator(out)) ++left;
    EXPECT_EQ(left, 0u);
}

}  // namespace
