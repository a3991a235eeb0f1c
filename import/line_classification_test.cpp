#include "import/line_classification.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "import/import_test_support.h"
#include "import/line_splitter.h"

using namespace vyr_import;
using import_test::hdr;

namespace {

TEST(LineClassification, LabelsBlankLinesContinuationsAndData) {
    struct Case {
        std::string line;
        int previous;
        int expected;
        std::string after;  // the line as classification leaves it
    };
    const std::string types = hdr("     6    L1    L2", "# / TYPES OF OBSERV");
    const Case cases[] = {
        {hdr("     2.11           O", "RINEX VERSION / TYPE"), kLineNone, kLineVersion, ""},
        {"0.123D+01 data that says COMMENT", kLineData, kLineComment, ""},
        {hdr("     1", "LEAP SECONDS"), kLineNone, kLineLeapSeconds, ""},
        {types, kLineNone, kLineObsTypes, ""},
        {"          C1    P2", kLineObsTypes, kLineObsTypes, ""},
        {"     ", kLineObsTypes, kLineBlank, ""},
        {"  ---   ", kLineNone, kLineBlank, ""},
        {"    0.123D+01  -0.5D-03", kLineNone, kLineData, "    0.123E+01  -0.5E-03"},
        {hdr("  0.1D+01", "ION ALPHA"), kLineNone, kLineIonAlpha, hdr("  0.1D+01", "ION ALPHA")},
        {" 15  2 13  0  0  0.0000000  0  2G05G16", kLineNone, kLineData, ""},
    };
    CLineClassification lines;
    for (const Case& c : cases) {
        std::string text = c.line;
        if (!text.empty() && text.back() == '\n') text.pop_back();
        std::string after = c.after;
        if (!after.empty() && after.back() == '\n') after.pop_back();
        std::vector<char> buffer(text.begin(), text.end());
        buffer.push_back('\0');
        EXPECT_EQ(lines.ClassifyLine(buffer.data(), c.previous), c.expected) << c.line;
        if (!after.empty()) {
            EXPECT_STREQ(buffer.data(), after.c_str()) << c.line;
        }
    }
    EXPECT_EQ(lines.ClassifyLine(nullptr, kLineData), kLineNone);
}

TEST(LineClassification, ReadingLinesRecordsAndTheFormatVersion) {
    import_test::ScratchDir dir;
    const std::string longLine(300, '1');
    const std::string path = dir.Write(
        "a.obs", hdr("     2.11           OBSERVATION DATA    G", "RINEX VERSION / TYPE") +
                     "COMMENT\r\n" + longLine + "\n" + hdr("", "END OF HEADER"));
    FILE* file = std::fopen(path.c_str(), "rb");
    CLineClassification lines;
    char buffer[kLineBufferSize];
    int wanted = kLineData;
    EXPECT_EQ(lines.ReadRecord(file, wanted, buffer), 3);
    EXPECT_EQ(std::strlen(buffer), 259u);  // a long line comes in pieces
    int lineClass = kLineData;
    ASSERT_TRUE(lines.ReadLine(file, buffer, lineClass));
    EXPECT_EQ(lineClass, kLineData);
    EXPECT_EQ(std::strlen(buffer), 41u);
    wanted = kLineComment;
    EXPECT_EQ(lines.ReadRecord(file, wanted, buffer), -1);
    EXPECT_EQ(lines.ReadRecord(nullptr, wanted, buffer), 0);
    EXPECT_FALSE(lines.ReadLine(file, nullptr, lineClass));
    std::fclose(file);

    EXPECT_DOUBLE_EQ(read_rinex_format_version(path.c_str()), 2.11);
    EXPECT_DOUBLE_EQ(read_rinex_format_version(dir.Write("b", "COMMENT\n").c_str()), 0.0);
    EXPECT_DOUBLE_EQ(
        read_rinex_format_version(dir.Write("c", hdr("  x", "RINEX VERSION / TYPE")).c_str()), 0.0);
    EXPECT_DOUBLE_EQ(read_rinex_format_version(dir.Path("missing").c_str()), 0.0);
}

TEST(LineSplitter, FieldsCharactersAndBounds) {
    CLineSplitterRinexObs splitter;
    EXPECT_EQ(splitter.Split(""), 0);
    const std::string line(40, 'x');
    ASSERT_EQ(splitter.Split(line.c_str()), 3);
    EXPECT_EQ(splitter.GetFieldLength(0), 16);
    EXPECT_EQ(splitter.GetFieldLength(2), 8);
    EXPECT_EQ(splitter.GetFieldLength(3), 0);
    EXPECT_EQ(splitter.GetField(3), "");
    EXPECT_EQ(splitter.GetChar(2, 10), ' ');
    EXPECT_EQ(splitter.GetChar(2, 16), 0);
    EXPECT_EQ(splitter.GetChar(3, 0), 0);
    splitter.BlankChar(1, 15);
    splitter.BlankChar(2, 12);  // beyond the short field: nothing
    EXPECT_EQ(splitter.GetField(1), std::string(15, 'x') + " ");
    EXPECT_EQ(splitter.GetField(2), std::string(8, 'x'));
    EXPECT_EQ(splitter.Split(nullptr), 0);
    EXPECT_EQ(splitter.GetFieldCount(), 3);  // a null line keeps the last fields
    ASSERT_EQ(splitter.Split("ab"), 1);
    EXPECT_EQ(splitter.GetField(0), "ab");
}

}  // namespace
