// `vyr import` on real navigation and orbit files: each kind detected from its content, stored
// through the common data, and nothing added when the same file comes again.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "corpus_support.h"

namespace {

using vyr_corpus_test::corpus_dir;
using vyr_corpus_test::Outcome;
using vyr_corpus_test::run_import;

namespace fs = std::filesystem;
using ::testing::HasSubstr;

TEST(ImportCommandCorpus, NavigationAndOrbitFilesAreStoredOnceWhateverTheirKind) {
    const fs::path nav = corpus_dir() / "nav-v3/ELKO00USA_R_20182100000_01D_MN.rnx";
    const fs::path sp3 = corpus_dir() / "sp3/COD0OPSFIN_20242140000_01D_05M_ORB.SP3";
    for (const fs::path& file : {nav, sp3}) {
        if (!fs::exists(file)) {
            if (std::getenv("CI")) FAIL() << "corpus file missing under CI: " << file;
            GTEST_SKIP() << "corpus file not present: " << file;
        }
    }
    const fs::path dir =
        fs::temp_directory_path() / ("vyr_import_corpus_" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path project = dir / "p.vyr";

    const Outcome first = run_import(project, nav);
    ASSERT_EQ(first.status, 0) << first.out;
    EXPECT_THAT(first.out, HasSubstr("RINEX navigation (mixed): GPS ephemerides 225 added; "));
    EXPECT_THAT(first.out, HasSubstr("GLONASS ephemerides 494 added"));
    const Outcome again = run_import(project, nav);
    ASSERT_EQ(again.status, 0) << again.out;
    EXPECT_THAT(again.out, HasSubstr("GPS ephemerides 0 added, 225 already present; "));
    EXPECT_THAT(again.out, HasSubstr("GLONASS ephemerides 0 added, 494 already present"));

    const Outcome orbits = run_import(project, sp3);
    ASSERT_EQ(orbits.status, 0) << orbits.out;
    EXPECT_EQ(std::count(orbits.out.begin(), orbits.out.end(), '\n'), 1) << orbits.out;
    EXPECT_THAT(orbits.out, HasSubstr("SP3 precise orbit: precise orbit positions 22831 added\n"));
    fs::remove_all(dir);
}

// A day cut in two at its first epoch of hour; each half keeps the header.
void split_at_hour(const fs::path& file, const std::string& hour, const fs::path& first,
                   const fs::path& second) {
    std::ifstream in(file, std::ios::binary);
    std::ofstream a(first, std::ios::binary), b(second, std::ios::binary);
    std::string line, header;
    bool inHeader = true, late = false;
    while (std::getline(in, line)) {
        line += '\n';
        if (inHeader) {
            header += line;
            inHeader = line.find("END OF HEADER") == std::string::npos;
            if (!inHeader) a << header, b << header;
            continue;
        }
        if (!late && line.rfind("> " + hour, 0) == 0) late = true;
        (late ? b : a) << line;
    }
}

std::string run(const std::string& args, const fs::path& out) {
    std::system((std::string(VYR_CLI_PATH) + " " + args + " >'" + out.string() + "' 2>&1").c_str());
    std::ifstream in(out);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Two halves of one day, imported one after the other, give the station of the whole file epoch
// for epoch, and the satellites of other systems they read past add up to the whole file's.
TEST(ImportCommandCorpus, TwoHalvesOfADayMakeTheStationOfTheWholeFile) {
    const fs::path day = corpus_dir() / "rinex3-obs/TLSE00FRA_R_20220010000_01H_30S_MO.rnx";
    REQUIRE_CORPUS_FILE(day);
    const fs::path dir =
        fs::temp_directory_path() / ("vyr_split_corpus_" + std::to_string(getpid()));
    fs::create_directories(dir);
    split_at_hour(day, "2022 01 01 00 30", dir / "a.rnx", dir / "b.rnx");

    const Outcome whole = run_import(dir / "whole.vyr", day);
    ASSERT_EQ(whole.status, 0) << whole.out;
    const Outcome a = run_import(dir / "halves.vyr", dir / "a.rnx");
    const Outcome b = run_import(dir / "halves.vyr", dir / "b.rnx");
    ASSERT_EQ(b.status, 0) << b.out;
    EXPECT_THAT(b.out, HasSubstr("station TLSE (marker TLSE): 60 epochs appended"));

    const std::string wholeRows = run("obs '" + (dir / "whole.vyr").string() + "' TLSE", dir / "o");
    EXPECT_THAT(wholeRows, HasSubstr("2022-01-01T00:59:30"));
    EXPECT_EQ(run("obs '" + (dir / "halves.vyr").string() + "' TLSE", dir / "o"), wholeRows);

    // "read past N satellite-epochs ... (N BeiDou (C))"
    const auto read_past = [](const std::string& out) {
        const size_t at = out.find(": read past ");
        return at == std::string::npos ? -1L : std::stol(out.substr(at + 12));
    };
    EXPECT_GT(read_past(whole.out), 0);
    EXPECT_EQ(read_past(a.out) + read_past(b.out), read_past(whole.out));
    fs::remove_all(dir);
}

// Records of the same satellite and time from another source are counted as present, and the
// line says that the first one was kept: a second analysis centre's orbits, and the I/NAV and
// F/NAV messages of one time in a navigation file.
TEST(ImportCommandCorpus, RecordsOfTheSameSatelliteAndTimeKeepTheFirst) {
    const fs::path esa = corpus_dir() / "sp3/esa15253.sp3";
    const fs::path igl = corpus_dir() / "sp3/igl15253.sp3";
    const fs::path nav = corpus_dir() / "nav-v3/ESBC00DNK_R_20201770000_01D_MN.rnx";
    REQUIRE_CORPUS_FILE(esa);
    REQUIRE_CORPUS_FILE(igl);
    REQUIRE_CORPUS_FILE(nav);
    const fs::path dir =
        fs::temp_directory_path() / ("vyr_first_kept_corpus_" + std::to_string(getpid()));
    fs::create_directories(dir);
    ASSERT_EQ(run_import(dir / "p.vyr", esa).status, 0);
    EXPECT_THAT(run_import(dir / "p.vyr", igl).out,
                HasSubstr("1728 already present (1728 of the same satellite and time as another "
                          "record: the first one kept)"));
    EXPECT_THAT(run_import(dir / "p.vyr", nav).out,
                HasSubstr("Galileo ephemerides 823 added, 779 already present (779 of the same "
                          "satellite and time as another record: the first one kept)"));
    fs::remove_all(dir);
}

}  // namespace
