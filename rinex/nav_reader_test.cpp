#include <gtest/gtest.h>

#include "rinex/reader_test_support.h"

using namespace rnx_test;

namespace {

// A GPS message whose orbit values count up from 1, so each field shows where it landed.
std::string gps3(const char* sat, int hour) {
    std::string m =
        nav3_first(sat, 2020, 1, 1, hour, 0, 0, 4.691267386079e-04, -1.000444171950e-11, 0.0);
    for (int line = 0; line < 6; ++line)
        m += nav3_orbit(line * 4 + 1, line * 4 + 2, line * 4 + 3, line * 4 + 4);
    return m + nav3_orbit(25, 4, 0, 0);
}

std::string glo3(const char* sat, bool status_line) {
    std::string m = nav3_first(sat, 2020, 1, 1, 0, 15, 0, -1.5e-5, 9.1e-13, 345600.0) +
                    nav3_orbit(12345.678, 1.5, 1e-9, 0) + nav3_orbit(-2.0, 0.5, 0, -4) +
                    nav3_orbit(3.0, -0.25, 0, 7);
    if (status_line) m += nav3_orbit(1, 2e-9, 3, 4);
    return m;
}

std::string gal3(const char* sat, double sources) {
    std::string m = nav3_first(sat, 2020, 1, 1, 0, 10, 0, 1e-3, 2e-11, 0);
    m += nav3_orbit(45, 1, 2, 3) + nav3_orbit(4, 5, 6, 5440.6) + nav3_orbit(36000, 7, 8, 9) +
         nav3_orbit(10, 11, 12, 13) + nav3_orbit(14, sources, 2086, 0) +
         nav3_orbit(3.12, 0, -1.1e-9, -1.2e-9) + nav3_orbit(36500, 0, 0, 0);
    return m;
}

}  // namespace

TEST(NavReader, Version3MixedDeliversEveryFieldByName) {
    const std::string text =
        version_line(3.04, 'N', 'M') +
        hdr("GPSA   1.1176E-08  7.4506E-09 -5.9605E-08 -5.9605E-08", "IONOSPHERIC CORR") +
        hdr("GAL    2.5250E+01  2.3438E-01 -1.0376E-02", "IONOSPHERIC CORR") +
        hdr("GPUT -9.3132257462E-10-1.509903313E-14 233472 2086", "TIME SYSTEM CORR") +
        hdr("    18    18  1929     7", "LEAP SECONDS") + hdr("", "END OF HEADER") +
        gps3("G01", 0) + glo3("R05", false) + gal3("E11", 517) +
        // BeiDou and QZSS are read past without a word.
        nav3_first("C06", 2020, 1, 1, 0, 0, 0, 1, 2, 3) + nav3_orbit(1, 2, 3, 4) +
        nav3_first("J01", 2020, 1, 1, 0, 0, 0, 1, 2, 3) + nav3_orbit(1, 2, 3, 4) +
        glo3("R06", true) + gps3("G02", 2);
    RecordingNav out;
    RecordingErrors errors;
    ASSERT_EQ(read_text(text, nullptr, &out, &errors), eRNX_S_OK);
    EXPECT_TRUE(errors.all.empty());
    ASSERT_EQ(out.iono.size(), 2u);
    EXPECT_STREQ(out.iono[0].type, "GPSA");
    EXPECT_DOUBLE_EQ(out.iono[0].coefficients[2], -5.9605e-08);
    EXPECT_STREQ(out.iono[1].type, "GAL");
    EXPECT_DOUBLE_EQ(out.iono[1].coefficients[3], 0.0);
    ASSERT_EQ(out.time.size(), 1u);
    EXPECT_STREQ(out.time[0].type, "GPUT");
    EXPECT_DOUBLE_EQ(out.time[0].a1, -1.509903313e-14);
    EXPECT_EQ(out.time[0].referenceSeconds, 233472);
    EXPECT_EQ(out.time[0].referenceWeek, 2086);
    EXPECT_EQ(out.leap, 18);

    ASSERT_EQ(out.gps.size(), 2u);
    const RNX_NAV_GPS& g = out.gps[0];
    EXPECT_EQ(g.prn, 1);
    EXPECT_EQ(g.timeOfClock.timeSystem, eTIMESYS_GPS);
    EXPECT_DOUBLE_EQ(g.clockBias, 4.691267386079e-04);
    EXPECT_DOUBLE_EQ(g.clockDrift, -1.000444171950e-11);
    // Every orbit value in the order the lines give them.
    const double orbit[] = {g.iode,         g.crs,      g.deltaN,    g.m0,      g.cuc,
                            g.eccentricity, g.cus,      g.sqrtA,     g.toe,     g.cic,
                            g.omega0,       g.cis,      g.i0,        g.crc,     g.omega,
                            g.omegaDot,     g.idot,     g.codesOnL2, g.gpsWeek, g.l2PDataFlag,
                            g.svAccuracy,   g.svHealth, g.tgd,       g.iodc,    g.transmissionTime};
    for (int i = 0; i < 25; ++i) EXPECT_EQ(orbit[i], i + 1) << i;
    EXPECT_EQ(g.fitInterval, 4);
    EXPECT_EQ(out.gps[1].timeOfClock.hour, 2);

    ASSERT_EQ(out.glo.size(), 2u);
    const RNX_NAV_GLO& r = out.glo[0];
    EXPECT_EQ(r.slot, 5);
    EXPECT_EQ(r.timeOfClock.timeSystem, eTIMESYS_UTC);
    EXPECT_DOUBLE_EQ(r.minusTauN, -1.5e-5);
    EXPECT_DOUBLE_EQ(r.x, 12345.678);  // kilometres, as written
    EXPECT_DOUBLE_EQ(r.frequencyNumber, -4);
    EXPECT_DOUBLE_EQ(r.ageOfOperationInfo, 7);
    EXPECT_EQ(r.hasStatusLine, 0);
    EXPECT_EQ(out.glo[1].hasStatusLine, 1);
    EXPECT_DOUBLE_EQ(out.glo[1].l1L2GroupDelay, 2e-9);

    ASSERT_EQ(out.gal.size(), 1u);
    const RNX_NAV_GAL& e = out.gal[0];
    EXPECT_EQ(e.prn, 11);
    EXPECT_EQ(e.messageType, 0);
    EXPECT_EQ(e.iodNav, 45);
    EXPECT_DOUBLE_EQ(e.sqrtA, 5440.6);
    EXPECT_EQ(e.dataSources, 517);
    EXPECT_DOUBLE_EQ(e.bgdE5bE1, -1.2e-9);
    EXPECT_EQ(e.transmissionTime, 36500);
    EXPECT_EQ(out.ends, 1);
}

TEST(NavReader, Version2GpsWithTwoDigitYearsBlankAndMissingTrailingFields) {
    std::string text =
        hdr("     2.10           N: GPS NAV DATA", "RINEX VERSION / TYPE") +
        hdr("    0.1676D-07  0.2235D-07 -0.1192D-06 -0.1192D-06", "ION ALPHA") +
        hdr("    0.1208D+06  0.1310D+06 -0.1310D+06 -0.1966D+06", "ION BETA") +
        hdr("    0.133179128170D-06 0.107913713138D-12   552960     1025", "DELTA-UTC: A0,A1,T,W") +
        hdr("    13", "LEAP SECONDS") + hdr("", "END OF HEADER");
    auto message = [](int prn, int yy) {
        std::string m = nav2_first(prn, yy, 1, 2, 3, 4, 5.0, 1e-4, 0, 0);
        for (int line = 0; line < 6; ++line) m += nav2_orbit(1, 2, 3, 4);
        return m;
    };
    // Year 05 and 95; a blank field; a last line with only the transmission time.
    text += message(7, 5) + "   " + d19(100) + "\n";
    text += message(31, 95) + "   " + d19(200) + std::string(19, ' ') + "\n";
    RecordingNav out;
    RecordingErrors errors;
    ASSERT_EQ(read_text(text, nullptr, &out, &errors), eRNX_S_OK);
    ASSERT_EQ(out.iono.size(), 2u);
    EXPECT_STREQ(out.iono[1].type, "GPSB");
    EXPECT_DOUBLE_EQ(out.iono[1].coefficients[3], -0.1966e6);
    ASSERT_EQ(out.time.size(), 1u);
    EXPECT_STREQ(out.time[0].type, "GPUT");
    EXPECT_EQ(out.time[0].referenceWeek, 1025);
    ASSERT_EQ(out.gps.size(), 2u);
    EXPECT_EQ(out.gps[0].prn, 7);
    EXPECT_EQ(out.gps[0].timeOfClock.year, 2005);
    EXPECT_EQ(out.gps[0].timeOfClock.minute, 4);
    EXPECT_DOUBLE_EQ(out.gps[0].timeOfClock.seconds, 5.0);
    EXPECT_EQ(out.gps[0].clockDrift, 0.0);
    EXPECT_EQ(out.gps[0].transmissionTime, 100);
    EXPECT_EQ(out.gps[0].fitInterval, 0);
    EXPECT_EQ(out.gps[1].timeOfClock.year, 1995);
    EXPECT_EQ(out.gps[1].transmissionTime, 200);
}

TEST(NavReader, Version2GlonassFile) {
    std::string text =
        hdr("     2.11           GLONASS NAV DATA", "RINEX VERSION / TYPE") +
        hdr("", "END OF HEADER") + nav2_first(3, 18, 7, 29, 0, 15, 0.0, 2.5e-5, 0, 900) +
        nav2_orbit(-1234.5, 0.1, 0, 0) + nav2_orbit(2, 0.2, 0, 5) + nav2_orbit(3, 0.3, 0, 0) +
        nav2_first(24, 18, 7, 29, 0, 45, 0.0, 1e-5, 0, 2700) + nav2_orbit(4, 0, 0, 1) +
        nav2_orbit(5, 0, 0, -7) + nav2_orbit(6, 0, 0, 0);
    RecordingNav out;
    RecordingErrors errors;
    ASSERT_EQ(read_text(text, nullptr, &out, &errors), eRNX_S_OK);
    ASSERT_EQ(out.glo.size(), 2u);
    EXPECT_EQ(out.glo[0].slot, 3);
    EXPECT_DOUBLE_EQ(out.glo[0].x, -1234.5);
    EXPECT_DOUBLE_EQ(out.glo[0].messageFrameTime, 900);
    EXPECT_DOUBLE_EQ(out.glo[0].frequencyNumber, 5);
    EXPECT_EQ(out.glo[1].slot, 24);
    EXPECT_DOUBLE_EQ(out.glo[1].health, 1);
    EXPECT_DOUBLE_EQ(out.glo[1].frequencyNumber, -7);
}

TEST(NavReader, Version4DeliversTheThreeSystemsAndReadsPastTheRest) {
    const std::string text =
        version_line(4.00, 'N', 'M') + hdr("    18", "LEAP SECONDS") + hdr("", "END OF HEADER") +
        "> EPH G01 LNAV\n" + gps3("G01", 0) + "> EPH E11 INAV\n" + gal3("E11", 517) +
        "> EPH E11 FNAV\n" + gal3("E11", 258) + "> EPH C19 CNV1\n" +
        nav3_first("C19", 2020, 1, 1, 0, 0, 0, 1, 2, 3) + nav3_orbit(1, 2, 3, 4) +
        "> STO G01 LNAV\n" + "    2022 06 08 10 00 00 GPUT\n" + "> ION G01 LNAV\n" +
        "    2022 06 08 10 00 00 1 2 3\n" + "> EPH R05 FDMA\n" + glo3("R05", true) +
        "> EPH J01 LNAV\n" + gps3("J01", 0);
    RecordingNav out;
    RecordingErrors errors;
    ASSERT_EQ(read_text(text, nullptr, &out, &errors), eRNX_S_OK);
    EXPECT_TRUE(errors.all.empty());
    ASSERT_EQ(out.gps.size(), 1u);
    ASSERT_EQ(out.gal.size(), 2u);
    EXPECT_EQ(out.gal[0].messageType, 'I');
    EXPECT_EQ(out.gal[1].messageType, 'F');
    EXPECT_EQ(out.gal[1].dataSources, 258);
    ASSERT_EQ(out.glo.size(), 1u);
    EXPECT_EQ(out.glo[0].hasStatusLine, 1);
}

TEST(NavReader, DamagedMessagesAreReadPastAndReported) {
    std::string cut = gps3("G03", 1);
    cut.resize(cut.size() - (4 + 19 * 4 + 1) * 2);  // the last two orbit lines are missing
    std::string bad = gps3("G04", 1);
    bad.replace(bad.find("D+00", 100), 4, "Q+00");  // a value that is not a number
    const std::string text =
        version_line(3.04, 'N', 'G') + hdr("", "END OF HEADER") + cut + bad + gps3("G05", 1);
    RecordingNav out;
    RecordingErrors errors;
    EXPECT_EQ(read_text(text, nullptr, &out, &errors), eRNX_W_DATA_OBS_MISSING);
    ASSERT_EQ(out.gps.size(), 1u);
    EXPECT_EQ(out.gps[0].prn, 5);
    EXPECT_TRUE(errors.has(eRNX_W_DATA_OBS_MISSING, 3));
    EXPECT_TRUE(errors.has(eRNX_W_DATA_READ_ERROR, 9));
}

TEST(NavReader, FileKindsTheNavigationReaderDoesNotRead) {
    struct Case {
        const char* name;
        std::string text;
        eRNX expected;
    };
    const Case cases[] = {
        {"version 2 Galileo", hdr("     2.12           E", "RINEX VERSION / TYPE"),
         eRNX_E_FILE_TYPE_NOT_SUPPORTED},
        {"version 1", hdr("     1.00           N", "RINEX VERSION / TYPE"),
         eRNX_E_FORMAT_VERSION_NOT_SUPPORTED},
        {"no END OF HEADER", version_line(3.04, 'N', 'G') + hdr("x", "COMMENT"),
         eRNX_E_HEADER_DATA_MISSING},
        {"observation file without an observation handler", version_line(3.04, 'O', 'G'),
         eRNX_E_FILE_TYPE_NOT_SUPPORTED},
    };
    for (const Case& c : cases) {
        RecordingNav out;
        RecordingErrors errors;
        EXPECT_EQ(read_text(c.text, nullptr, &out, &errors), c.expected) << c.name;
    }
}

// Number forms writers use, and last lines that stop after their first fields.
TEST(NavReader, NumberFormsAndShortLastLinesOfVersion3Writers) {
    struct Case {
        const char* what;
        std::string orbit1;  // IODE, Crs, delta n, M0 as written
        std::string last;    // the last orbit line
    };
    const std::string plainLast = nav3_orbit(25, 4, 0, 0);
    const Case cases[] = {
        {"upper-case D", "    " + d19(45) + d19(-12.5) + d19(4.5e-9) + d19(1.25) + "\n", plainLast},
        {"lower-case e",
         "     4.500000000000e+01-1.250000000000e+01 4.500000000000e-09 1.250000000000e+00\n",
         plainLast},
        {"lower-case d",
         "     4.500000000000d+01-1.250000000000d+01 4.500000000000d-09 1.250000000000d+00\n",
         plainLast},
        {"no leading zero",
         "      .450000000000D+02 -.125000000000D+02  .450000000000E-08  .125000000000e+01\n",
         plainLast},
        {"last line with the transmission time only", nav3_orbit(45, -12.5, 4.5e-9, 1.25),
         "    " + d19(25) + "\n"},
        {"last line up to the fit interval", nav3_orbit(45, -12.5, 4.5e-9, 1.25),
         "    " + d19(25) + d19(4) + "\n"},
    };
    for (const Case& c : cases) {
        std::string message = nav3_first("G07", 2020, 1, 1, 2, 0, 0, 1e-4, 0, 0) + c.orbit1;
        for (int line = 1; line < 6; ++line) message += nav3_orbit(1, 2, 3, 4);
        RecordingNav out;
        RecordingErrors errors;
        EXPECT_EQ(
            read_text(version_line(3.04, 'N', 'G') + hdr("", "END OF HEADER") + message + c.last,
                      nullptr, &out, &errors),
            eRNX_S_OK)
            << c.what;
        ASSERT_EQ(out.gps.size(), 1u) << c.what;
        EXPECT_TRUE(errors.all.empty()) << c.what;
        EXPECT_EQ(out.gps[0].iode, 45) << c.what;
        EXPECT_EQ(out.gps[0].crs, -12.5) << c.what;
        EXPECT_DOUBLE_EQ(out.gps[0].deltaN, 4.5e-9) << c.what;
        EXPECT_EQ(out.gps[0].m0, 1.25) << c.what;
        EXPECT_EQ(out.gps[0].transmissionTime, 25) << c.what;
    }
}
