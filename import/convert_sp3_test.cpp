#include "import/convert_sp3.h"

#include <gtest/gtest.h>

#include "import/import_test_support.h"

using namespace import_test;

namespace {

std::vector<VYR_PRECISEEPHEMERIS> convert(const std::string& content) {
    std::vector<VYR_PRECISEEPHEMERIS> out(1);  // emptied first
    EXPECT_EQ(convert_text<CConvertFileSp3>(content, out), VYR_OK);
    return out;
}

const char* kHeaderC =
    "#cP2010  1  1  0  0  0.00000000      96 ORBIT IGS08 HLM  IGS\n"
    "## 1564 432000.00000000   900.00000000 55197 0.0000000000000\n"
    "+   32   G01G02G03G04G05G06G07G08G09G10G11G12G13G14G15G16G17\n"
    "%c G  cc GPS ccc cccc cccc cccc cccc ccccc ccccc ccccc ccccc\n"
    "/* a comment line\n";

}  // namespace

TEST(ConvertFileSp3, PositionLineAfterAnEpochLine) {
    // The second epoch with a missing clock, stored as written.
    const auto out = convert(std::string(kHeaderC) +
                             "*  2010  1  1  0  0  0.00000000\n"
                             "PG05  15000.123456 -20000.500000   1234.000001     12.345678\n"
                             "*  2010  1  1  0 15  0.00000000\n"
                             "PG05  15001.000000 -20001.000000   1235.000000 999999.999999\n"
                             "EOF\n");
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(+out[0].satellite, 5);
    EXPECT_NEAR(+out[0].x, 15000123.456, 1e-6);
    EXPECT_NEAR(+out[0].y, -20000500.0, 1e-6);
    EXPECT_NEAR(+out[0].z, 1234000.001, 1e-6);
    EXPECT_DOUBLE_EQ(+out[0].clock, 1.2345678e-5);
    EXPECT_DOUBLE_EQ(+out[0].epoch, 55197.0);
    EXPECT_DOUBLE_EQ(+out[1].epoch, 55197.0 + 15.0 / 1440.0);
    EXPECT_DOUBLE_EQ(+out[1].clock, 0.999999999999);
}

TEST(ConvertFileSp3, SystemLetterDecidesTheSatelliteNumber) {
    const auto out = convert(
        "*  2010  1  1  0  0  0.00000000\n"
        "PR07  1.0 2.0 3.0 4.0\n"
        "PE11  1.0 2.0 3.0 4.0\n"
        "PG32  1.0 2.0 3.0 4.0\n"  // the last number of each system
        "PR24  1.0 2.0 3.0 4.0\n"
        "PE36  1.0 2.0 3.0 4.0\n"
        "PC11  1.0 2.0 3.0 4.0\n"    // Compass: no compact number
        "PJ01  1.0 2.0 3.0 4.0\n"    // QZSS likewise
        "P 12  1.0 2.0 3.0 4.0\n"    // SP3-a: a blank letter is GPS
        "PR30  1.0 2.0 3.0 4.0\n"    // beyond the GLONASS slots: would be Galileo 6
        "PE60  1.0 2.0 3.0 4.0\n"    // beyond the Galileo numbers: would be SBAS
        "PG33  1.0 2.0 3.0 4.0\n"    // beyond the GPS numbers: would be GLONASS 1
        "PG 1  1.0 2.0 3.0\n"        // only three values
        "VG05  1.0 2.0 3.0 4.0\n");  // velocities are not read
    ASSERT_EQ(out.size(), 6u);
    EXPECT_EQ(+out[0].satellite, 39);
    EXPECT_EQ(+out[1].satellite, 67);
    EXPECT_EQ(+out[2].satellite, 32);
    EXPECT_EQ(+out[3].satellite, 56);
    EXPECT_EQ(+out[4].satellite, 92);
    EXPECT_EQ(+out[5].satellite, 12);
}

TEST(ConvertFileSp3, WhatIsReadPastIsReported) {
    const std::string epoch = "*  2010  1  1  0  0  0.00000000\n";
    const std::string position = "PG05  1.0 2.0 3.0 4.0\n";
    const struct {
        const char* what;
        std::string text;
        size_t records;
        std::vector<std::string> readPast;
        bool truncated;
    } cases[] = {
        {"a whole file", epoch + position + "EOF\n", 1, {}, false},
        // As the format is described: no epoch line yet gives epoch 0.
        {"a position before any epoch", position + epoch + position + "EOF\n", 2, {}, false},
        {"damaged positions",
         epoch + "PG05  1.0 2.0 x\n" + position + "PG07\n" + "EOF\n",
         1,
         {"2 records (lines 2, 4): a position line that cannot be read"},
         false},
        // Its positions would otherwise be stored at the epoch before it.
        {"an epoch line that does not parse",
         epoch + position + "*  2010  1  1  bad\n" + position + position + epoch + position +
             "EOF\n",
         2,
         {"2 records (lines 4, 5): a position under an epoch line that cannot be read"},
         false},
        {"no EOF line", epoch + position, 1, {}, true},
        {"a position line cut in its values",
         epoch + position + "PG06  1.0 2.0 3.0 4.",
         1,
         {"1 records (lines 3): a position line cut by the end of the file"},
         true},
    };
    for (const auto& c : cases) {
        std::vector<VYR_PRECISEEPHEMERIS> out;
        VyrConversionReport report;
        ASSERT_EQ(convert_text<CConvertFileSp3>(c.text, out, &report), VYR_OK) << c.what;
        EXPECT_EQ(out.size(), c.records) << c.what;
        EXPECT_EQ(read_past_text(report), c.readPast) << c.what;
        EXPECT_EQ(report.remarks.size(), c.truncated ? 1u : 0u) << c.what;
    }
}
