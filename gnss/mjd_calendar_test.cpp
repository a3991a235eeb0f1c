#include <vyr/mjd_time.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>

// Packed fields are compared as values (+field): no reference may bind to a misaligned one.
namespace {

struct Calendar {
    int year, month, day, hour, minute;
    double seconds;
};

Calendar to_calendar(uint32_t mjd, double ms) {
    Calendar c{};
    MjdToCalendar(mjd, ms, c.year, c.month, c.day, c.hour, c.minute, c.seconds);
    return c;
}

// Year, month, day, hour, minute, seconds of either form, to compare in one assertion.
auto fields(const Calendar& c) {
    return std::make_tuple(c.year, c.month, c.day, c.hour, c.minute, c.seconds);
}
auto fields(const RNX_TIME& t) {
    return std::make_tuple(int{t.year}, int{t.month}, int{t.day}, int{t.hour}, int{t.minute},
                           double{t.seconds});
}

// Day 0 is 17 November 1858. Every day from then to 2132 goes to the calendar and back;
// consecutive days are consecutive dates, month ends and leap days (1900 and 2100 none, 2000 one)
// included.
TEST(MjdToCalendar, EveryDayRoundTripsAndFollowsTheCalendar) {
    const int daysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    Calendar previous = to_calendar(0, 0);
    ASSERT_EQ(fields(previous), std::make_tuple(1858, 11, 17, 0, 0, 0.0));
    for (uint32_t mjd = 0; mjd < 100000; ++mjd) {
        const Calendar c = to_calendar(mjd, 0);
        uint32_t back = 0;
        double ms = -1;
        CalendarToMjd(c.year, c.month, c.day, 0, 0, 0.0, back, ms);
        ASSERT_EQ(std::make_tuple(back, ms), std::make_tuple(mjd, 0.0));
        if (mjd == 0) continue;

        const bool leap =
            (previous.year % 4 == 0 && previous.year % 100 != 0) || previous.year % 400 == 0;
        const int lastDay = daysInMonth[previous.month - 1] + (previous.month == 2 && leap);
        if (previous.day < lastDay) {
            ASSERT_EQ(c.year, previous.year);
            ASSERT_EQ(c.month, previous.month);
            ASSERT_EQ(c.day, previous.day + 1);
        } else {
            ASSERT_EQ(c.day, 1) << mjd;
            ASSERT_EQ(c.month, previous.month == 12 ? 1 : previous.month + 1);
            ASSERT_EQ(c.year, previous.year + (previous.month == 12));
        }
        previous = c;
    }
}

TEST(CalendarConversions, TheTimeOfDayGoesToMillisecondsAndBack) {
    uint32_t mjd = 0;
    double ms = 0;
    CalendarToMjd(2023, 2, 25, 13, 7, 42.25, mjd, ms);
    EXPECT_EQ(mjd, 60000u);
    EXPECT_EQ(ms, (13 * 3600 + 7 * 60 + 42.25) * 1000.0);
    EXPECT_EQ(fields(to_calendar(mjd, ms)), std::make_tuple(2023, 2, 25, 13, 7, 42.25));
    const Calendar last = to_calendar(60000, 86399999.0);
    EXPECT_EQ(std::make_tuple(last.day, last.hour, last.minute), std::make_tuple(25, 23, 59));
    EXPECT_NEAR(last.seconds, 59.999, 1e-9);
    const RNX_TIME noon = Mjd2RnxTime(51544, 0.5, eTIMESYS_GPS);
    EXPECT_EQ(+noon.timeSystem, eTIMESYS_GPS);
    EXPECT_EQ(fields(noon), std::make_tuple(2000, 1, 1, 12, 0, 0.0));
}

// A time rounded to 10 ms that lands on midnight belongs to the next day at 00:00:00, never to
// "24:00:00" of the day before.
TEST(CalendarConversions, TimesRoundedUpToMidnightCarryIntoTheNextDay) {
    uint32_t mjd = 0;
    double ms = 0;
    CalendarToMjd(2023, 12, 31, 23, 59, 60.0, mjd, ms);
    EXPECT_EQ(mjd, 60310u);
    EXPECT_EQ(ms, 0.0);
    const auto newYear = std::make_tuple(2024, 1, 1, 0, 0, 0.0);
    EXPECT_EQ(fields(to_calendar(mjd, ms)), newYear);
    EXPECT_EQ(fields(to_calendar(60309, 86400000.0)), newYear);

    // 23:59:59.995 rounded to 10 ms.
    const double fraction = 86399995.0 / 86400000.0;
    const double rounded = std::round(fraction * 86400000.0 / 10.0) * 10.0;
    EXPECT_EQ(fields(Mjd2RnxTime(60309, rounded / 86400000.0, eTIMESYS_UTC)), newYear);
}

TEST(CalendarConversions, GarbageTimesGiveMidnightInsteadOfOverflowing) {
    const auto midnight = std::make_tuple(2000, 1, 1, 0, 0, 0.0);
    EXPECT_EQ(fields(to_calendar(51544, std::numeric_limits<double>::quiet_NaN())), midnight);
    EXPECT_EQ(fields(Mjd2RnxTime(51544, 1e300, eTIMESYS_GPS)), midnight);
}

TEST(CmpTimeMilliseconds, ResolutionsDecideWhatCountsAsTheSameTime) {
    struct Case {
        int resolution;
        double tooClose;  // b - a that still counts as equal
        double apart;     // b - a that makes a less
    };
    const Case cases[] = {
        {1, 1e-6, 2e-6},     {2, 0.001, 0.0011},    {3, 0.999, 1.0}, {4, 1000, 1000.5},
        {5, 60000, 60000.5}, {6, 3.6e6, 3.6e6 + 1}, {0, 0.0, 1e-9},
    };
    for (const Case& c : cases) {
        const mjd::CMP_TIME_MILLISECONDS less(c.resolution);
        const mjd::time a{60000, 1000.0};
        EXPECT_FALSE(less(a, {60000, 1000.0 + c.tooClose})) << c.resolution;
        EXPECT_FALSE(less({60000, 1000.0 + c.tooClose}, a)) << c.resolution;
        EXPECT_TRUE(less(a, {60000, 1000.0 + c.apart})) << c.resolution;
        EXPECT_FALSE(less({60000, 1000.0 + c.apart}, a)) << c.resolution;
        // The day decides first, whatever the milliseconds.
        EXPECT_TRUE(less({59999, 86399999.0}, {60000, 0.0})) << c.resolution;
    }
}

}  // namespace
