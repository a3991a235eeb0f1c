#include "import/compact_rinex.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <utility>

namespace {

constexpr size_t kLabelColumn = 60;

std::string_view label_of(std::string_view line) {
    if (line.size() <= kLabelColumn) return {};
    std::string_view label = line.substr(kLabelColumn);
    while (!label.empty() && label.back() == ' ') label.remove_suffix(1);
    return label;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

// Drops the blanks that end the line begun at start.
void trim_right_from(std::string& text, size_t start) {
    while (text.size() > start && text.back() == ' ') text.pop_back();
}

// Blanks up to the column width (counted from start).
void pad_to(std::string& text, size_t start, size_t width) {
    if (text.size() < start + width) text.append(start + width - text.size(), ' ');
}

// A whole number in text of its own: an optional minus sign and digits, nothing else.
bool parse_whole(std::string_view text, int64_t& value) {
    if (text.empty() || text.front() == '+') return false;
    const bool negative = text.front() == '-';
    const size_t digits = text.size() - (negative ? 1 : 0);
    if (digits == 0 || digits > 18) {
        // Too long to be sure of no overflow below: the library finds the range.
        const char* end = text.data() + text.size();
        const auto [at, error] = std::from_chars(text.data(), end, value);
        return error == std::errc{} && at == end;
    }
    uint64_t magnitude = 0;
    for (size_t i = negative ? 1 : 0; i < text.size(); ++i) {
        const unsigned digit = static_cast<unsigned char>(text[i]) - unsigned{'0'};
        if (digit > 9) return false;
        magnitude = magnitude * 10 + digit;
    }
    value = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    return true;
}

// A count in a fixed field (blanks around it allowed); -1 when the field holds no number.
int parse_count(std::string_view line, size_t start, size_t width) {
    if (line.size() <= start) return -1;
    int64_t value = 0;
    if (!parse_whole(trimmed(line.substr(start, width)), value) || value < 0 || value > 999999)
        return -1;
    return static_cast<int>(value);
}

// The text difference of the format: a blank keeps the character of the reference, '&' makes it
// a blank, any other character replaces it; the reference grows where the difference is longer.
void apply_text_difference(std::string& reference, std::string_view difference) {
    if (reference.size() < difference.size()) reference.resize(difference.size(), ' ');
    for (size_t i = 0; i < difference.size(); ++i) {
        if (difference[i] == ' ') continue;
        reference[i] = difference[i] == '&' ? ' ' : difference[i];
    }
}

// A value held in units of the last decimal with that many decimals, as the plain format
// writes F14.3, F12.9 and F15.12, written backwards so that it ends just before end. Returns its
// length; end must have 48 bytes before it.
size_t format_fixed(char* end, int64_t value, int decimals) {
    static constexpr char kPairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    uint64_t magnitude =
        value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    char* at = end;
    const auto pair = [&]() {
        at -= 2;
        std::memcpy(at, kPairs + 2 * (magnitude % 100), 2);
        magnitude /= 100;
    };
    int left = decimals;
    if (left % 2 != 0) {
        *--at = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
        --left;
    }
    for (; left > 0; left -= 2) pair();
    *--at = '.';
    while (magnitude >= 10) pair();
    if (magnitude != 0 || *at == '.') *--at = static_cast<char>('0' + magnitude);
    if (value < 0) *--at = '-';
    return static_cast<size_t>(end - at);
}

// The value right-aligned in width columns (wider when it needs more).
void append_fixed(std::string& out, int64_t value, int decimals, size_t width) {
    char digits[48];
    const size_t length = format_fixed(digits + sizeof digits, value, decimals);
    if (length < width) out.append(width - length, ' ');
    out.append(digits + sizeof digits - length, length);
}

// Satellite slots: a system letter or blank, then two characters each a digit or blank.
constexpr int kNumberChars = 11;
constexpr int kSlots = 27 * kNumberChars * kNumberChars;
// Arcs kept for satellites not in the last epoch before their memory is given back.
constexpr size_t kIdleArcsKept = 1 << 20;

int number_char(char c) {
    if (c == ' ') return 0;
    return c >= '0' && c <= '9' ? c - '0' + 1 : -1;
}

// Text of the file quoted in a problem, cut short when long.
std::string quoted(std::string_view text) {
    constexpr size_t kShown = 40;
    if (text.size() <= kShown) return "\"" + std::string(text) + "\"";
    return "\"" + std::string(text.substr(0, kShown)) + "...\"";
}

}  // namespace

bool IsCompactRinexFirstLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return label_of(line) == "CRINEX VERS   / TYPE";
}

bool CCompactRinexExpander::fail(std::string what) {
    m_problem = std::move(what);
    return false;
}

bool CCompactRinexExpander::Feed(std::string_view line, std::string& out) {
    if (!m_problem.empty()) return false;
    ++m_lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() > kMaxLineLength)
        return fail("the line is longer than " + std::to_string(kMaxLineLength) + " characters");
    switch (m_stage) {
        case Stage::kVersion: {
            if (!IsCompactRinexFirstLine(line))
                return fail("not a compact RINEX file (no \"CRINEX VERS   / TYPE\" line)");
            const std::string_view version = trimmed(line.substr(0, 20));
            if (version == "1.0") {
                m_version = 1;
            } else if (version == "3.0") {
                m_version = 3;
            } else {
                return fail("compact RINEX version " + quoted(version) +
                            " is not one vyr reads (1.0 and 3.0 are)");
            }
            m_stage = Stage::kProgram;
            return true;
        }
        case Stage::kProgram:
            if (label_of(line) != "CRINEX PROG / DATE")
                return fail("the second line is not \"CRINEX PROG / DATE\"");
            m_stage = Stage::kHeader;
            return true;
        case Stage::kHeader:
            return header_line(line, out);
        case Stage::kEpoch:
            return epoch_line(line, out);
        case Stage::kClock:
            return clock_line(line, out);
        case Stage::kData:
            return data_line(line, out);
        case Stage::kEvent:
            return event_line(line, out);
    }
    return fail("unknown state");
}

bool CCompactRinexExpander::FeedLast(std::string_view line, std::string& out) {
    if (!m_problem.empty()) return false;
    if (m_stage != Stage::kClock && m_stage != Stage::kData) return Feed(line, out);
    ++m_lineNumber;
    return fail("the file ends inside an epoch, in a line without its line end");
}

bool CCompactRinexExpander::Finish() {
    if (!m_problem.empty()) return false;
    switch (m_stage) {
        case Stage::kVersion:
            return fail("the file is empty");
        case Stage::kProgram:
        case Stage::kHeader:
            return fail("the file ends before \"END OF HEADER\"");
        case Stage::kClock:
        case Stage::kData:
            return fail("the file ends inside an epoch");
        case Stage::kEvent:
            return fail("the file ends inside the header lines of an event");
        case Stage::kEpoch:
            break;
    }
    return true;
}

bool CCompactRinexExpander::header_line(std::string_view line, std::string& out) {
    out.append(line);
    out += '\n';
    if (!learn_header_line(line)) return false;
    if (label_of(line) == "END OF HEADER") {
        if (m_version == 1 && m_typesV2 == 0)
            return fail("the header has no \"# / TYPES OF OBSERV\" line");
        if (m_version == 3 && !m_haveTypesV3)
            return fail("the header has no \"SYS / # / OBS TYPES\" line");
        m_stage = Stage::kEpoch;
    }
    return true;
}

bool CCompactRinexExpander::learn_header_line(std::string_view line) {
    const std::string_view label = label_of(line);
    if (label == "# / TYPES OF OBSERV") {
        if (trimmed(line.substr(0, 6)).empty()) return true;  // a continuation line
        const int count = parse_count(line, 0, 6);
        if (count < 0 || count > 999) return fail("bad number of observation types");
        m_typesV2 = count;
    } else if (label == "SYS / # / OBS TYPES") {
        if (line[0] == ' ') return true;  // a continuation line
        const int count = parse_count(line, 3, 3);
        if (count < 0) return fail("bad number of observation types");
        m_typesBySystem[static_cast<unsigned char>(line[0])] = count;
        m_haveTypesV3 = true;
    }
    return true;
}

int CCompactRinexExpander::types_of(char system) const {
    if (m_version == 1) return m_typesV2;
    return m_typesBySystem[static_cast<unsigned char>(system)];
}

int CCompactRinexExpander::slot_of(const char* id) {
    const int system = id[0] == ' ' ? 0 : (id[0] >= 'A' && id[0] <= 'Z' ? id[0] - 'A' + 1 : -1);
    const int tens = number_char(id[1]);
    const int units = number_char(id[2]);
    if (system < 0 || tens < 0 || units < 0) return -1;
    return (system * kNumberChars + tens) * kNumberChars + units;
}

bool CCompactRinexExpander::epoch_line(std::string_view line, std::string& out) {
    const char initial = m_version == 1 ? '&' : '>';
    if (!line.empty() && line.front() == initial) {
        m_epoch.assign(line);
        if (m_version == 1) m_epoch[0] = ' ';
        // A new start: every value and flag that follows is given afresh (no satellite was
        // listed in the data epoch before the next one).
        m_dataEpoch += 2;
        m_clock = Arc{};
        m_haveEpoch = true;
    } else {
        if (!m_haveEpoch)
            return fail(std::string("an epoch line must begin with '") + initial +
                        "' when no epoch came before it");
        apply_text_difference(m_epoch, line);
    }

    const size_t flagAt = m_version == 1 ? 28 : 31;
    const size_t satellitesAt = m_version == 1 ? 32 : 41;
    if (m_epoch.size() <= flagAt + 3 || m_epoch[flagAt] < '0' || m_epoch[flagAt] > '6')
        return fail("not an epoch line (no epoch flag 0 to 6 in column " +
                    std::to_string(flagAt + 1) + ")");
    const int count = parse_count(m_epoch, flagAt + 1, 3);
    if (count < 0) return fail("the epoch line has no satellite or line count");

    const char flag = m_epoch[flagAt];
    if (flag >= '2' && flag <= '5') {
        // An event: the epoch line and the header lines that follow it are given as they are.
        const size_t start = out.size();
        out.append(m_epoch, 0, flagAt + 4);
        trim_right_from(out, start);
        out += '\n';
        m_eventLinesLeft = count;
        m_stage = count > 0 ? Stage::kEvent : Stage::kEpoch;
        return true;
    }

    if (m_epoch.size() < satellitesAt + 3 * static_cast<size_t>(count))
        return fail("the epoch line lists fewer satellites than its count " +
                    std::to_string(count));
    ++m_dataEpoch;
    if (m_idleArcs > kIdleArcsKept) {
        // Damaged input naming ever new satellites with long lines must not pile up memory.
        for (Satellite& satellite : m_table) {
            if (satellite.listedIn + 1 >= m_dataEpoch) continue;
            std::vector<Arc>().swap(satellite.arcs);
            std::string().swap(satellite.flags);
        }
        m_idleArcs = 0;
    }
    if (m_slots.empty()) m_slots.assign(kSlots, -1);
    m_satellites.clear();
    for (int i = 0; i < count; ++i) {
        const char* id = m_epoch.data() + satellitesAt + 3 * static_cast<size_t>(i);
        if (types_of(id[0]) < 0)
            return fail("satellite " + std::string(id, 3) +
                        " is of a system without observation types");
        const int slot = slot_of(id);
        if (slot < 0) return fail(quoted(std::string_view(id, 3)) + " is not a satellite");
        int32_t& index = m_slots[static_cast<size_t>(slot)];
        if (index < 0) {
            index = static_cast<int32_t>(m_table.size());
            m_table.emplace_back();
            std::copy(id, id + 3, m_table.back().id);
        }
        Satellite& satellite = m_table[static_cast<size_t>(index)];
        if (satellite.listedIn == m_dataEpoch)
            return fail("satellite " + std::string(id, 3) + " is listed twice");
        if (satellite.listedIn + 1 != m_dataEpoch) {
            // A satellite that was not in the epoch before starts afresh.
            std::fill(satellite.arcs.begin(), satellite.arcs.end(), Arc{});
            satellite.flags.clear();
        }
        satellite.listedIn = m_dataEpoch;
        m_satellites.push_back(static_cast<uint32_t>(index));
    }
    m_stage = Stage::kClock;
    return true;
}

bool CCompactRinexExpander::clock_line(std::string_view line, std::string& out) {
    int64_t value = 0;
    bool present = false;
    if (!next_value(trimmed(line), "the receiver clock offset", 0, m_clock, value, present))
        return false;
    m_clockPresent = present;
    m_clockValue = value;
    write_epoch(out);
    m_nextSatellite = 0;
    m_stage = m_satellites.empty() ? Stage::kEpoch : Stage::kData;
    return true;
}

void CCompactRinexExpander::write_epoch(std::string& out) const {
    const size_t start = out.size();
    if (m_version == 1) {
        // Twelve satellites on the first line with the clock offset after them, twelve on each
        // continuation line.
        out.append(m_epoch, 0, 32);
        pad_to(out, start, 32);
        for (size_t i = 0; i < m_satellites.size() && i < 12; ++i)
            out.append(m_table[m_satellites[i]].id, 3);
        if (m_clockPresent) {
            pad_to(out, start, 68);
            append_fixed(out, m_clockValue, 9, 12);
        }
        trim_right_from(out, start);
        out += '\n';
        for (size_t i = 12; i < m_satellites.size(); i += 12) {
            out.append(32, ' ');
            for (size_t j = i; j < m_satellites.size() && j < i + 12; ++j)
                out.append(m_table[m_satellites[j]].id, 3);
            out += '\n';
        }
        return;
    }
    out.append(m_epoch, 0, 35);
    pad_to(out, start, 35);
    if (m_clockPresent) {
        out.append(6, ' ');
        append_fixed(out, m_clockValue, 12, 15);
    }
    trim_right_from(out, start);
    out += '\n';
}

bool CCompactRinexExpander::next_value(std::string_view field, std::string_view subject,
                                       size_t observation, Arc& arc, int64_t& value,
                                       bool& present) {
    // The words of a problem, made only when there is one.
    const auto what = [&]() {
        std::string text(subject);
        if (observation != 0) text += " observation " + std::to_string(observation);
        return text;
    };
    present = !field.empty();
    if (!present) {
        arc.active = false;  // the next value of this observation is given afresh
        return true;
    }
    if (field.size() >= 2 && field[1] == '&') {
        const char order = field[0];
        if (order < '1' || order > '0' + kMaxOrder)
            return fail(what() + ": order of differences '" + std::string(1, order) +
                        "' is not 1 to " + std::to_string(kMaxOrder));
        if (!parse_whole(field.substr(2), value))
            return fail(what() + ": " + quoted(field) + " is not a whole number");
        arc = Arc{};
        arc.active = true;
        arc.order = order - '0';
        arc.received = 1;
        arc.terms[0] = value;
        return true;
    }
    int64_t difference = 0;
    if (!parse_whole(field, difference))
        return fail(what() + ": difference " + quoted(field) + " is not a whole number");
    if (!arc.active)
        return fail(what() + ": a difference comes where the value must be given afresh (\"k&\")");
    // The difference is of the order the values received so far allow, at most the arc's own;
    // each lower order is the old one plus the new one above it.
    const int order = std::min(arc.received, arc.order);
    arc.terms[static_cast<size_t>(order)] = difference;
    for (int j = order - 1; j >= 0; --j) {
        const size_t at = static_cast<size_t>(j);
        if (__builtin_add_overflow(arc.terms[at], arc.terms[at + 1], &arc.terms[at]))
            return fail(what() + ": the value is out of range");
    }
    if (arc.received <= arc.order) ++arc.received;
    value = arc.terms[0];
    return true;
}

bool CCompactRinexExpander::data_line(std::string_view line, std::string& out) {
    Satellite& satellite = m_table[m_satellites[m_nextSatellite]];
    const std::string_view id(satellite.id, 3);
    const size_t types = static_cast<size_t>(types_of(id[0]));
    if (satellite.arcs.size() != types) {
        m_idleArcs += types;
        satellite.arcs.resize(types);
    }
    if (m_values.size() < types) {
        m_values.resize(types);
        m_present.resize(types);
    }

    size_t at = 0;
    bool ended = false;
    for (size_t i = 0; i < types; ++i) {
        std::string_view field;
        if (!ended) {
            const size_t blank = line.find(' ', at);
            if (blank == std::string_view::npos) {
                field = line.substr(at);
                ended = true;
            } else {
                field = line.substr(at, blank - at);
                at = blank + 1;
            }
        }
        bool given = false;
        if (!next_value(field, id, i + 1, satellite.arcs[i], m_values[i], given)) return false;
        m_present[i] = given;
    }
    if (!ended) apply_text_difference(satellite.flags, line.substr(at));

    const std::string& flags = satellite.flags;
    const auto flag = [&flags](size_t index) { return index < flags.size() ? flags[index] : ' '; };
    if (!write_in_place(id, types, out)) {
        // A value wider than its 14 columns: written field by field, as wide as it is.
        const auto append_field = [&](size_t i) {
            if (!m_present[i]) {
                out.append(16, ' ');
                return;
            }
            append_fixed(out, m_values[i], 3, 14);
            out += flag(2 * i);
            out += flag(2 * i + 1);
        };
        if (m_version == 1) {
            // Five observations to a line.
            for (size_t first = 0; first < types || first == 0; first += 5) {
                const size_t start = out.size();
                for (size_t i = first; i < types && i < first + 5; ++i) append_field(i);
                trim_right_from(out, start);
                out += '\n';
            }
        } else {
            const size_t start = out.size();
            out.append(id);
            for (size_t i = 0; i < types; ++i) append_field(i);
            trim_right_from(out, start);
            out += '\n';
        }
    }
    if (++m_nextSatellite == m_satellites.size()) m_stage = Stage::kEpoch;
    return true;
}

bool CCompactRinexExpander::write_in_place(std::string_view id, size_t types, std::string& out) {
    const std::string& flags = m_table[m_satellites[m_nextSatellite]].flags;
    // Room for every line made once; lines are written into it and cut to their last non-blank.
    const size_t lines = m_version == 1 ? std::max<size_t>(1, (types + 4) / 5) : 1;
    const size_t start = out.size();
    out.resize(start + 3 + 16 * types + lines);
    char* const base = out.data();
    char* at = base + start;
    char* lineStart = at;
    const auto end_line = [&]() {
        while (at > lineStart && at[-1] == ' ') --at;
        *at++ = '\n';
        lineStart = at;
    };
    if (m_version != 1) {
        std::memcpy(at, id.data(), 3);
        at += 3;
    }
    for (size_t i = 0; i < types; ++i) {
        if (m_version == 1 && i > 0 && i % 5 == 0) end_line();  // five observations to a line
        if (!m_present[i]) {
            std::memset(at, ' ', 16);
            at += 16;
            continue;
        }
        char digits[48];
        const size_t length = format_fixed(digits + sizeof digits, m_values[i], 3);
        if (length > 14) {
            out.resize(start);
            return false;
        }
        std::memset(at, ' ', 14 - length);
        std::memcpy(at + 14 - length, digits + sizeof digits - length, length);
        at += 14;
        *at++ = 2 * i < flags.size() ? flags[2 * i] : ' ';
        *at++ = 2 * i + 1 < flags.size() ? flags[2 * i + 1] : ' ';
    }
    end_line();
    out.resize(static_cast<size_t>(at - base));
    return true;
}

bool CCompactRinexExpander::event_line(std::string_view line, std::string& out) {
    out.append(line);
    out += '\n';
    if (!learn_header_line(line)) return false;
    if (--m_eventLinesLeft == 0) m_stage = Stage::kEpoch;
    return true;
}

bool ExpandCompactRinex(std::FILE* in, std::FILE* out, uint64_t& problemLine,
                        std::string& problem) {
    CCompactRinexExpander expander;
    std::string line;
    std::string text;
    char buffer[1 << 16];
    const auto flush = [&]() {
        if (!text.empty() && std::fwrite(text.data(), 1, text.size(), out) != text.size())
            return false;
        text.clear();
        return true;
    };
    const auto failed = [&](uint64_t where, std::string what) {
        problemLine = where;
        problem = std::move(what);
        return false;
    };
    const auto feed = [&](bool last) {
        if (last ? expander.FeedLast(line, text) : expander.Feed(line, text)) return true;
        return failed(expander.ProblemLine(), expander.Problem());
    };
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) {
        for (size_t i = 0; i < n; ++i) {
            if (buffer[i] != '\n') {
                // A line past the limit is kept one character too long: the expander refuses it.
                if (line.size() <= CCompactRinexExpander::kMaxLineLength) line += buffer[i];
                continue;
            }
            if (!feed(false)) return false;
            line.clear();
        }
        if (text.size() >= sizeof buffer && !flush())
            return failed(0, "writing the expanded file failed");
    }
    if (std::ferror(in)) return failed(0, "reading the file failed");
    if (!line.empty() && !feed(true)) return false;
    if (!expander.Finish()) return failed(expander.ProblemLine(), expander.Problem());
    if (!flush() || std::fflush(out) != 0) return failed(0, "writing the expanded file failed");
    return true;
}
