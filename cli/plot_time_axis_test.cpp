#include "plot_time_axis.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace vyr_cli {
namespace {

constexpr int64_t kDay = 59216;  // 2021-01-02
int64_t at(int hours, int minutes, int seconds = 0, int64_t day = kDay) {
    return day * kMsPerDay + ((hours * 60 + minutes) * 60 + seconds) * int64_t(1000);
}

std::vector<std::string> labels(const std::vector<TimeTick>& ticks) {
    std::vector<std::string> out;
    for (const TimeTick& tick : ticks) out.push_back(tick.label);
    return out;
}

TEST(TimeTicks, RoundStepsChosenFromTheSpan) {
    struct Case {
        const char* what;
        int64_t first, last;
        int most;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"six minutes: every minute",
         at(12, 0),
         at(12, 5, 30),
         10,
         {"12:00", "12:01", "12:02", "12:03", "12:04", "12:05"}},
        {"six minutes, room for three: two minutes",
         at(12, 0),
         at(12, 5, 30),
         3,
         {"12:00", "12:02", "12:04"}},
        {"a day: three hours",
         at(0, 0),
         at(23, 59, 30),
         10,
         {"00:00", "03:00", "06:00", "09:00", "12:00", "15:00", "18:00", "21:00"}},
        {"a minute: seconds shown",
         at(12, 0, 5),
         at(12, 0, 50),
         4,
         {"12:00:15", "12:00:30", "12:00:45"}},
        {"not starting on a round time",
         at(12, 7, 13),
         at(13, 2),
         4,
         {"12:15", "12:30", "12:45", "13:00"}},
        {"over midnight: the date at midnight",
         at(18, 0),
         at(6, 0, 0, kDay + 1),
         5,
         {"18:00", "21:00", "2021-01-03", "03:00", "06:00"}},
        {"a week: whole days",
         at(0, 0),
         at(0, 0, 0, kDay + 7),
         4,
         {"2021-01-02", "2021-01-04", "2021-01-06", "2021-01-08"}},
    };
    for (const Case& c : cases) {
        const std::vector<TimeTick> ticks = time_ticks(c.first, c.last, c.most);
        EXPECT_EQ(labels(ticks), c.expected) << c.what;
        EXPECT_LE(ticks.size(), size_t(c.most)) << c.what;
        for (const TimeTick& tick : ticks) {
            EXPECT_GE(tick.ms, c.first) << c.what;
            EXPECT_LE(tick.ms, c.last) << c.what;
        }
    }
}

TEST(TimeScale, MapsTheSpanOntoThePixelsAndWidensASingleEpoch) {
    const TimeScale day(at(0, 0), at(24, 0), 100, 960);
    EXPECT_DOUBLE_EQ(day.x(at(0, 0)), 100);
    EXPECT_DOUBLE_EQ(day.x(at(12, 0)), 580);
    EXPECT_DOUBLE_EQ(day.x(at(24, 0)), 1060);

    // One epoch alone sits in the middle of a minute, not on a zero-width span.
    const TimeScale lone(at(12, 0), at(12, 0), 0, 600);
    EXPECT_DOUBLE_EQ(lone.x(at(12, 0)), 300);
    EXPECT_EQ(lone.last() - lone.first(), 60000);
}

TEST(MillisecondsOf, RoundsTheFractionAndCarriesIntoTheDay) {
    EXPECT_EQ(milliseconds_of(uint32_t(kDay), 0.5), at(12, 0));
    EXPECT_EQ(milliseconds_of(double(kDay) + 0.5), at(12, 0));
    // 23:59:59.9996 rounds to the next midnight.
    EXPECT_EQ(milliseconds_of(uint32_t(kDay), 1.0 - 0.4 / 86400000.0), at(0, 0, 0, kDay + 1));
    EXPECT_EQ(iso_of(at(12, 5, 30)), "2021-01-02T12:05:30.000");
}

}  // namespace
}  // namespace vyr_cli
