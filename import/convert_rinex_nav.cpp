#include "import/convert_rinex_nav.h"

#include <cstring>
#include <string>

#include "import/convert_rinex_nav_text.h"
#include "import/convert_rinex_nav_values.h"
#include "import/text_file.h"

namespace vyr_import {
namespace {

enum class Road { kDamaged, kRefused, kText, kLibrary };

// A version below 1 is no version at all: the first line is not a version line, or its number
// does not parse.
Road road_of(double version, bool hasTextReader) {
    if (version < 1.0) return Road::kDamaged;
    if (version < 2.0) return Road::kRefused;
    if (version < 3.0) return hasTextReader ? Road::kText : Road::kRefused;
    return Road::kLibrary;
}

// A version-2 text reader reads one system's message layout: a file of another system would
// come out as garbage records, so it is refused.
bool is_navigation_of(const char* fileName, char typeLetter) {
    return rinex_file_type(fileName) == typeLetter;
}

VYR_ERROR refuse(Road road, const char* versions, VyrConversionReport& report) {
    if (road == Road::kDamaged)
        return note_failure(report, VYR_E_FAILED_TO_READ, 1,
                            "the first line is not a \"RINEX VERSION / TYPE\" line with a version");
    return note_failure(
        report, VYR_E_NOT_IMPLEMENTED, 1,
        std::string("navigation files of this version are not read (") + versions + " are)");
}

VYR_ERROR refuse_system(const char* system, VyrConversionReport& report) {
    return note_failure(report, VYR_E_UNSUPPORTED_FILE, 1,
                        std::string("not a version-2 navigation file of ") + system);
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
    const Road road = road_of(read_rinex_format_version(GetFileName()), true);
    switch (road) {
        case Road::kDamaged:
        case Road::kRefused:
            return refuse(road, "2 to 4", m_report);
        case Road::kText:
            out.clear();
            if (!is_navigation_of(GetFileName(), 'N')) return refuse_system("GPS", m_report);
            return read_gps_navigation_v2(GetFileName(), *this, out, nullptr, m_report);
        case Road::kLibrary:
            break;
    }
    return ReadWithLibrary(out, nullptr);
}

VYR_ERROR CConvertFileRinexNavGlo::Convert(std::vector<VYR_BROADCASTEPHEMERIS_GLO>& out, uint32_t) {
    const Road road = road_of(read_rinex_format_version(GetFileName()), true);
    switch (road) {
        case Road::kDamaged:
        case Road::kRefused:
            return refuse(road, "2 to 4", m_report);
        case Road::kText:
            out.clear();
            if (!is_navigation_of(GetFileName(), 'G')) return refuse_system("GLONASS", m_report);
            return read_glonass_navigation_v2(GetFileName(), *this, out, nullptr, m_report);
        case Road::kLibrary:
            break;
    }
    return ReadWithLibrary(out, nullptr);
}

VYR_ERROR CConvertFileRinexNavGal::Convert(std::vector<VYR_BROADCASTEPHEMERIS_GAL>& out, uint32_t) {
    const Road road = road_of(read_rinex_format_version(GetFileName()), false);
    if (road != Road::kLibrary) return refuse(road, "3 and 4", m_report);
    return ReadWithLibrary(out, nullptr);
}
