#include "rinex/line_source.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rinex/fields.h"

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

TEST(Fields, NumbersParseWithoutLocaleInFortranAndPlainForms) {
    struct Case {
        const char* text;
        rnx::Parsed parsed;
        double value;
    };
    const Case cases[] = {
        {"  .513000000000D+03", rnx::Parsed::kOk, 513.0},
        {"-1.932676241267d-12", rnx::Parsed::kOk, -1.932676241267e-12},
        {"  +3.5E+00", rnx::Parsed::kOk, 3.5},
        {"-.5", rnx::Parsed::kOk, -0.5},
        {"      ", rnx::Parsed::kBlank, 0.0},
        {". 000000000000D+00", rnx::Parsed::kBad, 0.0},
        {"1.0,5", rnx::Parsed::kBad, 0.0},
        {"nan", rnx::Parsed::kBad, 0.0},
        {"inf", rnx::Parsed::kBad, 0.0},
        {"+-1", rnx::Parsed::kBad, 0.0},
        {"1e400", rnx::Parsed::kBad, 0.0},
    };
    for (const Case& c : cases) {
        double v = 99;
        EXPECT_EQ(rnx::parse_double(c.text, v), c.parsed) << c.text;
        EXPECT_DOUBLE_EQ(v, c.value) << c.text;
    }
    int32_t n = 0;
    EXPECT_EQ(rnx::parse_int(" +12", n), rnx::Parsed::kOk);
    EXPECT_EQ(n, 12);
    EXPECT_EQ(rnx::parse_int("1 2", n), rnx::Parsed::kBad);
    EXPECT_EQ(rnx::parse_int("99999999999", n), rnx::Parsed::kBad);
}

TEST(Fields, ColumnsOfShortLinesAndBoundedTextCopies) {
    EXPECT_EQ(rnx::column("abc", 1, 10), "bc");
    EXPECT_EQ(rnx::column("abc", 5, 2), "");
    char out[5];
    rnx::copy_text("  TRIMBLE NETR9  ", out, sizeof out);
    EXPECT_STREQ(out, "TRIM");
}
