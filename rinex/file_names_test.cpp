#include "rinex/file_names.h"

#include <gtest/gtest.h>

namespace {

RNX_TIME at(int y, int mo, int d, int h, int mi, double s) {
    return RNX_TIME{eTIMESYS_GPS,
                    static_cast<uint16_t>(y),
                    static_cast<uint8_t>(mo),
                    static_cast<uint8_t>(d),
                    static_cast<uint8_t>(h),
                    static_cast<uint8_t>(mi),
                    s};
}

TEST(FileNames, CalendarRoundTripsAndDayOfYear) {
    for (int64_t days = -800000; days < 800000; days += 997) {
        int64_t y = 0;
        unsigned m = 0, d = 0;
        rnx::civil_from_days(days, y, m, d);
        EXPECT_EQ(rnx::days_from_civil(y, m, d), days);
    }
    EXPECT_EQ(rnx::days_from_civil(1970, 1, 1), 0);
    EXPECT_EQ(rnx::day_of_year(at(2024, 12, 31, 0, 0, 0)), 366);
    EXPECT_EQ(rnx::day_of_year(at(2023, 3, 1, 0, 0, 0)), 60);
}

TEST(FileNames, PeriodAndRateCodes) {
    struct Case {
        double seconds;
        const char* period;
        const char* rate;
    } const table[] = {
        {0, "00U", "00U"},
        {-5, "00U", "00U"},
        {1, "01M", "01S"},
        {30, "01M", "30S"},
        {900, "15M", "15M"},
        {901, "16M", "15M"},
        {3600, "01H", "01H"},
        {86400, "01D", "01D"},
        {86400 + 30, "02D", "24H"},
        {0.1, "01M", "10Z"},
        {0.01, "01M", "01C"},
        {5400, "02H", "90M"},
        {365 * 86400.0, "01Y", "00U"},
        {150, "03M", "03M"},
        {7200 + 30, "03H", "02H"},
    };
    for (const Case& c : table) {
        EXPECT_EQ(rnx::period_code(c.seconds), c.period) << c.seconds;
        EXPECT_EQ(rnx::rate_code(c.seconds), c.rate) << c.seconds;
    }
}

TEST(FileNames, NamePartsHoldOnlyLettersAndDigits) {
    struct Case {
        const char* marker;
        const char* upper;
        const char* lower;
    } const table[] = {
        {"wtzr", "WTZR", "wtzr"},
        {"ab", "ABXX", "abxx"},
        {"../x", "XXXX", "xxxx"},
        {"../../etc/passwd", "ETCP", "etcp"},
        {"", "XXXX", "xxxx"},
        {"a b/c\\d", "ABCD", "abcd"},
        {"M\xC3\xBCnchen", "MNCH", "mnch"},
        {"_-_-", "XXXX", "xxxx"},
    };
    for (const Case& c : table) {
        EXPECT_EQ(rnx::name_part(c.marker, 4, 'X', true), c.upper) << c.marker;
        EXPECT_EQ(rnx::name_part(c.marker, 4, 'x', false), c.lower) << c.marker;
    }
}

TEST(FileNames, LongAndShortNames) {
    const RNX_TIME start = at(2024, 2, 29, 13, 45, 0);
    EXPECT_EQ(rnx::long_name_stem({"wtzr", 0, 0, "", 'R', start, 900, 30, 'M'}),
              "WTZR00XXX_R_20240601345_15M_30S_MO");
    EXPECT_EQ(rnx::long_name_stem({"../x", 1, 2, "deu", 'S', start, 86400, 1, 'G'}),
              "XXXX12DEU_S_20240601345_01D_01S_GO");
    EXPECT_EQ(rnx::short_name("Wtzr", start, '0'), "wtzr0600.24o");
    EXPECT_EQ(rnx::short_name("/", at(2009, 1, 5, 0, 0, 0), '3'), "xxxx0053.09o");
}

}  // namespace
