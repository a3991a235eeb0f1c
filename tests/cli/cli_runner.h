// Runs the `vyr` command as a person does, for the end-to-end tests: exit status, stdout and
// stderr of one run.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace vyr_cli_test {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string quote(const std::string& arg) {
    std::string q = "'";
    for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

inline std::string slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Writes bytes to a file, making its folders.
inline std::string put_file(const std::filesystem::path& p, const std::string& bytes) {
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
    return p.string();
}

// The lines of a text, without their line ends.
inline std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// A bundled sample file of the source tree.
inline std::string sample(const char* name) {
    const char* src = std::getenv("VYR_SOURCE_DIR");
    return (std::filesystem::path(src != nullptr ? src : ".") / "samples" / name).string();
}

// Output goes through files in dir, which the caller owns.
inline Outcome run_vyr(const std::vector<std::string>& args, const std::filesystem::path& dir) {
    std::string cmd = quote(VYR_CLI_PATH);
    for (const auto& a : args) cmd += " " + quote(a);
    cmd += " >" + quote((dir / "stdout").string()) + " 2>" + quote((dir / "stderr").string());
    const int raw = std::system(cmd.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(dir / "stdout"), slurp(dir / "stderr")};
}

// A scratch folder per test, named by its suite and name, with a project path in it (the file
// is not made); the command's output is kept there.
class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = std::filesystem::temp_directory_path() /
              ("vyr_cli_" + std::string(test->test_suite_name()) + "_" + test->name() + "_" +
               std::to_string(::getpid()));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        project = (dir / "p.vyr").string();
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    Outcome vyr(const std::vector<std::string>& args) { return run_vyr(args, dir); }
    // A file of the scratch folder holding text; its path.
    std::string write(const std::string& name, const std::string& text) {
        return put_file(dir / name, text);
    }

    std::filesystem::path dir;
    std::string project;
};

}  // namespace vyr_cli_test
