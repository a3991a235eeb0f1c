#include "rinex/line_source.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> all_lines(const std::string& bytes, std::vector<bool>* cut = nullptr) {
    auto src = rnx::LineSource::from_memory(bytes);
    std::vector<std::string> out;
    std::string_view line;
    while (src->next(line)) {
        out.emplace_back(line);
        if (cut) cut->push_back(src->was_cut());
    }
    return out;
}

}  // namespace

TEST(LineSource, EndingsAndALastLineWithoutNewline) {
    EXPECT_EQ(all_lines("a\r\nbb\n\nccc"), (std::vector<std::string>{"a", "bb", "", "ccc"}));
    EXPECT_TRUE(all_lines("").empty());
}

TEST(LineSource, LinesAcrossRefillsComeWholeAndOverlongOnesAreCut) {
    // Lines of every length around the window size, so some straddle each refill.
    std::string bytes;
    std::vector<std::string> expected;
    for (size_t n = 0; bytes.size() < 700 * 1024; ++n) {
        std::string line(n * 37 % 5000, static_cast<char>('a' + n % 26));
        bytes += line + "\n";
        expected.push_back(line);
    }
    const std::string huge(rnx::LineSource::kMaxLine + 1000, 'x');
    bytes += huge + "\nafter\n";
    std::vector<bool> cut;
    const std::vector<std::string> lines = all_lines(bytes, &cut);
    ASSERT_EQ(lines.size(), expected.size() + 2);
    for (size_t i = 0; i < expected.size(); ++i) ASSERT_EQ(lines[i], expected[i]) << i;
    EXPECT_EQ(lines[expected.size()].size(), rnx::LineSource::kMaxLine);
    EXPECT_TRUE(cut[expected.size()]);
    EXPECT_EQ(lines.back(), "after");
}

TEST(LineSource, UnreadGivesTheSameLineAgainAndCountsItOnce) {
    auto src = rnx::LineSource::from_memory("one\ntwo\n");
    std::string_view line;
    ASSERT_TRUE(src->next(line));
    src->unread();
    ASSERT_TRUE(src->next(line));
    EXPECT_EQ(line, "one");
    EXPECT_EQ(src->line_number(), 1u);
    ASSERT_TRUE(src->next(line));
    EXPECT_EQ(line, "two");
}
