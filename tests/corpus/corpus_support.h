// What the corpus tests share: where the real files are, the rule for their absence (the tests
// skip, except under CI, where a missing file is a failure), and `vyr import` run on them.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

namespace vyr_corpus_test {

inline std::filesystem::path corpus_dir() {
    const char* src = std::getenv("VYR_SOURCE_DIR");
    return std::filesystem::path(src ? src : ".") / ".." / "shared" / "corpus";
}

struct Outcome {
    int status;
    std::string out;  // standard output and error together
};

// `vyr import PROJECT FILE`, its output kept in a file beside the project.
inline Outcome run_import(const std::filesystem::path& project, const std::filesystem::path& file) {
    const std::filesystem::path out = project.string() + ".out";
    const std::string command = std::string(VYR_CLI_PATH) + " import '" + project.string() + "' '" +
                                file.string() + "' >'" + out.string() + "' 2>&1";
    const int raw = std::system(command.c_str());
    std::ifstream in(out);
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1,
            std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>())};
}

}  // namespace vyr_corpus_test

#define REQUIRE_CORPUS_FILE(path)                                                      \
    do {                                                                               \
        if (!std::filesystem::exists(path)) {                                          \
            if (std::getenv("CI")) FAIL() << "corpus file missing under CI: " << path; \
            GTEST_SKIP() << "corpus file not present: " << path;                       \
        }                                                                              \
    } while (0)

#define REQUIRE_CORPUS() REQUIRE_CORPUS_FILE(vyr_corpus_test::corpus_dir() / "MANIFEST.tsv")
