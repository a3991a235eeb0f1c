#include "rinex/number_format.h"

#include <cmath>
#include <cstring>

namespace rnx {
namespace {

constexpr double kPow10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                             1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
constexpr uint64_t kPow10Int[] = {1ULL,
                                  10ULL,
                                  100ULL,
                                  1000ULL,
                                  10000ULL,
                                  100000ULL,
                                  1000000ULL,
                                  10000000ULL,
                                  100000000ULL,
                                  1000000000ULL,
                                  10000000000ULL,
                                  100000000000ULL,
                                  1000000000000ULL,
                                  10000000000000ULL,
                                  100000000000000ULL,
                                  1000000000000000ULL};

int digit_count(uint64_t v) {
    int n = 1;
    while (v >= 10) {
        v /= 10;
        ++n;
    }
    return n;
}

}  // namespace

bool format_fixed(char* out, int width, int decimals, double value) {
    if (!std::isfinite(value) || decimals < 0 || decimals > 15 || width <= 0) return false;
    const bool negative = std::signbit(value);
    const double magnitude = std::fabs(value);
    const double scale = kPow10[decimals];
    const double scaled = magnitude * scale;
    if (!(scaled < 4503599627370496.0)) return false;  // 2^52: beyond, halves are not exact
    const double floor_part = std::floor(scaled);
    // Exact below 2^52 (both terms are multiples of the product's last unit), and when not
    // zero larger than any error of the product, which is at most half a unit.
    const double from_half = (scaled - floor_part) - 0.5;
    auto units = static_cast<uint64_t>(floor_part);
    if (from_half > 0) {
        ++units;
    } else if (from_half == 0) {
        // The product landed on a half: its rounding error, exactly, tells which way the value
        // itself lies (a software fma on most machines, so only here).
        const double error = std::fma(magnitude, scale, -scaled);
        if (error > 0 || (error == 0 && (units & 1))) ++units;
    }

    // Observation values have three decimals: a constant divisor is a multiplication.
    const uint64_t divisor = kPow10Int[decimals];
    const uint64_t whole = decimals == 3 ? units / 1000 : units / divisor;
    uint64_t fraction = decimals == 3 ? units % 1000 : units % divisor;
    const int length = digit_count(whole) + (decimals > 0 ? decimals + 1 : 0) + (negative ? 1 : 0);
    if (length > width) return false;
    char* p = out + width;
    for (int i = 0; i < decimals; ++i) {
        *--p = static_cast<char>('0' + fraction % 10);
        fraction /= 10;
    }
    if (decimals > 0) *--p = '.';
    uint64_t w = whole;
    do {
        *--p = static_cast<char>('0' + w % 10);
        w /= 10;
    } while (w != 0);
    if (negative) *--p = '-';
    std::memset(out, ' ', static_cast<size_t>(p - out));
    return true;
}

bool format_int(char* out, int width, int64_t value, int min_digits) {
    if (width <= 0) return false;
    const bool negative = value < 0;
    uint64_t v = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    int digits = digit_count(v);
    if (digits < min_digits) digits = min_digits;
    if (digits + (negative ? 1 : 0) > width) return false;
    char* p = out + width;
    for (int i = 0; i < digits; ++i) {
        *--p = static_cast<char>('0' + v % 10);
        v /= 10;
    }
    if (negative) *--p = '-';
    std::memset(out, ' ', static_cast<size_t>(p - out));
    return true;
}

}  // namespace rnx
