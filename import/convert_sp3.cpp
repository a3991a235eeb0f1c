#include "import/convert_sp3.h"

#include <cstdio>
#include <cstring>

#include "import/convert_rinex_nav_values.h"
#include "import/input_text.h"
#include "import/text_file.h"
#include "vyr/mjd_time.h"
#include "vyr/satellite.h"

namespace vyr_import {
namespace {

// A blank system letter is GPS (SP3-a). Numbers outside a system's range have no compact
// number: they would otherwise land on another system's satellites.
VYR_SATELLITE_SYSTEM sp3_system(char letter) {
    switch (letter) {
        case ' ':
        case 'G':
            return VYR_SATSYS_GPS;
        case 'R':
            return VYR_SATSYS_GLONASS;
        case 'E':
            return VYR_SATSYS_GALILEO;
        default:
            return VYR_SATSYS_NONE;
    }
}

}  // namespace

bool parse_sp3_epoch_line(const char* line, double& epoch) {
    if (line[0] != '*') return false;
    int values[5] = {};
    const char* rest = nullptr;
    if (parse_integers(line + 1, values, 5, &rest) != 5) return false;
    double seconds = 0.0;
    if (parse_numbers(rest, &seconds, 1) != 1) return false;
    uint32_t day = 0;
    double milliseconds = 0.0;
    CalendarToMjd(values[0], values[1], values[2], values[3], values[4], seconds, day,
                  milliseconds);
    epoch = day + milliseconds / mjd::kMillisecondsPerDay;
    return true;
}

Sp3Position parse_sp3_position_line(const char* line, VYR_PRECISEEPHEMERIS& record) {
    if (line[0] != 'P' || line[1] == '\0') return Sp3Position::kDamaged;
    int number = 0;
    const char* rest = nullptr;
    if (parse_integers(line + 2, &number, 1, &rest) != 1) return Sp3Position::kDamaged;
    double values[4] = {};
    if (parse_numbers(rest, values, 4) != 4) return Sp3Position::kDamaged;
    const VYR_SATELLITE_SYSTEM system = sp3_system(line[1]);
    if (system == VYR_SATSYS_NONE || number < 1 || number > 255) return Sp3Position::kNotStored;
    const uint8_t satellite =
        vyr::compact_satellite_number(VYR_SATID{system, static_cast<uint8_t>(number)});
    if (satellite == 0) return Sp3Position::kNotStored;
    record = VYR_PRECISEEPHEMERIS{};
    record.satellite = satellite;
    record.x = values[0] * 1000.0;
    record.y = values[1] * 1000.0;
    record.z = values[2] * 1000.0;
    record.clock = values[3] * 1e-6;
    return Sp3Position::kRecord;
}

}  // namespace vyr_import

using namespace vyr_import;

VYR_ERROR CConvertFileSp3::Convert(std::vector<VYR_PRECISEEPHEMERIS>& out, uint32_t) {
    out.clear();
    TextFile file = open_text_file(GetFileName());
    if (!file) return VYR_E_FILE_NOT_FOUND;
    char buffer[kLineBufferSize];
    uint32_t line = 0;
    bool ended = true;
    bool sawEnd = false;
    double epoch = 0.0;
    bool epochRead = true;  // no epoch line yet: positions take epoch 0
    // Lines are taken as they stand: SP3 has no labels to classify, and its "D" is no exponent.
    while (read_line(file.get(), buffer, sizeof buffer, ended)) {
        ++line;
        if (buffer[0] == '*') {
            epochRead = parse_sp3_epoch_line(buffer, epoch);
        } else if (buffer[0] == 'P') {
            VYR_PRECISEEPHEMERIS record;
            const Sp3Position position = parse_sp3_position_line(buffer, record);
            // A line without its line end is where the file was cut, its values perhaps with it.
            if (!ended) {
                note_read_past(m_report, line, "a position line cut by the end of the file");
            } else if (position == Sp3Position::kDamaged) {
                note_read_past(m_report, line, "a position line that cannot be read");
            } else if (!epochRead) {
                note_read_past(m_report, line,
                               "a position under an epoch line that cannot be read");
            } else if (position == Sp3Position::kRecord) {
                record.epoch = epoch;
                out.push_back(record);
            }
        } else if (std::strncmp(buffer, "EOF", 3) == 0) {
            sawEnd = true;
        }
    }
    if (std::ferror(file.get()))
        return note_failure(m_report, VYR_E_FAILED_TO_READ, line + 1, read_problem(file.get()));
    if (!sawEnd)
        m_report.remarks.push_back({0, "the file ends without its \"EOF\" line (truncated?)"});
    return VYR_OK;
}
