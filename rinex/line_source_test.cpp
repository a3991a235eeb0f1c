#include "rinex/line_source.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
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

TEST(LineSource, EveryKindOfLineEndAndALastLineWithoutOne) {
    const struct {
        const char* bytes;
        std::vector<std::string> lines;
    } cases[] = {
        {"a\nbb\n\nccc", {"a", "bb", "", "ccc"}},
        {"a\r\nbb\r\n\r\nccc\r\n", {"a", "bb", "", "ccc"}},
        {"a\rbb\r\rccc\r", {"a", "bb", "", "ccc"}},
        // Kinds mixed in one input, as files pasted together are.
        {"a\rbb\nc\r\nd\re", {"a", "bb", "c", "d", "e"}},
        {"\r\r\n", {"", ""}},
        {"", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(all_lines(c.bytes), c.lines) << c.bytes;
}

TEST(LineSource, LinesAcrossRefillsComeWholeAndOverlongOnesAreCut) {
    // Lines of every length around the window size, so some straddle each refill (and some CR LF
    // is split by one), with each kind of line end.
    for (const std::string end : {"\n", "\r\n", "\r"}) {
        std::string bytes;
        std::vector<std::string> expected;
        for (size_t n = 0; bytes.size() < 700 * 1024; ++n) {
            std::string line(n * 37 % 5000, static_cast<char>('a' + n % 26));
            bytes += line + end;
            expected.push_back(line);
        }
        const std::string huge(rnx::LineSource::kMaxLine + 1000, 'x');
        bytes += huge + end + "after" + end;
        std::vector<bool> cut;
        const std::vector<std::string> lines = all_lines(bytes, &cut);
        ASSERT_EQ(lines.size(), expected.size() + 2) << end.size();
        for (size_t i = 0; i < expected.size(); ++i) ASSERT_EQ(lines[i], expected[i]) << i;
        EXPECT_EQ(lines[expected.size()].size(), rnx::LineSource::kMaxLine);
        EXPECT_TRUE(cut[expected.size()]);
        EXPECT_EQ(lines.back(), "after");
    }
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

namespace {

// A stream that gives its text in one read and fails at the next, as a decompressor does on
// damage found after the text it already gave.
ssize_t text_then_failure(void* cookie, char* bytes, size_t size) {
    auto* text = static_cast<std::string*>(cookie);
    if (text->empty()) {
        errno = EIO;
        return -1;
    }
    const size_t n = std::min(size, text->size());
    std::memcpy(bytes, text->data(), n);
    text->erase(0, n);
    return static_cast<ssize_t>(n);
}

}  // namespace

TEST(LineSource, AReadFailureShowsAfterTheLinesReadBeforeIt) {
    std::string text = "one\ntwo\nthree";
    std::FILE* stream = fopencookie(
        &text, "r", cookie_io_functions_t{text_then_failure, nullptr, nullptr, nullptr});
    ASSERT_NE(stream, nullptr);
    auto src = rnx::LineSource::from_stream(stream);
    std::string_view line;
    std::vector<std::string> lines;
    while (src->next(line)) {
        lines.emplace_back(line);
        if (lines.size() == 1) {
            // The failure came with the first read, but two lines and a piece are still due.
            EXPECT_FALSE(src->failed());
            src->unread();
            EXPECT_FALSE(src->failed());
            ASSERT_TRUE(src->next(line));
        }
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_TRUE(src->failed());
    EXPECT_EQ(src->line_number(), 3u);
    std::fclose(stream);
}
