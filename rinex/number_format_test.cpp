#include "rinex/number_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

namespace {

std::string ours(double v, int width, int decimals) {
    std::string s(static_cast<size_t>(width), '#');
    if (!rnx::format_fixed(s.data(), width, decimals, v)) return "<none>";
    return s;
}

std::string printf_form(double v, int width, int decimals) {
    char buf[128];
    const int n = std::snprintf(buf, sizeof buf, "%*.*f", width, decimals, v);
    if (n > width) return "<none>";
    return buf;
}

TEST(FormatFixed, MatchesPrintfOnEdges) {
    const double table[] = {
        0.0,
        -0.0,
        1.0,
        -1.0,
        0.0005,
        -0.0005,
        0.0015,
        0.0025,
        1.0625,
        -1.0625,
        2.5e-4,
        1.0005,
        22345678.1235,
        -22345678.1235,
        0.1 + 0.2,
        123.4565,
        123.4575,
        0.9995,
        9.9995,
        -0.0004,
        -0.0006,
        9999999999.999,
        9999999999.9994,
        9999999999.9996,
        -999999999.999,
        -999999999.9994,
        -999999999.9996,
        1e10,
        -1e9,
        4503599627.3704995,
        12345.0004999999,
        20000000.0000005,
        0.4995,
        0.49950000000000006,
        125.0005,
        1234567.8885,
        std::nextafter(0.0005, 1.0),
        std::nextafter(0.0005, 0.0),
        3.0 / 7.0,
        -2.0 / 3.0,
    };
    for (const double v : table) {
        EXPECT_EQ(ours(v, 14, 3), printf_form(v, 14, 3)) << "value " << v;
        EXPECT_EQ(ours(v, 11, 7), printf_form(v, 11, 7)) << "value " << v;
        EXPECT_EQ(ours(v, 15, 12), printf_form(v, 15, 12)) << "value " << v;
    }
}

TEST(FormatFixed, MatchesPrintfOnRandomObservationValues) {
    std::mt19937_64 rng(20260101);
    std::uniform_real_distribution<double> wide(-2e9, 2e10);
    std::uniform_int_distribution<int64_t> millis(-999999999999, 9999999999999);
    for (int i = 0; i < 200000; ++i) {
        // Uniform values, and exact thousandths plus or minus a half (the rounding edges).
        const double a = wide(rng);
        const double b = static_cast<double>(millis(rng)) / 1000.0 + ((i & 1) ? 0.0005 : -0.0005);
        ASSERT_EQ(ours(a, 14, 3), printf_form(a, 14, 3)) << "value " << a;
        ASSERT_EQ(ours(b, 14, 3), printf_form(b, 14, 3)) << "value " << b;
    }
}

TEST(FormatFixed, RefusesWhatDoesNotFitAndLeavesTheFieldAlone) {
    const double table[] = {1e10,
                            -1e9,
                            99999999999.0,
                            std::numeric_limits<double>::quiet_NaN(),
                            std::numeric_limits<double>::infinity(),
                            -std::numeric_limits<double>::infinity(),
                            1e300};
    for (const double v : table) {
        char field[15] = "untouched_____";
        EXPECT_FALSE(rnx::format_fixed(field, 14, 3, v)) << v;
        EXPECT_STREQ(field, "untouched_____");
    }
}

TEST(FormatInt, WidthsAndLeadingZeros) {
    struct Case {
        int64_t value;
        int width;
        int digits;
        const char* expected;  // nullptr: does not fit
    } const table[] = {
        {5, 2, 2, "05"},        {5, 3, 1, "  5"},
        {-7, 3, 1, " -7"},      {2024, 4, 4, "2024"},
        {12345, 4, 1, nullptr}, {-100, 3, 1, nullptr},
        {0, 3, 3, "000"},       {INT64_MIN, 20, 1, "-9223372036854775808"},
    };
    for (const Case& c : table) {
        std::string s(static_cast<size_t>(c.width), '#');
        const bool ok = rnx::format_int(s.data(), c.width, c.value, c.digits);
        if (!c.expected) {
            EXPECT_FALSE(ok) << c.value;
            EXPECT_EQ(s, std::string(static_cast<size_t>(c.width), '#'));
        } else {
            EXPECT_TRUE(ok) << c.value;
            EXPECT_EQ(s, c.expected);
        }
    }
}

}  // namespace
