#include "import/rinex_obs_text_parser.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include <rinex/rnx_checks.h>

#include <vyr/mjd_time.h>
#include "gnss/rinex_codes.h"
#include "import/input_text.h"
#include "import/text_fields.h"
#include "import/text_file.h"

namespace vyr_import {
namespace {

constexpr const char* kV2Codes[kV2CodeCount] = {
    "L1", "L2", "L5", "L6", "L7", "L8", "C1", "C2", "C5", "C6", "C7", "C8", "P1", "P2", "D1",
    "D2", "D5", "D6", "D7", "D8", "S1", "S2", "S5", "S6", "S7", "S8", "T1", "T2", "LA", "LB",
    "LC", "LD", "CA", "CB", "CC", "CD", "DA", "DB", "DC", "DD", "SA", "SB", "SC", "SD"};

enum V2Code : int {
    kL1 = 0,
    kL2,
    kL5,
    kL6,
    kL7,
    kL8,
    kC1,
    kC2,
    kC5,
    kC6,
    kC7,
    kC8,
    kP1,
    kP2,
    kD1,
    kD2,
    kD5,
    kD6,
    kD7,
    kD8,
    kS1,
    kS2,
    kS5,
    kS6,
    kS7,
    kS8,
    kLA = 28,
    kLB,
    kLC,
    kLD,
    kCA = 32,
    kCB,
    kCC,
    kCD,
    kDA,
    kDB,
    kDC,
    kDD,
    kSA,
    kSB,
    kSC,
    kSD,
};

static_assert(kSD == kV2CodeCount - 1, "the code table and its names agree");

// First MJD day of each leap-second count from 1 on (count = index + 1).
constexpr uint32_t kLeapSecondDays[] = {44786, 45151, 45516, 46247, 47161, 47892, 48257, 48804,
                                        49169, 49534, 50083, 50630, 51179, 53736, 54832, 56109};

// Labels without a line class of their own (most of later versions, which writers put in
// version-2 files too) that hold nothing the parser keeps.
constexpr std::string_view kPassedLabels[] = {
    "MARKER TYPE",
    "SIGNAL STRENGTH UNIT",
    "ANTENNA: DELTA X/Y/Z",
    "ANTENNA: PHASECENTER",
    "ANTENNA: B.SIGHT XYZ",
    "ANTENNA: ZERODIR AZI",
    "ANTENNA: ZERODIR XYZ",
    "CENTER OF MASS: XYZ",
    "SYS / DCBS APPLIED",
    "SYS / PCVS APPLIED",
    "GLONASS SLOT / FRQ #",
    "GLONASS COD/PHS/BIS",
    "DOI",
    "LICENSE OF USE",
    "STATION INFORMATION",
};

constexpr int kTypesPerHeaderLine = 9;
constexpr int kValuesPerLine = 5;
constexpr int kSatellitesPerLine = 12;
constexpr int kShiftSatellitesPerLine = 10;
constexpr size_t kCompactSlots = vyr::kCompactSatelliteMax + 1;

// Compact satellite number of a version-2 satellite id; 0 when it names none of ours.
uint8_t compact_number(char letter, int n) {
    switch (letter) {
        case ' ':
        case 'G':
            return n >= 1 && n <= 32 ? uint8_t(n) : 0;
        case 'R':
            return n >= 1 && n <= 24 ? uint8_t(n + vyr::kCompactGlonassOffset) : 0;
        case 'E':
            return n >= 1 && n <= 50 ? uint8_t(n + vyr::kCompactGalileoOffset) : 0;
        case 'S': {
            const int m = (n < 20 ? n + 21 : n) + 87;
            return m > vyr::kCompactSbasOffset && m <= vyr::kCompactSatelliteMax ? uint8_t(m) : 0;
        }
        default:
            return 0;
    }
}

// The compact numbers of a system letter of "SYS / PHASE SHIFT"; empty range for other letters.
std::pair<int, int> compact_range(char letter) {
    switch (letter) {
        case 'G':
            return {1, 32};
        case 'R':
            return {vyr::kCompactGlonassOffset + 1, vyr::kCompactGalileoOffset};
        case 'E':
            return {vyr::kCompactGalileoOffset + 1, vyr::kCompactSbasOffset};
        case 'S':
            return {vyr::kCompactSbasOffset + 1, vyr::kCompactSatelliteMax};
        default:
            return {0, -1};
    }
}

bool is_phase(int code) {
    return (code >= kL1 && code <= kL8) || (code >= kLA && code <= kLD);
}

bool is_doppler(int code) {
    return (code >= kD1 && code <= kD8) || (code >= kDA && code <= kDD);
}

bool is_strength(int code) {
    return (code >= kS1 && code <= kS8) || (code >= kSA && code <= kSD);
}

// The phase code of the band a Doppler or strength code belongs to: they are of the signal the
// phase tracks, so they share its slot. Band 6 has no phase of ours; its code type is used.
int phase_of_band(int code) {
    static constexpr int kBandPhase[] = {kL1, kL2, kL5, kC6, kL7, kL8};
    static constexpr int kLetterPhase[] = {kLA, kLB, kLC, kLD};
    if (code >= kD1 && code <= kD8) return kBandPhase[code - kD1];
    if (code >= kS1 && code <= kS8) return kBandPhase[code - kS1];
    if (code >= kDA && code <= kDD) return kLetterPhase[code - kDA];
    if (code >= kSA && code <= kSD) return kLetterPhase[code - kSA];
    return code;
}

// Whether an observation line ends inside the 14 columns of a value that is not blank: the
// rest of the value, and of the line, is missing.
bool ends_inside_value(std::string_view line) {
    const size_t partial = line.size() % 16;
    if (partial == 0 || partial >= 14) return false;
    return line.substr(line.size() - partial).find_first_not_of(' ') != std::string_view::npos;
}

struct DayAndFraction {
    uint32_t mjd = 0;
    double fraction = 0.0;
    double value() const { return mjd + fraction; }
};

DayAndFraction mjd_of(int year, int month, int day, int hour, int minute, double seconds) {
    DayAndFraction time;
    double milliseconds = 0.0;
    CalendarToMjd(year, month, day, hour, minute, seconds, time.mjd, milliseconds);
    time.fraction = milliseconds / mjd::kMillisecondsPerDay;
    return time;
}

}  // namespace

const char* v2_code(int index) {
    return index >= 0 && index < kV2CodeCount ? kV2Codes[index] : "";
}

int find_v2_code(std::string_view text) {
    for (int i = 0; i < kV2CodeCount; ++i)
        if (text.find(kV2Codes[i]) != std::string_view::npos) return i;
    return -1;
}

int leap_seconds_on(uint32_t mjd) {
    return static_cast<int>(
        std::upper_bound(std::begin(kLeapSecondDays), std::end(kLeapSecondDays), mjd) -
        std::begin(kLeapSecondDays));
}

bool RinexObsTextParser::read_raw(char* buffer) {
    if (!read_line(m_file, buffer, kLineBufferSize, m_lineEnded)) return false;
    ++m_line;
    size_t length = std::strlen(buffer);
    while (length > 0 && buffer[length - 1] == '\r') buffer[--length] = '\0';
    return true;
}

bool RinexObsTextParser::read_classified(char* buffer, int& lineClass) {
    if (!read_raw(buffer)) return false;
    // Classifying turns the "D"s of a data line into "E"s: the line as written is kept for the
    // labels of header lines of no class.
    std::memcpy(m_written, buffer, std::strlen(buffer) + 1);
    lineClass = ClassifyLine(buffer, lineClass);
    return true;
}

VYR_ERROR RinexObsTextParser::fail(VYR_ERROR code, const std::string& problem) {
    return m_builder.fail(code, m_line, problem);
}

// A read failure (a damaged compressed file, a compact line that does not expand) with what broke.
std::string RinexObsTextParser::unreadable() const {
    return "the file cannot be read past line " + std::to_string(m_line) + ": " +
           read_problem(m_file);
}

VYR_ERROR RinexObsTextParser::cut(const std::string& problem) {
    m_cut = true;
    return m_builder.cut(VYR_E_HEADER_OR_DATA_MISSING, m_line, problem);
}

VYR_ERROR RinexObsTextParser::cut_at_end(uint32_t epochLine) {
    if (std::ferror(m_file)) return cut(unreadable());
    return cut("the file ends inside the epoch of line " + std::to_string(epochLine));
}

VYR_ERROR RinexObsTextParser::damaged(VYR_ERROR code, uint32_t epochLine,
                                      const std::string& problem) {
    if (m_lineEnded) return fail(code, problem);
    return cut("the file ends inside the epoch of line " + std::to_string(epochLine) + " (" +
               problem + ")");
}
void RinexObsTextParser::warn(const std::string& problem) {
    m_builder.warn(m_line, problem);
}

VYR_ERROR RinexObsTextParser::Run() {
    VYR_ERROR result = read_header();
    if (result == VYR_OK) result = data();
    if (result == VYR_OK) m_builder.systems_read_past(m_otherSystems);
    return result;
}

VYR_ERROR RinexObsTextParser::read_header() {
    int lineClass = kLineNone;
    while (read_classified(m_buffer, lineClass)) {
        if (lineClass == kLineEndOfHeader) {
            if (!m_seenVersion || !m_seenTypes || !m_seenFirstObs)
                return fail(VYR_E_HEADER_OR_DATA_MISSING,
                            !m_seenVersion ? "header without \"RINEX VERSION / TYPE\""
                            : !m_seenTypes ? "header without \"# / TYPES OF OBSERV\""
                                           : "header without \"TIME OF FIRST OBS\"");
            if (!m_leapGiven) m_leapSeconds = leap_seconds_on(m_firstObsMjd);
            return VYR_OK;
        }
        const VYR_ERROR result = header_line(m_buffer, lineClass);
        if (result != VYR_OK) return result;
    }
    if (std::ferror(m_file)) return fail(VYR_E_FAILED_TO_READ, unreadable());
    return fail(VYR_E_HEADER_OR_DATA_MISSING, "the file ends inside its header");
}

// One header line, also those of event records inside the data.
VYR_ERROR RinexObsTextParser::header_line(char* buffer, int lineClass) {
    const std::string_view line(buffer);
    const std::string_view content = line.substr(0, std::min<size_t>(line.size(), 60));
    switch (lineClass) {
        case kLineVersion: {
            double values[1];
            if (parse_numbers(content.substr(0, std::min<size_t>(content.size(), 20)), values, 1) !=
                1)
                return fail(VYR_E_FAILED_TO_READ, "the format version does not parse");
            m_version = values[0];
            if (m_version >= 3.0)
                return fail(VYR_E_UNSUPPORTED_FILE, "version 3 and later are no text-parser files");
            m_versionClass = (m_version >= 2.0 && m_version < 2.12) ? 0 : 1;
            const char type = line.size() > 20 ? line[20] : ' ';
            const char system = line.size() > 40 ? line[40] : ' ';
            if (type != 'O') return fail(VYR_E_UNSUPPORTED_FILE, "not an observation file");
            if (system != ' ' && system != 'G' && system != 'M')
                return fail(VYR_E_UNSUPPORTED_FILE,
                            std::string("satellite system '") + system + "' is not GPS or mixed");
            m_seenVersion = true;
            return VYR_OK;
        }
        case kLineLeapSeconds: {
            // Read by tokens: writers put the count in odd columns. Without it the count in
            // force at the first observation serves, as for a header that gives none.
            int values[1];
            if (parse_numbers(content, values, 1) != 1 || values[0] < 0) {
                warn(
                    "\"LEAP SECONDS\" does not parse; the count in force at the first "
                    "observation is used");
                return VYR_OK;
            }
            m_leapSeconds = values[0];
            m_leapGiven = true;
            return VYR_OK;
        }
        case kLineMarkerName:
            m_builder.set_marker_name(std::string(content).c_str());
            return VYR_OK;
        case kLineReceiver:
            m_builder.set_receiver(std::string(text_field(content, 0, 20)).c_str(),
                                   std::string(text_field(content, 20, 20)).c_str());
            return VYR_OK;
        case kLineAntenna:
            m_builder.set_antenna(std::string(text_field(content, 0, 20)).c_str(),
                                  std::string(text_field(content, 20, 20)).c_str());
            return VYR_OK;
        case kLineApproxPosition:
        case kLineAntennaDelta: {
            double v[3];
            if (parse_numbers(content, v, 3) != 3)
                return fail(VYR_E_FAILED_TO_READ,
                            std::string("\"") + line_label(lineClass) + "\" needs three numbers");
            if (lineClass == kLineApproxPosition)
                m_builder.set_approx_position(v[0], v[1], v[2], 1);
            else
                m_builder.set_antenna_delta(v[0], v[1], v[2]);
            return VYR_OK;
        }
        case kLineObsTypes:
            return obs_types_line(content);
        case kLineTimeOfFirstObs: {
            int date[5];
            double seconds[1];
            if (parse_numbers(content.substr(0, std::min<size_t>(content.size(), 30)), date, 5) !=
                    5 ||
                parse_numbers(content.substr(std::min<size_t>(content.size(), 30), 13), seconds,
                              1) != 1)
                return fail(VYR_E_FAILED_TO_READ, "\"TIME OF FIRST OBS\" does not parse");
            m_firstObsMjd = mjd_of(date[0], date[1], date[2], date[3], date[4], seconds[0]).mjd;
            m_seenFirstObs = true;
            return VYR_OK;
        }
        case kLinePhaseShift:
            return phase_shift_line(content);
        case kLineBlank:
            return VYR_OK;
        default:
            if (lineClass < kLineBlank) return VYR_OK;  // a label whose content is not kept
            return other_header_line(buffer == m_buffer ? std::string_view(m_written) : line);
    }
}

// "# / TYPES OF OBSERV": a count in columns 1-6 starts a new list; lines without it continue.
VYR_ERROR RinexObsTextParser::obs_types_line(std::string_view content) {
    const std::string_view count = text_field(content, 0, 6);
    if (!count.empty()) {
        uint16_t promised = 0;
        if (!parse_number(count, promised))
            return fail(VYR_E_FAILED_TO_READ, "the number of observation types does not parse");
        m_types.clear();
        m_typesPromised = promised;
        m_seenTypes = false;
    }
    for (int i = 0; i < kTypesPerHeaderLine && m_types.size() < m_typesPromised; ++i) {
        const std::string_view field = text_field(content, 6 + 6 * static_cast<size_t>(i), 6);
        if (field.empty()) break;  // the rest of the list may follow on a continuation line
        int code = find_v2_code(field);
        if (code < 0)
            return fail(VYR_E_UNSUPPORTED_FILE,
                        "observation type \"" + std::string(field) + "\" is not known");
        if (m_versionClass == 1 && code == kC2) code = kP2;
        m_types.push_back(code);
    }
    m_seenTypes = m_types.size() == m_typesPromised;
    return VYR_OK;
}

// A header line of no class the parser keeps: labels of other versions and records nothing here
// uses are passed over; an unknown label is told, and so is a scale factor, which this parser
// does not apply.
VYR_ERROR RinexObsTextParser::other_header_line(std::string_view line) {
    // Labels are found anywhere in the line, as the classification finds them: writers do not
    // all start them in column 61.
    const auto holds = [&](std::string_view label) {
        return line.find(label) != std::string_view::npos;
    };
    const std::string_view label = text_field(line, 60, 20);
    if (holds("SYS / SCALE FACTOR"))
        return fail(VYR_E_UNSUPPORTED_FILE,
                    "\"SYS / SCALE FACTOR\" is not applied to version-2 files: the values "
                    "would be stored scaled");
    if (std::any_of(std::begin(kPassedLabels), std::end(kPassedLabels), holds)) return VYR_OK;
    if (label.empty())
        warn("a header line without a label; read past");
    else
        warn("unknown header label \"" + std::string(label) + "\"; read past");
    return VYR_OK;
}

// "SYS / PHASE SHIFT": system, code, correction, satellite count, satellites 10 per line. The
// correction is subtracted from the phases: a correction or satellites that cannot be read refuse
// the file; a record for signals or systems not read, or without a correction, changes nothing.
VYR_ERROR RinexObsTextParser::phase_shift_line(std::string_view content) {
    const char system = content.empty() ? ' ' : content[0];
    const std::string_view codeField = text_field(content, 2, 3);
    if (system == ' ' && codeField.empty()) return VYR_OK;  // no shift known
    uint16_t count = 0;
    const std::string_view countField = text_field(content, 16, 2);
    if (!countField.empty() && !parse_number(countField, count))
        return fail(VYR_E_FAILED_TO_READ, "the phase shift satellite count does not parse");

    // The listed satellites and their continuation lines are read whatever the record is for.
    std::vector<uint8_t> satellites;
    std::string line(content);
    for (int listed = 0; listed < count;) {
        if (listed > 0 && listed % kShiftSatellitesPerLine == 0) {
            if (!read_raw(m_buffer))
                return fail(VYR_E_HEADER_OR_DATA_MISSING, "phase shift satellites missing");
            line = m_buffer;
        }
        const std::string_view id =
            text_field(line, 19 + 4 * static_cast<size_t>(listed % kShiftSatellitesPerLine), 3);
        int n = 0;
        if (id.size() < 2 || !parse_number(id.substr(1), n))
            return fail(VYR_E_FAILED_TO_READ, "phase shift satellite does not parse");
        if (const uint8_t compact = compact_number(id[0], n); compact != 0)
            satellites.push_back(compact);
        ++listed;
    }
    const auto [first, last] = compact_range(system);
    if (first > last) {
        warn(std::string("\"SYS / PHASE SHIFT\" of system '") + system +
             "', which is not read; read past");
        return VYR_OK;
    }
    const int code = find_v2_code(codeField);
    if (code < 0 || !is_phase(code)) return VYR_OK;  // shifts of codes we do not read
    double correction = 0.0;
    const std::string_view valueField = text_field(content, 6, 8);
    if (valueField.empty()) {
        warn("\"SYS / PHASE SHIFT\" of " + std::string(codeField) +
             " gives no correction; none is applied");
        return VYR_OK;
    }
    if (!parse_number(valueField, correction)) {
        // Off its columns: the third token, after the system and the code.
        double tokens[1];
        const size_t codeEnd = content.find(codeField) + codeField.size();
        if (parse_numbers(content.substr(codeEnd), tokens, 1) != 1)
            return fail(VYR_E_FAILED_TO_READ, "the phase shift correction does not parse");
        correction = tokens[0];
    }
    if (m_phaseShift.empty()) m_phaseShift.assign(kV2CodeCount * kCompactSlots, 0.0);
    if (count == 0) {
        for (int s = first; s <= last; ++s) m_phaseShift[code * kCompactSlots + s] = correction;
    } else {
        for (uint8_t s : satellites) m_phaseShift[code * kCompactSlots + s] = correction;
    }
    return VYR_OK;
}

VYR_ERROR RinexObsTextParser::data() {
    int lineClass = kLineNone;
    while (read_classified(m_buffer, lineClass)) {
        if (lineClass != kLineData) continue;  // comments and blank lines between records
        const VYR_ERROR result = epoch_record(m_buffer);
        if (result != VYR_OK) return result;
        if (m_cut) return VYR_OK;  // salvaged: the sites are complete
        lineClass = kLineNone;
    }
    if (std::ferror(m_file)) return cut_at_end(m_line);
    return m_builder.finish();
}

VYR_ERROR RinexObsTextParser::epoch_record(std::string_view line) {
    const uint32_t epochLine = m_line;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, flag = 0, count = 0;
    double seconds = 0.0;
    const bool dated =
        parse_number(text_field(line, 0, 3), year) && parse_number(text_field(line, 3, 3), month) &&
        parse_number(text_field(line, 6, 3), day) && parse_number(text_field(line, 9, 3), hour) &&
        parse_number(text_field(line, 12, 3), minute) &&
        parse_number(text_field(line, 15, 11), seconds) &&
        parse_number(text_field(line, 26, 3), flag) &&
        parse_number(text_field(line, 29, 3), count) && count >= 0;
    if (!dated && !parse_number(text_field(line, 28, 1), flag))
        return damaged(VYR_E_FAILED_TO_READ, epochLine, "not an epoch record");
    if (dated && year <= 1900) year += year < 80 ? 2000 : 1900;
    const std::string problem =
        dated ? RnxCalendarProblem(year, month, day, hour, minute, seconds) : std::string();
    if (!problem.empty()) {
        char text[48];
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%06.3f", year, month, day, hour,
                      minute, seconds);
        const std::string what = std::string("epoch ") + text + " is no calendar time: " + problem;
        if (flag == 0 || flag == 1) return damaged(VYR_E_FAILED_TO_READ, epochLine, what);
        // An event's time only marks where an occupation starts: the event is kept without it.
        warn(what);
    }
    const DayAndFraction time = dated && problem.empty()
                                    ? mjd_of(year, month, day, hour, minute, seconds)
                                    : DayAndFraction{};
    // The count of the special records that follow an event.
    int following = 0;
    const bool hasFollowing = parse_number(text_field(line, 29, 3), following) && following >= 0;

    switch (flag) {
        case 0:
        case 1: {
            if (!dated)
                return damaged(VYR_E_FAILED_TO_READ, epochLine, "epoch record without a date");
            VYR_ERROR result = satellite_list(line, count, m_satellites, epochLine);
            if (result != VYR_OK || m_cut) return result;
            m_epoch.Reset();
            m_epoch.mjd = time.mjd;
            m_epoch.fraction = time.fraction;
            m_epoch.status = 1;
            result = observations(m_satellites, m_epoch, epochLine);
            if (result != VYR_OK || m_cut) return result;
            // The sink reports its own failures.
            result = m_builder.add_epoch(m_epoch, epochLine, m_line);
            return VyrFailed(result) ? result : VYR_OK;
        }
        case 2:
            m_builder.start_moving(time.value());
            return header_lines(hasFollowing ? following : 0);
        case 3:
        case 7:
            if (!hasFollowing)
                return fail(VYR_E_FAILED_TO_READ, "new site record without its line count");
            m_builder.start_static_occupation();
            return header_lines(following);
        case 4:
            if (!hasFollowing)
                return fail(VYR_E_FAILED_TO_READ, "header record without its line count");
            return header_lines(following);
        case 5:
            return skip_lines(hasFollowing ? following : 0);
        case 6: {
            if (!hasFollowing) return fail(VYR_E_FAILED_TO_READ, "cycle-slip record without count");
            const size_t linesPerSatellite = (m_types.size() + kValuesPerLine - 1) / kValuesPerLine;
            const int listLines = following > 0 ? (following - 1) / kSatellitesPerLine : 0;
            VYR_ERROR result = skip_lines(listLines);
            for (int s = 0; result == VYR_OK && s < following; ++s)
                result = skip_lines(static_cast<int>(linesPerSatellite));
            return result;
        }
        default:
            return VYR_OK;
    }
}

VYR_ERROR RinexObsTextParser::header_lines(int count) {
    int lineClass = kLineNone;
    for (int i = 0; i < count; ++i) {
        if (!read_classified(m_buffer, lineClass)) {
            if (std::ferror(m_file)) return cut(unreadable());
            return fail(VYR_E_FAILED_TO_READ, "the file ends inside an event's header lines");
        }
        const VYR_ERROR result = header_line(m_buffer, lineClass);
        if (result != VYR_OK) return result;
    }
    return VYR_OK;
}

VYR_ERROR RinexObsTextParser::skip_lines(int count) {
    for (int i = 0; i < count; ++i)
        if (!read_raw(m_buffer)) {
            if (std::ferror(m_file)) return cut(unreadable());
            return fail(VYR_E_FAILED_TO_READ, "the file ends inside an event record");
        }
    return VYR_OK;
}

// 12 satellites per line in columns 33-68; continuation lines follow directly.
VYR_ERROR RinexObsTextParser::satellite_list(std::string_view line, int count,
                                             std::vector<uint8_t>& satellites, uint32_t epochLine) {
    satellites.clear();
    for (int i = 0; i < count; ++i) {
        if (i > 0 && i % kSatellitesPerLine == 0) {
            if (!read_raw(m_buffer)) return cut_at_end(epochLine);
            line = m_buffer;
        }
        const size_t at = 32 + 3 * static_cast<size_t>(i % kSatellitesPerLine);
        const char letter = at < line.size() ? line[at] : ' ';
        int n = 0;
        if (!parse_number(text_field(line, at + 1, 2), n))
            return damaged(VYR_E_FAILED_TO_READ, epochLine,
                           "satellite " + std::to_string(i + 1) + " of the epoch does not parse");
        const RNX_SATELLITE_RANGE range = RnxSatelliteRange(letter == ' ' ? 'G' : letter);
        if (n < range.first || n > range.last) {
            char what[96];
            std::snprintf(what, sizeof what,
                          "satellite \"%c%02d\" is outside the numbers of %s (%d-%d)", letter, n,
                          range.systemName, range.first, range.last);
            return damaged(VYR_E_FAILED_TO_READ, epochLine, what);
        }
        const uint8_t compact = compact_number(letter, n);
        const bool otherSystem = std::isupper(static_cast<unsigned char>(letter)) != 0 &&
                                 std::strchr("GRES", letter) == nullptr;
        if (compact == 0 && otherSystem) ++m_otherSystems[static_cast<unsigned char>(letter)];
        satellites.push_back(compact);  // 0: read past, not kept
    }
    return VYR_OK;
}

VYR_ERROR RinexObsTextParser::observations(const std::vector<uint8_t>& satellites,
                                           VYR_OBSERVATIONEPOCH& epoch, uint32_t epochLine) {
    const size_t typeCount = m_types.size();
    const size_t linesPerSatellite = (typeCount + kValuesPerLine - 1) / kValuesPerLine;
    m_values.resize(typeCount);
    m_lossOfLock.resize(typeCount);
    epoch.satellites.reserve(satellites.size());
    for (uint8_t compact : satellites) {
        std::fill(m_values.begin(), m_values.end(), 0.0);
        std::fill(m_lossOfLock.begin(), m_lossOfLock.end(), 0);
        for (size_t k = 0; k < linesPerSatellite; ++k) {
            // Read as they come: a line of a satellite without values there is blank.
            if (!read_raw(m_buffer)) return cut_at_end(epochLine);
            if (!m_lineEnded && ends_inside_value(m_buffer))
                return cut("the file ends inside the epoch of line " + std::to_string(epochLine) +
                           " (an observation value is cut)");
            const uint16_t fields = m_splitter.Split(m_buffer);
            for (uint16_t i = 0; i < fields && i < kValuesPerLine; ++i) {
                const size_t index = k * kValuesPerLine + i;
                if (index >= typeCount) break;
                // The value is the field's first 14 columns; the two digits follow it.
                double value = 0.0;
                if (!parse_number(text_field(m_splitter.FieldView(i), 0, 14), value)) continue;
                m_values[index] = value;
                const char lli = m_splitter.GetChar(i, 14);
                m_lossOfLock[index] = lli >= '0' && lli <= '9' ? uint8_t(lli - '0') : 0;
            }
        }
        if (compact != 0) satellite_signals(compact, epoch);
    }
    return VYR_OK;
}

// The values of one satellite into signals, by the rules of version-2 codes.
void RinexObsTextParser::satellite_signals(uint8_t compact, VYR_OBSERVATIONEPOCH& epoch) {
    using Signal = VYR_OBSERVATIONEPOCH_SIGNAL;
    const VYR_SATID sat = vyr::satellite_from_compact_number(compact);
    const bool galileo = sat.system == VYR_SATSYS_GALILEO;
    bool hasP1 = false, hasP2 = false, hasL2C = false;
    uint8_t lossOfLockL2 = 0;
    for (size_t i = 0; i < m_types.size(); ++i) {
        if (m_values[i] == 0.0) continue;
        const int code = m_types[i];
        hasP1 |= code == kP1;
        hasP2 |= code == kP2;
        hasL2C |= code == kC2 || code == kCC || code == kCD;
        if (code == kL2) lossOfLockL2 = m_lossOfLock[i];
    }
    const bool pTracking = m_versionClass == 1;
    const bool antiSpoofing = (lossOfLockL2 & 4) != 0;

    // The observation type of a phase or code, by the rules of version-2 codes; 0: not used.
    const auto type_of = [&](int code) {
        switch (code) {
            case kL1:
                return galileo ? 9 : (pTracking || hasP1) ? 2 : 1;
            case kL2:
                return (pTracking || hasP2) ? (antiSpoofing ? 3 : 4) : hasL2C ? 5 : 0;
            case kL5:
            case kC5:
                return galileo ? 7 : 6;
            case kL7:
            case kC7:
                return 8;
            case kL8:
            case kC8:
                return 10;
            case kLA:
            case kLB:
            case kCA:
            case kCB:
                return 1;
            case kLC:
            case kLD:
            case kCC:
            case kCD:
                return 5;
            case kC1:
                return galileo ? 9 : 1;
            case kC2:
                return pTracking ? 3 : 5;
            case kC6:
                return 11;
            case kP1:
                return 2;
            case kP2:
                return antiSpoofing ? 3 : 4;
            default:
                return 0;  // L6, T1, T2; Doppler and strength unless asked for
        }
    };

    Signal slots[12];
    for (size_t i = 0; i < m_types.size(); ++i) {
        const double value = m_values[i];
        if (value == 0.0) continue;  // missing
        const int code = m_types[i];
        const bool extra = is_doppler(code) || is_strength(code);
        if (extra && !m_dopplerAndStrength) continue;
        const int type = type_of(extra ? phase_of_band(code) : code);
        // Only Galileo has a band-6 signal of ours (E6).
        if (type == 0 || (extra && type == 11 && !galileo)) continue;
        Signal& slot = slots[type];
        if (is_phase(code)) {
            slot.phase = value;
            if (!m_phaseShift.empty()) slot.phase -= m_phaseShift[code * kCompactSlots + compact];
            slot.flags |= Signal::kPhaseValid;
            if (m_lossOfLock[i] & 1) slot.flags |= Signal::kLossOfLock;
        } else if (is_doppler(code)) {
            slot.doppler = value;
            slot.flags |= Signal::kDopplerValid;
        } else if (is_strength(code)) {
            slot.quality = vyr_gnss::quality_of_strength(value);
            slot.flags |= Signal::kQualityValid;
        } else {
            slot.code = value;
            slot.flags |= Signal::kCodeValid;
        }
    }
    VYR_OBSERVATIONEPOCH_SV entry;
    entry.satId = sat;
    for (int type = 1; type < 12; ++type) {
        if ((slots[type].flags & Signal::kTracked) == 0) continue;
        slots[type].obsType = static_cast<VYR_OBSTYPE>(type);
        entry.observations.push_back(slots[type]);
    }
    epoch.satellites.push_back(std::move(entry));
}

}  // namespace vyr_import
