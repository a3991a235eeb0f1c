#include "import/line_classification.h"

#include <cstdlib>
#include <cstring>

#include "import/text_file.h"

namespace vyr_import {
namespace {

constexpr const char* kLabels[kLineBlank] = {
    "RINEX VERSION / TYPE",
    "PGM / RUN BY / DATE",
    "COMMENT",
    "ION ALPHA",
    "ION BETA",
    "DELTA-UTC: A0,A1,T,W",
    "LEAP SECONDS",
    "END OF HEADER",
    "MARKER NAME",
    "MARKER NUMBER",
    "OBSERVER / AGENCY",
    "REC # / TYPE / VERS",
    "ANT # / TYPE",
    "APPROX POSITION XYZ",
    "ANTENNA: DELTA H/E/N",
    "WAVELENGTH FACT L1/2",
    "# / TYPES OF OBSERV",
    "INTERVAL",
    "TIME OF FIRST OBS",
    "TIME OF LAST OBS",
    "RCV CLOCK OFFS APPL",
    "SYS / PHASE SHIFT",
    "# OF SATELLITES",
    "PRN / # OF OBS",
};

// Every label holds a run of three capital letters, which data lines never do (satellites are
// one letter and two digits): lines without such a run skip the 24 searches.
bool may_hold_label(const char* line) {
    int run = 0;
    for (const char* c = line; *c != '\0'; ++c) {
        run = (*c >= 'A' && *c <= 'Z') ? run + 1 : 0;
        if (run == 3) return true;
    }
    return false;
}

}  // namespace

const char* line_label(int lineClass) {
    return lineClass >= 0 && lineClass < kLineBlank ? kLabels[lineClass] : "";
}

double read_rinex_format_version(const char* fileName) {
    if (fileName == nullptr) return 0.0;
    const TextFile file = open_text_file(fileName);
    if (!file) return 0.0;
    CLineClassification lines;
    char buffer[kLineBufferSize];
    int lineClass = kLineNone;
    double version = 0.0;
    if (lines.ReadLine(file.get(), buffer, lineClass) && lineClass == kLineVersion) {
        char* end = nullptr;
        const double parsed = std::strtod(buffer, &end);
        if (end != buffer) version = parsed;
    }
    return version;
}

}  // namespace vyr_import

using namespace vyr_import;

int CLineClassification::ClassifyLine(char* line, const int& previousClass) const {
    if (line == nullptr) return kLineNone;
    if (may_hold_label(line)) {
        for (int c = 0; c < kLineBlank; ++c)
            if (std::strstr(line, kLabels[c]) != nullptr) return c;
    }
    if (IsBlank(line)) return kLineBlank;
    if (previousClass == kLineObsTypes) return kLineObsTypes;
    // Fortran exponents, as some writers give them in lower case.
    ReplaceChar(line, 'D', 'E');
    ReplaceChar(line, 'd', 'E');
    return kLineData;
}

bool CLineClassification::ReadLine(FILE* file, char* buffer, int& lineClass) const {
    if (file == nullptr || buffer == nullptr) return false;
    if (std::fgets(buffer, kLineBufferSize, file) == nullptr) return false;
    size_t length = std::strlen(buffer);
    // Files written elsewhere end their lines with CR LF.
    while (length > 0 && (buffer[length - 1] == '\n' || buffer[length - 1] == '\r'))
        buffer[--length] = '\0';
    lineClass = ClassifyLine(buffer, lineClass);
    return true;
}

int CLineClassification::ReadRecord(FILE* file, int& wantedClass, char* buffer) const {
    if (file == nullptr || buffer == nullptr) return 0;
    int lineClass = kLineNone;
    for (int read = 1;; ++read) {
        if (!ReadLine(file, buffer, lineClass)) return -1;
        if (lineClass == wantedClass) return read;
    }
}
