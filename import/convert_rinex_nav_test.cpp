#include "import/convert_rinex_nav.h"

#include <gtest/gtest.h>

#include "import/convert_rinex_nav_test_support.h"

using namespace import_test;

namespace {

std::string v2_header(const char* version, char type) {
    return nav_version_line(version, type) +
           header_line("test                written by hand     20240101 000000 UTC",
                       "PGM / RUN BY / DATE") +
           header_line("", "END OF HEADER");
}

// A version-2 GPS message: IODE 45, IODC 813, week 1564 unless told. shortLine: an orbit line
// (0-6) written with only three values.
std::string gps_v2(int prn, int yy, int month, int day, int hour, double iode = 45,
                   double iodc = 813, int shortLine = -1) {
    const double orbit[6][4] = {
        {iode, -12.5, 4.5e-9, 1.25},       {-6.5e-7, 0.0123, 8.0e-6, 5153.7},
        {439200.0, 1.1e-7, -2.1, -3.3e-8}, {0.95, 210.5, 0.7, -8.1e-9},
        {2.1e-10, 1.0, 1564.0, 0.0},       {2.4, 0.0, -1.1e-8, iodc}};
    std::string text = format("%2d %02d %2d %2d %2d %2d%5.1f", prn, yy, month, day, hour, 0, 0.0) +
                       d19(-1.2e-4) + d19(-3.4e-12) + d19(0.0) + "\n";
    for (int i = 0; i < 6; ++i) {
        std::string line = orbit_v2(orbit[i][0], orbit[i][1], orbit[i][2], orbit[i][3]);
        if (i == shortLine) line = line.substr(0, 3 + 3 * 19) + "\n";
        text += line;
    }
    return text + "   " + d19(432018.0) + "\n";
}

std::string glonass_v2(int slot, int yy, double frameTime, double channel) {
    return format("%2d %02d %2d %2d %2d %2d%5.1f", slot, yy, 1, 1, 0, 15, 0.0) +
           d19(7.28257000446e-05) + d19(-1.81898940355e-12) + d19(frameTime) + "\n" +
           orbit_v2(12345.678, -2.5, 0.0, 0.0) + orbit_v2(-1488.7998, 1.2, 0.0, channel) +
           orbit_v2(21000.5, 0.3, 9.3e-10, 2.0);
}

std::string v3_header(char system) {
    return nav_version_line("3.04", 'N', system) + header_line("", "END OF HEADER");
}

std::string epoch_v3(const char* sat, double a, double b, double c) {
    return std::string(sat) + " 2020 06 25 02 00 00" + d19(a) + d19(b) + d19(c) + "\n";
}

}  // namespace

TEST(ConvertFileRinexNav, VersionTwoReadsGpsMessagesWithTheYearPivot) {
    ScratchFile file(v2_header("2.10", 'N') + gps_v2(5, 5, 1, 1, 2) + gps_v2(12, 95, 3, 24, 0) +
                     gps_v2(7, 79, 1, 1, 0) + gps_v2(8, 80, 1, 7, 0));
    CConvertFileRinexNav converter;
    ASSERT_EQ(converter.SetFileName(file.path()), VYR_OK);
    std::vector<VYR_BROADCASTEPHEMERIS> out;
    ASSERT_EQ(converter.Convert(out, 0), VYR_OK);
    ASSERT_EQ(out.size(), 4u);
    // 2005-01-01 is a Saturday: day 6 of its week; 1995-03-24 a Friday; 2079-01-01 a Sunday;
    // 1980-01-07 a Monday. A wrong century would move each of them.
    EXPECT_EQ(+out[0].prn, 5);
    EXPECT_EQ(+out[0].toc, 6u * 86400u + 7200u);
    EXPECT_EQ(+out[1].toc, 5u * 86400u);
    EXPECT_EQ(+out[2].toc, 0u);
    EXPECT_EQ(+out[3].toc, 86400u);
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

TEST(ConvertFileRinexNav, MessageWithAMissingValueIsDropped) {
    const std::string broken = gps_v2(9, 10, 1, 1, 0, 45, 813, 2);
    ScratchFile file(v2_header("2.11", 'N') + broken + gps_v2(10, 10, 1, 1, 2));
    CConvertFileRinexNav converter;
    ASSERT_EQ(converter.SetFileName(file.path()), VYR_OK);
    std::vector<VYR_BROADCASTEPHEMERIS> out;
    ASSERT_EQ(converter.Convert(out, 0), VYR_OK);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(+out[0].prn, 10);
}

TEST(ConvertFileRinexNav, OrbitLineThatIsNotTheNextLineFailsKeepingEarlierMessages) {
    std::string second = gps_v2(10, 10, 1, 1, 2);
    second.insert(second.find('\n') + 1, "\n");  // a blank line inside the message
    ScratchFile file(v2_header("2.11", 'N') + gps_v2(9, 10, 1, 1, 0) + second);
    CConvertFileRinexNav converter;
    ASSERT_EQ(converter.SetFileName(file.path()), VYR_OK);
    std::vector<VYR_BROADCASTEPHEMERIS> out;
    EXPECT_EQ(converter.Convert(out, 0), VYR_E_FAILED_TO_READ);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(+out[0].prn, 9);
}

TEST(ConvertFileRinexNav, MessageCutByTheEndOfTheFileIsDroppedWithoutFailure) {
    std::string last = gps_v2(10, 10, 1, 1, 2);
    last.resize(last.size() / 2);
    last.resize(last.rfind('\n') + 1);
    ScratchFile file(v2_header("2.11", 'N') + gps_v2(9, 10, 1, 1, 0) + last);
    CConvertFileRinexNav converter;
    ASSERT_EQ(converter.SetFileName(file.path()), VYR_OK);
    std::vector<VYR_BROADCASTEPHEMERIS> out;
    EXPECT_EQ(converter.Convert(out, 0), VYR_OK);
    EXPECT_EQ(out.size(), 1u);
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
        // No version line: the version counts as 0.
        {header_line("", "END OF HEADER"), VYR_E_NOT_IMPLEMENTED, VYR_E_NOT_IMPLEMENTED,
         VYR_E_NOT_IMPLEMENTED},
        {nav_version_line("2.11", 'N') + gps_v2(1, 10, 1, 1, 0), VYR_E_HEADER_OR_DATA_MISSING,
         VYR_E_UNSUPPORTED_FILE, VYR_E_NOT_IMPLEMENTED},
    };
    for (const auto& c : cases) {
        ScratchFile file(c.content);
        SCOPED_TRACE(c.content.substr(0, 80));
        CConvertFileRinexNav gps;
        CConvertFileRinexNavGlo glonass;
        CConvertFileRinexNavGal galileo;
        ASSERT_EQ(gps.SetFileName(file.path()), VYR_OK);
        ASSERT_EQ(glonass.SetFileName(file.path()), VYR_OK);
        ASSERT_EQ(galileo.SetFileName(file.path()), VYR_OK);
        std::vector<VYR_BROADCASTEPHEMERIS> g;
        std::vector<VYR_BROADCASTEPHEMERIS_GLO> r;
        std::vector<VYR_BROADCASTEPHEMERIS_GAL> e;
        EXPECT_EQ(gps.Convert(g, 0), c.gps);
        EXPECT_EQ(glonass.Convert(r, 0), c.glonass);
        EXPECT_EQ(galileo.Convert(e, 0), c.galileo);
    }
}

TEST(ConvertFileRinexNavGlo, VersionTwoConvertsUnitsAndKeepsTheFrameTimeOfTheDay) {
    ScratchFile file(v2_header("2.11", 'G') + glonass_v2(3, 21, 86430.4, -4.0) +
                     glonass_v2(4, 21, 900.6, 1.0));
    CConvertFileRinexNavGlo converter;
    ASSERT_EQ(converter.SetFileName(file.path()), VYR_OK);
    std::vector<VYR_BROADCASTEPHEMERIS_GLO> out;
    ASSERT_EQ(converter.Convert(out, 0), VYR_OK);
    ASSERT_EQ(out.size(), 2u);
    const VYR_BROADCASTEPHEMERIS_GLO& r = out[0];
    EXPECT_EQ(+r.slot, 3);
    EXPECT_DOUBLE_EQ(+r.x, 12345678.0);
    EXPECT_DOUBLE_EQ(+r.vx, -2500.0);
    EXPECT_DOUBLE_EQ(+r.y, -1488799.8);
    EXPECT_DOUBLE_EQ(+r.z, 21000500.0);
    EXPECT_DOUBLE_EQ(+r.az, 9.3e-7);
    EXPECT_DOUBLE_EQ(+r.tauN, -7.28257000446e-05);
    EXPECT_EQ(static_cast<int8_t>(r.channel), -4);
    EXPECT_EQ(+r.age, 2u);
    // 2021-01-01 00:15:00 UTC is a Friday.
    EXPECT_EQ(+r.week, 2138);
    EXPECT_EQ(+r.secondsOfWeek, 5u * 86400u + 900u);
    EXPECT_EQ(+r.frameTime, 86430u);  // rounded, not taken modulo a day on this road
    EXPECT_EQ(+out[1].frameTime, 901u);
}

TEST(ConvertFileRinexNav, LibraryRoadTakesOnlyItsOwnSystemFromAMixedFile) {
    const std::string gps =
        epoch_v3("G05", -1.2e-4, -3.4e-12, 0.0) + orbit_v3(45, -12.5, 4.5e-9, 1.25) +
        orbit_v3(-6.5e-7, 0.0123, 8.0e-6, 5153.7) + orbit_v3(439200.0, 1.1e-7, -2.1, -3.3e-8) +
        orbit_v3(0.95, 210.5, 0.7, -8.1e-9) + orbit_v3(2.1e-10, 1.0, 2111.0, 0.0) +
        orbit_v3(2.4, 0.0, -1.1e-8, 813) + orbit_v3(432018.0, 4.0, 0, 0);
    const std::string glonass = epoch_v3("R07", 7.28257000446e-05, -1.81898940355e-12, 90030.0) +
                                orbit_v3(12345.678, -2.5, 0.0, 0.0) +
                                orbit_v3(-1488.7998, 1.2, 0.0, -3.0) +
                                orbit_v3(21000.5, 0.3, 9.3e-10, 0.0);
    const std::string galileo =
        epoch_v3("E11", 1e-4, 2e-11, 0.0) + orbit_v3(106, -12.5, 4.5e-9, 1.25) +
        orbit_v3(-6.5e-7, 0.0123, 8.0e-6, 5440.6) + orbit_v3(439200.0, 1.1e-7, -2.1, -3.3e-8) +
        orbit_v3(0.95, 210.5, 0.7, -8.1e-9) + orbit_v3(2.1e-10, 0x201, 2111.0, 0.0) +
        orbit_v3(3.12, 0.0, 4e-9, 5e-9) + orbit_v3(432018.0, 0, 0, 0);
    ScratchFile file(v3_header('M') + gps + glonass + galileo);

    CConvertFileRinexNav gpsConverter;
    ASSERT_EQ(gpsConverter.SetFileName(file.path()), VYR_OK);
    std::vector<VYR_BROADCASTEPHEMERIS> g(3);  // emptied first
    ASSERT_EQ(gpsConverter.Convert(g, 0), VYR_OK);
    ASSERT_EQ(g.size(), 1u);
    EXPECT_EQ(+g[0].prn, 5);
    EXPECT_EQ(+g[0].iodc, 813);
    EXPECT_EQ(+g[0].toc, 4u * 86400u + 7200u);  // 2020-06-25 is a Thursday

    CConvertFileRinexNavGlo glonassConverter;
    ASSERT_EQ(glonassConverter.SetFileName(file.path()), VYR_OK);
    std::vector<VYR_BROADCASTEPHEMERIS_GLO> r;
    ASSERT_EQ(glonassConverter.Convert(r, 0), VYR_OK);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(+r[0].slot, 7);
    EXPECT_DOUBLE_EQ(+r[0].x, 12345678.0);
    EXPECT_DOUBLE_EQ(+r[0].tauN, -7.28257000446e-05);
    EXPECT_EQ(+r[0].frameTime, 3630u);  // seconds of the week taken modulo a day
    EXPECT_EQ(static_cast<int8_t>(r[0].channel), -3);

    CConvertFileRinexNavGal galileoConverter;
    ASSERT_EQ(galileoConverter.SetFileName(file.path()), VYR_OK);
    std::vector<VYR_BROADCASTEPHEMERIS_GAL> e;
    ASSERT_EQ(galileoConverter.Convert(e, 0), VYR_OK);
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(+e[0].prn, 11);
    EXPECT_EQ(+e[0].iodNav, 106);
    EXPECT_EQ(+e[0].dataSource, 2);
    EXPECT_EQ(+e[0].sisa, 3);
    EXPECT_DOUBLE_EQ(+e[0].af0E5bE1, 1e-4);
    EXPECT_DOUBLE_EQ(+e[0].af0E5aE1, 0.0);
}
