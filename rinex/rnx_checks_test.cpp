// Edges of the time and channel fields that the importers' tables do not reach.
#include "rinex/rnx_checks.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(RnxChecks, CalendarEdges) {
    EXPECT_EQ(RnxCalendarProblem(2000, 2, 29, 0, 0, 0.0), "");  // divisible by 400
    EXPECT_EQ(RnxCalendarProblem(1900, 2, 29, 0, 0, 0.0), "February 1900 has 28 days");
    EXPECT_EQ(RnxCalendarProblem(2018, 4, 31, 0, 0, 0.0), "April 2018 has 30 days");
    EXPECT_EQ(RnxCalendarProblem(2018, 13, 1, 0, 0, 0.0), "there is no month 13");
    EXPECT_EQ(RnxCalendarProblem(2018, 5, 13, 0, 60, 0.0), "there is no minute 60 in an hour");
    EXPECT_EQ(RnxCalendarProblem(2018, 5, 13, 0, 0, std::nan("")),
              "there is no second nan in a minute");
}

TEST(RnxChecks, GlonassChannelsAreMinus7ToPlus13AndUnsignedBytesAreReadAsSigned) {
    const struct {
        double value;
        int32_t channel;  // 99: refused
    } cases[] = {{-7, -7}, {13, 13},  {249, -7}, {255, -1},   {-8, 99},
                 {14, 99}, {248, 99}, {256, 99}, {1e300, 99}, {std::nan(""), 99}};
    for (const auto& c : cases) {
        int32_t channel = 99;
        EXPECT_EQ(RnxGlonassChannel(c.value, channel), c.channel != 99) << c.value;
        EXPECT_EQ(channel, c.channel) << c.value;
    }
}
