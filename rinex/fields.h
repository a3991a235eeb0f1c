// Fixed-column fields of a RINEX line: slices that tolerate short lines, and numbers parsed
// without the locale and without allocation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace rnx {

// Columns [first, first + width) of a line (0-based); shorter when the line ends earlier.
inline std::string_view column(std::string_view line, size_t first, size_t width) {
    if (first >= line.size()) return {};
    return line.substr(first, width);
}

std::string_view trim(std::string_view text);
inline bool is_blank(std::string_view text) {
    return trim(text).empty();
}

enum class Parsed { kBlank, kOk, kBad };

// A floating-point field: Fortran "D" exponents and a leading "+" accepted, blanks around it
// ignored. kBlank leaves value at 0.
Parsed parse_double(std::string_view field, double& value);
// An observation value, F14.3: the same answer as parse_double, with a quick path for the usual
// right-justified form (blanks, an optional minus, digits, the point, three digits), which is
// nearly every field of an observation file.
inline Parsed parse_observation_value(std::string_view field, double& value) {
    if (field.size() == 14 && field[10] == '.') {
        const unsigned d1 = static_cast<unsigned char>(field[11]) - unsigned{'0'};
        const unsigned d2 = static_cast<unsigned char>(field[12]) - unsigned{'0'};
        const unsigned d3 = static_cast<unsigned char>(field[13]) - unsigned{'0'};
        if (d1 < 10 && d2 < 10 && d3 < 10) {
            uint64_t whole = 0;
            uint64_t place = 1;
            int at = 9;
            for (; at >= 0; --at, place *= 10) {
                const unsigned digit = static_cast<unsigned char>(field[at]) - unsigned{'0'};
                if (digit >= 10) break;
                whole += digit * place;
            }
            const bool negative = at >= 0 && field[at] == '-';
            if (negative) --at;
            while (at >= 0 && field[at] == ' ') --at;
            if (at < 0) {
                // At most 13 digits: exact as an integer, so one division rounds correctly.
                const double magnitude =
                    static_cast<double>(whole * 1000 + d1 * 100 + d2 * 10 + d3) / 1000.0;
                value = negative ? -magnitude : magnitude;
                return Parsed::kOk;
            }
        }
    }
    return parse_double(field, value);
}

// An integer field; a blank field is kBlank with value 0.
Parsed parse_int(std::string_view field, int32_t& value);

// Splits text at blanks into at most max tokens; how many were found. Tokens beyond max are
// not counted: a caller that needs all of them passes a larger max than it expects.
size_t split_tokens(std::string_view text, std::string_view* out, size_t max);

// Copies trimmed text into a terminated buffer of size capacity, cutting what does not fit.
void copy_text(std::string_view text, char* out, size_t capacity);

// The RINEX label of a header line (columns 61-80, trimmed) and its content (columns 1-60).
inline std::string_view header_label(std::string_view line) {
    return trim(column(line, 60, 20));
}
inline std::string_view header_content(std::string_view line) {
    return column(line, 0, 60);
}

}  // namespace rnx

struct RNX_TIME;

namespace rnx {

// Fills a calendar time of the years 1900-9999 that names a moment (RnxCalendarProblem); false
// leaves out untouched.
bool make_time(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute,
               double seconds, int32_t time_system, RNX_TIME& out);

}  // namespace rnx
