// The ranges of time, satellite and channel fields at their edges.
#include "rinex/rnx_checks.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(RnxChecks, CalendarTimesAreRefusedWithTheFieldThatIsWrong) {
    const struct {
        int32_t year, month, day, hour, minute;
        double seconds;
        const char* problem;  // "" names a moment
    } cases[] = {
        {2020, 2, 29, 0, 0, 0.0, ""},
        {2000, 2, 29, 0, 0, 0.0, ""},            // divisible by 400
        {2018, 12, 31, 23, 59, 60.9999999, ""},  // a leap second
        {2019, 2, 29, 0, 0, 0.0, "February 2019 has 28 days"},
        {1900, 2, 29, 0, 0, 0.0, "February 1900 has 28 days"},  // a century
        {2018, 4, 31, 0, 0, 0.0, "April 2018 has 30 days"},
        {2018, 1, 0, 0, 0, 0.0, "January 2018 has 31 days"},
        {2018, 13, 1, 0, 0, 0.0, "there is no month 13"},
        {2018, 0, 1, 0, 0, 0.0, "there is no month 0"},
        {2018, 5, 13, 24, 0, 0.0, "there is no hour 24 in a day"},
        {2018, 5, 13, 0, 60, 0.0, "there is no minute 60 in an hour"},
        {2018, 5, 13, 0, 0, 61.0, "there is no second 61 in a minute"},
        {2018, 5, 13, 0, 0, -0.5, "there is no second -0.5 in a minute"},
        {2018, 5, 13, 0, 0, std::nan(""), "there is no second nan in a minute"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RnxCalendarProblem(c.year, c.month, c.day, c.hour, c.minute, c.seconds),
                  c.problem)
            << c.year << "-" << c.month << "-" << c.day << " " << c.hour << ":" << c.minute << ":"
            << c.seconds;
}

TEST(RnxChecks, GlonassChannelsAreMinus7ToPlus13AndUnsignedBytesAreReadAsSigned) {
    const struct {
        double value;
        bool valid;
        int32_t channel;
    } cases[] = {
        {-7.0, true, -7},         {6.0, true, 6},    {13.0, true, 13},  {253.0, true, -3},
        {249.0, true, -7},        {255.0, true, -1}, {-8.0, false, 0},  {14.0, false, 0},
        {99.0, false, 0},         {248.0, false, 0}, {256.0, false, 0}, {1e300, false, 0},
        {std::nan(""), false, 0},
    };
    for (const auto& c : cases) {
        int32_t channel = 0;
        EXPECT_EQ(RnxGlonassChannel(c.value, channel), c.valid) << c.value;
        EXPECT_EQ(channel, c.channel) << c.value;
    }
}
