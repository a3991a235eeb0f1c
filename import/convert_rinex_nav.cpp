#include "import/convert_rinex_nav.h"

#include <cstring>
#include <string>

#include "import/convert_rinex_nav_text.h"
#include "import/convert_rinex_nav_values.h"
#include "import/text_file.h"

namespace vyr_import {
namespace {

// A version-2 text reader reads one system's message layout: a file of another system would
// come out as garbage records, so it is refused.
VYR_ERROR read_if_navigation_of(const char* fileName, char typeLetter, const char* system,
                                VyrConversionReport& report) {
    if (rinex_file_type(fileName) == typeLetter) return VYR_OK;
    return note_failure(report, VYR_E_UNSUPPORTED_FILE, 1,
                        std::string("not a version-2 navigation file of ") + system);
}

}  // namespace

VYR_ERROR check_navigation_version(double version, double lowest, VyrConversionReport& report) {
    if (version >= lowest) return VYR_OK;
    // read_rinex_format_version gives 0 when the first line holds no version.
    if (version < 1.0)
        return note_failure(report, VYR_E_FAILED_TO_READ, 1,
                            "the first line gives no RINEX format version");
    return note_failure(report, VYR_E_NOT_IMPLEMENTED, 1,
                        std::string("navigation files of this version are not read (") +
                            (lowest < 3.0 ? "2" : "3") + " to 4 are)");
}

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
    const double version = read_rinex_format_version(GetFileName());
    const VYR_ERROR gate = check_navigation_version(version, 2.0, m_report);
    if (gate != VYR_OK) return gate;
    if (version >= 3.0) return ReadWithLibrary(out, nullptr);
    out.clear();
    const VYR_ERROR own = read_if_navigation_of(GetFileName(), 'N', "GPS", m_report);
    if (own != VYR_OK) return own;
    return read_gps_navigation_v2(GetFileName(), *this, out, nullptr, m_report);
}

VYR_ERROR CConvertFileRinexNavGlo::Convert(std::vector<VYR_BROADCASTEPHEMERIS_GLO>& out, uint32_t) {
    const double version = read_rinex_format_version(GetFileName());
    const VYR_ERROR gate = check_navigation_version(version, 2.0, m_report);
    if (gate != VYR_OK) return gate;
    if (version >= 3.0) return ReadWithLibrary(out, nullptr);
    out.clear();
    const VYR_ERROR own = read_if_navigation_of(GetFileName(), 'G', "GLONASS", m_report);
    if (own != VYR_OK) return own;
    return read_glonass_navigation_v2(GetFileName(), *this, out, nullptr, m_report);
}

// Galileo has no version-2 road.
VYR_ERROR CConvertFileRinexNavGal::Convert(std::vector<VYR_BROADCASTEPHEMERIS_GAL>& out, uint32_t) {
    const VYR_ERROR gate =
        check_navigation_version(read_rinex_format_version(GetFileName()), 3.0, m_report);
    if (gate != VYR_OK) return gate;
    return ReadWithLibrary(out, nullptr);
}
