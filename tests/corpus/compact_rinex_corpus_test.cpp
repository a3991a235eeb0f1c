// Compact RINEX files of ../shared/corpus (MANIFEST.tsv): the version 1.0 file expands to the
// very lines of its plain twin, and the version 3.0 files import with `vyr import`.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "corpus_support.h"

#include <vyr/vyr.h>

namespace {

using vyr_corpus_test::corpus_dir;
using vyr_corpus_test::Outcome;
using vyr_corpus_test::run_import;

namespace fs = std::filesystem;
using ::testing::HasSubstr;

fs::path scratch_dir(const std::string& name) {
    const fs::path dir =
        fs::temp_directory_path() / ("vyr_crx_corpus_" + name + "_" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

// A line without its carriage return and without the blanks at its end.
std::string comparable(std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    while (!line.empty() && line.back() == ' ') line.pop_back();
    return line;
}

TEST(CompactRinexCorpus, VersionOneExpandsToThePlainFileLineForLine) {
    REQUIRE_CORPUS();
    const fs::path dir = scratch_dir("v1");
    const fs::path expanded = dir / "york0440.15o";
    uint64_t problemLine = 0;
    std::string problem;
    ASSERT_TRUE(Vyr_ExpandCompactRinex((corpus_dir() / "crinex/york0440.15d").c_str(),
                                       expanded.c_str(), problemLine, problem))
        << problemLine << ": " << problem;

    // The plain file ends its lines with CR LF, the expanded one with LF: the CR is ignored, and
    // so are blanks at the end of a line (the plain file has none today, but a writer may leave
    // them). Nothing else: every line must be the same, and both files have the same lines.
    std::ifstream plain(corpus_dir() / "rinex2-obs/york0440.15o");
    std::ifstream ours(expanded);
    std::string a, b;
    uint64_t line = 0;
    uint64_t differing = 0;
    while (std::getline(plain, a)) {
        ++line;
        if (!std::getline(ours, b)) {
            ADD_FAILURE() << "the expanded file ends at line " << line;
            break;
        }
        if (comparable(a) != comparable(b) && ++differing <= 5)
            ADD_FAILURE() << "line " << line << ":\n  plain:    " << comparable(a)
                          << "\n  expanded: " << comparable(b);
    }
    EXPECT_FALSE(std::getline(ours, b)) << "the expanded file has more lines than " << line;
    EXPECT_EQ(differing, 0u);
    EXPECT_GT(line, 2880u);  // at least one line per epoch was compared
    fs::remove_all(dir);
}

TEST(CompactRinexCorpus, VersionThreeFilesImportWithTheirEpochCounts) {
    REQUIRE_CORPUS();
    // Epoch counts not taken from the expander: in both files every epoch line is followed by an
    // empty receiver-clock line and no data line is empty, so the epochs are the empty lines
    // after END OF HEADER:
    //   awk 'f && /^$/ {n++} /END OF HEADER/ {f=1} END {print n}' FILE
    // gives 70 for P433 (its header also spans 20:56:45 to 21:14:00 at 15 s: 1035 s / 15 s + 1)
    // and 19 for KMS3, whose header announces a whole hour but whose body stops after the
    // epoch of 10:09:00.
    struct Expected {
        const char* file;
        const char* summary;
    };
    const Expected expected[] = {
        {"crinex/P43300USA_R_20190012056_17M_15S_MO.crx",
         "70 epochs, 2019-01-01T20:56:45.000 to 2019-01-01T21:14:00.000, systems GRES"},
        {"crinex/KMS300DNK_R_20221591000_01H_30S_MO.crx",
         "19 epochs, 2022-06-08T10:00:00.000 to 2022-06-08T10:09:00.000, systems GRES"},
    };
    const fs::path dir = scratch_dir("v3");
    for (const Expected& e : expected) {
        const fs::path file = corpus_dir() / e.file;
        const fs::path project = dir / (fs::path(e.file).stem().string() + ".vyr");
        const Outcome imported = run_import(project, file);
        ASSERT_EQ(imported.status, 0) << imported.out;
        EXPECT_THAT(imported.out, HasSubstr(file.string() + ": station ")) << imported.out;
        EXPECT_THAT(imported.out, HasSubstr(e.summary)) << imported.out;
    }
    fs::remove_all(dir);
}

}  // namespace
