#include "rinex/fields.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace rnx {

std::string_view trim(std::string_view text) {
    size_t b = 0;
    size_t e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
    return text.substr(b, e - b);
}

namespace {

// Plain fixed-point numbers ("-1234.567"), the bulk of every observation file, without the
// general parser. Up to 15 digits the digits are exact as an integer in a double, and so is the
// power of ten; one division then rounds correctly and gives what from_chars gives. False sends
// everything else (exponents, more digits, stray characters) to the general parser.
bool parse_fixed_point(std::string_view field, double& value) {
    static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const char* at = field.data();
    const char* const end = at + field.size();
    const bool negative = *at == '-';
    if (*at == '-' || *at == '+') ++at;
    uint64_t digits = 0;
    int count = 0;
    int decimals = -1;  // -1 before the point
    for (; at != end; ++at) {
        const unsigned digit = static_cast<unsigned char>(*at) - unsigned{'0'};
        if (digit < 10) {
            digits = digits * 10 + digit;
            ++count;
            if (decimals >= 0) ++decimals;
        } else if (*at == '.' && decimals < 0) {
            decimals = 0;
        } else {
            return false;
        }
    }
    if (count == 0 || count > 15) return false;
    double magnitude = static_cast<double>(digits);
    if (decimals > 0) magnitude /= kPowersOfTen[decimals];
    value = negative ? -magnitude : magnitude;
    return true;
}

}  // namespace

Parsed parse_double(std::string_view field, double& value) {
    value = 0.0;
    field = trim(field);
    if (field.empty()) return Parsed::kBlank;
    if (parse_fixed_point(field, value)) return Parsed::kOk;
    // Numeric fields are at most a few dozen columns; anything longer is not a number.
    char buf[64];
    if (field.size() >= sizeof buf) return Parsed::kBad;
    size_t n = 0;
    for (char c : field) buf[n++] = (c == 'D' || c == 'd') ? 'E' : c;
    const char* first = buf;
    const char* last = buf + n;
    // from_chars takes no "+": skip one, but not before another sign.
    if (*first == '+') {
        ++first;
        if (first == last || *first == '+' || *first == '-') return Parsed::kBad;
    }
    const auto res = std::from_chars(first, last, value, std::chars_format::general);
    // "inf" and "nan" parse, but no RINEX field holds them.
    if (res.ec != std::errc() || res.ptr != last || !std::isfinite(value)) {
        value = 0.0;
        return Parsed::kBad;
    }
    return Parsed::kOk;
}

Parsed parse_int(std::string_view field, int32_t& value) {
    value = 0;
    field = trim(field);
    if (field.empty()) return Parsed::kBlank;
    const char* first = field.data();
    const char* last = first + field.size();
    // from_chars takes no "+": skip one, but not before another sign.
    if (*first == '+') {
        ++first;
        if (first == last || *first == '+' || *first == '-') return Parsed::kBad;
    }
    const auto res = std::from_chars(first, last, value);
    if (res.ec != std::errc() || res.ptr != last) {
        value = 0;
        return Parsed::kBad;
    }
    return Parsed::kOk;
}

size_t split_tokens(std::string_view text, std::string_view* out, size_t max) {
    size_t n = 0;
    size_t at = 0;
    while (n < max) {
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
        if (at >= text.size()) break;
        size_t end = at;
        while (end < text.size() && text[end] != ' ' && text[end] != '\t') ++end;
        out[n++] = text.substr(at, end - at);
        at = end;
    }
    return n;
}

void copy_text(std::string_view text, char* out, size_t capacity) {
    if (capacity == 0) return;
    text = trim(text);
    const size_t n = std::min(text.size(), capacity - 1);
    if (n > 0) std::memcpy(out, text.data(), n);  // an empty view may have no data at all
    out[n] = '\0';
}

}  // namespace rnx

#include "rinex/rnx_checks.h"
#include "rinex/rnx_types.h"

namespace rnx {

bool make_time(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute,
               double seconds, int32_t time_system, RNX_TIME& out) {
    if (year < 1900 || year > 9999 ||
        !RnxCalendarProblem(year, month, day, hour, minute, seconds).empty())
        return false;
    out.timeSystem = static_cast<eTIMESYS>(time_system);
    out.year = static_cast<uint16_t>(year);
    out.month = static_cast<uint8_t>(month);
    out.day = static_cast<uint8_t>(day);
    out.hour = static_cast<uint8_t>(hour);
    out.minute = static_cast<uint8_t>(minute);
    out.seconds = seconds;
    return true;
}

}  // namespace rnx
