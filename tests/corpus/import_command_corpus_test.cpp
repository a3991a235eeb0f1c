// `vyr import` on real navigation and orbit files: each kind detected from its content, stored
// through the common data, and nothing added when the same file comes again.
#include <sys/wait.h>
#include <unistd.h>

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
    EXPECT_THAT(
        first.out,
        HasSubstr("RINEX navigation (mixed): GPS ephemerides: 225 added, 0 already present"));
    EXPECT_THAT(first.out, HasSubstr("GLONASS ephemerides: 494 added"));
    const Outcome again = run_import(project, nav);
    ASSERT_EQ(again.status, 0) << again.out;
    EXPECT_THAT(again.out, HasSubstr("GPS ephemerides: 0 added, 225 already present"));
    EXPECT_THAT(again.out, HasSubstr("GLONASS ephemerides: 0 added, 494 already present"));

    const Outcome orbits = run_import(project, sp3);
    ASSERT_EQ(orbits.status, 0) << orbits.out;
    EXPECT_THAT(orbits.out, HasSubstr("SP3 precise orbit: precise orbit positions: 22831 added"));
    fs::remove_all(dir);
}

}  // namespace
