#include "rinex/obs_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "rinex/codes.h"
#include "rinex/file_names.h"
#include "rinex/number_format.h"

namespace rnx {
namespace {

constexpr std::string_view kAttributes = "PCDYMNABIQSLXWZER";
constexpr std::string_view kKinds = " CLDS";
constexpr std::string_view kBands = "  1256783490";  // band value -> RINEX band digit

// The three characters of a code; false when kind, band or attribute is not one.
bool code_text(const RNX_OBS_CODE& c, char out[3]) {
    if (c.kind < 1 || c.kind > 4 || c.band < 2 || c.band > 10 || c.attribute < 1 ||
        c.attribute > kAttributes.size())
        return false;
    out[0] = kKinds[c.kind];
    out[1] = kBands[c.band];
    out[2] = kAttributes[c.attribute - 1];
    return true;
}

size_t code_slot(const RNX_OBS_CODE& c) {
    return (static_cast<size_t>(c.kind) * 11 + c.band) * 18 + c.attribute;
}

// The version 2 type of a code: C1/P1/L1/D1/S1... ; empty for bands version 2 lacks.
// P1/P2 are the precise (P, W, Y) codes of bands 1 and 2; every other code is C.
std::string v2_code(const RNX_OBS_CODE& c) {
    char text[3];
    if (!code_text(c, text)) return {};
    const char band = text[1];
    if (band != '1' && band != '2' && band != '5' && band != '6' && band != '7' && band != '8')
        return {};
    char kind = text[0];
    if (kind == 'C' && (band == '1' || band == '2') &&
        (text[2] == 'P' || text[2] == 'W' || text[2] == 'Y'))
        kind = 'P';
    return std::string{kind, band};
}

// The order of the version 2 type list.
constexpr const char* kV2Order[] = {"C1", "P1", "L1", "D1", "S1", "C2", "P2", "L2", "D2",
                                    "S2", "C5", "L5", "D5", "S5", "C7", "L7", "D7", "S7",
                                    "C8", "L8", "D8", "S8", "C6", "L6", "D6", "S6"};

char letter_of(eSATSYS system) {
    switch (system) {
        case eSATSYS_GPS:
            return 'G';
        case eSATSYS_GLONASS:
            return 'R';
        case eSATSYS_GALILEO:
            return 'E';
        case eSATSYS_SBAS:
            return 'S';
        default:
            return 0;
    }
}

// The system letter of a call: letter when given (and consistent with system), else system's.
char resolve_letter(eSATSYS system, char letter) {
    if (letter == 0) return letter_of(system);
    if (!is_known_system_letter(letter)) return 0;
    if (system != eSATSYS_OTHER && system_of_letter(letter) != system) return 0;
    return letter;
}

bool valid_time(const RNX_TIME& t) {
    return t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= 31 && t.hour < 24 &&
           t.minute < 60 && t.seconds >= 0 && t.seconds < 61 && t.year >= 1 && t.year <= 9999;
}

const char* time_system_text(eTIMESYS s) {
    switch (s) {
        case eTIMESYS_GPS:
            return "GPS";
        case eTIMESYS_GLO:
            return "GLO";
        case eTIMESYS_GAL:
            return "GAL";
        case eTIMESYS_BDT:
            return "BDT";
        case eTIMESYS_UTC:
            return "UTC";
        case eTIMESYS_QZS:
            return "QZS";
        case eTIMESYS_IRN:
            return "IRN";
        case eTIMESYS_TAI:
            return "TAI";
        default:
            return nullptr;
    }
}

// A seconds field that rounds up to 60 belongs to the next minute (a tag given as 60 or more
// is a leap second and is kept).
RNX_TIME carried(const RNX_TIME& t, int decimals) {
    if (t.seconds >= 60.0) return t;
    char s[16];
    if (!format_fixed(s, 15, decimals, t.seconds)) return t;
    if (std::string_view(s, 15).find("60.") == std::string_view::npos) return t;
    RNX_TIME out = t;
    int64_t minutes = days_from_civil(t.year, t.month, t.day) * 1440 + t.hour * 60 + t.minute + 1;
    int64_t year = 0;
    unsigned month = 0, day = 0;
    civil_from_days(minutes / 1440, year, month, day);
    out.year = static_cast<uint16_t>(year);
    out.month = static_cast<uint8_t>(month);
    out.day = static_cast<uint8_t>(day);
    out.hour = static_cast<uint8_t>(minutes % 1440 / 60);
    out.minute = static_cast<uint8_t>(minutes % 60);
    out.seconds = 0.0;
    return out;
}

// Printable ASCII only: header fields are fixed columns.
std::string clean(const char* text) {
    std::string s = text ? text : "";
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f) c = ' ';
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

std::string field(std::string_view text, size_t width) {
    std::string s(text.substr(0, width));
    s.resize(width, ' ');
    return s;
}

std::string fixed(double value, int width, int decimals) {
    std::string s(static_cast<size_t>(width), ' ');
    if (!format_fixed(s.data(), width, decimals, value)) {
        // Header values only (positions, deltas): too large a value is written as printf
        // writes it, wider than its field, rather than lost.
        char buf[64];
        std::snprintf(buf, sizeof buf, "%*.*f", width, decimals, value);
        s = buf;
    }
    return s;
}

std::string integer(int64_t value, int width, int min_digits = 1) {
    std::string s(static_cast<size_t>(width), ' ');
    if (!format_int(s.data(), width, value, min_digits)) s.assign(static_cast<size_t>(width), '*');
    return s;
}

std::string errno_text(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

}  // namespace

ObsDocument::~ObsDocument() {
    remove_temporary();
}

eRNX ObsDocument::note(eRNX code, std::string text) {
    if (code != eRNX_S_OK) {
        status_.last = code;
        status_.text = std::move(text);
    }
    return code;
}

eRNX ObsDocument::header_only(const char* what) {
    if (state_ == State::kOpen) return eRNX_S_OK;
    if (state_ == State::kWritten || state_ == State::kFailed)
        return note(eRNX_E_DOM_NOT_ENABLED, std::string(what) + ": the document is closed");
    return note(eRNX_E_DOM_NOT_ENABLED,
                std::string(what) + " belongs to the header, which is already written");
}

eRNX ObsDocument::set_text(std::string& out, const char* text, size_t width, const char* what) {
    if (const eRNX e = header_only(what); e != eRNX_S_OK) return e;
    out = clean(text);
    if (out.size() > width) {
        out.resize(width);
        return note(eRNX_W_DATA_INVALID,
                    std::string(what) + " cut to " + std::to_string(width) + " characters");
    }
    return eRNX_S_OK;
}

void ObsDocument::add_line(std::string& out, std::string_view content, std::string_view label) {
    out += field(content, 60);
    out += label;
    out += '\n';
}

// ---- Header operations ----

eRNX ObsDocument::SetVersion(double version) {
    if (const eRNX e = header_only("SetVersion"); e != eRNX_S_OK) return e;
    const auto code = static_cast<int>(std::lround(version * 100));
    if (code != 211 && code != 304 && code != 305 && code != 401)
        return note(eRNX_E_FORMAT_VERSION_NOT_SUPPORTED,
                    "versions 2.11, 3.04, 3.05 and 4.01 are written");
    version_ = code;
    return eRNX_S_OK;
}

eRNX ObsDocument::GetVersion(double& version) {
    version = version_ / 100.0;
    return eRNX_S_OK;
}

eRNX ObsDocument::SetDocumentMode(uint32_t mode) {
    if (const eRNX e = header_only("SetDocumentMode"); e != eRNX_S_OK) return e;
    if (mode != RNX_DOCUMENT_OBS)
        return note(eRNX_E_FILE_TYPE_NOT_SUPPORTED, "document mode " + std::to_string(mode) +
                                                        ": only observation files are written");
    mode_ = mode;
    return eRNX_S_OK;
}

eRNX ObsDocument::GetDocumentMode(uint32_t& mode) {
    mode = mode_;
    return eRNX_S_OK;
}

eRNX ObsDocument::SetProgram(const char* program, const char* run_by, const char* date) {
    eRNX r = set_text(program_, program, 20, "PGM");
    if (r >= eRNX_E_FILE_NOT_FOUND && r < eRNX_W_HEADER_LABEL_UNKNOWN) return r;
    const eRNX r2 = set_text(run_by_, run_by, 20, "RUN BY");
    const eRNX r3 = set_text(date_, date, 20, "DATE");
    return r != eRNX_S_OK ? r : r2 != eRNX_S_OK ? r2 : r3;
}

eRNX ObsDocument::SetCountryCode(const char* country) {
    if (const eRNX e = header_only("SetCountryCode"); e != eRNX_S_OK) return e;
    const std::string c = clean(country);
    if (c.size() != 3 || name_part(c, 3, ' ', true).find(' ') != std::string::npos)
        return note(eRNX_W_DATA_INVALID, "a country code is three letters or digits");
    country_ = name_part(c, 3, 'X', true);
    return eRNX_S_OK;
}

eRNX ObsDocument::SetMarkerNumber(const char* number) {
    return set_text(marker_number_, number, 20, "MARKER NUMBER");
}
eRNX ObsDocument::SetMarkerName(const char* name) {
    return set_text(marker_name_, name, 60, "MARKER NAME");
}
eRNX ObsDocument::SetMarkerType(const char* type) {
    return set_text(marker_type_, type, 20, "MARKER TYPE");
}

eRNX ObsDocument::SetOutputPath(const char* folder) {
    if (const eRNX e = header_only("SetOutputPath"); e != eRNX_S_OK) return e;
    folder_ = folder ? folder : "";
    return eRNX_S_OK;
}

eRNX ObsDocument::GetOutputPath(std::string& path) {
    path = state_ == State::kWritten ? final_path_ : folder_;
    return eRNX_S_OK;
}

eRNX ObsDocument::SetInterval(double seconds) {
    if (const eRNX e = header_only("SetInterval"); e != eRNX_S_OK) return e;
    if (!(seconds > 0) || seconds >= 1e6) return note(eRNX_W_DATA_INVALID, "interval out of range");
    interval_ = seconds;
    return eRNX_S_OK;
}

eRNX ObsDocument::SetTimeOfLastObs(const RNX_TIME& time) {
    if (const eRNX e = header_only("SetTimeOfLastObs"); e != eRNX_S_OK) return e;
    if (!valid_time(time)) return note(eRNX_W_DATA_INVALID, "TIME OF LAST OBS is not a valid time");
    last_obs_ = time;
    return eRNX_S_OK;
}

eRNX ObsDocument::SetTimeOfFirstObs(const RNX_TIME& time) {
    if (const eRNX e = header_only("SetTimeOfFirstObs"); e != eRNX_S_OK) return e;
    if (!valid_time(time))
        return note(eRNX_W_DATA_INVALID, "TIME OF FIRST OBS is not a valid time");
    first_obs_ = time;
    return eRNX_S_OK;
}

eRNX ObsDocument::SetAntennaDelta(double h, double e, double n) {
    if (const eRNX r = header_only("SetAntennaDelta"); r != eRNX_S_OK) return r;
    delta_hen_ = std::array<double, 3>{h, e, n};
    return eRNX_S_OK;
}

eRNX ObsDocument::SetAntennaDeltaXYZ(const RNX_COORD& delta) {
    if (const eRNX r = header_only("SetAntennaDeltaXYZ"); r != eRNX_S_OK) return r;
    if (delta.type != 1) return note(eRNX_W_DATA_INVALID, "ANTENNA: DELTA X/Y/Z needs type 1");
    delta_xyz_ = delta;
    return eRNX_S_OK;
}

eRNX ObsDocument::SetClockOffsetApplied(int32_t applied) {
    if (const eRNX r = header_only("SetClockOffsetApplied"); r != eRNX_S_OK) return r;
    if (applied != 0 && applied != 1)
        return note(eRNX_W_DATA_INVALID, "RCV CLOCK OFFS APPL is 0 or 1");
    clock_applied_ = applied;
    return eRNX_S_OK;
}

eRNX ObsDocument::SetMonumentReceiver(uint32_t monument, uint32_t receiver) {
    if (const eRNX r = header_only("SetMonumentReceiver"); r != eRNX_S_OK) return r;
    if (monument > 9 || receiver > 9)
        return note(eRNX_W_DATA_INVALID, "monument and receiver are one digit each");
    monument_ = monument;
    receiver_digit_ = receiver;
    return eRNX_S_OK;
}

eRNX ObsDocument::SetDataSource(char source) {
    if (const eRNX r = header_only("SetDataSource"); r != eRNX_S_OK) return r;
    if (source != 'R' && source != 'S' && source != 'U')
        return note(eRNX_W_DATA_INVALID, "the data source is R, S or U");
    source_ = source;
    return eRNX_S_OK;
}

eRNX ObsDocument::SetLongFileName(bool long_name) {
    if (const eRNX r = header_only("SetLongFileName"); r != eRNX_S_OK) return r;
    long_name_ = long_name;
    return eRNX_S_OK;
}

eRNX ObsDocument::SetObserverAgency(const char* observer, const char* agency) {
    const eRNX r1 = set_text(observer_, observer, 20, "OBSERVER");
    if (r1 >= eRNX_E_FILE_NOT_FOUND && r1 < eRNX_W_HEADER_LABEL_UNKNOWN) return r1;
    const eRNX r2 = set_text(agency_, agency, 40, "AGENCY");
    return r1 != eRNX_S_OK ? r1 : r2;
}

eRNX ObsDocument::SetReceiver(const char* number, const char* type, const char* version) {
    const eRNX r1 = set_text(receiver_number_, number, 20, "REC #");
    if (r1 >= eRNX_E_FILE_NOT_FOUND && r1 < eRNX_W_HEADER_LABEL_UNKNOWN) return r1;
    const eRNX r2 = set_text(receiver_type_, type, 20, "REC TYPE");
    const eRNX r3 = set_text(receiver_version_, version, 20, "REC VERS");
    return r1 != eRNX_S_OK ? r1 : r2 != eRNX_S_OK ? r2 : r3;
}

eRNX ObsDocument::SetAntenna(const char* number, const char* type) {
    const eRNX r1 = set_text(antenna_number_, number, 20, "ANT #");
    if (r1 >= eRNX_E_FILE_NOT_FOUND && r1 < eRNX_W_HEADER_LABEL_UNKNOWN) return r1;
    const eRNX r2 = set_text(antenna_type_, type, 20, "ANT TYPE");
    return r1 != eRNX_S_OK ? r1 : r2;
}

eRNX ObsDocument::SetDoi(const char* doi) {
    return set_text(doi_, doi, 60, "DOI");
}
eRNX ObsDocument::SetLicense(const char* license) {
    return set_text(license_, license, 60, "LICENSE OF USE");
}
eRNX ObsDocument::SetStationInformation(const char* information) {
    return set_text(station_information_, information, 60, "STATION INFORMATION");
}

eRNX ObsDocument::SetSignalStrengthUnit(uint32_t unit, const char* text) {
    if (const eRNX r = header_only("SetSignalStrengthUnit"); r != eRNX_S_OK) return r;
    if (unit == RNX_STRENGTH_UNIT_NONE) {
        strength_unit_.clear();
        return eRNX_S_OK;
    }
    if (unit == RNX_STRENGTH_UNIT_DBHZ) {
        strength_unit_ = "DBHZ";
        return eRNX_S_OK;
    }
    if (unit == RNX_STRENGTH_UNIT_TEXT)
        return set_text(strength_unit_, text, 20, "SIGNAL STRENGTH UNIT");
    return note(eRNX_W_DATA_INVALID,
                "signal strength unit " + std::to_string(unit) + " is not known");
}

eRNX ObsDocument::SetHeaderFlag(bool time_of_last_obs) {
    if (const eRNX r = header_only("SetHeaderFlag"); r != eRNX_S_OK) return r;
    time_of_last_obs_ = time_of_last_obs;
    return eRNX_S_OK;
}

eRNX ObsDocument::SetLeapSeconds(int32_t current, int32_t future, int32_t week, int32_t day) {
    if (const eRNX r = header_only("SetLeapSeconds"); r != eRNX_S_OK) return r;
    const auto fits = [](int32_t v) { return v > -100000 && v < 1000000; };
    if (!fits(current) || !fits(future) || !fits(week) || !fits(day))
        return note(eRNX_W_DATA_INVALID, "LEAP SECONDS values do not fit their fields");
    leap_ = std::array<int32_t, 4>{current, future, week, day};
    return eRNX_S_OK;
}

eRNX ObsDocument::SetGlonassSlots(const std::vector<RNX_GLONASS_SLOT>& slots) {
    if (const eRNX r = header_only("SetGlonassSlots"); r != eRNX_S_OK) return r;
    for (const RNX_GLONASS_SLOT& s : slots)
        if (s.slot < 1 || s.slot > 99 || s.frequency < -9 || s.frequency > 99)
            return note(eRNX_W_DATA_INVALID, "GLONASS slot " + std::to_string(s.slot) +
                                                 " or its frequency number is out of range");
    slots_ = slots;
    return eRNX_S_OK;
}

eRNX ObsDocument::SetGlonassCodePhaseBias(const std::vector<RNX_GLONASS_BIAS>& biases) {
    if (const eRNX r = header_only("SetGlonassCodePhaseBias"); r != eRNX_S_OK) return r;
    char text[3];
    for (const RNX_GLONASS_BIAS& b : biases)
        if (!code_text(b.code, text) || !(std::fabs(b.bias) < 9999.9995))
            return note(eRNX_W_DATA_INVALID, "a GLONASS code-phase bias is not valid");
    biases_ = biases;
    return eRNX_S_OK;
}

eRNX ObsDocument::SetPhaseShift(eSATSYS system, char letter, const RNX_OBS_CODE& code,
                                double cycles) {
    if (const eRNX r = header_only("SetPhaseShift"); r != eRNX_S_OK) return r;
    const char l = resolve_letter(system, letter);
    char text[3];
    if (l == 0 || !code_text(code, text) || !(std::fabs(cycles) < 99.999995))
        return note(eRNX_W_DATA_INVALID,
                    "a phase shift needs a system, a code and cycles below 100");
    std::string line;
    line += l;
    line += ' ';
    line.append(text, 3);
    line += ' ';
    line += fixed(cycles, 8, 5);
    add_line(phase_shifts_.emplace_back(), line, "SYS / PHASE SHIFT");
    phase_shifts_.back().pop_back();  // added again when the header is written
    return eRNX_S_OK;
}

eRNX ObsDocument::AddHeaderRecord(const char* label, const char* content) {
    if (const eRNX r = header_only("AddHeaderRecord"); r != eRNX_S_OK) return r;
    const std::string l = clean(label);
    const std::string c = clean(content);
    if (l.empty() || l.size() > 20 || c.size() > 60)
        return note(eRNX_W_DATA_INVALID,
                    "a header record has a label of 1-20 characters and "
                    "up to 60 characters before it");
    if (l == "END OF HEADER" || l == "RINEX VERSION / TYPE")
        return note(eRNX_W_DATA_INVALID, "\"" + l + "\" is written by the document itself");
    std::string line;
    add_line(line, c, l);
    line.pop_back();
    extra_records_.push_back(std::move(line));
    return eRNX_S_OK;
}

eRNX ObsDocument::SetObsTypes(eSATSYS system, char letter, const std::vector<RNX_OBS_CODE>& codes) {
    if (const eRNX r = header_only("SetObsTypes"); r != eRNX_S_OK) return r;
    const char l = resolve_letter(system, letter);
    if (l == 0) return note(eRNX_W_HEADER_DATA_UNKNOWN, "SetObsTypes: no known system letter");
    SystemTypes types{};
    types.letter = l;
    types.column.fill(-1);
    char text[3];
    for (const RNX_OBS_CODE& c : codes) {
        if (!code_text(c, text))
            return note(eRNX_W_HEADER_DATA_UNKNOWN,
                        std::string("SetObsTypes: a code of system ") + l + " is not valid");
        if (types.column[code_slot(c)] >= 0)
            return note(eRNX_W_HEADER_DATA_UNKNOWN, std::string("SetObsTypes: ") + l + " " +
                                                        std::string(text, 3) + " is given twice");
        types.column[code_slot(c)] = static_cast<int16_t>(types.codes.size());
        types.codes.push_back(c);
    }
    types.columns = static_cast<int>(types.codes.size());
    const int8_t at = system_index_[static_cast<unsigned char>(l)];
    if (at > 0) {
        systems_[static_cast<size_t>(at - 1)] = std::move(types);
    } else {
        systems_.push_back(std::move(types));
        system_index_[static_cast<unsigned char>(l)] = static_cast<int8_t>(systems_.size());
    }
    return eRNX_S_OK;
}

eRNX ObsDocument::GetObsTypes(eSATSYS system, char letter, std::vector<RNX_OBS_CODE>& codes) {
    codes.clear();
    const char l = resolve_letter(system, letter);
    if (l == 0) return eRNX_S_OK;
    const int8_t at = system_index_[static_cast<unsigned char>(l)];
    if (at > 0) codes = systems_[static_cast<size_t>(at - 1)].codes;
    return eRNX_S_OK;
}

// ---- Event operations ----

eRNX ObsDocument::SetEventFlag(eEPOCHFLAG flag) {
    if (state_ == State::kWritten || state_ == State::kFailed)
        return note(eRNX_E_DOM_NOT_ENABLED, "SetEventFlag: the document is closed");
    if (flag == eEPOCHFLAG_NONE || flag == eEPOCHFLAG_OK) {
        event_.flag = eEPOCHFLAG_NONE;
        return eRNX_S_OK;
    }
    if (flag != eEPOCHFLAG_START_MOVING && flag != eEPOCHFLAG_NEW_SITE)
        return note(eRNX_W_DATA_INVALID, "SetEventFlag takes start moving (3) or new site (4)");
    event_.flag = flag;
    return eRNX_S_OK;
}

eRNX ObsDocument::AddComment(const char* comment) {
    if (state_ == State::kWritten || state_ == State::kFailed)
        return note(eRNX_E_DOM_NOT_ENABLED, "AddComment: the document is closed");
    std::string c = clean(comment);
    eRNX r = eRNX_S_OK;
    if (c.size() > 60) {
        c.resize(60);
        r = note(eRNX_W_DATA_INVALID, "COMMENT cut to 60 characters");
    }
    if (state_ == State::kOpen) {
        comments_.push_back(std::move(c));
    } else {
        add_line(event_.lines.emplace_back(), c, "COMMENT");
    }
    return r;
}

eRNX ObsDocument::SetEventMarkerName(const char* name) {
    if (state_ == State::kWritten || state_ == State::kFailed)
        return note(eRNX_E_DOM_NOT_ENABLED, "SetEventMarkerName: the document is closed");
    add_line(event_.lines.emplace_back(), clean(name), "MARKER NAME");
    event_.marker = true;
    return eRNX_S_OK;
}

eRNX ObsDocument::SetEventMarkerNumber(const char* number) {
    if (state_ == State::kWritten || state_ == State::kFailed)
        return note(eRNX_E_DOM_NOT_ENABLED, "SetEventMarkerNumber: the document is closed");
    add_line(event_.lines.emplace_back(), clean(number).substr(0, 20), "MARKER NUMBER");
    event_.marker = true;
    return eRNX_S_OK;
}

eRNX ObsDocument::SetEventAntennaDelta(double h, double e, double n) {
    if (state_ == State::kWritten || state_ == State::kFailed)
        return note(eRNX_E_DOM_NOT_ENABLED, "SetEventAntennaDelta: the document is closed");
    add_line(event_.lines.emplace_back(), fixed(h, 14, 4) + fixed(e, 14, 4) + fixed(n, 14, 4),
             "ANTENNA: DELTA H/E/N");
    return eRNX_S_OK;
}

eRNX ObsDocument::SetEventMarkerType(const RNX_MARKER_TYPE& marker) {
    if (state_ == State::kWritten || state_ == State::kFailed)
        return note(eRNX_E_DOM_NOT_ENABLED, "SetEventMarkerType: the document is closed");
    const uint32_t known =
        RNX_MARKER_GEODETIC | RNX_MARKER_NON_GEODETIC | RNX_MARKER_NUMBER | RNX_MARKER_TYPE_TEXT;
    if (marker.items == 0 || (marker.items & ~known) != 0)
        return note(eRNX_W_DATA_INVALID, "SetEventMarkerType: unknown items");
    if (marker.items & RNX_MARKER_NUMBER)
        add_line(event_.lines.emplace_back(), std::to_string(marker.number), "MARKER NUMBER");
    if (!v2()) {
        std::string type;
        if (marker.items & RNX_MARKER_GEODETIC) type = "GEODETIC";
        if (marker.items & RNX_MARKER_NON_GEODETIC) type = "NON_GEODETIC";
        if (marker.items & RNX_MARKER_TYPE_TEXT)
            type =
                clean(std::string(marker.type, strnlen(marker.type, sizeof marker.type)).c_str());
        if (!type.empty()) add_line(event_.lines.emplace_back(), type.substr(0, 20), "MARKER TYPE");
    }
    event_.marker = true;
    return eRNX_S_OK;
}

eRNX ObsDocument::SetApproxPosition(const RNX_COORD& position) {
    if (state_ == State::kWritten || state_ == State::kFailed)
        return note(eRNX_E_DOM_NOT_ENABLED, "SetApproxPosition: the document is closed");
    if (position.type != 1)
        return note(eRNX_W_DATA_INVALID, "APPROX POSITION XYZ needs type 1 (cartesian)");
    if (state_ == State::kOpen) {
        position_ = position;
    } else {
        add_line(event_.lines.emplace_back(),
                 fixed(position.x, 14, 4) + fixed(position.y, 14, 4) + fixed(position.z, 14, 4),
                 "APPROX POSITION XYZ");
    }
    return eRNX_S_OK;
}

eRNX ObsDocument::GetLastEpochTime(RNX_TIME& time) {
    time = have_epoch_ ? last_epoch_ : RNX_TIME{};
    return eRNX_S_OK;
}

eRNX ObsDocument::GetEpochCount(uint64_t& epochs) {
    epochs = epochs_;
    return eRNX_S_OK;
}

}  // namespace rnx

// ---- Header text ----

namespace rnx {

char ObsDocument::file_system() const {
    if (systems_.size() == 1) return systems_[0].letter;
    return 'M';
}

std::string ObsDocument::version_line() const {
    std::string c = fixed(version_ / 100.0, 9, 2);
    c += std::string(11, ' ');
    c += field("OBSERVATION DATA", 20);
    c += file_system();
    std::string out;
    add_line(out, c, "RINEX VERSION / TYPE");
    return out;
}

// Version 2: the union of the systems' types in the fixed order; within a system the first
// code that maps onto a version 2 type takes its column, later ones (L1C and L1W both L1) are
// left out. Version 3 and 4: each code its own column in the order given.
void ObsDocument::build_tables() {
    if (!v2()) return;
    std::vector<bool> used(std::size(kV2Order), false);
    for (const SystemTypes& s : systems_)
        for (const RNX_OBS_CODE& c : s.codes) {
            const std::string t = v2_code(c);
            for (size_t i = 0; i < std::size(kV2Order); ++i)
                if (t == kV2Order[i]) used[i] = true;
        }
    v2_types_.clear();
    for (size_t i = 0; i < std::size(kV2Order); ++i)
        if (used[i]) v2_types_.push_back(kV2Order[i]);
    for (SystemTypes& s : systems_) {
        s.column.fill(-1);
        std::vector<bool> taken(v2_types_.size(), false);
        for (const RNX_OBS_CODE& c : s.codes) {
            const std::string t = v2_code(c);
            for (size_t i = 0; i < v2_types_.size(); ++i)
                if (t == v2_types_[i] && !taken[i]) {
                    taken[i] = true;
                    s.column[code_slot(c)] = static_cast<int16_t>(i);
                }
        }
        s.columns = static_cast<int>(v2_types_.size());
    }
}

std::string ObsDocument::header_text() {
    std::string h = version_line();
    std::string date = date_;
    if (date.empty()) {
        const std::time_t now = std::time(nullptr);
        std::tm utc{};
        gmtime_r(&now, &utc);
        char buf[32];
        std::strftime(buf, sizeof buf, "%Y%m%d %H%M%S UTC", &utc);
        date = buf;
    }
    add_line(h, field(program_, 20) + field(run_by_, 20) + field(date, 20), "PGM / RUN BY / DATE");
    for (const std::string& c : comments_) add_line(h, c, "COMMENT");
    add_line(h, marker_name_, "MARKER NAME");
    if (!marker_number_.empty()) add_line(h, marker_number_, "MARKER NUMBER");
    // Optional for geodetic and non-geodetic markers: written only when the caller knows it.
    if (!v2() && !marker_type_.empty()) add_line(h, marker_type_, "MARKER TYPE");
    add_line(h, field(observer_, 20) + agency_, "OBSERVER / AGENCY");
    add_line(h, field(receiver_number_, 20) + field(receiver_type_, 20) + receiver_version_,
             "REC # / TYPE / VERS");
    add_line(h, field(antenna_number_, 20) + antenna_type_, "ANT # / TYPE");
    const RNX_COORD p = position_.value_or(RNX_COORD{1, 0.0, 0.0, 0.0});
    add_line(h, fixed(p.x, 14, 4) + fixed(p.y, 14, 4) + fixed(p.z, 14, 4), "APPROX POSITION XYZ");
    const std::array<double, 3> d = delta_hen_.value_or(std::array<double, 3>{0.0, 0.0, 0.0});
    add_line(h, fixed(d[0], 14, 4) + fixed(d[1], 14, 4) + fixed(d[2], 14, 4),
             "ANTENNA: DELTA H/E/N");
    if (delta_xyz_ && !v2())
        add_line(
            h,
            fixed(delta_xyz_->x, 14, 4) + fixed(delta_xyz_->y, 14, 4) + fixed(delta_xyz_->z, 14, 4),
            "ANTENNA: DELTA X/Y/Z");
    if (v2()) {
        add_line(h, "     1     1", "WAVELENGTH FACT L1/2");
        std::string line = integer(static_cast<int64_t>(v2_types_.size()), 6);
        for (size_t i = 0; i < v2_types_.size(); ++i) {
            if (i > 0 && i % 9 == 0) {
                add_line(h, line, "# / TYPES OF OBSERV");
                line = std::string(6, ' ');
            }
            line += "    " + v2_types_[i];
        }
        add_line(h, line, "# / TYPES OF OBSERV");
    } else {
        for (const SystemTypes& s : systems_) {
            std::string line(1, s.letter);
            line += "  " + integer(static_cast<int64_t>(s.codes.size()), 3);
            char text[3];
            for (size_t i = 0; i < s.codes.size(); ++i) {
                if (i > 0 && i % 13 == 0) {
                    add_line(h, line, "SYS / # / OBS TYPES");
                    line = std::string(6, ' ');
                }
                code_text(s.codes[i], text);
                line += ' ';
                line.append(text, 3);
            }
            add_line(h, line, "SYS / # / OBS TYPES");
        }
        if (!strength_unit_.empty()) add_line(h, strength_unit_, "SIGNAL STRENGTH UNIT");
    }
    if (interval_) add_line(h, fixed(*interval_, 10, 3), "INTERVAL");
    const char letter = file_system();
    const auto time_line = [&](const RNX_TIME& t, const char* label) {
        const RNX_TIME c = carried(t, 7);
        const char* system = time_system_text(c.timeSystem);
        if (!system) system = letter == 'M' ? "GPS" : time_system_text(default_time_system(letter));
        add_line(h,
                 integer(c.year, 6) + integer(c.month, 6) + integer(c.day, 6) + integer(c.hour, 6) +
                     integer(c.minute, 6) + fixed(c.seconds, 13, 7) + "     " + system,
                 label);
    };
    RNX_TIME first = first_obs_.value_or(first_epoch_);
    if (first.year == 0) {
        // No epoch and no time given: the header still needs one; today's date stands in.
        const std::time_t now = std::time(nullptr);
        std::tm utc{};
        gmtime_r(&now, &utc);
        first = RNX_TIME{eTIMESYS_NONE,
                         static_cast<uint16_t>(utc.tm_year + 1900),
                         static_cast<uint8_t>(utc.tm_mon + 1),
                         static_cast<uint8_t>(utc.tm_mday),
                         0,
                         0,
                         0.0};
    }
    time_line(first, "TIME OF FIRST OBS");
    if (time_of_last_obs_) {
        last_obs_offset_ = static_cast<int64_t>(file_offset_ + h.size());
        // Replaced in place by TIME OF LAST OBS when the file is written: as long as it.
        add_line(h, "", "COMMENT         ");
    } else if (last_obs_) {
        time_line(*last_obs_, "TIME OF LAST OBS");
    }
    if (clock_applied_) add_line(h, integer(*clock_applied_, 6), "RCV CLOCK OFFS APPL");
    if (!v2()) {
        for (const std::string& s : phase_shifts_) h += s + '\n';
        if (!slots_.empty()) {
            std::string line = integer(static_cast<int64_t>(slots_.size()), 3) + ' ';
            for (size_t i = 0; i < slots_.size(); ++i) {
                if (i > 0 && i % 8 == 0) {
                    add_line(h, line, "GLONASS SLOT / FRQ #");
                    line = std::string(4, ' ');
                }
                line += 'R' + integer(slots_[i].slot, 2, 2) + ' ' +
                        integer(slots_[i].frequency, 2) + ' ';
            }
            add_line(h, line, "GLONASS SLOT / FRQ #");
        }
        if (!biases_.empty()) {
            std::string line;
            char text[3];
            for (size_t i = 0; i < biases_.size(); ++i) {
                if (i > 0 && i % 4 == 0) {
                    add_line(h, line, "GLONASS COD/PHS/BIS");
                    line.clear();
                }
                code_text(biases_[i].code, text);
                line += ' ';
                line.append(text, 3);
                line += ' ' + fixed(biases_[i].bias, 8, 3);
            }
            add_line(h, line, "GLONASS COD/PHS/BIS");
        }
    }
    if (leap_) {
        const auto& l = *leap_;
        std::string line = integer(l[0], 6);
        if (!v2() && (l[1] != 0 || l[2] != 0 || l[3] != 0))
            line += integer(l[1], 6) + integer(l[2], 6) + integer(l[3], 6);
        add_line(h, line, "LEAP SECONDS");
    }
    if (version_ >= 400) {
        if (!doi_.empty()) add_line(h, doi_, "DOI");
        if (!license_.empty()) add_line(h, license_, "LICENSE OF USE");
        if (!station_information_.empty()) add_line(h, station_information_, "STATION INFORMATION");
    }
    for (const std::string& r : extra_records_) h += r + '\n';
    add_line(h, "", "END OF HEADER");
    return h;
}

// ---- Epochs ----

// "> YYYY MM DD HH MM SS.SSSSSSS  F NNN" (clock F15.12 after 6 blanks), or in version 2
// " YY MM DD HH MM SS.SSSSSSS  F NNN" with the satellites following (clock F12.9 at 69).
void ObsDocument::epoch_line(const RNX_TIME& time, int flag, int count, const double* clock) {
    const RNX_TIME t = carried(time, 7);
    char line[40];
    std::memset(line, ' ', sizeof line);
    if (!v2()) {
        line[0] = '>';
        format_int(line + 2, 4, t.year, 4);
        format_int(line + 7, 2, t.month, 2);
        format_int(line + 10, 2, t.day, 2);
        format_int(line + 13, 2, t.hour, 2);
        format_int(line + 16, 2, t.minute, 2);
        format_fixed(line + 18, 11, 7, t.seconds);
    } else {
        format_int(line + 1, 2, t.year % 100, 2);
        format_int(line + 4, 2, t.month);
        format_int(line + 7, 2, t.day);
        format_int(line + 10, 2, t.hour);
        format_int(line + 13, 2, t.minute);
        format_fixed(line + 15, 11, 7, t.seconds);
    }
    const size_t flag_at = v2() ? 28 : 31;
    line[flag_at] = static_cast<char>('0' + flag);
    format_int(line + flag_at + 1, 3, count);
    buffer_.append(line, flag_at + 4);
    if (clock && !v2()) {
        char c[21];
        std::memset(c, ' ', 6);
        if (format_fixed(c + 6, 15, 12, *clock)) buffer_.append(c, 21);
    }
}

void ObsDocument::event_lines(eEPOCHFLAG flag, const RNX_TIME* time) {
    const int rinex_flag = static_cast<int>(flag) - 1;
    if (time) {
        epoch_line(*time, rinex_flag, static_cast<int>(event_.lines.size()), nullptr);
    } else {
        buffer_ += v2() ? std::string(28, ' ') : std::string(31, ' ');
        if (!v2()) buffer_[buffer_.size() - 31] = '>';
        buffer_ += static_cast<char>('0' + rinex_flag);
        buffer_ += integer(static_cast<int64_t>(event_.lines.size()), 3);
    }
    buffer_ += '\n';
    for (const std::string& l : event_.lines) buffer_ += l;
    event_ = PendingEvent{};
}

void ObsDocument::satellites(const RNX_OBS_EPOCH& epoch, int flag) {
    // Which satellites are written: a known system with types and a valid number.
    written_scratch_.clear();
    for (uint32_t i = 0; i < epoch.satellites.size(); ++i) {
        const RNX_OBS_SAT& s = epoch.satellites[i];
        const char letter = s.system != eSATSYS_OTHER ? letter_of(s.system) : s.systemLetter;
        const unsigned number = letter == 'S' && s.number >= 100 ? s.number - 100u : s.number;
        const int8_t at = letter > 0 ? system_index_[static_cast<unsigned char>(letter)] : 0;
        if (at <= 0 || number < 1 || number > 99 || (v2() && !std::strchr("GRES", letter))) {
            status_.not_written += s.values.empty() ? 1 : s.values.size();
            continue;
        }
        written_scratch_.push_back(i);
    }
    const double* clock = epoch.hasClockOffset ? &epoch.clockOffset : nullptr;
    const int count = static_cast<int>(written_scratch_.size());
    const auto sat_id = [&](uint32_t i, char* out) {
        const RNX_OBS_SAT& s = epoch.satellites[i];
        const char letter = s.system != eSATSYS_OTHER ? letter_of(s.system) : s.systemLetter;
        out[0] = letter;
        format_int(out + 1, 2, letter == 'S' && s.number >= 100 ? s.number - 100 : s.number, 2);
    };
    epoch_line(epoch.time, flag, count, clock);
    if (v2()) {
        // Satellite ids: 12 on the epoch line, then continuation lines from column 33.
        for (int k = 0; k < count || k == 0; ++k) {
            if (k > 0 && k % 12 == 0) {
                if (k == 12 && clock) {
                    buffer_ += std::string(68 - 32 - 36, ' ');
                    char c[12];
                    if (format_fixed(c, 12, 9, *clock)) buffer_.append(c, 12);
                }
                buffer_ += '\n';
                buffer_ += std::string(32, ' ');
            }
            if (k >= count) break;
            char id[3];
            sat_id(written_scratch_[static_cast<size_t>(k)], id);
            buffer_.append(id, 3);
        }
        if (count <= 12 && clock) {
            buffer_ += std::string(static_cast<size_t>(68 - 32 - 3 * count), ' ');
            char c[12];
            if (format_fixed(c, 12, 9, *clock)) buffer_.append(c, 12);
        }
    }
    buffer_ += '\n';

    for (const uint32_t i : written_scratch_) {
        const RNX_OBS_SAT& s = epoch.satellites[i];
        const char letter = s.system != eSATSYS_OTHER ? letter_of(s.system) : s.systemLetter;
        const SystemTypes& types =
            systems_[static_cast<size_t>(system_index_[static_cast<unsigned char>(letter)] - 1)];
        slots_scratch_.assign(static_cast<size_t>(types.columns), nullptr);
        for (const RNX_OBS_VALUE& v : s.values) {
            const RNX_OBS_CODE& c = v.code;
            int col = -1;
            if (c.kind <= 4 && c.band <= 10 && c.attribute <= 17) col = types.column[code_slot(c)];
            if (col < 0 || slots_scratch_[static_cast<size_t>(col)]) {
                ++status_.not_written;
                continue;
            }
            slots_scratch_[static_cast<size_t>(col)] = &v;
        }
        const size_t start = buffer_.size();
        if (!v2()) {
            char id[3];
            sat_id(i, id);
            buffer_.append(id, 3);
        }
        for (int col = 0; col < types.columns; ++col) {
            if (v2() && col > 0 && col % 5 == 0) {
                while (buffer_.size() > start && buffer_.back() == ' ') buffer_.pop_back();
                buffer_ += '\n';
            }
            const size_t at = buffer_.size();
            buffer_.append(16, ' ');
            const RNX_OBS_VALUE* v = slots_scratch_[static_cast<size_t>(col)];
            if (!v) continue;
            char* p = buffer_.data() + at;
            if (!format_fixed(p, 14, 3, v->value)) {
                ++status_.not_written;
                continue;
            }
            if (v->lossOfLock >= 1 && v->lossOfLock <= 9)
                p[14] = static_cast<char>('0' + v->lossOfLock);
            if (v->signalStrength >= 1 && v->signalStrength <= 9)
                p[15] = static_cast<char>('0' + v->signalStrength);
        }
        while (!buffer_.empty() && buffer_.back() == ' ') buffer_.pop_back();
        buffer_ += '\n';
    }
}

eRNX ObsDocument::AddObsEpoch(const RNX_OBS_EPOCH& epoch) {
    if (state_ == State::kWritten || state_ == State::kFailed)
        return note(eRNX_E_DOM_NOT_ENABLED, "AddObsEpoch: the document is closed");
    if (!valid_time(epoch.time)) {
        ++status_.not_written;
        return note(eRNX_W_DATA_INVALID, "an epoch's time is not a valid date and time");
    }
    const double at = seconds_of(epoch.time);
    if (have_epoch_ && at < seconds_of(last_epoch_))
        return note(eRNX_W_DATA_INVALID,
                    "epochs are written in time order; an earlier one was refused");
    try {
        if (state_ == State::kOpen) {
            if (!have_epoch_) first_epoch_ = epoch.time;
            if (const eRNX e = begin(); e != eRNX_S_OK) return e;
            // Before the first epoch, a new site is the header's own; moving is an event.
            if (event_.flag == eEPOCHFLAG_NEW_SITE && event_.lines.empty()) event_ = PendingEvent{};
        }
        const bool event_epoch =
            epoch.flag >= eEPOCHFLAG_START_MOVING && epoch.flag <= eEPOCHFLAG_EXTERNAL_EVENT;
        if (event_epoch) {
            event_lines(epoch.flag, &epoch.time);
        } else {
            if (!event_.empty()) {
                const eEPOCHFLAG f = event_.flag != eEPOCHFLAG_NONE ? event_.flag
                                     : event_.marker                ? eEPOCHFLAG_NEW_SITE
                                                                    : eEPOCHFLAG_HEADER_FOLLOWS;
                event_lines(f, &epoch.time);
            }
            const int flag = epoch.flag == eEPOCHFLAG_POWER_FAILURE ? 1
                             : epoch.flag == eEPOCHFLAG_CYCLE_SLIP  ? 6
                                                                    : 0;
            satellites(epoch, flag);
            ++epochs_;
            ++status_.epochs;
            if (have_epoch_) {
                const double step = at - seconds_of(last_epoch_);
                if (step > 0 && (smallest_step_ == 0 || step < smallest_step_))
                    smallest_step_ = step;
            }
            if (!have_epoch_) first_epoch_ = epoch.time;
            last_epoch_ = epoch.time;
            have_epoch_ = true;
        }
    } catch (const std::bad_alloc&) {
        return fail("out of memory");
    }
    return buffer_.size() >= (1u << 20) ? flush() : eRNX_S_OK;
}

// ---- The file ----

eRNX ObsDocument::fail(std::string text) {
    remove_temporary();
    state_ = State::kFailed;
    return note(eRNX_E_FILE_WRITE_ERROR, std::move(text));
}

void ObsDocument::remove_temporary() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temporary_path_.empty()) ::unlink(temporary_path_.c_str());
    temporary_path_.clear();
    buffer_.clear();
}

eRNX ObsDocument::begin() {
    if (folder_.empty()) return fail("no output folder was set (SetOutputPath)");
    if (::mkdir(folder_.c_str(), 0755) != 0 && errno != EEXIST)
        return fail(errno_text("cannot make the output folder " + folder_));
    std::string pattern = folder_;
    if (pattern.back() != '/') pattern += '/';
    pattern += "." + name_part(marker_name_, 4, 'X', true) + ".partial-XXXXXX";
    fd_ = ::mkstemp(pattern.data());  // O_EXCL: never someone else's file
    if (fd_ < 0) return fail(errno_text("cannot create a file in " + folder_));
    temporary_path_ = pattern;
    ::fchmod(fd_, 0644);
    build_tables();
    state_ = State::kStreaming;
    buffer_ = header_text();
    return flush();
}

eRNX ObsDocument::flush() {
    const char* p = buffer_.data();
    size_t left = buffer_.size();
    while (left > 0) {
        const ssize_t n = ::write(fd_, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return fail(errno_text("cannot write " + temporary_path_));
        p += n;
        left -= static_cast<size_t>(n);
        file_offset_ += static_cast<uint64_t>(n);
        status_.bytes += static_cast<uint64_t>(n);
    }
    buffer_.clear();
    return eRNX_S_OK;
}

eRNX ObsDocument::WriteDocument() {
    if (state_ == State::kWritten || state_ == State::kFailed)
        return note(eRNX_E_DOM_NOT_ENABLED, "WriteDocument: the document is closed");
    try {
        if (state_ == State::kOpen)
            if (const eRNX e = begin(); e != eRNX_S_OK) return e;
        // Event items after the last epoch still reach the file, as an event without a date.
        if (!event_.lines.empty()) {
            const eEPOCHFLAG f = event_.flag != eEPOCHFLAG_NONE ? event_.flag
                                 : event_.marker                ? eEPOCHFLAG_NEW_SITE
                                                                : eEPOCHFLAG_HEADER_FOLLOWS;
            event_lines(f, nullptr);
        }
    } catch (const std::bad_alloc&) {
        return fail("out of memory");
    }
    if (const eRNX e = flush(); e != eRNX_S_OK) return e;
    return finish();
}

eRNX ObsDocument::finish() {
    if (last_obs_offset_ >= 0) {
        std::string line;
        if (have_epoch_) {
            const RNX_TIME c = carried(last_epoch_, 7);
            const char* system = time_system_text(c.timeSystem);
            const char letter = file_system();
            if (!system)
                system = letter == 'M' ? "GPS" : time_system_text(default_time_system(letter));
            add_line(line,
                     integer(c.year, 6) + integer(c.month, 6) + integer(c.day, 6) +
                         integer(c.hour, 6) + integer(c.minute, 6) + fixed(c.seconds, 13, 7) +
                         "     " + system,
                     "TIME OF LAST OBS");
        } else {
            add_line(line, "", "COMMENT         ");
        }
        if (::pwrite(fd_, line.data(), line.size(), last_obs_offset_) !=
            static_cast<ssize_t>(line.size()))
            return fail(errno_text("cannot write " + temporary_path_));
    }
    if (::fsync(fd_) != 0) return fail(errno_text("cannot write " + temporary_path_));
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) return fail(errno_text("cannot write " + temporary_path_));

    const RNX_TIME start = have_epoch_ ? first_epoch_ : first_obs_.value_or(first_epoch_);
    const double rate = interval_.value_or(smallest_step_);
    const double period =
        have_epoch_ ? seconds_of(last_epoch_) - seconds_of(first_epoch_) + rate : 0;
    std::string dir = folder_;
    if (dir.back() != '/') dir += '/';
    const bool short_name_only = v2() || !long_name_;
    const std::string stem =
        short_name_only ? std::string()
                        : long_name_stem({marker_name_, monument_, receiver_digit_, country_,
                                          source_, start, period, rate, file_system()});
    // An existing file is never replaced: the next free name is taken, '1'-'9' as the short
    // name's sequence character, "-1" to "-99" before ".rnx" of a long name.
    const int tries = short_name_only ? 10 : 100;
    for (int k = 0; k < tries; ++k) {
        const std::string name =
            short_name_only ? short_name(marker_name_, start, static_cast<char>('0' + k))
                            : stem + (k == 0 ? std::string() : "-" + std::to_string(k)) + ".rnx";
        const std::string path = dir + name;
        if (::link(temporary_path_.c_str(), path.c_str()) == 0) {
            ::unlink(temporary_path_.c_str());
            temporary_path_.clear();
            final_path_ = path;
            state_ = State::kWritten;
            return eRNX_S_OK;
        }
        if (errno != EEXIST) return fail(errno_text("cannot name the file " + path));
    }
    return fail("the file names for this data in " + folder_ +
                " are all taken; nothing was replaced");
}

}  // namespace rnx
