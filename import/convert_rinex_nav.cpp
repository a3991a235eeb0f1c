#include "import/convert_rinex_nav.h"

#include <cstring>

#include "import/convert_rinex_nav_text.h"
#include "import/convert_rinex_nav_values.h"

namespace vyr_import {
namespace {

enum class Road { kRefused, kText, kLibrary };

Road road_of(double version, bool hasTextReader) {
    if (version < 2.0) return Road::kRefused;
    if (version < 3.0) return hasTextReader ? Road::kText : Road::kRefused;
    return Road::kLibrary;
}

// A version-2 text reader reads one system's message layout: a file of another system would
// come out as garbage records, so it is refused.
bool is_navigation_of(const char* fileName, char typeLetter) {
    return rinex_file_type(fileName) == typeLetter;
}

}  // namespace

char rinex_file_type(const char* fileName) {
    TextFile file = open_text_file(fileName);
    if (!file) return 0;
    CLineClassification lines;
    char buffer[kLineBufferSize];
    int lineClass = kLineNone;
    if (!lines.ReadLine(file.get(), buffer, lineClass) || lineClass != kLineVersion) return 0;
    return std::strlen(buffer) > 20 ? buffer[20] : 0;
}

}  // namespace vyr_import

using namespace vyr_import;

VYR_ERROR CConvertFileRinexNav::Convert(std::vector<VYR_BROADCASTEPHEMERIS>& out, uint32_t) {
    switch (road_of(read_rinex_format_version(GetFileName()), true)) {
        case Road::kRefused:
            return VYR_E_NOT_IMPLEMENTED;
        case Road::kText:
            out.clear();
            if (!is_navigation_of(GetFileName(), 'N')) return VYR_E_UNSUPPORTED_FILE;
            return read_gps_navigation_v2(GetFileName(), *this, out, nullptr);
        case Road::kLibrary:
            break;
    }
    return ReadWithLibrary(out, nullptr);
}

VYR_ERROR CConvertFileRinexNavGlo::Convert(std::vector<VYR_BROADCASTEPHEMERIS_GLO>& out, uint32_t) {
    switch (road_of(read_rinex_format_version(GetFileName()), true)) {
        case Road::kRefused:
            return VYR_E_NOT_IMPLEMENTED;
        case Road::kText:
            out.clear();
            if (!is_navigation_of(GetFileName(), 'G')) return VYR_E_UNSUPPORTED_FILE;
            return read_glonass_navigation_v2(GetFileName(), *this, out, nullptr);
        case Road::kLibrary:
            break;
    }
    return ReadWithLibrary(out, nullptr);
}

VYR_ERROR CConvertFileRinexNavGal::Convert(std::vector<VYR_BROADCASTEPHEMERIS_GAL>& out, uint32_t) {
    if (road_of(read_rinex_format_version(GetFileName()), false) == Road::kRefused)
        return VYR_E_NOT_IMPLEMENTED;
    return ReadWithLibrary(out, nullptr);
}
