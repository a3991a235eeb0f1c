#include "plot_tracks.h"

#include <vector>

#include <gtest/gtest.h>

namespace vyr_cli {
namespace {

struct Span {
    int64_t first, last;
    int key;
    size_t count;
    bool operator==(const Span&) const = default;
};

std::vector<Span> spans(const std::vector<Run>& runs) {
    std::vector<Span> out;
    for (const Run& r : runs) out.push_back({r.first, r.last, r.key, r.count});
    return out;
}

TEST(JoinRuns, JoinsEpochsUpToOneAndAHalfStepsApart) {
    struct Case {
        const char* what;
        std::vector<int64_t> times;
        std::vector<int> keys;
        std::vector<Span> expected;
    };
    const Case cases[] = {
        {"nothing", {}, {}, {}},
        {"one epoch", {30}, {}, {{30, 30, 0, 1}}},
        {"steady 30 s", {0, 30, 60, 90}, {}, {{0, 90, 0, 4}}},
        {"one missing epoch breaks", {0, 30, 90, 120}, {}, {{0, 30, 0, 2}, {90, 120, 0, 2}}},
        {"jitter under half a step joins", {0, 30, 74, 104}, {}, {{0, 104, 0, 4}}},
        {"a step of exactly 1.5 joins", {0, 45}, {}, {{0, 45, 0, 2}}},
        {"a key change splits without a gap",
         {0, 30, 60, 90},
         {1, 1, 2, 2},
         {{0, 30, 1, 2}, {60, 90, 2, 2}}},
        {"keys and gaps together",
         {0, 30, 120, 150},
         {3, 3, 3, 4},
         {{0, 30, 3, 2}, {120, 120, 3, 1}, {150, 150, 4, 1}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(spans(join_runs(c.times, largest_gap(30), c.keys)), c.expected) << c.what;
}

TEST(JoinRuns, WithoutAStepEveryEpochStandsAlone) {
    // A station of one epoch has no step; two epochs at the same time still join.
    EXPECT_EQ(spans(join_runs({5, 5, 9}, largest_gap(0))),
              (std::vector<Span>{{5, 5, 0, 2}, {9, 9, 0, 1}}));
}

}  // namespace
}  // namespace vyr_cli
