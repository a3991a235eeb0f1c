#include "import/compact_rinex.h"

#include <algorithm>
#include <charconv>
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

void trim_right(std::string& text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
}

// A whole number in text of its own: an optional minus sign and digits, nothing else.
bool parse_whole(std::string_view text, int64_t& value) {
    if (text.empty() || text.front() == '+') return false;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    return error == std::errc{} && at == end;
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

// A value held in units of the last decimal, written with that many decimals right-aligned in
// width columns, as the plain format writes F14.3, F12.9 and F15.12.
std::string fixed(int64_t value, int decimals, size_t width) {
    uint64_t magnitude =
        value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    uint64_t scale = 1;
    for (int i = 0; i < decimals; ++i) scale *= 10;
    std::string fraction = std::to_string(magnitude % scale);
    fraction.insert(0, static_cast<size_t>(decimals) - fraction.size(), '0');
    std::string text = (value < 0 ? "-" : "") + std::to_string(magnitude / scale) + "." + fraction;
    if (text.size() < width) text.insert(0, width - text.size(), ' ');
    return text;
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
        if (m_version == 3 && m_typesBySystem.empty())
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
        m_typesBySystem[line[0]] = count;
    }
    return true;
}

int CCompactRinexExpander::types_of(char system) const {
    if (m_version == 1) return m_typesV2;
    const auto found = m_typesBySystem.find(system);
    return found == m_typesBySystem.end() ? -1 : found->second;
}

bool CCompactRinexExpander::epoch_line(std::string_view line, std::string& out) {
    const char initial = m_version == 1 ? '&' : '>';
    if (!line.empty() && line.front() == initial) {
        m_epoch.assign(line);
        if (m_version == 1) m_epoch[0] = ' ';
        // A new start: every value and flag that follows is given afresh.
        m_state.clear();
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
        std::string plain = m_epoch.substr(0, flagAt + 4);
        trim_right(plain);
        out += plain;
        out += '\n';
        m_eventLinesLeft = count;
        m_stage = count > 0 ? Stage::kEvent : Stage::kEpoch;
        return true;
    }

    if (m_epoch.size() < satellitesAt + 3 * static_cast<size_t>(count))
        return fail("the epoch line lists fewer satellites than its count " +
                    std::to_string(count));
    std::vector<std::string> satellites;
    std::map<std::string, Satellite> state;
    for (int i = 0; i < count; ++i) {
        std::string id = m_epoch.substr(satellitesAt + 3 * static_cast<size_t>(i), 3);
        if (types_of(id[0]) < 0)
            return fail("satellite " + id + " is of a system without observation types");
        auto node = m_state.extract(id);
        if (node.empty()) {
            if (state.count(id) != 0) return fail("satellite " + id + " is listed twice");
            state.emplace(id, Satellite{});
        } else {
            state.insert(std::move(node));
        }
        satellites.push_back(std::move(id));
    }
    // A satellite that is not in this epoch starts afresh when it comes back.
    m_state = std::move(state);
    m_satellites = std::move(satellites);
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
    if (m_version == 1) {
        // Twelve satellites on the first line with the clock offset after them, twelve on each
        // continuation line.
        std::string first = m_epoch.substr(0, 32);
        first.resize(32, ' ');
        for (size_t i = 0; i < m_satellites.size() && i < 12; ++i) first += m_satellites[i];
        if (m_clockPresent) {
            first.resize(68, ' ');
            first += fixed(m_clockValue, 9, 12);
        }
        trim_right(first);
        out += first;
        out += '\n';
        for (size_t i = 12; i < m_satellites.size(); i += 12) {
            std::string more(32, ' ');
            for (size_t j = i; j < m_satellites.size() && j < i + 12; ++j) more += m_satellites[j];
            out += more;
            out += '\n';
        }
        return;
    }
    std::string line = m_epoch.substr(0, 35);
    line.resize(35, ' ');
    if (m_clockPresent) line += "      " + fixed(m_clockValue, 12, 15);
    trim_right(line);
    out += line;
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
    const std::string& id = m_satellites[m_nextSatellite];
    Satellite& satellite = m_state[id];
    const size_t types = static_cast<size_t>(types_of(id[0]));
    satellite.arcs.resize(types);

    std::vector<int64_t> values(types, 0);
    std::vector<bool> present(types, false);
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
        if (!next_value(field, id, i + 1, satellite.arcs[i], values[i], given)) return false;
        present[i] = given;
    }
    if (!ended) apply_text_difference(satellite.flags, line.substr(at));

    const auto flag = [&satellite](size_t index) {
        return index < satellite.flags.size() ? satellite.flags[index] : ' ';
    };
    const auto field_text = [&](size_t i) {
        if (!present[i]) return std::string(16, ' ');
        std::string text = fixed(values[i], 3, 14);
        text += flag(2 * i);
        text += flag(2 * i + 1);
        return text;
    };
    if (m_version == 1) {
        // Five observations to a line.
        for (size_t first = 0; first < types || first == 0; first += 5) {
            std::string plain;
            for (size_t i = first; i < types && i < first + 5; ++i) plain += field_text(i);
            trim_right(plain);
            out += plain;
            out += '\n';
        }
    } else {
        std::string plain = id;
        for (size_t i = 0; i < types; ++i) plain += field_text(i);
        trim_right(plain);
        out += plain;
        out += '\n';
    }
    if (++m_nextSatellite == m_satellites.size()) m_stage = Stage::kEpoch;
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
    const auto feed = [&]() {
        if (expander.Feed(line, text)) return true;
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
            if (!feed()) return false;
            line.clear();
        }
        if (text.size() >= sizeof buffer && !flush())
            return failed(0, "writing the expanded file failed");
    }
    if (std::ferror(in)) return failed(0, "reading the file failed");
    if (!line.empty() && !feed()) return false;
    if (!expander.Finish()) return failed(expander.ProblemLine(), expander.Problem());
    if (!flush() || std::fflush(out) != 0) return failed(0, "writing the expanded file failed");
    return true;
}
