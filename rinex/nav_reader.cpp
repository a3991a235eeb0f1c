#include "rinex/nav_reader.h"

#include <algorithm>
#include <cstring>

#include "rinex/codes.h"
#include "rinex/fields.h"
#include "rinex/rnx_checks.h"

namespace rnx {

namespace {

constexpr std::string_view kKnownLabels[] = {
    "RINEX VERSION / TYPE",
    "PGM / RUN BY / DATE",
    "COMMENT",
    "ION ALPHA",
    "ION BETA",
    "DELTA-UTC: A0,A1,T,W",
    "CORR TO SYSTEM TIME",
    "LEAP SECONDS",
    "IONOSPHERIC CORR",
    "TIME SYSTEM CORR",
    "MERGED FILE",
    "DOI",
    "LICENSE OF USE",
    "STATION INFORMATION",
    "REC # / TYPE / VERS",
    "END OF HEADER",
};

struct Text {
    explicit Text(std::string_view field) { copy_text(field, buf, sizeof buf); }
    const char* c_str() const { return buf; }
    char buf[61];
};

// Orbit lines a message must have to be delivered.
int required_orbit_lines(char letter) {
    return letter == 'R' ? 3 : 7;
}

eTIMESYS time_system_of_messages(char letter) {
    switch (letter) {
        case 'G':
            return eTIMESYS_GPS;
        case 'R':
            return eTIMESYS_UTC;
        case 'E':
            return eTIMESYS_GAL;
        default:
            return eTIMESYS_NONE;
    }
}

}  // namespace

NavReader::NavReader(LineSource& lines, IRnxReaderResultNav& out, Diagnostics& diag,
                     Settings settings)
    : lines_(lines), out_(out), diag_(diag), settings_(settings) {}

eRNX NavReader::run() {
    if (header()) data();
    return error_;
}

bool NavReader::header() {
    std::string_view line;
    while (lines_.next(line)) {
        const std::string_view label = header_label(line);
        if (label == "END OF HEADER") return go(out_.OnHeaderEnd());
        if (!header_line(line, label)) return false;
    }
    if (lines_.failed())
        error_ =
            diag_.fail(eRNX_E_FILE_READ_ERROR, lines_.line_number(), "the file cannot be read");
    else
        error_ = diag_.fail(eRNX_E_HEADER_DATA_MISSING, lines_.line_number(),
                            "the header has no END OF HEADER");
    return false;
}

bool NavReader::header_line(std::string_view line, std::string_view label) {
    const std::string_view c = header_content(line);
    if (label == "COMMENT") return go(out_.OnComment(Text(c).c_str()));
    if (label == "PGM / RUN BY / DATE")
        return go(out_.OnProgram(Text(column(c, 0, 20)).c_str(), Text(column(c, 20, 20)).c_str(),
                                 Text(column(c, 40, 20)).c_str()));
    if (label == "ION ALPHA" || label == "ION BETA" || label == "IONOSPHERIC CORR") {
        RNX_IONO_CORR corr{};
        const bool v2 = label != "IONOSPHERIC CORR";
        copy_text(v2 ? (label == "ION ALPHA" ? "GPSA" : "GPSB") : column(c, 0, 4), corr.type,
                  sizeof corr.type);
        const size_t first = v2 ? 2 : 5;
        for (size_t k = 0; k < 4; ++k) {
            if (parse_double(column(c, first + 12 * k, 12), corr.coefficients[k]) == Parsed::kBad) {
                warn(eRNX_W_HEADER_DATA_UNKNOWN, std::string(label) + " is not readable");
                return true;
            }
        }
        return go(out_.OnIonoCorrection(corr));
    }
    if (label == "DELTA-UTC: A0,A1,T,W" || label == "TIME SYSTEM CORR") {
        RNX_TIME_CORR corr{};
        const bool v2 = label == "DELTA-UTC: A0,A1,T,W";
        copy_text(v2 ? "GPUT" : column(c, 0, 4), corr.type, sizeof corr.type);
        // Version 2: 3X, 2D19.12, 2I9. Later: A4, 1X, D17.10, D16.9, 1X, I6, 1X, I4.
        const bool ok =
            v2 ? parse_double(column(c, 3, 19), corr.a0) != Parsed::kBad &&
                     parse_double(column(c, 22, 19), corr.a1) != Parsed::kBad &&
                     parse_int(column(c, 41, 9), corr.referenceSeconds) != Parsed::kBad &&
                     parse_int(column(c, 50, 9), corr.referenceWeek) != Parsed::kBad
               : parse_double(column(c, 5, 17), corr.a0) != Parsed::kBad &&
                     parse_double(column(c, 22, 16), corr.a1) != Parsed::kBad &&
                     parse_int(column(c, 38, 7), corr.referenceSeconds) != Parsed::kBad &&
                     parse_int(column(c, 45, 5), corr.referenceWeek) != Parsed::kBad;
        if (!ok) {
            warn(eRNX_W_HEADER_DATA_UNKNOWN, std::string(label) + " is not readable");
            return true;
        }
        return go(out_.OnTimeSystemCorrection(corr));
    }
    if (label == "LEAP SECONDS") {
        int32_t v[4];
        const size_t at[4] = {0, 6, 12, 18};
        const size_t width[4] = {6, 6, 6, 4};
        bool ok = parse_int(column(c, 0, 6), v[0]) == Parsed::kOk;
        for (int i = 1; i < 4; ++i)
            ok = ok && parse_int(column(c, at[i], width[i]), v[i]) != Parsed::kBad;
        if (!ok) {
            warn(eRNX_W_HEADER_DATA_UNKNOWN, "LEAP SECONDS is not readable");
            return true;
        }
        return go(out_.OnLeapSeconds(v[0], v[1], v[2], v[3]));
    }
    if (std::find(std::begin(kKnownLabels), std::end(kKnownLabels), label) ==
        std::end(kKnownLabels))
        warn(eRNX_W_HEADER_LABEL_UNKNOWN, "unknown header label \"" + std::string(label) + "\"",
             false);
    return go(out_.OnHeaderRecord(Text(label).c_str(), Text(c).c_str()));
}

bool NavReader::data() {
    std::string_view line;
    bool reported = false;  // one warning per run of lines read past
    while (!stopped_ && lines_.next(line)) {
        if (is_blank(line)) continue;
        bool handled = false;
        if (settings_.version >= 4.0) {
            if (line[0] == '>') {
                handled = true;
                if (!version4_record(line)) return false;
            }
        } else if (version2() || (line[0] >= 'A' && line[0] <= 'Z')) {
            handled = true;
            if (!message(line, 0)) return false;
        }
        if (handled) {
            reported = false;
        } else if (!reported) {
            warn(eRNX_W_DATA_INVALID, "lines that start no record, read past up to the next one");
            reported = true;
        }
    }
    if (stopped_) return false;
    if (lines_.failed()) {
        error_ =
            diag_.fail(eRNX_E_FILE_READ_ERROR, lines_.line_number(), "the file cannot be read");
        return false;
    }
    return go(out_.OnEndOfData());
}

// "> EPH G01 LNAV": the kinds delivered are read as messages, every other record is read past.
bool NavReader::version4_record(std::string_view line) {
    const std::string_view kind = trim(column(line, 2, 3));
    const char letter = line.size() > 6 ? line[6] : ' ';
    const std::string_view type = trim(column(line, 10, 4));
    char message_type = 0;
    bool wanted = false;
    if (kind == "EPH") {
        wanted = (letter == 'G' && type == "LNAV") || (letter == 'R' && type == "FDMA") ||
                 (letter == 'E' && (type == "INAV" || type == "FNAV"));
        if (letter == 'E') message_type = type == "INAV" ? 'I' : 'F';
    }
    if (!wanted) {
        skip_to_next_record();
        return true;
    }
    std::string_view first;
    if (!lines_.next(first) || (!first.empty() && first[0] == '>')) {
        if (!first.empty() && first[0] == '>') lines_.unread();
        warn(eRNX_W_DATA_OBS_MISSING, "an EPH record without its message lines");
        return true;
    }
    return message(first, message_type);
}

void NavReader::skip_to_next_record() {
    std::string_view line;
    while (lines_.next(line)) {
        if (!line.empty() && line[0] == '>') {
            lines_.unread();
            return;
        }
    }
}

bool NavReader::message(std::string_view first, char message_type) {
    Message m{};
    m.line = lines_.line_number();
    m.readable = true;
    const bool first_ok = read_first_line(first, m);
    read_orbit_lines(m);
    // Systems not delivered are read past without a word, whatever their lines hold.
    if (m.letter != 'G' && m.letter != 'R' && m.letter != 'E') return true;
    if (!first_ok) {
        diag_.warn(eRNX_W_DATA_INVALID, m.line, "a message whose satellite or epoch cannot be read",
                   true);
        return true;
    }
    return deliver(m, message_type);
}

// Version 2: I2, 1X, I2.2, 4(1X, I2), F5.1, 3D19.12. Later: A1, I2.2, 1X, I4, 5(1X, I2.2),
// 3D19.12.
bool NavReader::read_first_line(std::string_view line, Message& m) {
    int32_t f[6];
    double seconds = 0;
    bool ok = true;
    size_t values_at = 0;
    if (version2()) {
        m.letter = settings_.file_type == 'G' ? 'R' : 'G';
        const size_t at[6] = {0, 2, 5, 8, 11, 14};
        for (int i = 0; i < 6; ++i)
            ok = ok && parse_int(column(line, at[i], i == 0 ? 2 : 3), f[i]) == Parsed::kOk;
        ok = ok && parse_double(column(line, 17, 5), seconds) == Parsed::kOk;
        if (ok && f[1] < 100) f[1] += f[1] < 80 ? 2000 : 1900;
        values_at = 22;
    } else {
        m.letter = line[0];
        const size_t at[6] = {1, 3, 8, 11, 14, 17};
        const size_t width[6] = {2, 5, 3, 3, 3, 3};
        for (int i = 0; i < 6; ++i)
            ok = ok && parse_int(column(line, at[i], width[i]), f[i]) == Parsed::kOk;
        int32_t s = 0;
        ok = ok && parse_int(column(line, 20, 3), s) == Parsed::kOk;
        seconds = s;
        values_at = 23;
    }
    ok = ok && f[0] >= 1 && f[0] <= 99;
    if (!ok) return false;
    m.number = static_cast<uint8_t>(f[0]);
    if (!make_time(f[1], f[2], f[3], f[4], f[5], seconds, time_system_of_messages(m.letter),
                   m.time))
        return false;
    for (size_t k = 0; k < 3; ++k)
        if (parse_double(column(line, values_at + 19 * k, 19), m.v[0][k + 1]) == Parsed::kBad)
            m.readable = false;
    return true;
}

// Continuation lines: version 2 3X, 4D19.12; later 4X, 4D19.12.
void NavReader::read_orbit_lines(Message& m) {
    const size_t indent = version2() ? 3 : 4;
    std::string_view line;
    while (lines_.next(line)) {
        if (is_blank(line) || !is_blank(column(line, 0, indent))) {
            lines_.unread();
            return;
        }
        if (m.orbit_lines >= kMaxOrbitLines) continue;  // lines of kinds not delivered
        double* row = m.v[++m.orbit_lines];
        for (size_t k = 0; k < 4; ++k)
            if (parse_double(column(line, indent + 19 * k, 19), row[k]) == Parsed::kBad)
                m.readable = false;
        if (version2() && m.orbit_lines == required_orbit_lines(m.letter)) return;
    }
}

bool NavReader::deliver(const Message& m, char message_type) {
    // The texts name no satellite: the line does, and readers group records by the text.
    if (!m.readable) {
        diag_.warn(eRNX_W_DATA_READ_ERROR, m.line, "a message with a value that cannot be read",
                   true);
        return true;
    }
    if (m.orbit_lines < required_orbit_lines(m.letter)) {
        diag_.warn(eRNX_W_DATA_OBS_MISSING, m.line,
                   "a message with fewer orbit lines than its system has", true);
        return true;
    }
    const auto& v = m.v;
    int32_t channel = 0;
    if (m.letter == 'R' && !RnxGlonassChannel(v[2][3], channel)) {
        // The channel sits on the second orbit line, which follows the first line directly.
        diag_.warn(eRNX_W_DATA_INVALID, m.line + 2,
                   "a message with a frequency channel outside -7 to +13", true);
        return true;
    }
    ++records_;
    if (m.letter == 'R') {
        RNX_NAV_GLO g{};
        g.slot = m.number;
        g.lineNumber = m.line;
        g.timeOfClock = m.time;
        g.minusTauN = v[0][1];
        g.gammaN = v[0][2];
        g.messageFrameTime = v[0][3];
        g.x = v[1][0], g.xVelocity = v[1][1], g.xAcceleration = v[1][2], g.health = v[1][3];
        g.y = v[2][0], g.yVelocity = v[2][1], g.yAcceleration = v[2][2];
        g.frequencyNumber = channel;
        g.z = v[3][0], g.zVelocity = v[3][1], g.zAcceleration = v[3][2];
        g.ageOfOperationInfo = v[3][3];
        if (m.orbit_lines >= 4) {
            g.hasStatusLine = 1;
            g.statusFlags = v[4][0], g.l1L2GroupDelay = v[4][1], g.urai = v[4][2];
            g.healthFlags = v[4][3];
        }
        return go(out_.OnEphemerisGlonass(g));
    }
    if (m.letter == 'E') {
        RNX_NAV_GAL e{};
        e.prn = m.number;
        e.lineNumber = m.line;
        e.messageType = message_type;
        e.timeOfClock = m.time;
        e.clockBias = v[0][1], e.clockDrift = v[0][2], e.clockDriftRate = v[0][3];
        e.iodNav = v[1][0], e.crs = v[1][1], e.deltaN = v[1][2], e.m0 = v[1][3];
        e.cuc = v[2][0], e.eccentricity = v[2][1], e.cus = v[2][2], e.sqrtA = v[2][3];
        e.toe = v[3][0], e.cic = v[3][1], e.omega0 = v[3][2], e.cis = v[3][3];
        e.i0 = v[4][0], e.crc = v[4][1], e.omega = v[4][2], e.omegaDot = v[4][3];
        e.idot = v[5][0], e.dataSources = v[5][1], e.galWeek = v[5][2];
        e.sisa = v[6][0], e.svHealth = v[6][1], e.bgdE5aE1 = v[6][2], e.bgdE5bE1 = v[6][3];
        e.transmissionTime = v[7][0];
        return go(out_.OnEphemerisGalileo(e));
    }
    RNX_NAV_GPS g{};
    g.prn = m.number;
    g.lineNumber = m.line;
    g.timeOfClock = m.time;
    g.clockBias = v[0][1], g.clockDrift = v[0][2], g.clockDriftRate = v[0][3];
    g.iode = v[1][0], g.crs = v[1][1], g.deltaN = v[1][2], g.m0 = v[1][3];
    g.cuc = v[2][0], g.eccentricity = v[2][1], g.cus = v[2][2], g.sqrtA = v[2][3];
    g.toe = v[3][0], g.cic = v[3][1], g.omega0 = v[3][2], g.cis = v[3][3];
    g.i0 = v[4][0], g.crc = v[4][1], g.omega = v[4][2], g.omegaDot = v[4][3];
    g.idot = v[5][0], g.codesOnL2 = v[5][1], g.gpsWeek = v[5][2], g.l2PDataFlag = v[5][3];
    g.svAccuracy = v[6][0], g.svHealth = v[6][1], g.tgd = v[6][2], g.iodc = v[6][3];
    g.transmissionTime = v[7][0], g.fitInterval = v[7][1];
    return go(out_.OnEphemerisGps(g));
}

}  // namespace rnx
