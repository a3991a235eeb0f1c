#include "import/convert_rinex_nav_text.h"

#include <functional>
#include <string>

#include <rinex/rnx_checks.h>

#include "import/conversion_report.h"
#include "import/convert_rinex_nav_records.h"
#include "import/convert_rinex_nav_values.h"
#include "import/input_text.h"
#include "import/text_file.h"

namespace vyr_import {
namespace {

constexpr int kMaxOrbitLines = 7;

// One message as written: the epoch line and its broadcast-orbit lines.
struct TextMessage {
    int satellite = 0;
    RNX_TIME time{};
    double clock[3] = {};
    double orbit[kMaxOrbitLines][4] = {};
    bool complete = true;
    uint32_t line = 0;  // the first line; the orbit lines follow it directly
};

// "%d %d %d %d %d %d %lf %lf %lf %lf": satellite, date and time, the three clock values.
bool parse_epoch_line(const char* line, TextMessage& m) {
    int values[6] = {};
    const char* rest = nullptr;
    if (parse_integers(line, values, 6, &rest) != 6) return false;
    double numbers[4] = {};
    if (parse_numbers(rest, numbers, 4) != 4) return false;
    m.satellite = values[0];
    m.time.year = static_cast<uint16_t>(full_year(values[1]));
    m.time.month = static_cast<uint8_t>(values[2]);
    m.time.day = static_cast<uint8_t>(values[3]);
    m.time.hour = static_cast<uint8_t>(values[4]);
    m.time.minute = static_cast<uint8_t>(values[5]);
    m.time.seconds = numbers[0];
    for (int i = 0; i < 3; ++i) m.clock[i] = numbers[i + 1];
    return values[0] >= 0 && values[0] <= 255;
}

// The data lines of a file after its header, counted, with the report of what they lack.
class MessageReader {
public:
    MessageReader(FILE* file, const CLineClassification& lines, VyrConversionReport& report)
        : m_file(file), m_lines(lines), m_report(report) {}

    // Reads up to "END OF HEADER".
    VYR_ERROR header() {
        char buffer[kLineBufferSize];
        int endOfHeader = kLineEndOfHeader;
        const int read = m_lines.ReadRecord(m_file, endOfHeader, buffer);
        if (read < 0) {
            return std::ferror(m_file) ? read_failure()
                                       : note_failure(m_report, VYR_E_HEADER_OR_DATA_MISSING, 0,
                                                      "the header has no END OF HEADER");
        }
        m_line += read;
        return VYR_OK;
    }

    // Reads the next message: its epoch line (the next data line that is no orbit line) and
    // orbitLines orbit lines that must follow it directly; the last orbit line needs only
    // lastLineValues numbers (writers leave its spare fields off). A message broken by a line
    // that is no orbit line, or with a value that cannot be read, is read past and noted; the
    // line that broke it starts the next one. False at the end of the file or on a read failure
    // (result tells).
    bool next(int orbitLines, int lastLineValues, TextMessage& m, VYR_ERROR& result) {
        int lineClass = kLineNone;
        bool strayNoted = false;
        for (;;) {
            if (!read(lineClass)) {
                failed_at_end(result);
                return false;
            }
            if (lineClass != kLineData) continue;
            if (!is_orbit_line(m_buffer)) break;
            // Orbit lines of a message broken before belong to that damaged record.
            if (!m_afterBroken && !strayNoted)
                note_read_past(m_report, m_line, "orbit lines without their message's first line");
            strayNoted = true;
        }
        m_afterBroken = false;
        const uint32_t first = m_line;
        m = TextMessage{};
        m.line = first;
        m.complete = parse_epoch_line(m_buffer, m);
        for (int i = 0; i < orbitLines; ++i) {
            if (!read(lineClass)) {
                if (!failed_at_end(result))
                    note_read_past(m_report, first, "a message cut by the end of the file");
                return false;
            }
            if (lineClass != kLineData || !is_orbit_line(m_buffer)) {
                if (lineClass == kLineData) m_held = true;  // the next message's first line
                note_read_past(m_report, first, "a message broken by a line that is no orbit line");
                m_afterBroken = true;
                m.complete = false;
                return true;
            }
            const int needed = i + 1 == orbitLines ? lastLineValues : 4;
            if (parse_numbers(m_buffer, m.orbit[i], 4) < needed) m.complete = false;
        }
        if (!m.complete)
            note_read_past(m_report, first, "a message with a value that cannot be read");
        return true;
    }

private:
    // The next line into m_buffer, or the line held back; lower-case "d" exponents become "E"
    // as the upper-case ones do.
    bool read(int& lineClass) {
        if (m_held) {
            m_held = false;
            lineClass = kLineData;
            return true;
        }
        lineClass = kLineData;
        if (!m_lines.ReadLine(m_file, m_buffer, lineClass)) return false;
        ++m_line;
        if (lineClass == kLineData)
            for (char* c = m_buffer; *c != '\0'; ++c)
                if (*c == 'd') *c = 'E';
        return true;
    }
    // Orbit lines start with three blanks (3X); a message's first line with its satellite.
    static bool is_orbit_line(const char* line) {
        return line[0] == ' ' && line[1] == ' ' && line[2] == ' ';
    }
    // At the end of the file: result is 0, or the read failure that ended it (then true).
    bool failed_at_end(VYR_ERROR& result) {
        result = std::ferror(m_file) ? read_failure() : VYR_OK;
        return result != VYR_OK;
    }
    VYR_ERROR read_failure() {
        return note_failure(m_report, VYR_E_FAILED_TO_READ, m_line + 1, read_problem(m_file));
    }

    FILE* m_file;
    const CLineClassification& m_lines;
    VyrConversionReport& m_report;
    uint32_t m_line = 0;
    char m_buffer[kLineBufferSize] = {};
    bool m_held = false;         // m_buffer holds a data line not yet taken
    bool m_afterBroken = false;  // the last message was broken: its stray lines are not noted
};

VYR_ERROR read_messages(const char* fileName, const CLineClassification& lines,
                        VyrConversionReport& report, int orbitLines, int lastLineValues,
                        const std::function<void(const TextMessage&)>& take) {
    TextFile file = open_text_file(fileName);
    if (!file) return VYR_E_FILE_NOT_FOUND;
    MessageReader reader(file.get(), lines, report);
    VYR_ERROR result = reader.header();
    if (result != VYR_OK) return result;
    TextMessage m;
    while (reader.next(orbitLines, lastLineValues, m, result))
        if (m.complete) take(m);
    return result;
}

RNX_NAV_GPS gps_message(const TextMessage& t) {
    RNX_NAV_GPS m{};
    m.prn = static_cast<uint8_t>(t.satellite);
    m.timeOfClock = t.time;
    m.timeOfClock.timeSystem = eTIMESYS_GPS;
    m.clockBias = t.clock[0];
    m.clockDrift = t.clock[1];
    m.clockDriftRate = t.clock[2];
    const auto& o = t.orbit;
    m.iode = o[0][0], m.crs = o[0][1], m.deltaN = o[0][2], m.m0 = o[0][3];
    m.cuc = o[1][0], m.eccentricity = o[1][1], m.cus = o[1][2], m.sqrtA = o[1][3];
    m.toe = o[2][0], m.cic = o[2][1], m.omega0 = o[2][2], m.cis = o[2][3];
    m.i0 = o[3][0], m.crc = o[3][1], m.omega = o[3][2], m.omegaDot = o[3][3];
    m.idot = o[4][0], m.codesOnL2 = o[4][1], m.gpsWeek = o[4][2], m.l2PDataFlag = o[4][3];
    m.svAccuracy = o[5][0], m.svHealth = o[5][1], m.tgd = o[5][2], m.iodc = o[5][3];
    m.transmissionTime = o[6][0], m.fitInterval = o[6][1];
    return m;
}

RNX_NAV_GLO glonass_message(const TextMessage& t) {
    RNX_NAV_GLO m{};
    m.slot = static_cast<uint8_t>(t.satellite);
    m.timeOfClock = t.time;
    m.timeOfClock.timeSystem = eTIMESYS_GLO;
    m.minusTauN = t.clock[0];
    m.gammaN = t.clock[1];
    m.messageFrameTime = t.clock[2];
    const auto& o = t.orbit;
    m.x = o[0][0], m.xVelocity = o[0][1], m.xAcceleration = o[0][2], m.health = o[0][3];
    m.y = o[1][0], m.yVelocity = o[1][1], m.yAcceleration = o[1][2], m.frequencyNumber = o[1][3];
    m.z = o[2][0], m.zVelocity = o[2][1], m.zAcceleration = o[2][2], m.ageOfOperationInfo = o[2][3];
    return m;
}

}  // namespace

int full_year(int year) {
    if (year >= 0 && year < 80) return year + 2000;
    if (year >= 80 && year < 100) return year + 1900;
    return year;
}

VYR_ERROR read_gps_navigation_v2(const char* fileName, const CLineClassification& lines,
                                 std::vector<VYR_BROADCASTEPHEMERIS>& out, IVyrProgress* progress,
                                 VyrConversionReport& report) {
    return read_messages(fileName, lines, report, 7, 1, [&](const TextMessage& t) {
        const VYR_BROADCASTEPHEMERIS record = gps_record_from_message(gps_message(t));
        if (progress != nullptr) progress->Notify();
        out.push_back(record);
    });
}

VYR_ERROR read_glonass_navigation_v2(const char* fileName, const CLineClassification& lines,
                                     std::vector<VYR_BROADCASTEPHEMERIS_GLO>& out,
                                     IVyrProgress* progress, VyrConversionReport& report) {
    return read_messages(fileName, lines, report, 3, 4, [&](const TextMessage& t) {
        RNX_NAV_GLO message = glonass_message(t);
        int32_t channel = 0;
        if (!RnxGlonassChannel(message.frequencyNumber, channel)) {
            note_read_past(report, t.line + 2,
                           "a message with a frequency channel outside -7 to +13");
            return;
        }
        message.frequencyNumber = channel;
        // The text road keeps the file's seconds of the day, rounded.
        const VYR_BROADCASTEPHEMERIS_GLO record = glonass_record_from_message(
            message, round_half_away<uint32_t>(message.messageFrameTime));
        if (progress != nullptr) progress->Notify();
        out.push_back(record);
    });
}

}  // namespace vyr_import
