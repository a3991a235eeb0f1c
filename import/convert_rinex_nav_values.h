// Number handling shared by the navigation, orbit and ionosphere importers: reading numbers off
// a text line without locale dependence, and narrowing file values into record fields without
// undefined conversions (a hostile file may hold 1e300 or a NaN where a week is expected).
#pragma once

#include <charconv>
#include <cmath>
#include <limits>
#include <type_traits>

namespace vyr_import {

inline bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Reads up to count whitespace-separated values from text, as "%lf %lf ..." (double) or
// "%d %d ..." (int) would: a number may follow the previous one without a blank
// ("1.0E+00-2.0E+00"), and a decimal point ends a whole number like "%d" does. Returns how many
// were read; the first text that is no number ends the reading. *end, when given, points past
// the last.
template <class T>
int parse_values(const char* text, T* values, int count, const char** end = nullptr) {
    int read = 0;
    const char* p = text;
    while (read < count && p != nullptr) {
        while (is_blank(*p)) ++p;
        const char* start = *p == '+' ? p + 1 : p;
        const char* last = start;
        while (*last != '\0' && !is_blank(*last)) ++last;
        const auto [next, ec] = std::from_chars(start, last, values[read]);
        if (ec != std::errc() || next == start) break;
        p = next;
        ++read;
    }
    if (end != nullptr) *end = p;
    return read;
}

inline int parse_numbers(const char* text, double* values, int count, const char** end = nullptr) {
    return parse_values(text, values, count, end);
}

inline int parse_integers(const char* text, int* values, int count, const char** end = nullptr) {
    return parse_values(text, values, count, end);
}

// Truncates toward zero into T, clamped to T's range; a NaN gives 0.
template <class T>
T clamp_truncate(double value) {
    static_assert(std::is_integral_v<T>);
    if (std::isnan(value)) return 0;
    constexpr double lo = static_cast<double>(std::numeric_limits<T>::min());
    constexpr double hi = static_cast<double>(std::numeric_limits<T>::max());
    if (value <= lo) return std::numeric_limits<T>::min();
    if (value >= hi) return std::numeric_limits<T>::max();
    return static_cast<T>(value);
}

// The nearest whole number, halves away from zero (-3.5 gives -4), clamped into T.
template <class T>
T round_half_away(double value) {
    return clamp_truncate<T>(value < 0.0 ? value - 0.5 : value + 0.5);
}

}  // namespace vyr_import
