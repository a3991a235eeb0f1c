// Helpers of the importer tests: small input files written by the test, and navigation lines in
// their exact columns.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace import_test {

// A file of the current test's own holding content; removed when the test ends.
class ScratchFile {
public:
    explicit ScratchFile(const std::string& content, const char* name = "input.txt") {
        const char* binary = std::getenv("VYR_BINARY_DIR");
        const auto* test = testing::UnitTest::GetInstance()->current_test_info();
        m_dir = (binary != nullptr ? std::filesystem::path(binary)
                                   : std::filesystem::temp_directory_path()) /
                "import_scratch" /
                (std::string(test->test_suite_name()) + "." + test->name() + "." +
                 std::to_string(getpid()) + "." + std::to_string(++counter()));
        std::filesystem::create_directories(m_dir);
        m_path = (m_dir / name).string();
        std::ofstream(m_path, std::ios::binary) << content;
    }
    ~ScratchFile() { std::filesystem::remove_all(m_dir); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const char* path() const { return m_path.c_str(); }

private:
    static int& counter() {
        static int n = 0;
        return n;
    }
    std::filesystem::path m_dir;
    std::string m_path;
};

inline std::string format(const char* fmt, ...) {
    char buf[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, args);
    va_end(args);
    return buf;
}

// A header line: content in columns 1-60, label from column 61.
inline std::string header_line(const std::string& content, const std::string& label) {
    std::string line = content.substr(0, 60);
    line.resize(60, ' ');
    return line + label + "\n";
}

// "RINEX VERSION / TYPE" of a navigation file: type letter in column 21, system in 41.
inline std::string nav_version_line(const char* version, char type, char system = ' ') {
    return header_line(format("%9s%11s%c%19s%c", version, "", type, "", system),
                       "RINEX VERSION / TYPE");
}

// A value as navigation files write it: 19 columns with a Fortran "D" exponent.
inline std::string d19(double value) {
    std::string text = format("%19.12E", value);
    for (char& c : text)
        if (c == 'E') c = 'D';
    return text;
}

// A version-2 broadcast-orbit line: three blanks, then the values.
inline std::string orbit_v2(double a, double b, double c, double d) {
    return "   " + d19(a) + d19(b) + d19(c) + d19(d) + "\n";
}

// A version-3 broadcast-orbit line: four blanks, then the values.
inline std::string orbit_v3(double a, double b, double c, double d) {
    return "    " + d19(a) + d19(b) + d19(c) + d19(d) + "\n";
}

}  // namespace import_test
