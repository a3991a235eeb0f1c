// What the interop tests share: running another program, finding it, and the rule for a peer
// that is missing (the test skips on a person's machine and fails under CI).
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace vyr_interop_test {

struct Outcome {
    int status = -1;
    std::string out;
};

inline std::string quote(const std::string& arg) {
    std::string q = "'";
    for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

inline Outcome run(const std::vector<std::string>& args) {
    std::string cmd;
    for (const auto& a : args) cmd += (cmd.empty() ? "" : " ") + quote(a);
    cmd += " 2>/dev/null";
    Outcome o;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return o;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) o.out.append(buf, n);
    const int raw = ::pclose(p);
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return o;
}

inline std::optional<std::string> on_path(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "");
    std::string dir;
    while (std::getline(dirs, dir, ':'))
        if (!dir.empty() && ::access((std::filesystem::path(dir) / name).c_str(), X_OK) == 0)
            return (std::filesystem::path(dir) / name).string();
    return std::nullopt;
}

inline bool under_ci() {
    const char* ci = std::getenv("CI");
    return ci && std::string(ci) == "true";
}

// A peer missing skips the test on a person's machine and fails it under CI, where everything
// is meant to run.
#define REQUIRE_PEER(tool, label)                                                               \
    do {                                                                                        \
        if (!(tool)) {                                                                          \
            if (vyr_interop_test::under_ci()) FAIL() << label << " is not installed (CI=true)"; \
            GTEST_SKIP() << label << " is not installed; install it to run this test";          \
        }                                                                                       \
    } while (0)

inline std::string slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace vyr_interop_test
