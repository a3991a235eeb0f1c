#include "import/convert_rinex_nav.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "import/import_test_support.h"

using namespace import_test;

namespace {

std::string v2_header(const char* version, char type) {
    return nav_version_line(version, type) +
           hdr("test                written by hand     20240101 000000 UTC",
               "PGM / RUN BY / DATE") +
           hdr("", "END OF HEADER");
}

}  // namespace

TEST(ConvertFileRinexNav, VersionTwoReadsGpsMessagesWithTheYearPivot) {
    std::vector<VYR_BROADCASTEPHEMERIS> out;
    ASSERT_EQ(convert_text<CConvertFileRinexNav>(
                  v2_header("2.10", 'N') + gps_v2(5, 5, 1, 1, 2) + gps_v2(12, 95, 3, 24, 0) +
                      gps_v2(7, 79, 1, 1, 0) + gps_v2(8, 80, 1, 7, 0),
                  out),
              VYR_OK);
    ASSERT_EQ(out.size(), 4u);
    // 2005-01-01 is a Saturday: day 6 of its week; 1995-03-24 a Friday; 2079-01-01 a Sunday;
    // 1980-01-07 a Monday. A wrong century would move each of them.
    EXPECT_EQ(+out[0].prn, 5);
    EXPECT_EQ(+out[0].toc, 6u * 86400u + 7200u);
    EXPECT_EQ(+out[1].toc, 5u * 86400u);
    EXPECT_EQ(+out[2].toc, 0u);
    EXPECT_EQ(+out[3].toc, 86400u);
    // Values from each orbit line land in their fields.
    const VYR_BROADCASTEPHEMERIS& r = out[0];
    EXPECT_EQ(+r.iodc, 813);
    EXPECT_EQ(+r.week, 1564);
    EXPECT_EQ(+r.accuracy, 2);
    EXPECT_EQ(+r.toe, 439200u);
    EXPECT_EQ(+r.codesOnL2, 1);
    EXPECT_FLOAT_EQ(+r.af0, -1.2e-4f);
    EXPECT_FLOAT_EQ(+r.crs, -12.5f);
    EXPECT_DOUBLE_EQ(+r.sqrtA, 5153.7);
    EXPECT_DOUBLE_EQ(+r.i0, 0.95);
    EXPECT_FLOAT_EQ(+r.tgd, -1.1e-8f);
}

TEST(ConvertFileRinexNav, DamagedMessagesAreReadPastAndTheMessagesAroundThemKept) {
    const std::string good = gps_v2(10, 10, 1, 1, 2);
    std::string blankInside = good;
    blankInside.insert(blankInside.find('\n') + 1, "\n");
    std::string lineMissing = good;  // orbit line 3 left out: the next message's line breaks it
    const size_t third =
        lineMissing.find('\n', lineMissing.find('\n', lineMissing.find('\n') + 1) + 1) + 1;
    lineMissing.erase(third, lineMissing.find('\n', third) + 1 - third);
    std::string badFirstLine = good;
    badFirstLine.replace(3, 2, "xx");  // the year
    const std::string strayOrbit = good.substr(good.find('\n') + 1);
    std::string cut = good;
    cut.resize(cut.size() / 2);
    cut.resize(cut.rfind('\n') + 1);
    // The header takes lines 1-3 and the first message lines 4-11: the second starts at 12.
    const struct {
        const char* what;
        std::string second;
        bool thirdKept;
        std::vector<std::string> readPast;
    } cases[] = {
        {"a missing value",
         gps_v2(10, 10, 1, 1, 2, 2),
         true,
         {"1 records (lines 12): a message with a value that cannot be read"}},
        {"an epoch line that does not parse",
         badFirstLine,
         true,
         {"1 records (lines 12): a message with a value that cannot be read"}},
        {"a blank line inside",
         blankInside,
         true,
         {"1 records (lines 12): a message broken by a line that is no orbit line"}},
        {"an orbit line missing",
         lineMissing,
         true,
         {"1 records (lines 12): a message broken by a line that is no orbit line"}},
        {"orbit lines without their first line",
         strayOrbit,
         true,
         {"1 records (lines 12): orbit lines without their message's first line"}},
        {"a message cut by the end of the file",
         cut,
         false,
         {"1 records (lines 12): a message cut by the end of the file"}},
    };
    for (const auto& c : cases) {
        std::vector<VYR_BROADCASTEPHEMERIS> out;
        VyrConversionReport report;
        const std::string third = c.thirdKept ? gps_v2(11, 10, 1, 1, 4) : "";
        EXPECT_EQ(
            convert_text<CConvertFileRinexNav>(
                v2_header("2.11", 'N') + gps_v2(9, 10, 1, 1, 0) + c.second + third, out, &report),
            VYR_OK)
            << c.what;
        ASSERT_EQ(out.size(), c.thirdKept ? 2u : 1u) << c.what;
        EXPECT_EQ(+out[0].prn, 9) << c.what;
        if (c.thirdKept) {
            EXPECT_EQ(+out[1].prn, 11) << c.what;
            EXPECT_EQ(+out[1].toc, 5u * 86400u + 4u * 3600u) << c.what;  // 2010-01-01: a Friday
        }
        EXPECT_EQ(read_past_text(report), c.readPast) << c.what;
        EXPECT_TRUE(report.failure.problem.empty()) << c.what;
    }
}

// Number forms writers use: lower-case and "D"/"d" exponents, no leading zero, a last line
// that stops after its first fields.
TEST(ConvertFileRinexNav, NumberFormsAndShortLastLinesOfWriters) {
    const struct {
        const char* what;
        const char* orbit1[4];  // IODE, Crs, delta n, M0 as written
        std::string last;       // the last orbit line
    } cases[] = {
        {"upper-case D",
         {"4.500000000000D+01", "-1.250000000000D+01", "4.500000000000D-09", "1.250000000000D+00"},
         "   " + d19(432018.0) + "\n"},
        {"lower-case e",
         {"4.500000000000e+01", "-1.250000000000e+01", "4.500000000000e-09", "1.250000000000e+00"},
         "   " + d19(432018.0) + d19(4.0) + "\n"},
        {"lower-case d",
         {"4.500000000000d+01", "-1.250000000000d+01", "4.500000000000d-09", "1.250000000000d+00"},
         "   " + d19(432018.0) + "\n"},
        {"no leading zero",
         {".450000000000D+02", "-.125000000000D+02", ".450000000000D-08", ".125000000000E+01"},
         "   " + d19(432018.0) + d19(4.0) + "\n"},
    };
    for (const auto& c : cases) {
        std::string message = gps_v2(9, 10, 1, 1, 0);
        const size_t line1 = message.find('\n') + 1;
        const size_t lastLine = message.rfind('\n', message.size() - 2) + 1;
        message = message.substr(0, lastLine) + c.last;
        message.replace(
            line1, message.find('\n', line1) + 1 - line1,
            format("   %19s%19s%19s%19s\n", c.orbit1[0], c.orbit1[1], c.orbit1[2], c.orbit1[3]));
        std::vector<VYR_BROADCASTEPHEMERIS> out;
        VyrConversionReport report;
        ASSERT_EQ(
            convert_text<CConvertFileRinexNav>(v2_header("2.11", 'N') + message, out, &report),
            VYR_OK)
            << c.what;
        ASSERT_EQ(out.size(), 1u) << c.what;
        EXPECT_TRUE(report.readPast.empty()) << c.what;
        EXPECT_EQ(out[0].iodc & 0xff, 45) << c.what;
        EXPECT_FLOAT_EQ(+out[0].crs, -12.5f) << c.what;
        EXPECT_FLOAT_EQ(+out[0].deltaN, 4.5e-9f) << c.what;
        EXPECT_DOUBLE_EQ(+out[0].m0, 1.25) << c.what;
    }
}

TEST(ConvertFileRinexNav, VersionGates) {
    const struct {
        std::string content;
        VYR_ERROR gps, glonass, galileo;
    } cases[] = {
        {v2_header("1", 'N') + gps_v2(1, 10, 1, 1, 0), VYR_E_NOT_IMPLEMENTED, VYR_E_NOT_IMPLEMENTED,
         VYR_E_NOT_IMPLEMENTED},
        {v2_header("2.11", 'E'), VYR_E_UNSUPPORTED_FILE, VYR_E_UNSUPPORTED_FILE,
         VYR_E_NOT_IMPLEMENTED},
        // A version-2 reader is for one system's layout: another system's file is refused.
        {v2_header("2.11", 'G') + glonass_v2(3, 21, 900.0, -4.0), VYR_E_UNSUPPORTED_FILE, VYR_OK,
         VYR_E_NOT_IMPLEMENTED},
        {v2_header("2.10", 'N') + gps_v2(1, 10, 1, 1, 0), VYR_OK, VYR_E_UNSUPPORTED_FILE,
         VYR_E_NOT_IMPLEMENTED},
        // No version line, or no number in it: damage, not a version we do not read.
        {hdr("", "END OF HEADER"), VYR_E_FAILED_TO_READ, VYR_E_FAILED_TO_READ,
         VYR_E_FAILED_TO_READ},
        {v2_header("x.11", 'N'), VYR_E_FAILED_TO_READ, VYR_E_FAILED_TO_READ, VYR_E_FAILED_TO_READ},
        {nav_version_line("2.11", 'N') + gps_v2(1, 10, 1, 1, 0), VYR_E_HEADER_OR_DATA_MISSING,
         VYR_E_UNSUPPORTED_FILE, VYR_E_NOT_IMPLEMENTED},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content.substr(0, 80));
        std::vector<VYR_BROADCASTEPHEMERIS> g;
        std::vector<VYR_BROADCASTEPHEMERIS_GLO> r;
        std::vector<VYR_BROADCASTEPHEMERIS_GAL> e;
        EXPECT_EQ(convert_text<CConvertFileRinexNav>(c.content, g), c.gps);
        EXPECT_EQ(convert_text<CConvertFileRinexNavGlo>(c.content, r), c.glonass);
        EXPECT_EQ(convert_text<CConvertFileRinexNavGal>(c.content, e), c.galileo);
    }
}

TEST(ConvertFileRinexNavGlo, VersionTwoConvertsUnitsAndKeepsTheFrameTimeOfTheDay) {
    std::vector<VYR_BROADCASTEPHEMERIS_GLO> out;
    ASSERT_EQ(convert_text<CConvertFileRinexNavGlo>(v2_header("2.11", 'G') +
                                                        glonass_v2(3, 21, 86430.4, -4.0) +
                                                        glonass_v2(4, 21, 900.6, 1.0),
                                                    out),
              VYR_OK);
    ASSERT_EQ(out.size(), 2u);
    // Kilometres become metres; the clock's -TauN changes sign.
    const VYR_BROADCASTEPHEMERIS_GLO& r = out[0];
    EXPECT_EQ(+r.slot, 3);
    EXPECT_DOUBLE_EQ(+r.x, 12345678.0);
    EXPECT_DOUBLE_EQ(+r.vx, -2500.0);
    EXPECT_DOUBLE_EQ(+r.y, -1488799.8);
    EXPECT_DOUBLE_EQ(+r.z, 21000500.0);
    EXPECT_DOUBLE_EQ(+r.az, 9.3e-7);
    EXPECT_DOUBLE_EQ(+r.tauN, -7.28257000446e-05);
    EXPECT_DOUBLE_EQ(+r.gammaN, -1.81898940355e-12);
    EXPECT_EQ(static_cast<int8_t>(r.channel), -4);
    EXPECT_EQ(+r.age, 2u);
    // 2021-01-01 00:15:00 UTC is a Friday.
    EXPECT_EQ(+r.week, 2138);
    EXPECT_EQ(+r.secondsOfWeek, 5u * 86400u + 900u);
    EXPECT_EQ(+r.frameTime, 86430u);  // rounded, not taken modulo a day on this road
    EXPECT_EQ(+out[1].frameTime, 901u);
}

// On both roads a channel no GLONASS satellite sends costs its message, named by the line of the
// channel; a negative channel written as its unsigned byte is kept as the channel it stands for.
TEST(ConvertFileRinexNavGlo, ChannelsOutsideMinus7ToPlus13AreReadPastAtTheirLine) {
    const auto v3 = [](const char* sat, double channel) {
        return nav3_message(sat, 900.0, {{1, 2, 3, 4}, {5, 6, 7, channel}, {9, 10, 11, 12}});
    };
    const std::string v2Header = v2_header("2.11", 'G');
    const std::string v3Header = nav_version_line("3.04", 'N', 'R') + hdr("", "END OF HEADER");
    const struct {
        const char* road;
        std::string header, text;
    } cases[] = {
        {"text", v2Header,
         glonass_v2(3, 21, 900.0, 99.0) + glonass_v2(4, 21, 900.0, 253.0) +
             glonass_v2(5, 21, 900.0, -8.0)},
        {"library", v3Header, v3("R03", 99.0) + v3("R04", 253.0) + v3("R05", -8.0)},
    };
    for (const auto& c : cases) {
        std::vector<VYR_BROADCASTEPHEMERIS_GLO> out;
        VyrConversionReport report;
        ASSERT_EQ(convert_text<CConvertFileRinexNavGlo>(c.header + c.text, out, &report), VYR_OK)
            << c.road;
        ASSERT_EQ(out.size(), 1u) << c.road;
        EXPECT_EQ(+out[0].slot, 4) << c.road;
        EXPECT_EQ(static_cast<int8_t>(out[0].channel), -3) << c.road;
        // Four lines a message: the channels of the first and the third on their third lines.
        const auto first =
            static_cast<uint32_t>(std::count(c.header.begin(), c.header.end(), '\n'));
        EXPECT_EQ(
            read_past_text(report),
            std::vector<std::string>{"2 records (lines " + std::to_string(first + 3) + ", " +
                                     std::to_string(first + 11) +
                                     "): a message with a frequency channel outside -7 to +13"})
            << c.road;
    }
}

TEST(ConvertFileRinexNav, LibraryRoadTakesOnlyItsOwnSystemFromAMixedFile) {
    const std::vector<std::vector<double>> counting(7, {1.0, 2.0, 3.0, 4.0});
    const std::string text =
        nav_version_line("3.04", 'N', 'M') + hdr("", "END OF HEADER") +
        nav3_message("G05", 0.0, counting) +
        nav3_message("R07", 90030.0, {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}}) +
        nav3_message("E11", 0.0, counting);

    std::vector<VYR_BROADCASTEPHEMERIS> g(3);  // emptied first
    ASSERT_EQ(convert_text<CConvertFileRinexNav>(text, g), VYR_OK);
    ASSERT_EQ(g.size(), 1u);
    EXPECT_EQ(+g[0].prn, 5);
    EXPECT_EQ(+g[0].toc, 4u * 86400u + 7200u);  // 2020-06-25 is a Thursday

    std::vector<VYR_BROADCASTEPHEMERIS_GLO> r;
    ASSERT_EQ(convert_text<CConvertFileRinexNavGlo>(text, r), VYR_OK);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(+r[0].slot, 7);
    EXPECT_EQ(+r[0].frameTime, 3630u);  // seconds of the week taken modulo a day

    std::vector<VYR_BROADCASTEPHEMERIS_GAL> e;
    ASSERT_EQ(convert_text<CConvertFileRinexNavGal>(text, e), VYR_OK);
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(+e[0].prn, 11);
}

// On the library road too a message the reader cannot use costs only itself: it is counted with
// its line, and the file's other messages are kept.
TEST(ConvertFileRinexNav, LibraryRoadReadsPastAMessageItCannotUse) {
    const std::vector<std::vector<double>> orbit(7, {1.0, 2.0, 3.0, 4.0});
    std::string bad = nav3_message("G06", 0.0, orbit);
    bad.replace(bad.find("D+00", 100), 4, "Q+00");  // a value that is not a number
    std::string shortOne = nav3_message("G07", 0.0, {orbit.begin(), orbit.begin() + 5});
    // The header takes lines 1-2; each message 8 lines: the damaged ones start at 11 and 19.
    const std::string text = nav_version_line("3.04", 'N', 'G') + hdr("", "END OF HEADER") +
                             nav3_message("G05", 0.0, orbit) + bad + shortOne +
                             nav3_message("G08", 0.0, orbit);
    std::vector<VYR_BROADCASTEPHEMERIS> out;
    VyrConversionReport report;
    ASSERT_EQ(convert_text<CConvertFileRinexNav>(text, out, &report), VYR_OK);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(+out[0].prn, 5);
    EXPECT_EQ(+out[1].prn, 8);
    EXPECT_EQ(read_past_text(report),
              (std::vector<std::string>{
                  "1 records (lines 11): a message with a value that cannot be read",
                  "1 records (lines 19): a message with fewer orbit lines than its system has"}));
    EXPECT_TRUE(report.failure.problem.empty());
}
