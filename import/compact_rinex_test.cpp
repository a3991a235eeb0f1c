#include "import/compact_rinex.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// A header line: text in columns 1-60, the label after it.
std::string labelled(const std::string& text, const std::string& label) {
    std::string line = text;
    line.resize(60, ' ');
    return line + label;
}

// The text difference of a plain line against the one before it, as a compact file gives it:
// a blank for an unchanged character, '&' for one that became a blank; blanks at the end dropped.
std::string text_difference(const std::string& before, const std::string& after) {
    std::string difference;
    for (size_t i = 0; i < after.size(); ++i) {
        const char old = i < before.size() ? before[i] : ' ';
        difference += after[i] == old ? ' ' : (after[i] == ' ' ? '&' : after[i]);
    }
    while (!difference.empty() && difference.back() == ' ') difference.pop_back();
    return difference;
}

std::vector<std::string> v1_header(int types) {
    return {
        labelled("1.0                 COMPACT RINEX FORMAT", "CRINEX VERS   / TYPE"),
        labelled("TOOL 1.0                                01-Jan-15 00:00", "CRINEX PROG / DATE"),
        labelled("     2.11           OBSERVATION DATA    G (GPS)", "RINEX VERSION / TYPE"),
        labelled("SITE", "MARKER NAME"),
        labelled("     " + std::to_string(types) + "    L1    L2    C1    P2    S1    S2",
                 "# / TYPES OF OBSERV"),
        labelled("", "END OF HEADER")};
}

std::vector<std::string> v3_header() {
    return {
        labelled("3.0                 COMPACT RINEX FORMAT", "CRINEX VERS   / TYPE"),
        labelled("TOOL 1.0                                01-Jan-19 00:00", "CRINEX PROG / DATE"),
        labelled("     3.04           OBSERVATION DATA    M", "RINEX VERSION / TYPE"),
        labelled("G    2 C1C L1C", "SYS / # / OBS TYPES"),
        labelled("E    1 C1C", "SYS / # / OBS TYPES"),
        labelled("", "END OF HEADER")};
}

struct Expansion {
    bool ok = true;
    std::string text;
    std::string problem;
    uint64_t line = 0;
};

Expansion expand(const std::vector<std::string>& lines) {
    CCompactRinexExpander expander;
    Expansion result;
    for (const std::string& line : lines) {
        if (!expander.Feed(line, result.text)) {
            result.ok = false;
            break;
        }
    }
    if (result.ok) result.ok = expander.Finish();
    result.problem = expander.Problem();
    result.line = expander.ProblemLine();
    return result;
}

// The plain lines after END OF HEADER.
std::vector<std::string> body(const std::string& text) {
    std::vector<std::string> lines;
    size_t at = text.find("END OF HEADER\n");
    if (at == std::string::npos) return lines;
    at += 14;
    while (at < text.size()) {
        const size_t end = text.find('\n', at);
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

std::vector<std::string> with(std::vector<std::string> lines,
                              const std::vector<std::string>& more) {
    lines.insert(lines.end(), more.begin(), more.end());
    return lines;
}

const std::string kEpoch0 = " 15  2 13  0  0  0.0000000  0  1G07";
const std::string kEpoch1 = " 15  2 13  0  0 30.0000000  0  1G07";
const std::string kEpoch2 = " 15  2 13  0  1  0.0000000  0  1G07";
const std::string kEpoch3 = " 15  2 13  0  1 30.0000000  0  1G07";
const std::string kEpoch4 = " 15  2 13  0  2  0.0000000  0  1G07";

// Satellites come and go: G07 is away in the middle epoch.
const std::string kSats0 = " 15  2 13  0  0  0.0000000  0  2G07G08";
const std::string kSats1 = " 15  2 13  0  0 30.0000000  0  2G08G09";
const std::string kSats2 = " 15  2 13  0  1  0.0000000  0  3G07G08G09";
const std::string kDiff01 = text_difference(kEpoch0, kEpoch1);
const std::string kDiff12 = text_difference(kEpoch1, kEpoch2);
const std::string kDiff23 = text_difference(kEpoch2, kEpoch3);
const std::string kDiff34 = text_difference(kEpoch3, kEpoch4);

std::string initialised(const std::string& plainEpoch) {
    return "&" + plainEpoch.substr(1);
}

TEST(CompactRinex, HeaderPassesThroughWithoutTheCompactLines) {
    const Expansion result = expand(v1_header(6));
    ASSERT_TRUE(result.ok) << result.problem;
    EXPECT_EQ(result.text.find("CRINEX"), std::string::npos);
    EXPECT_EQ(result.text.rfind(labelled("     2.11           OBSERVATION DATA    G (GPS)",
                                         "RINEX VERSION / TYPE") +
                                    "\n",
                                0),
              0u);
    EXPECT_TRUE(body(result.text).empty());
}

// Each row: compact lines and the plain lines after the header that they must expand to.
TEST(CompactRinex, RecordsExpandToThePlainLines) {
    struct Case {
        const char* what;
        std::vector<std::string> lines;
        std::vector<std::string> plain;
    };
    const std::string event = " 15  2 13  0  0 30.0000000  4  2";
    const std::string types = labelled("     1    L2", "# / TYPES OF OBSERV");
    const std::string v3e0 = "> 2019 01 01 20 56 45.0000000  0  2      G01E11";
    const std::string v3e1 = "> 2019 01 01 20 57  0.0000000  0  2      G01E11";
    const std::string clock(33, ' ');
    const Case cases[] = {
        // Values 1.000 1.500 2.200 3.000 4.100: first differences 500 700 800 1100, second 200
        // 100 300, third -100 200. Order 3 is reached at the fourth value and kept from then on.
        {"differences of order one to three",
         with(v1_header(1), {initialised(kEpoch0), "", "3&1000", kDiff01, "", "500", kDiff12, "",
                             "200", kDiff23, "", "-100", kDiff34, "", "200"}),
         {kEpoch0, "         1.000", kEpoch1, "         1.500", kEpoch2, "         2.200", kEpoch3,
          "         3.000", kEpoch4, "         4.100"}},
        {"order one stays first differences",
         with(v1_header(1),
              {initialised(kEpoch0), "", "1&-2500", kDiff01, "", "1000", kDiff12, "", "1000"}),
         {kEpoch0, "        -2.500", kEpoch1, "        -1.500", kEpoch2, "        -0.500"}},
        // The second type is missing in the middle epoch and comes back initialised.
        {"a blank field is missing and the value starts afresh after it",
         with(v1_header(3), {initialised(kEpoch0), "", "3&1000 3&2000 3&3000", kDiff01, "", "1  1",
                             kDiff12, "", "0 3&2500 0"}),
         {kEpoch0, "         1.000           2.000           3.000", kEpoch1,
          "         1.001                           3.001", kEpoch2,
          "         1.002           2.500           3.002"}},
        {"trailing fields left out are missing and the flags unchanged",
         with(v1_header(3),
              {initialised(kEpoch0), "", "3&1000 3&2000 3&3000 14", kDiff01, "", "1"}),
         {kEpoch0, "         1.00014         2.000           3.000", kEpoch1, "         1.00114"}},
        // Loss of lock and strength digits of two types: "1 5" then the 1 cleared ('&'), the 5
        // kept and a 7 added to the second type; then nothing changes.
        {"flags are text differences",
         with(v1_header(2), {initialised(kEpoch0), "", "3&1000 3&2000 1 5", kDiff01, "", "0 0 &  7",
                             kDiff12, "", "0 0 "}),
         {kEpoch0, "         1.0001          2.0005", kEpoch1, "         1.000           2.00057",
          kEpoch2, "         1.000           2.00057"}},
        // The flag text of a missing value is kept, not shown: the plain file has blanks there.
        {"a missing value has blank flags and they come back with it",
         with(v1_header(2), {initialised(kEpoch0), "", "3&1000 3&2000 1 5", kDiff01, "", "0",
                             kDiff12, "", "0 3&2100"}),
         {kEpoch0, "         1.0001          2.0005", kEpoch1, "         1.0001", kEpoch2,
          "         1.0001          2.1005"}},
        // G07 is back after an epoch without it: given afresh; G08 and G09 go on with differences.
        {"satellites come and go between epochs",
         with(v1_header(1),
              {initialised(kSats0), "", "3&1000", "3&2000", text_difference(kSats0, kSats1), "",
               "10", "3&3000", text_difference(kSats1, kSats2), "", "3&1111", "10", "20"}),
         {kSats0, "         1.000", "         2.000", kSats1, "         2.010", "         3.000",
          kSats2, "         1.111", "         2.030", "         3.020"}},
        {"the clock offset is differenced like a value; a blank clock line has none",
         with(v1_header(1),
              {initialised(kEpoch0), "2&1000", "3&1000", kDiff01, "5", "1", kDiff12, "", "1"}),
         {kEpoch0 + clock + " 0.000001000", "         1.000", kEpoch1 + clock + " 0.000001005",
          "         1.001", kEpoch2, "         1.003"}},
        // The event's header line sets one type from then on.
        {"event records pass their lines through",
         with(v1_header(2),
              {initialised(kEpoch0), "", "3&1000 3&2000", initialised(event),
               labelled("ANTENNA MOVED", "COMMENT"), types, initialised(kEpoch2), "", "3&5000"}),
         {kEpoch0, "         1.000           2.000", event, labelled("ANTENNA MOVED", "COMMENT"),
          types, kEpoch2, "         5.000"}},
        {"version three epochs and satellite lines",
         with(v3_header(),
              {v3e0, "3&-5000000000", "3&20000000000 3&100000000000  1 7", "3&21000000000",
               text_difference(v3e0, v3e1), "1000", "1000 2000", "-1000"}),
         {"> 2019 01 01 20 56 45.0000000  0  2      -0.005000000000",
          "G01  20000000.000 1 100000000.000 7", "E11  21000000.000",
          "> 2019 01 01 20 57  0.0000000  0  2      -0.004999999000",
          "G01  20000001.000 1 100000002.000 7", "E11  20999999.000"}},
        // A value too wide for F14.3 is written as wide as it is (the line then takes the slower
        // way), and the lines after it are laid out as usual.
        {"a value wider than its columns, version three",
         with(v3_header(), {v3e0, "", "3&-99999999999999 3&1234  1 7", "3&-1234567890123"}),
         {v3e0.substr(0, 35), "G01-99999999999.999 1         1.234 7", "E11-1234567890.123"}},
        // Version 1.0 wraps after five values.
        {"a value wider than its columns, version one",
         with(v1_header(6), {initialised(kEpoch0), "", "1&1 1&2 1&3 1&123456789012345 1&5 1&6  1"}),
         {kEpoch0,
          "         0.001 1         0.002           0.003  123456789012.345           0.005",
          "         0.006"}},
    };
    for (const Case& c : cases) {
        const Expansion result = expand(c.lines);
        ASSERT_TRUE(result.ok) << c.what << ": " << result.problem;
        EXPECT_EQ(body(result.text), c.plain) << c.what;
    }
}

TEST(CompactRinex, ManySatellitesAndTypesWrapAsThePlainFileDoes) {
    std::string plain = " 15  2 13  0  0  0.0000000  0 13";
    for (int prn = 1; prn <= 13; ++prn) plain += (prn < 10 ? "G0" : "G") + std::to_string(prn);
    std::vector<std::string> lines = with(v1_header(6), {initialised(plain), "1&-123456789"});
    for (int i = 0; i < 13; ++i) lines.push_back("3&1 3&2 3&3 3&4 3&5 3&6");
    const Expansion result = expand(lines);
    ASSERT_TRUE(result.ok) << result.problem;
    const std::vector<std::string> out = body(result.text);
    ASSERT_EQ(out.size(), 2u + 13u * 2u);
    EXPECT_EQ(out[0], plain.substr(0, 68) + "-0.123456789");
    EXPECT_EQ(out[1], std::string(32, ' ') + "G13");
    EXPECT_EQ(out[2],
              "         0.001           0.002           0.003           0.004           "
              "0.005");
    EXPECT_EQ(out[3], "         0.006");
}

// Values across the digit counts and signs come out as F14.3 writes them, compared with the
// whole and thousandths parts printed apart.
TEST(CompactRinex, ValuesOfEveryLengthAreWrittenDigitForDigit) {
    const int64_t values[] = {
        0,        1,         -1,           9,           10,          -10,         99,     100,
        999,      1000,      -1000,        1001,        10000,       99999,       100000, 1234567,
        -1234567, 100000000, 123456789012, -9999999999, 99999999999, 100000000000};
    std::vector<std::string> lines = v1_header(1);
    std::vector<std::string> expected;
    std::string epoch = kEpoch0;
    for (const int64_t value : values) {
        lines.push_back(initialised(epoch));
        lines.push_back("");
        lines.push_back("1&" + std::to_string(value));
        const int64_t magnitude = value < 0 ? -value : value;
        std::string fraction = std::to_string(magnitude % 1000);
        fraction.insert(0, 3 - fraction.size(), '0');
        std::string text =
            (value < 0 ? "-" : "") + std::to_string(magnitude / 1000) + "." + fraction;
        if (text.size() < 14) text.insert(0, 14 - text.size(), ' ');
        expected.push_back(epoch);
        expected.push_back(text);
    }
    const Expansion result = expand(lines);
    ASSERT_TRUE(result.ok) << result.problem;
    EXPECT_EQ(body(result.text), expected);
}

TEST(CompactRinex, DamagedInputNamesTheLine) {
    struct Case {
        const char* what;
        std::vector<std::string> lines;
        uint64_t line;
        std::string words;
    };
    const std::vector<std::string> header = v1_header(1);  // 6 lines
    const std::string e0 = initialised(kEpoch0);
    const std::string epoch = " 15  2 13  0  0  0.0000000  ";
    const Case cases[] = {
        {"a difference that is no number", with(header, {e0, "", "3&1000", kDiff01, "", "12x"}), 12,
         "difference \"12x\""},
        {"a long damaged difference, quoted cut",
         with(header, {e0, "", "3&1000", kDiff01, "", std::string(60, '9') + "x"}), 12,
         "difference \"" + std::string(40, '9') + "...\" is not"},
        // A value near the limit plus a difference is refused, never wrapped.
        {"a value out of range, damage and not overflow",
         with(header, {e0, "", "1&9223372036854775000", kDiff01, "", "1000"}), 12, "out of range"},
        {"a difference where the value must be given afresh",
         with(v1_header(3),
              {e0, "", "3&1000 3&2000 3&3000", kDiff01, "", "1  1", kDiff12, "", "1 5 1"}),
         15, "G07 observation 2"},
        {"a difference for a satellite whose old value is gone",
         with(header, {initialised(kSats0), "", "3&1000", "3&2000", text_difference(kSats0, kSats1),
                       "", "10", "3&3000", text_difference(kSats1, kSats2), "", "5", "10", "20"}),
         17, "G07 observation 1"},
        {"the first epoch not initialised", with(header, {"3&1000"}), 7, "must begin with '&'"},
        {"order six", with(header, {e0, "", "6&1000"}), 9, "order of differences '6'"},
        {"an empty value", with(header, {e0, "", "3&"}), 9, "not a whole number"},
        {"a value too long", with(header, {e0, "", "3&99999999999999999999"}), 9,
         "not a whole number"},
        {"fewer satellites than counted", with(header, {initialised(epoch + "0  3G07")}), 7,
         "fewer satellites"},
        {"epoch flag 9", with(header, {initialised(epoch + "9  1G07")}), 7, "epoch flag"},
        {"a satellite twice", with(header, {initialised(epoch + "0  2G07G07")}), 7,
         "G07 is listed twice"},
        {"not a satellite", with(header, {initialised(epoch + "0  1Gx7")}), 7,
         "\"Gx7\" is not a satellite"},
        {"the end inside an epoch", with(header, {e0, ""}), 8, "ends inside an epoch"},
        {"the end inside the header",
         {header[0], header[1], header[2]},
         3,
         "before \"END OF HEADER\""},
        {"version 2.0", {labelled("2.0", "CRINEX VERS   / TYPE")}, 1, "version \"2.0\""},
        {"a plain file",
         {labelled("     2.11           OBSERVATION DATA", "RINEX VERSION / TYPE")},
         1,
         "not a compact RINEX file"},
        {"a line too long",
         with(header, {std::string(CCompactRinexExpander::kMaxLineLength + 1, ' ')}), 7,
         "longer than"},
        {"no lines", {}, 0, "empty"},
    };
    for (const Case& c : cases) {
        const Expansion result = expand(c.lines);
        EXPECT_FALSE(result.ok) << c.what;
        EXPECT_EQ(result.line, c.line) << c.what << ": " << result.problem;
        EXPECT_NE(result.problem.find(c.words), std::string::npos)
            << c.what << ": " << result.problem;
    }
}

TEST(CompactRinex, AfterAProblemEveryLineIsRefused) {
    CCompactRinexExpander expander;
    std::string out;
    EXPECT_FALSE(expander.Feed("not compact", out));
    EXPECT_FALSE(expander.Feed(v1_header(1)[0], out));
    EXPECT_FALSE(expander.Finish());
    EXPECT_EQ(expander.ProblemLine(), 1u);
    EXPECT_TRUE(out.empty());
}

TEST(CompactRinex, FirstLineRecognised) {
    EXPECT_TRUE(IsCompactRinexFirstLine(v1_header(1)[0] + "\r"));
    EXPECT_TRUE(IsCompactRinexFirstLine(v3_header()[0]));
    EXPECT_FALSE(IsCompactRinexFirstLine(v1_header(1)[2]));
    EXPECT_FALSE(IsCompactRinexFirstLine(""));
}

// Files are expanded with carriage returns ignored. A last line without its line end inside an
// epoch may be a value broken off ("10" of "1000"): refused as a cut, never expanded into a wrong
// value. Outside an epoch it is read as it is.
TEST(CompactRinex, FilesExpandAndALastLineWithoutItsLineEndInsideAnEpochIsACut) {
    struct Case {
        const char* what;
        std::string text;
        bool ok;
        uint64_t line;
        std::vector<std::string> plain;  // of a file that expands
    };
    const auto ended = [](const std::vector<std::string>& lines, const char* end) {
        std::string text;
        for (const std::string& line : lines) text += line + end;
        return text;
    };
    const std::string whole = ended(with(v1_header(1), {initialised(kEpoch0), "", "3&1000"}), "\n");
    const Case cases[] = {
        {"the last value with its line end", whole, true, 0, {kEpoch0, "         1.000"}},
        {"CR LF line ends",
         ended(with(v1_header(1), {initialised(kEpoch0), "", "3&1000", kDiff01, "", "7"}), "\r\n"),
         true,
         0,
         {kEpoch0, "         1.000", kEpoch1, "         1.007"}},
        {"the last value without", whole.substr(0, whole.size() - 1), false, 9, {}},
        {"the last value cut short", whole.substr(0, whole.size() - 3), false, 9, {}},
        {"ending after the epoch line", whole + kDiff01 + "\n", false, 10, {}},
        {"the epoch line without", whole + kDiff01, false, 10, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::FILE* in = std::tmpfile();
        std::FILE* out = std::tmpfile();
        ASSERT_NE(in, nullptr);
        ASSERT_NE(out, nullptr);
        std::fwrite(c.text.data(), 1, c.text.size(), in);
        std::rewind(in);
        uint64_t problemLine = 0;
        std::string problem;
        EXPECT_EQ(ExpandCompactRinex(in, out, problemLine, problem), c.ok) << problem;
        EXPECT_EQ(problemLine, c.line) << problem;
        if (c.ok) {
            std::rewind(out);
            std::string text(1 << 16, '\0');
            text.resize(std::fread(text.data(), 1, text.size(), out));
            EXPECT_EQ(body(text), c.plain);
            EXPECT_EQ(text.find('\r'), std::string::npos);
        } else {
            EXPECT_NE(problem.find("ends inside an epoch"), std::string::npos) << problem;
        }
        std::fclose(in);
        std::fclose(out);
    }
}

}  // namespace
