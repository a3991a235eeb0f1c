#include "rinex/obs_reader.h"

#include <algorithm>
#include <cstdio>

#include "rinex/codes.h"
#include "rinex/fields.h"
#include "rinex/rnx_checks.h"

namespace rnx {

namespace {

// Header labels of observation files 3.00-4.02 that are known even when only passed through.
constexpr std::string_view kKnownLabels[] = {
    "RINEX VERSION / TYPE",
    "PGM / RUN BY / DATE",
    "COMMENT",
    "MARKER NAME",
    "MARKER NUMBER",
    "MARKER TYPE",
    "OBSERVER / AGENCY",
    "REC # / TYPE / VERS",
    "ANT # / TYPE",
    "APPROX POSITION XYZ",
    "ANTENNA: DELTA H/E/N",
    "ANTENNA: DELTA X/Y/Z",
    "ANTENNA: PHASECENTER",
    "ANTENNA: B.SIGHT XYZ",
    "ANTENNA: ZERODIR AZI",
    "ANTENNA: ZERODIR XYZ",
    "CENTER OF MASS: XYZ",
    "DOI",
    "LICENSE OF USE",
    "STATION INFORMATION",
    "SYS / # / OBS TYPES",
    "SIGNAL STRENGTH UNIT",
    "INTERVAL",
    "TIME OF FIRST OBS",
    "TIME OF LAST OBS",
    "RCV CLOCK OFFS APPL",
    "SYS / DCBS APPLIED",
    "SYS / PCVS APPLIED",
    "SYS / SCALE FACTOR",
    "SYS / PHASE SHIFT",
    "GLONASS SLOT / FRQ #",
    "GLONASS COD/PHS/BIS",
    "LEAP SECONDS",
    "# OF SATELLITES",
    "PRN / # OF OBS",
    "END OF HEADER",
};

bool is_known_label(std::string_view label) {
    return std::find(std::begin(kKnownLabels), std::end(kKnownLabels), label) !=
           std::end(kKnownLabels);
}

// A text field as a terminated string for the handler (fields are at most 60 columns).
struct Text {
    explicit Text(std::string_view field) { copy_text(field, buf, sizeof buf); }
    const char* c_str() const { return buf; }
    char buf[61];
};

std::array<char, 3> code_text(std::string_view field) {
    std::array<char, 3> t{' ', ' ', ' '};
    for (size_t i = 0; i < 3 && i < field.size(); ++i) t[i] = field[i];
    return t;
}

uint8_t digit_at(std::string_view line, size_t at) {
    if (at >= line.size()) return 0;
    const char c = line[at];
    return c >= '0' && c <= '9' ? static_cast<uint8_t>(c - '0') : 0;
}

// Whether a satellite line ends inside its satellite or inside the 14 columns of a value that is
// not blank: the rest of the value, and of the line, is missing.
bool ends_inside_value(std::string_view line) {
    if (line.size() < 3) return !is_blank(line);
    const size_t partial = (line.size() - 3) % 16;
    return partial != 0 && partial < 14 && !is_blank(line.substr(line.size() - partial));
}

// An epoch record holds its flag and satellite count in columns 32-35.
constexpr size_t kEpochRecordColumns = 35;
// The first n blank-separated tokens of text as numbers, for records written off their columns;
// false unless there are exactly n.
bool doubles_by_tokens(std::string_view text, double* v, size_t n) {
    std::string_view tokens[8];
    if (n >= std::size(tokens) || split_tokens(text, tokens, n + 1) != n) return false;
    for (size_t i = 0; i < n; ++i)
        if (parse_double(tokens[i], v[i]) != Parsed::kOk) return false;
    return true;
}

// The first n tokens as whole numbers; more tokens may follow.
bool ints_by_tokens(std::string_view text, int32_t* v, size_t n) {
    std::string_view tokens[8];
    if (n > std::size(tokens) || split_tokens(text, tokens, n) != n) return false;
    for (size_t i = 0; i < n; ++i)
        if (parse_int(tokens[i], v[i]) != Parsed::kOk) return false;
    return true;
}

std::string quoted(std::string_view s) {
    std::string out(1, '"');
    out.append(trim(s));
    out.push_back('"');
    return out;
}

// "2018-02-30 01:30:00.000" of the fields of an epoch record as they read.
std::string date_text(const int32_t (&f)[5], double seconds) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%06.3f", f[0], f[1], f[2], f[3],
                  f[4], seconds);
    return text;
}

}  // namespace

ObsReader::ObsReader(LineSource& lines, IRnxReaderResultObs& out, Diagnostics& diag,
                     Settings settings)
    : lines_(lines),
      out_(out),
      diag_(diag),
      settings_(settings),
      time_system_(default_time_system(settings.system_letter)) {}

eRNX ObsReader::run() {
    if (!header(eEPOCHFLAG_NONE, 0)) return error_;
    const bool any_types =
        std::any_of(types_.begin(), types_.end(), [](const SystemTypes& t) { return t.defined; });
    if (!any_types)
        return diag_.fail(eRNX_E_HEADER_DATA_MISSING, lines_.line_number(),
                          "the header lists no observation types (SYS / # / OBS TYPES)");
    epochs();
    return error_;
}

// ---- header ----------------------------------------------------------------------------------

bool ObsReader::header(eEPOCHFLAG cause, uint32_t line_limit) {
    if (!go(out_.OnHeaderBegin(cause))) return false;
    std::string_view line;
    uint32_t count = 0;
    bool ended = false;
    while (line_limit == 0 || count < line_limit) {
        if (!lines_.next(line)) break;
        if (line_limit != 0 && !line.empty() && line[0] == '>') {
            lines_.unread();  // the event promised more lines than it has
            break;
        }
        ++count;
        const std::string_view label = header_label(line);
        if (line_limit == 0 && label == "END OF HEADER") {
            ended = true;
            break;
        }
        if (!header_line(line, label)) return false;
    }
    if (!flush_pending()) return false;
    if (lines_.failed()) {
        error_ =
            diag_.fail(eRNX_E_FILE_READ_ERROR, lines_.line_number(), "the file cannot be read");
        return false;
    }
    if (line_limit == 0 && !ended) {
        error_ = diag_.fail(eRNX_E_HEADER_DATA_MISSING, lines_.line_number(),
                            "the header has no END OF HEADER");
        return false;
    }
    if (line_limit != 0 && count < line_limit)
        warn(eRNX_W_DATA_OBS_MISSING, "the event record announces " + std::to_string(line_limit) +
                                          " lines but has " + std::to_string(count));
    apply_scales();
    return go(out_.OnHeaderEnd());
}

bool ObsReader::header_line(std::string_view line, std::string_view label) {
    const bool continuation = !line.empty() && line[0] == ' ';
    if (pending_ == Pending::kObsTypes && label == "SYS / # / OBS TYPES" && continuation)
        return obs_types_line(line, false);
    if (pending_ == Pending::kScale && label == "SYS / SCALE FACTOR" && continuation)
        return scale_line(line, false);
    if (pending_ == Pending::kPhaseShift && label == "SYS / PHASE SHIFT" && continuation)
        return phase_shift_line(line, false);
    if (!flush_pending()) return false;

    const std::string_view c = header_content(line);
    if (label == "SYS / # / OBS TYPES") return obs_types_line(line, true);
    if (label == "SYS / SCALE FACTOR") return scale_line(line, true);
    if (label == "SYS / PHASE SHIFT") return phase_shift_line(line, true);
    if (label == "GLONASS SLOT / FRQ #") return glonass_slots(line);
    if (label == "GLONASS COD/PHS/BIS") return glonass_biases(line);
    if (label == "COMMENT") return go(out_.OnComment(Text(c).c_str()));
    if (label == "MARKER NAME") return go(out_.OnMarkerName(Text(c).c_str()));
    if (label == "MARKER NUMBER") return go(out_.OnMarkerNumber(Text(column(c, 0, 20)).c_str()));
    if (label == "MARKER TYPE") return go(out_.OnMarkerType(Text(column(c, 0, 20)).c_str()));
    if (label == "SIGNAL STRENGTH UNIT")
        return go(out_.OnSignalStrengthUnit(Text(column(c, 0, 20)).c_str()));
    if (label == "PGM / RUN BY / DATE")
        return go(out_.OnProgram(Text(column(c, 0, 20)).c_str(), Text(column(c, 20, 20)).c_str(),
                                 Text(column(c, 40, 20)).c_str()));
    if (label == "OBSERVER / AGENCY")
        return go(
            out_.OnObserverAgency(Text(column(c, 0, 20)).c_str(), Text(column(c, 20, 40)).c_str()));
    if (label == "REC # / TYPE / VERS")
        return go(out_.OnReceiver(Text(column(c, 0, 20)).c_str(), Text(column(c, 20, 20)).c_str(),
                                  Text(column(c, 40, 20)).c_str()));
    if (label == "ANT # / TYPE")
        return go(out_.OnAntenna(Text(column(c, 0, 20)).c_str(), Text(column(c, 20, 20)).c_str()));
    if (label == "APPROX POSITION XYZ" || label == "ANTENNA: DELTA H/E/N" ||
        label == "ANTENNA: DELTA X/Y/Z") {
        double v[3];
        bool ok = true;
        for (int i = 0; i < 3; ++i)
            ok = ok && parse_double(column(c, 14 * i, 14), v[i]) == Parsed::kOk;
        if (!ok && !doubles_by_tokens(c, v, 3)) {
            // Position and antenna height are stored with the station: without them it would
            // be placed wrongly. The X/Y/Z offset is not taken into the station.
            if (label != "ANTENNA: DELTA X/Y/Z")
                return refuse(std::string(label) + " needs three numbers");
            read_past(std::string(label) + " needs three numbers");
            return true;
        }
        if (label == "ANTENNA: DELTA H/E/N") return go(out_.OnAntennaDeltaHEN(v[0], v[1], v[2]));
        const RNX_COORD xyz{1, v[0], v[1], v[2]};
        if (label == "APPROX POSITION XYZ") return go(out_.OnApproxPosition(xyz));
        return go(out_.OnAntennaDeltaXYZ(xyz));
    }
    if (label == "INTERVAL") {
        double seconds = 0;
        if (parse_double(column(c, 0, 10), seconds) != Parsed::kOk &&
            !doubles_by_tokens(c, &seconds, 1)) {
            read_past("INTERVAL needs a number");
            return true;
        }
        return go(out_.OnInterval(seconds));
    }
    if (label == "TIME OF FIRST OBS") return first_obs(c);
    if (label == "TIME OF LAST OBS") {
        RNX_TIME t{};
        if (!time_line(c, t) && !time_by_tokens(c, t)) {
            read_past("TIME OF LAST OBS is not a valid time");
            return true;
        }
        return go(out_.OnTimeOfLastObs(t));
    }
    if (label == "RCV CLOCK OFFS APPL" || label == "# OF SATELLITES") {
        int32_t n = 0;
        if (parse_int(column(c, 0, 6), n) != Parsed::kOk && !ints_by_tokens(c, &n, 1)) {
            read_past(std::string(label) + " needs a number");
            return true;
        }
        if (label == "# OF SATELLITES") return go(out_.OnNumberOfSatellites(n));
        return go(out_.OnClockOffsetApplied(n));
    }
    if (label == "LEAP SECONDS") {
        int32_t v[4];
        const size_t at[4] = {0, 6, 12, 18};
        const size_t width[4] = {6, 6, 6, 4};
        bool ok = !is_blank(column(c, 0, 6));
        for (int i = 0; i < 4; ++i)
            ok = ok && parse_int(column(c, at[i], width[i]), v[i]) != Parsed::kBad;
        if (!ok) {
            // Odd columns: the numbers in their order, up to the time system's letters.
            std::string_view tokens[5];
            const size_t n = split_tokens(c, tokens, 5);
            size_t read = 0;
            while (read < n && read < 4 && parse_int(tokens[read], v[read]) == Parsed::kOk) ++read;
            for (size_t i = read; i < 4; ++i) v[i] = 0;
            ok = read >= 1 && (read == n || time_system_of(tokens[read]) != eTIMESYS_NONE);
        }
        if (!ok) {
            read_past("LEAP SECONDS is not readable");
            return true;
        }
        return go(out_.OnLeapSeconds(v[0], v[1], v[2], v[3]));
    }
    if (!is_known_label(label))
        warn(eRNX_W_HEADER_LABEL_UNKNOWN, "unknown header label " + quoted(label), false);
    return go(out_.OnHeaderRecord(Text(label).c_str(), Text(c).c_str()));
}

// "TIME OF FIRST OBS" / "TIME OF LAST OBS": 5I6, F13.7, 5X, A3.
bool ObsReader::time_line(std::string_view c, RNX_TIME& t) {
    int32_t f[5];
    for (int i = 0; i < 5; ++i)
        if (parse_int(column(c, 6 * i, 6), f[i]) != Parsed::kOk) return false;
    double seconds = 0;
    if (parse_double(column(c, 30, 13), seconds) == Parsed::kBad) return false;
    eTIMESYS sys = time_system_of(column(c, 48, 3));
    if (sys == eTIMESYS_NONE) sys = default_time_system(settings_.system_letter);
    return make_time(f[0], f[1], f[2], f[3], f[4], seconds, sys, t);
}

// The same written off its columns: five whole numbers, the seconds, an optional time system.
bool ObsReader::time_by_tokens(std::string_view c, RNX_TIME& t) {
    std::string_view tokens[8];
    const size_t n = split_tokens(c, tokens, 8);
    if (n < 6 || n > 7) return false;
    int32_t f[5];
    for (int i = 0; i < 5; ++i)
        if (parse_int(tokens[i], f[i]) != Parsed::kOk) return false;
    double seconds = 0;
    if (parse_double(tokens[5], seconds) != Parsed::kOk) return false;
    eTIMESYS sys = default_time_system(settings_.system_letter);
    if (n == 7 && (sys = time_system_of(tokens[6])) == eTIMESYS_NONE) return false;
    return make_time(f[0], f[1], f[2], f[3], f[4], seconds, sys, t);
}

// The epochs carry their own dates, so a damaged date is read past; the time system is what
// their dates count in, and a mixed file names it only here.
bool ObsReader::first_obs(std::string_view c) {
    std::string_view tokens[8];
    const size_t n = split_tokens(c, tokens, 8);
    std::string_view named = trim(column(c, 48, 3));
    if (named.empty() && n == 7) named = tokens[6];
    const eTIMESYS sys = named.empty() ? eTIMESYS_NONE : time_system_of(named);
    if (sys == eTIMESYS_NONE && !named.empty() && settings_.system_letter == 'M')
        return refuse("TIME OF FIRST OBS names time system " + quoted(named) +
                      ", which is not known: the times of the epochs cannot be told");
    RNX_TIME t{};
    if (time_line(c, t) || time_by_tokens(c, t)) {
        time_system_ = t.timeSystem;
        return go(out_.OnTimeOfFirstObs(t));
    }
    if (sys != eTIMESYS_NONE) time_system_ = sys;
    read_past("TIME OF FIRST OBS is not a valid time");
    return true;
}

bool ObsReader::flush_pending() {
    const Pending what = pending_;
    pending_ = Pending::kNone;
    const char sys = pending_system_;
    switch (what) {
        case Pending::kNone:
            return true;
        case Pending::kObsTypes: {
            SystemTypes& t = types_of(sys);
            // The data lines are read by these columns: a short list would misplace values.
            if (static_cast<int32_t>(pending_codes_.size()) < t.declared)
                return refuse(std::string("SYS / # / OBS TYPES of ") + sys + " announces " +
                                  std::to_string(t.declared) + " types but lists " +
                                  std::to_string(pending_codes_.size()),
                              pending_line_);
            t.codes = pending_codes_;
            t.texts = pending_texts_;
            t.divisors.assign(t.codes.size(), 1.0);
            t.defined = true;
            return go(out_.OnObsTypes(system_of_letter(sys), sys, t.codes));
        }
        case Pending::kScale:
            types_of(sys).scales.push_back({pending_factor_, pending_texts_});
            return go(
                out_.OnScaleFactor(system_of_letter(sys), sys, pending_factor_, pending_codes_));
        case Pending::kPhaseShift:
            return go(out_.OnPhaseShift(system_of_letter(sys), sys, pending_shift_code_,
                                        pending_shift_, pending_satellites_));
    }
    return true;
}

// A1, 2X, I3, 13(1X, A3); continuation lines 6X, 13(1X, A3).
bool ObsReader::obs_types_line(std::string_view line, bool first) {
    if (first) {
        const char sys = line.empty() ? ' ' : line[0];
        int32_t declared = 0;
        if (!is_known_system_letter(sys) ||
            parse_int(column(line, 3, 3), declared) != Parsed::kOk || declared < 0) {
            return refuse("SYS / # / OBS TYPES needs a system letter and a count");
        }
        pending_ = Pending::kObsTypes;
        pending_system_ = sys;
        pending_line_ = lines_.line_number();
        pending_codes_.clear();
        pending_texts_.clear();
        types_of(sys).declared = declared;
    }
    const int32_t declared = types_of(pending_system_).declared;
    for (size_t k = 0; k < 13 && static_cast<int32_t>(pending_codes_.size()) < declared; ++k) {
        const std::string_view field = trim(column(line, 7 + 4 * k, 3));
        if (field.empty()) continue;
        RNX_OBS_CODE code{};
        if (!parse_obs_code(field, code))
            warn(eRNX_W_HEADER_DATA_UNKNOWN, "unknown observation code " + quoted(field), false);
        pending_codes_.push_back(code);
        pending_texts_.push_back(code_text(field));
    }
    if (static_cast<int32_t>(pending_codes_.size()) >= declared) return flush_pending();
    return true;
}

// A1, 1X, I4, 2X, I2, 12(1X, A3); continuation lines 10X, 12(1X, A3).
bool ObsReader::scale_line(std::string_view line, bool first) {
    if (first) {
        const char sys = line.empty() ? ' ' : line[0];
        int32_t factor = 0;
        int32_t count = 0;
        if (!is_known_system_letter(sys) || parse_int(column(line, 2, 4), factor) != Parsed::kOk ||
            (factor != 1 && factor != 10 && factor != 100 && factor != 1000) ||
            parse_int(column(line, 8, 2), count) == Parsed::kBad || count < 0) {
            // The factor divides the values: without it they would be stored scaled.
            return refuse(
                "SYS / SCALE FACTOR needs a system letter and a factor of 1, 10, 100 or 1000");
        }
        pending_ = Pending::kScale;
        pending_system_ = sys;
        pending_factor_ = factor;
        pending_codes_.clear();
        pending_texts_.clear();
        pending_count_ = count;
    }
    for (size_t k = 0; k < 12 && static_cast<int32_t>(pending_codes_.size()) < pending_count_;
         ++k) {
        const std::string_view field = trim(column(line, 11 + 4 * k, 3));
        if (field.empty()) continue;
        RNX_OBS_CODE code{};
        parse_obs_code(field, code);
        pending_codes_.push_back(code);
        pending_texts_.push_back(code_text(field));
    }
    if (static_cast<int32_t>(pending_codes_.size()) >= pending_count_) return flush_pending();
    return true;
}

// A1, 1X, A3, 1X, F8.5, 2X, I2.2, 10(1X, A3); continuation lines 18X, 10(1X, A3).
bool ObsReader::phase_shift_line(std::string_view line, bool first) {
    if (first) {
        const char sys = line.empty() ? ' ' : line[0];
        const std::string_view code_field = trim(column(line, 2, 3));
        if (code_field.empty()) return true;  // the system's shifts are not known: nothing to say
        int32_t count = 0;
        if (!is_known_system_letter(sys) || !parse_obs_code(code_field, pending_shift_code_) ||
            parse_double(column(line, 6, 8), pending_shift_) == Parsed::kBad ||
            parse_int(column(line, 16, 2), count) == Parsed::kBad || count < 0) {
            // Shifts are not applied to the values: the record only informs.
            read_past("SYS / PHASE SHIFT is not readable");
            return true;
        }
        pending_ = Pending::kPhaseShift;
        pending_system_ = sys;
        pending_satellites_.clear();
        pending_count_ = count;
    }
    for (size_t k = 0; k < 10 && static_cast<int32_t>(pending_satellites_.size()) < pending_count_;
         ++k) {
        const std::string_view field = column(line, 19 + 4 * k, 3);
        if (is_blank(field)) continue;
        char letter = 0;
        uint8_t number = 0;
        if (!parse_satellite(field, letter, number)) {
            read_past("SYS / PHASE SHIFT lists satellite " + quoted(field));
            --pending_count_;
            continue;
        }
        pending_satellites_.push_back(delivered_number(letter, number));
    }
    if (static_cast<int32_t>(pending_satellites_.size()) >= pending_count_) return flush_pending();
    return true;
}

// I3, 1X, 8(A3, 1X, I2, 1X); continuation lines 4X, 8(A3, 1X, I2, 1X).
bool ObsReader::glonass_slots(std::string_view line) {
    struct Entry {
        uint8_t slot;
        int32_t channel;
    };
    Entry entries[8];
    size_t count = 0;
    std::string_view bad;
    for (size_t k = 0; k < 8; ++k) {
        const std::string_view sat = column(line, 4 + 7 * k, 3);
        if (is_blank(sat)) continue;
        char letter = 0;
        uint8_t slot = 0;
        int32_t channel = 0;
        if (!parse_satellite(sat, letter, slot) || letter != 'R' ||
            parse_int(column(line, 8 + 7 * k, 2), channel) != Parsed::kOk) {
            if (bad.empty()) bad = sat;
            continue;
        }
        entries[count++] = {slot, channel};
    }
    // Loggers that write the entries a column off are read by their tokens; when that fails
    // too, the entries that were readable are kept.
    if (!bad.empty()) {
        bool read = false;
        if (!glonass_slots_by_tokens(line, read)) return false;
        if (read) return true;
        read_past("GLONASS SLOT / FRQ # entry " + quoted(bad) + " is not readable");
    }
    for (size_t i = 0; i < count; ++i)
        if (!go(out_.OnGlonassSlotFrequency(entries[i].slot, entries[i].channel))) return false;
    return true;
}

// [count] then pairs of a satellite ("R01", "R1" or "R 1") and its channel; read tells whether
// the line was read so (and delivered).
bool ObsReader::glonass_slots_by_tokens(std::string_view line, bool& read) {
    read = false;
    std::string_view tokens[32];
    const size_t n = split_tokens(header_content(line), tokens, std::size(tokens));
    struct Entry {
        uint8_t slot;
        int32_t channel;
    };
    Entry entries[16];
    size_t count = 0;
    size_t i = 0;
    int32_t number = 0;
    if (n > 0 && parse_int(tokens[0], number) == Parsed::kOk) ++i;  // the count of satellites
    bool ok = n > 0;
    while (ok && i < n) {
        const std::string_view t = tokens[i++];
        ok = t.size() >= 1 && t.size() <= 3 && t[0] == 'R' && count < std::size(entries);
        std::string_view digits = t.substr(ok ? 1 : 0);
        if (ok && digits.empty() && i < n) digits = tokens[i++];
        int32_t slot = 0;
        int32_t channel = 0;
        ok = ok && parse_int(digits, slot) == Parsed::kOk && slot >= 1 && slot <= 99 && i < n &&
             parse_int(tokens[i++], channel) == Parsed::kOk;
        if (ok) entries[count++] = {static_cast<uint8_t>(slot), channel};
    }
    if (!ok) return true;
    read = true;
    for (size_t k = 0; k < count; ++k)
        if (!go(out_.OnGlonassSlotFrequency(entries[k].slot, entries[k].channel))) return false;
    return true;
}

// 4(1X, A3, 1X, F8.3).
bool ObsReader::glonass_biases(std::string_view line) {
    struct Entry {
        RNX_OBS_CODE code;
        double bias;
    };
    Entry entries[4];
    size_t count = 0;
    for (size_t k = 0; k < 4; ++k) {
        const std::string_view field = trim(column(line, 1 + 13 * k, 3));
        if (field.empty()) continue;
        RNX_OBS_CODE code{};
        double bias = 0;
        if (!parse_obs_code(field, code) ||
            parse_double(column(line, 5 + 13 * k, 8), bias) == Parsed::kBad)
            return glonass_biases_by_tokens(line);
        entries[count++] = {code, bias};
    }
    for (size_t i = 0; i < count; ++i)
        if (!go(out_.OnGlonassCodePhaseBias(entries[i].code, entries[i].bias))) return false;
    return true;
}

// Pairs of a code and its bias off their columns; a code without a number has no known bias.
bool ObsReader::glonass_biases_by_tokens(std::string_view line) {
    std::string_view tokens[16];
    const size_t n = split_tokens(header_content(line), tokens, std::size(tokens));
    for (size_t i = 0; i < n;) {
        RNX_OBS_CODE code{};
        if (!parse_obs_code(tokens[i], code)) {
            read_past("GLONASS COD/PHS/BIS entry " + quoted(tokens[i]) + " is not readable");
            return true;
        }
        double bias = 0;
        if (++i < n && parse_double(tokens[i], bias) == Parsed::kOk) {
            ++i;
            if (!go(out_.OnGlonassCodePhaseBias(code, bias))) return false;
        }
    }
    return true;
}

// Later scale records of a code override earlier ones.
void ObsReader::apply_scales() {
    for (SystemTypes& t : types_) {
        if (!t.defined) continue;
        t.divisors.assign(t.codes.size(), 1.0);
        for (const SystemTypes::Scale& s : t.scales) {
            for (size_t i = 0; i < t.texts.size(); ++i) {
                if (s.texts.empty() ||
                    std::find(s.texts.begin(), s.texts.end(), t.texts[i]) != s.texts.end())
                    t.divisors[i] = s.factor;
            }
        }
    }
}

// ---- data ------------------------------------------------------------------------------------

bool ObsReader::epochs() {
    std::string_view line;
    bool reported = false;  // one warning per run of lines read past
    while (!stopped_ && lines_.next(line)) {
        if (!line.empty() && line[0] == '>') {
            reported = false;
            if (!epoch_record(line)) return false;
            continue;
        }
        if (is_blank(line)) continue;
        if (!reported && !resync_)
            warn(eRNX_W_DATA_INVALID, "not an epoch record; lines read past up to the next one");
        reported = true;
    }
    if (stopped_) return false;
    if (lines_.failed()) {
        error_ =
            diag_.fail(eRNX_E_FILE_READ_ERROR, lines_.line_number(), "the file cannot be read");
        return false;
    }
    return go(out_.OnEndOfData());
}

// "> yyyy mm dd hh mm ss.sssssss  f nnn      clock-offset"
bool ObsReader::epoch_record(std::string_view line) {
    resync_ = false;
    const uint32_t at = lines_.line_number();
    // A record too short for its count is cut when nothing follows it: the input ends inside it.
    // Looking ahead may move the window, so the record is read from a copy then.
    std::string short_record;
    if (line.size() < kEpochRecordColumns) {
        short_record.assign(line);
        if (no_line_follows()) return cut(at, "the file ends inside the epoch record");
        line = short_record;
    }
    const auto warn_here = [&](const std::string& what) {
        diag_.warn(eRNX_W_DATA_INVALID, at, what, true);
    };
    int32_t flag = 0;
    int32_t count = 0;
    if (parse_int(column(line, 31, 1), flag) == Parsed::kBad || flag < 0 ||
        parse_int(column(line, 32, 3), count) == Parsed::kBad || count < 0) {
        warn_here("epoch record without a readable flag and count");
        resync_ = true;
        return true;
    }
    if (flag > 6) {
        warn_here("epoch flag " + std::to_string(flag) + " is not defined");
        resync_ = true;
        return true;
    }
    RNX_OBS_EPOCH& e = epoch_;
    e.time = RNX_TIME{};
    e.flag = static_cast<eEPOCHFLAG>(flag + 1);
    e.recordCount = static_cast<uint32_t>(count);
    e.lineNumber = at;
    e.clockOffset = 0.0;
    e.hasClockOffset = parse_double(column(line, 41, 15), e.clockOffset) == Parsed::kOk ? 1 : 0;

    const std::string_view date = column(line, 2, 27);
    const bool event = flag >= 2 && flag <= 5;
    if (!is_blank(date)) {
        int32_t f[5];
        double seconds = 0;
        const size_t at[5] = {2, 7, 10, 13, 16};
        const size_t width[5] = {4, 2, 2, 2, 2};
        bool ok = true;
        for (int i = 0; i < 5; ++i)
            ok = ok && parse_int(column(line, at[i], width[i]), f[i]) == Parsed::kOk;
        ok = ok && parse_double(column(line, 18, 11), seconds) == Parsed::kOk;
        // A date that reads but names no moment loses the epoch as surely as one that does
        // not read; the text says which field is wrong.
        const std::string problem =
            ok ? RnxCalendarProblem(f[0], f[1], f[2], f[3], f[4], seconds) : std::string();
        if (!problem.empty())
            ok = false;
        else
            ok = ok && make_time(f[0], f[1], f[2], f[3], f[4], seconds, time_system_, e.time);
        if (!ok) {
            warn_here(problem.empty()
                          ? std::string("epoch record with an unreadable date")
                          : "epoch " + date_text(f, seconds) + " is no calendar time: " + problem);
            if (!event) {
                resync_ = true;
                return true;
            }
            e.time = RNX_TIME{};
        }
    } else if (!event) {
        warn_here("observation epoch without a date");
        resync_ = true;
        return true;
    }

    ++records_;
    if (event) {
        if (!go(out_.OnEventEpoch(e))) return false;
        if (count > 0) return header(e.flag, static_cast<uint32_t>(count));
        return true;
    }
    // An epoch cut short by the end of the input is not delivered.
    if (!satellite_lines(static_cast<uint32_t>(count))) {
        recycle();
        return false;
    }
    const int answer = flag == 6 ? out_.OnCycleSlipEpoch(e) : out_.OnEpoch(e);
    recycle();
    return go(answer);
}

bool ObsReader::no_line_follows() {
    std::string_view next;
    if (!lines_.next(next)) return true;
    lines_.unread();
    return false;
}

bool ObsReader::cut(uint32_t line, const std::string& what) {
    error_ = lines_.failed() ? diag_.fail(eRNX_E_FILE_READ_ERROR, lines_.line_number(),
                                          "the file cannot be read past line " +
                                              std::to_string(lines_.line_number()))
                             : diag_.fail(eRNX_E_HEADER_DATA_MISSING, line, what);
    return false;
}

// False when the input ends or breaks off inside the epoch (error_ then tells).
bool ObsReader::satellite_lines(uint32_t count) {
    std::string_view line;
    const uint32_t record = epoch_.lineNumber;
    const std::string inside = "the file ends inside the epoch of line " + std::to_string(record);
    for (uint32_t i = 0; i < count; ++i) {
        if (!lines_.next(line)) return cut(lines_.line_number(), inside);
        if (!line.empty() && line[0] == '>') {
            lines_.unread();
            warn(eRNX_W_DATA_OBS_MISSING, "the epoch announces " + std::to_string(count) +
                                              " satellites but has " + std::to_string(i));
            return true;
        }
        satellite_line(line);
        if (ends_inside_value(line) && no_line_follows())
            return cut(lines_.line_number(), inside + " (an observation value is cut)");
    }
    return true;
}

// A1, I2.2, m(F14.3, I1, I1)
void ObsReader::satellite_line(std::string_view line) {
    char letter = 0;
    uint8_t number = 0;
    if (!parse_satellite(column(line, 0, 3), letter, number) || !is_known_system_letter(letter)) {
        warn(eRNX_W_DATA_PRN_INVALID, "satellite " + quoted(column(line, 0, 3)) + " is not valid");
        return;
    }
    const eSATSYS sys = system_of_letter(letter);
    if (settings_.converted_only && sys == eSATSYS_OTHER) {
        ++read_past_[static_cast<unsigned char>(letter)];
        return;
    }
    const RNX_SATELLITE_RANGE range = RnxSatelliteRange(letter);
    if (number < range.first || number > range.last) {
        warn(eRNX_W_DATA_PRN_INVALID, "satellite " + quoted(column(line, 0, 3)) +
                                          " is outside the numbers of " + range.systemName + " (" +
                                          std::to_string(range.first) + "-" +
                                          std::to_string(range.last) + ")");
        return;
    }
    const SystemTypes& t = types_of(letter);
    if (!t.defined) {
        warn(eRNX_W_HEADER_DATA_MISSING,
             std::string("no observation types for system ") + letter + " in the header");
        return;
    }
    if (spare_satellites_.empty()) {
        epoch_.satellites.emplace_back();
    } else {
        epoch_.satellites.push_back(std::move(spare_satellites_.back()));
        spare_satellites_.pop_back();
    }
    RNX_OBS_SAT& sat = epoch_.satellites.back();
    sat.system = sys;
    sat.number = delivered_number(letter, number);
    sat.systemLetter = letter;
    sat.values.clear();
    for (size_t k = 0; k < t.codes.size(); ++k) {
        const size_t at = 3 + 16 * k;
        if (at >= line.size()) break;
        double v = 0;
        const Parsed p = parse_observation_value(column(line, at, 14), v);
        if (p == Parsed::kBlank) continue;
        if (p == Parsed::kBad) {
            warn(eRNX_W_DATA_READ_ERROR,
                 "observation value " + quoted(column(line, at, 14)) + " is not a number");
            continue;
        }
        if (t.divisors[k] != 1.0) v /= t.divisors[k];  // most files scale nothing: no division
        sat.values.push_back(
            RNX_OBS_VALUE{t.codes[k], v, digit_at(line, at + 14), digit_at(line, at + 15)});
    }
}

void ObsReader::recycle() {
    for (RNX_OBS_SAT& s : epoch_.satellites) spare_satellites_.push_back(std::move(s));
    epoch_.satellites.clear();
}

}  // namespace rnx
