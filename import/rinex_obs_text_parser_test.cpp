#include "import/rinex_obs_text_parser.h"

#include <gtest/gtest.h>

#include <cmath>

#include "import/file_converter.h"
#include "import/import_test_support.h"

using namespace import_test;

namespace {

VYR_ERROR convert(const std::string& path, std::vector<VYR_STATION_RINEX>& out) {
    CVyrFileConverter converter;
    return converter.ConvertRinexObs(path.c_str(), out, nullptr);
}

const VYR_OBSERVATIONEPOCH_SV* find_sat(const VYR_OBSERVATIONEPOCH& epoch,
                                        VYR_SATELLITE_SYSTEM system, uint8_t prn) {
    for (const auto& s : epoch.satellites)
        if (s.satId.system == system && s.satId.prn == prn) return &s;
    return nullptr;
}

class TextParser : public testing::Test {
protected:
    ScratchDir dir;
    std::vector<VYR_STATION_RINEX> out;
};

TEST_F(TextParser, L1AndL2FollowTheCodesTheSatelliteHasAndTheAntiSpoofingDigit) {
    // Two-digit year 99, CR LF line ends, and digits behind every value, codes too: they must not
    // be read as more decimals.
    const std::string file = v2_header({"L1", "L2", "C1", "P2"}) +
                             v2_epoch(99, 12, 31, 23, 59, 30, 0, {"G05", "G16"}) +
                             obs(110000000.123, 1, 7) + obs(85000000.456, 0, 6) +
                             obs(20635665.785, 4, 8) + obs(20635667.100) + "\n" + obs(120000000.5) +
                             obs(95000000.25, 4, 5) + obs(21000000.0) + obs(21000002.5) + "\n";
    std::string crlf;
    for (char c : file) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    ASSERT_EQ(convert(dir.Write("a.99o", crlf), out), VYR_OK);
    ASSERT_EQ(out.size(), 1u);
    ASSERT_EQ(out[0].epochs.size(), 1u);
    const VYR_OBSERVATIONEPOCH& epoch = out[0].epochs[0];
    EXPECT_EQ(epoch.mjd, 51543u);  // 1999-12-31
    const auto* g05 = find_sat(epoch, VYR_SATSYS_GPS, 5);
    const auto* g16 = find_sat(epoch, VYR_SATSYS_GPS, 16);
    ASSERT_NE(g05, nullptr);
    ASSERT_NE(g16, nullptr);
    // No P1: L1 is the C/A phase, with C1's code; P2 present: L2 is P tracking.
    ASSERT_NE(signal_of(*g05, VYR_OBS_L1CA), nullptr);
    EXPECT_EQ(+signal_of(*g05, VYR_OBS_L1CA)->phase, 110000000.123);
    EXPECT_EQ(+signal_of(*g05, VYR_OBS_L1CA)->code, 20635665.785);
    EXPECT_EQ(+signal_of(*g05, VYR_OBS_L1CA)->flags, 0x0103);  // loss of lock on the phase
    ASSERT_NE(signal_of(*g05, VYR_OBS_L2P), nullptr);
    EXPECT_EQ(+signal_of(*g05, VYR_OBS_L2P)->phase, 85000000.456);
    EXPECT_EQ(+signal_of(*g05, VYR_OBS_L2P)->code, 20635667.100);
    // Loss-of-lock digit 4 on L2: tracking under anti-spoofing.
    EXPECT_EQ(signal_of(*g16, VYR_OBS_L2P), nullptr);
    ASSERT_NE(signal_of(*g16, VYR_OBS_L2Y), nullptr);
    EXPECT_EQ(+signal_of(*g16, VYR_OBS_L2Y)->phase, 95000000.25);
    EXPECT_EQ(+signal_of(*g16, VYR_OBS_L2Y)->code, 21000002.5);
}

TEST_F(TextParser, ContinuationLinesOfSatellitesAndOfTypes) {
    // 14 satellites (two list lines), 11 types (two header lines, three data lines each).
    const std::vector<std::string> types = {"L1", "L2", "C1", "P1", "P2", "D1",
                                            "D2", "S1", "S2", "L5", "C5"};
    std::vector<std::string> sats;
    for (int i = 1; i <= 14; ++i) sats.push_back(format("G%02d", i));
    std::string file = v2_header(types) + v2_epoch(15, 2, 13, 0, 1, 0.0, 0, sats);
    for (int i = 1; i <= 14; ++i) {
        file += obs(100000000.0 + i) + obs(80000000.0 + i) + obs(20000000.0 + i) +
                obs(20000000.5 + i) + obs(20000001.0 + i) + "\n";
        // L5 and C5 only for odd satellites: even ones leave a blank field and a blank line.
        file += obs(-1000.5) + obs(-800.25) + obs(45.0) + obs(40.0) +
                (i % 2 ? obs(70000000.0 + i) : std::string(16, ' ')) + "\n";
        file += (i % 2 ? obs(20000003.0 + i) : std::string()) + "\n";
    }
    file += v2_epoch(15, 2, 13, 0, 1, 30.0, 0, {"G01"}) + obs(1.5) + "\n\n\n";
    ASSERT_EQ(convert(dir.Write("a.15o", file), out), VYR_OK);
    ASSERT_EQ(out.at(0).epochs.size(), 2u);
    const VYR_OBSERVATIONEPOCH& epoch = out[0].epochs[0];
    ASSERT_EQ(epoch.satellites.size(), 14u);
    const auto* g14 = find_sat(epoch, VYR_SATSYS_GPS, 14);
    const auto* g13 = find_sat(epoch, VYR_SATSYS_GPS, 13);
    ASSERT_NE(g14, nullptr);
    ASSERT_NE(g13, nullptr);
    // P1 present: L1 goes with P1.
    ASSERT_NE(signal_of(*g14, VYR_OBS_L1P), nullptr);
    EXPECT_EQ(+signal_of(*g14, VYR_OBS_L1P)->phase, 100000014.0);
    EXPECT_EQ(+signal_of(*g14, VYR_OBS_L1P)->code, 20000014.5);
    EXPECT_EQ(+signal_of(*g14, VYR_OBS_L1CA)->code, 20000014.0);
    EXPECT_EQ(signal_of(*g14, VYR_OBS_L5), nullptr);
    ASSERT_NE(signal_of(*g13, VYR_OBS_L5), nullptr);
    EXPECT_EQ(+signal_of(*g13, VYR_OBS_L5)->phase, 70000013.0);
    EXPECT_EQ(+signal_of(*g13, VYR_OBS_L5)->code, 20000016.0);
    EXPECT_EQ(out[0].epochs[1].satellites.size(), 1u);
    EXPECT_NEAR(out[0].epochs[1].fraction * 86400.0, 90.0, 1e-6);
}

TEST_F(TextParser, HeaderRules) {
    struct Case {
        const char* what;
        std::string file;
        VYR_ERROR result;
    };
    const std::string epoch = v2_epoch(15, 2, 13, 0, 0, 0.0, 0, {"G01"}) + obs(1.0) + "\n";
    const Case cases[] = {
        {"GLONASS only", v2_header({"L1"}, "", 2.11, 'R') + epoch, VYR_E_UNSUPPORTED_FILE},
        {"mixed", v2_header({"L1"}, "", 2.11, 'M') + epoch, VYR_OK},
        {"blank system", v2_header({"L1"}, "", 2.11, ' ') + epoch, VYR_OK},
        {"no first obs", v2_header({"L1"}, "", 2.11, 'G', false) + epoch,
         VYR_E_HEADER_OR_DATA_MISSING},
        {"unknown type", v2_header({"L1", "X9"}) + epoch, VYR_E_UNSUPPORTED_FILE},
        {"short position",
         v2_header({"L1"}, hdr("  4201575.8243   189863.5678", "APPROX POSITION XYZ")) + epoch,
         VYR_E_FAILED_TO_READ},
        {"types promised, not listed",
         [] {
             std::string h = v2_header({"L1"});
             return h.replace(h.find("     1    L1"), 6, "     2");
         }(),
         VYR_E_HEADER_OR_DATA_MISSING},
        {"header never ends",
         [] {
             const std::string h = v2_header({"L1"});
             return h.substr(0, h.find("END OF HEADER") - 60);
         }(),
         VYR_E_HEADER_OR_DATA_MISSING},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(convert(dir.Write("a.15o", c.file), out), c.result) << c.what;
    }
}

TEST(LeapSeconds, InForceFromTheFirstDayOfEachStep) {
    struct Case {
        uint32_t mjd;
        int leap;
    };
    for (const Case& c : {Case{44785, 0}, Case{44786, 1}, Case{55197, 15}, Case{56108, 15},
                          Case{56109, 16}, Case{60000, 16}})
        EXPECT_EQ(vyr_import::leap_seconds_on(c.mjd), c.leap) << c.mjd;
}

TEST_F(TextParser, EventFlagsMakeOccupationsAndReadTheirHeaderLines) {
    const auto one = [](int mi, double s) {
        return v2_epoch(15, 2, 13, 1, mi, s, 0, {"G01"}) + obs(1000.5) + "\n";
    };
    const std::string file =
        v2_header({"L1"}) + one(0, 0) + one(0, 30) +
        // Start moving, one comment line; then kinematic epochs.
        " 15  2 13  1  0 45.0000000  2  1\n" + hdr("ANTENNA MOVES", "COMMENT") + one(1, 0) +
        one(1, 30) +
        // A new site occupation without a date, with its marker; then static epochs.
        std::string(28, ' ') + "3  2\n" + hdr("SECONDPT", "MARKER NAME") +
        hdr("        0.5000        0.0000        0.0000", "ANTENNA: DELTA H/E/N") + one(2, 0) +
        // Header lines only: a new antenna.
        std::string(28, ' ') + "4  1\n" +
        hdr(format("%-20s%-20s", "ANT88", "NEWANTENNA"), "ANT # / TYPE") +
        // Cycle-slip records are skipped with their data lines; an external event too.
        v2_epoch(15, 2, 13, 1, 2, 15, 6, {"G01"}) + obs(999.0) + "\n" +
        v2_epoch(15, 2, 13, 1, 2, 20, 5, {}) + one(2, 30);
    ASSERT_EQ(convert(dir.Write("a.15o", file), out), VYR_OK);
    ASSERT_EQ(out.size(), 1u);
    const VYR_STATION_RINEX& station = out[0];
    ASSERT_EQ(station.epochs.size(), 6u);
    ASSERT_EQ(station.occupations.size(), 3u);
    const double day = station.occupations[0].start - std::fmod(station.occupations[0].start, 1.0);
    const auto at = [day](int h, int m, double s) { return day + (h * 3600 + m * 60 + s) / 86400; };
    EXPECT_EQ(+station.occupations[0].mode, VYR_OCCUPATION::MODE_STATIC);
    EXPECT_NEAR(+station.occupations[0].start, at(1, 0, 0), 1e-9);
    EXPECT_NEAR(+station.occupations[0].end, at(1, 0, 30), 1e-9);
    EXPECT_STREQ(station.occupations[0].markerName, "TESTMARK");
    EXPECT_EQ(+station.occupations[1].mode, VYR_OCCUPATION::MODE_KINEMATIC);
    EXPECT_NEAR(+station.occupations[1].start, at(1, 0, 45), 1e-9);
    EXPECT_NEAR(+station.occupations[1].end, at(1, 1, 30), 1e-9);
    EXPECT_EQ(+station.occupations[2].mode, VYR_OCCUPATION::MODE_STATIC);
    EXPECT_NEAR(+station.occupations[2].start, at(1, 1, 30), 1e-9);
    EXPECT_NEAR(+station.occupations[2].end, at(1, 2, 30), 1e-9);
    EXPECT_STREQ(station.occupations[2].markerName, "SECONDPT");
    EXPECT_DOUBLE_EQ(+station.occupations[2].antennaHeight, 0.5);
    EXPECT_STREQ(station.antennaType, "NEWANTENNA");
    EXPECT_EQ(station.epochs[2].occupation, VYR_OBSERVATIONEPOCH::OCCUPATION_KINEMATIC);
    EXPECT_EQ(station.epochs[4].occupation, VYR_OBSERVATIONEPOCH::OCCUPATION_STATIC);
}

TEST_F(TextParser, DataBlockCutShortOrBadSatelliteIsReportedWithItsLine) {
    const std::string header = v2_header({"L1", "C1"});
    const int headerLines = 9;
    RecordingSink sink;
    const std::string cut =
        header + v2_epoch(15, 2, 13, 0, 0, 0, 0, {"G01", "G02"}) + obs(1.0) + obs(2.0) + "\n";
    EXPECT_EQ(Vyr_ConvertRinexObsToSink(dir.Write("a.15o", cut).c_str(), sink),
              VYR_E_HEADER_OR_DATA_MISSING);
    EXPECT_EQ(sink.failures, 1);
    EXPECT_EQ(sink.failureLine, uint32_t(headerLines + 2));
    EXPECT_TRUE(sink.stations.empty());

    RecordingSink bad;
    const std::string badSat = header + v2_epoch(15, 2, 13, 0, 0, 0, 0, {"GXX"}) + obs(1.0) + "\n";
    EXPECT_EQ(Vyr_ConvertRinexObsToSink(dir.Write("b.15o", badSat).c_str(), bad),
              VYR_E_FAILED_TO_READ);
    EXPECT_EQ(bad.failureLine, uint32_t(headerLines + 1));
}

TEST_F(TextParser, TextFieldsAreCutToTheirRecordFields) {
    const std::string longName(60, 'M');
    std::string header = v2_header({"L1"});
    header.replace(header.find("TESTMARK"), 60, longName);
    header.replace(header.find("TRIMBLE 5700"), 20, "TRIMBLE NETR9 GEODET");
    header.replace(header.find("ANT77"), 20, std::string(20, 'N'));
    header.replace(header.find("TRM41249.00     NONE"), 20, std::string(20, 'T'));
    const std::string file = header + v2_epoch(15, 2, 13, 0, 0, 0, 0, {"G01"}) + obs(1.0) + "\n";
    ASSERT_EQ(convert(dir.Write("a.15o", file), out), VYR_OK);
    const VYR_STATION_RINEX& s = out.at(0);
    EXPECT_EQ(std::string(s.occupations.at(0).markerName), longName.substr(0, 16));
    EXPECT_STREQ(s.receiverType, "TRIMBLE NETR9 GE");
    EXPECT_EQ(+s.receiverTypeId, 204);
    EXPECT_STREQ(s.receiverNumber, "5121");
    EXPECT_EQ(std::string(s.antennaNumber), std::string(10, 'N'));
    EXPECT_EQ(std::string(s.antennaType), std::string(20, 'T'));
    EXPECT_EQ(+s.aprioriValid, 1);
    EXPECT_EQ(+s.aprioriPointIndex, 1u);
    EXPECT_DOUBLE_EQ(+s.aprioriX, 4201575.8243);
    EXPECT_FLOAT_EQ(+s.antennaEast, 0.01f);
    EXPECT_FLOAT_EQ(+s.antennaNorth2, 0.02f);
    EXPECT_DOUBLE_EQ(+s.occupations[0].antennaHeight, 1.234);
}

TEST_F(TextParser, PhaseShiftIsSubtractedForItsSatellitesAndTheOldCodeNameC2ReadsAsP2) {
    const std::string shift = hdr("G L2   0.25000   1 G05", "SYS / PHASE SHIFT") +
                              hdr("G L1  -0.50000", "SYS / PHASE SHIFT");
    const std::string file = v2_header({"L1", "L2", "C2"}, shift, 2.12) +
                             v2_epoch(15, 2, 13, 0, 0, 0, 0, {"G05", "G06"}) + obs(100.0) +
                             obs(200.0) + obs(3000.0) + "\n" + obs(100.0) + obs(200.0) +
                             obs(3000.0) + "\n";
    ASSERT_EQ(convert(dir.Write("a.15o", file), out), VYR_OK);
    const auto& epoch = out.at(0).epochs.at(0);
    // Version 2.12: L1 goes with P, and C2 is the P code on L2.
    EXPECT_EQ(+signal_of(epoch.satellites.at(0), VYR_OBS_L1P)->phase, 100.5);
    EXPECT_EQ(+signal_of(epoch.satellites.at(0), VYR_OBS_L2P)->phase, 199.75);
    EXPECT_EQ(+signal_of(epoch.satellites.at(0), VYR_OBS_L2P)->code, 3000.0);
    EXPECT_EQ(+signal_of(epoch.satellites.at(1), VYR_OBS_L2P)->phase, 200.0);
    EXPECT_EQ(+signal_of(epoch.satellites.at(1), VYR_OBS_L1P)->phase, 100.5);
}

TEST_F(TextParser, OtherSystemsAndGalileoSignals) {
    const std::string file = v2_header({"L1", "C1", "L5"}, "", 2.11, 'M') +
                             v2_epoch(18, 1, 1, 0, 0, 0, 0, {"E11", "R03", "S20", "C05", "J01"}) +
                             obs(1.0) + obs(2.0) + obs(3.0) + "\n" + obs(4.0) + obs(5.0) + "\n" +
                             obs(6.0) + obs(7.0) + "\n" + obs(8.0) + "\n" + obs(9.0) + "\n";
    RecordingSink sink;
    ASSERT_EQ(Vyr_ConvertRinexObsToSink(dir.Write("a.18o", file).c_str(), sink), VYR_OK);
    using Counts = std::vector<std::pair<char, uint64_t>>;
    EXPECT_EQ(sink.systemsReadPast, (Counts{{'C', 1}, {'J', 1}}));
    ASSERT_EQ(convert(dir.Write("a.18o", file), out), VYR_OK);
    const auto& epoch = out.at(0).epochs.at(0);
    ASSERT_EQ(epoch.satellites.size(), 3u);  // BeiDou and QZSS read past
    const auto* e11 = find_sat(epoch, VYR_SATSYS_GALILEO, 11);
    ASSERT_NE(e11, nullptr);
    EXPECT_EQ(+signal_of(*e11, VYR_OBS_E1)->phase, 1.0);
    EXPECT_EQ(+signal_of(*e11, VYR_OBS_E1)->code, 2.0);
    EXPECT_EQ(+signal_of(*e11, VYR_OBS_E5A)->phase, 3.0);
    EXPECT_NE(find_sat(epoch, VYR_SATSYS_GLONASS, 3), nullptr);
    const auto* s20 = find_sat(epoch, VYR_SATSYS_SBAS, 1);
    ASSERT_NE(s20, nullptr);
    EXPECT_EQ(+signal_of(*s20, VYR_OBS_L1CA)->code, 7.0);
}

}  // namespace

TEST_F(TextParser, DopplerAndStrengthGoToTheSlotOfTheirBandsPhaseOnlyWhenAskedFor) {
    // G05 has P1 (L1 is the P phase, type 2) and P2; E11 is Galileo (L1 is E1, L5 is E5a).
    const std::vector<std::string> types = {"L1", "L2", "C1", "P1", "P2", "D1", "D2",
                                            "S1", "S2", "L5", "D5", "S5", "D6", "S6"};
    auto values = [](double p1, double l5, double d6) {
        return obs(110000000.125, 1) + obs(85000000.5) + obs(20000000.25) + obs(p1) +
               obs(20000002.75) + "\n" + obs(-1234.567) + obs(-961.875) + obs(45.125) + obs(38.0) +
               obs(l5) + "\n" + obs(-921.5) + obs(40.04) + obs(d6) + obs(47.5) + "\n";
    };
    const std::string file = v2_header(types, "", 2.11, 'M') +
                             v2_epoch(15, 2, 13, 0, 0, 0, 0, {"G05", "E11"}) +
                             values(20000001.5, 0.0, 555.0) + values(0.0, 90000000.25, 777.0);
    const std::string path = dir.Write("ds.15o", file);
    using Signal = VYR_OBSERVATIONEPOCH_SIGNAL;
    struct Expect {
        VYR_SATELLITE_SYSTEM system;
        uint8_t prn;
        VYR_OBSTYPE type;
        double doppler;
        uint16_t quality;
        uint16_t extraFlags;  // beyond phase and code
        bool extrasOnly;      // no phase or code: no signal at all unless asked for
    };
    constexpr uint16_t kBoth = Signal::kDopplerValid | Signal::kQualityValid;
    const Expect kept[] = {
        {VYR_SATSYS_GPS, 5, VYR_OBS_L1P, -1234.567, 903, kBoth, false},
        {VYR_SATSYS_GPS, 5, VYR_OBS_L2P, -961.875, 760, kBoth, false},
        // No L5 phase: the band's Doppler and strength make the signal, as in version 3.
        {VYR_SATSYS_GPS, 5, VYR_OBS_L5, -921.5, 801, kBoth, true},
        {VYR_SATSYS_GALILEO, 11, VYR_OBS_E1, -1234.567, 903, kBoth, false},
        {VYR_SATSYS_GALILEO, 11, VYR_OBS_E5A, -921.5, 801, kBoth, false},
        // Band 6 is Galileo's E6 only.
        {VYR_SATSYS_GALILEO, 11, VYR_OBS_E6, 777.0, 950, kBoth, true},
    };
    for (const bool asked : {false, true}) {
        SCOPED_TRACE(asked ? "asked for" : "as described");
        RecordingSink sink;
        ASSERT_EQ(convert_with(path, sink, asked, false), VYR_OK);
        ASSERT_EQ(sink.epochs.size(), 1u);
        const VYR_OBSERVATIONEPOCH& epoch = sink.epochs[0];
        const auto* g05 = find_sat(epoch, VYR_SATSYS_GPS, 5);
        ASSERT_NE(g05, nullptr);
        EXPECT_EQ(signal_of(*g05, VYR_OBS_E6), nullptr);  // GPS has no band 6 of ours
        for (const Expect& e : kept) {
            SCOPED_TRACE(std::to_string(e.prn) + "/" + std::to_string(e.type));
            const auto* sat = find_sat(epoch, e.system, e.prn);
            ASSERT_NE(sat, nullptr);
            const auto* signal = signal_of(*sat, e.type);
            if (e.extrasOnly && !asked) {
                EXPECT_EQ(signal, nullptr);
                continue;
            }
            ASSERT_NE(signal, nullptr);
            const uint16_t extra = signal->flags & (Signal::kDopplerValid | Signal::kQualityValid);
            EXPECT_EQ(extra, asked ? e.extraFlags : 0);
            EXPECT_EQ(+signal->doppler, asked ? e.doppler : 0.0);
            EXPECT_EQ(+signal->quality, asked ? e.quality : 0);
        }
    }
}

TEST_F(TextParser, InputEndingInsideAnEpochIsACutThatSalvageTurnsIntoItsWholeEpochs) {
    // Header lines 1-9; epoch records at lines 10, 13 and 16 (two satellites, one line each).
    const std::string header = v2_header({"L1", "C1"});
    std::string whole = header;
    std::vector<size_t> recordAt;
    for (int i = 0; i < 3; ++i) {
        recordAt.push_back(whole.size());
        whole += v2_epoch(15, 2, 13, 0, i, 0.0, 0, {"G01", "G02"}) + obs(110000000.125 + i) +
                 obs(20000000.25 + i) + "\n" + obs(120000000.5 + i) + obs(21000000.75 + i) + "\n";
    }
    const size_t lastSatelliteAt = whole.rfind(obs(120000000.5 + 2));
    struct Case {
        const char* name;
        std::string text;
        size_t epochs;  // handed out whole
        bool cut;
        uint32_t failureLine;
    };
    const Case cases[] = {
        {"whole", whole, 3, false, 0},
        {"last line without its end", whole.substr(0, whole.size() - 1), 3, false, 0},
        {"at an epoch boundary", whole.substr(0, recordAt[2]), 2, false, 0},
        {"a satellite's line missing", whole.substr(0, lastSatelliteAt), 2, true, 17},
        {"inside a value", whole.substr(0, lastSatelliteAt + 16 + 8), 2, true, 18},
        {"inside the epoch record", whole.substr(0, recordAt[2] + 20), 2, true, 16},
        {"inside the satellite list", whole.substr(0, recordAt[2] + 36), 2, true, 16},
    };
    for (const Case& c : cases) {
        for (const bool salvage : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (salvage ? ", salvaged" : ""));
            RecordingSink sink;
            const VYR_ERROR result =
                convert_with(dir.Write("cut.15o", c.text), sink, false, salvage);
            ASSERT_EQ(sink.epochs.size(), c.epochs);
            EXPECT_EQ(sink.epochs.back().satellites.size(), 2u);
            EXPECT_EQ(sink.cuts, c.cut ? 1 : 0);
            if (!c.cut || salvage) {
                EXPECT_EQ(result, VYR_OK);
                EXPECT_EQ(sink.failures, 0);
                ASSERT_EQ(sink.stations.size(), 1u);
                ASSERT_EQ(sink.stations[0].occupations.size(), 1u);
                EXPECT_DOUBLE_EQ(sink.stations[0].occupations[0].end,
                                 sink.epochs.back().mjd + sink.epochs.back().fraction);
            } else {
                EXPECT_EQ(result, VYR_E_HEADER_OR_DATA_MISSING);
                EXPECT_EQ(sink.failures, 1);
                EXPECT_EQ(sink.failureLine, c.failureLine);
                EXPECT_TRUE(sink.stations.empty());
            }
            if (c.cut) {
                EXPECT_EQ(sink.cutEpochs, c.epochs);
                EXPECT_EQ(sink.cutLine, 15u);  // the second epoch's last line
                EXPECT_NE(sink.cutText.find("inside the epoch of line 16"), std::string::npos)
                    << sink.cutText;
            }
        }
    }

    // A file cut inside its header is no cut: nothing to salvage.
    RecordingSink inHeader;
    EXPECT_EQ(convert_with(dir.Write("h.15o", header.substr(0, header.size() - 30)), inHeader,
                           false, true),
              VYR_E_HEADER_OR_DATA_MISSING);
    EXPECT_EQ(inHeader.cuts, 0);
    EXPECT_EQ(inHeader.failures, 1);
}

// Header records of version-2 files written off their columns or not known: what the import can
// do without is read past with a warning naming its line; what changes the values refuses the
// file with its line.
TEST_F(TextParser, HeaderRecordsTheImportCanDoWithoutAreReadPastWithAWarning) {
    struct Case {
        const char* what;
        std::string line;  // goes in as line 9, before "END OF HEADER"
        VYR_ERROR result;
        const char* told;  // the start of the warning or failure of line 9; empty: none
        double l1;         // the L1 phase the epoch keeps
    };
    const Case cases[] = {
        {"leap seconds that are no number", hdr("  eighteen", "LEAP SECONDS"), VYR_OK,
         "\"LEAP SECONDS\" does not parse", 1.0},
        {"leap seconds in odd columns", hdr("       +17  ", "LEAP SECONDS"), VYR_OK, "", 1.0},
        {"a phase shift without its value", hdr("G L1", "SYS / PHASE SHIFT"), VYR_OK,
         "\"SYS / PHASE SHIFT\" of L1 gives no correction", 1.0},
        {"a phase shift of a system not read", hdr("C L2I -0.25000", "SYS / PHASE SHIFT"), VYR_OK,
         "\"SYS / PHASE SHIFT\" of system 'C'", 1.0},
        {"an empty phase shift record", hdr("", "SYS / PHASE SHIFT"), VYR_OK, "", 1.0},
        {"a phase shift that is applied", hdr("G L1   0.25000", "SYS / PHASE SHIFT"), VYR_OK, "",
         0.75},
        {"slots of a later version", hdr("  1 R01  1", "GLONASS SLOT / FRQ #"), VYR_OK, "", 1.0},
        {"an antenna offset of a later version", hdr("  0.1 0.2 0.3", "ANTENNA: DELTA X/Y/Z"),
         VYR_OK, "", 1.0},
        {"a label a column late", "    30.000" + std::string(51, ' ') + "INTERVAL\n", VYR_OK, "",
         1.0},
        {"a later version's label a column late",
         "  1 R01  1" + std::string(51, ' ') + "GLONASS SLOT / FRQ #\n", VYR_OK, "", 1.0},
        {"an unknown label", hdr("Pixel 7", "PHONE MODEL"), VYR_OK,
         "unknown header label \"PHONE MODEL\"", 1.0},
        {"a line without a label", "just some text\n", VYR_OK, "a header line without a label",
         1.0},
        // Needed: the values depend on them.
        {"a phase shift that cannot be read", hdr("G L1  quarter", "SYS / PHASE SHIFT"),
         VYR_E_FAILED_TO_READ, "the phase shift correction does not parse", 0.0},
        {"a scale factor", hdr("G   10   1 L1", "SYS / SCALE FACTOR"), VYR_E_UNSUPPORTED_FILE,
         "\"SYS / SCALE FACTOR\" is not applied", 0.0},
        {"a first observation that does not parse", hdr("  2015 February 13", "TIME OF FIRST OBS"),
         VYR_E_FAILED_TO_READ, "\"TIME OF FIRST OBS\" does not parse", 0.0},
    };
    const std::string epoch = v2_epoch(15, 2, 13, 0, 0, 0.0, 0, {"G01"}) + obs(1.0) + "\n";
    for (const Case& c : cases) {
        RecordingSink sink;
        const std::string path = dir.Write("a.15o", v2_header({"L1"}, c.line) + epoch);
        EXPECT_EQ(Vyr_ConvertRinexObsToSink(path.c_str(), sink), c.result) << c.what;
        std::vector<std::string> told;
        for (size_t i = 0; i < sink.warnings.size(); ++i) {
            EXPECT_EQ(sink.warningLines[i], 9u) << c.what << ": " << sink.warnings[i];
            told.push_back(sink.warnings[i]);
        }
        if (sink.failures > 0) {
            EXPECT_EQ(sink.failureLine, 9u) << c.what;
            told.push_back(sink.failureText);
        }
        if (*c.told == '\0') {
            EXPECT_TRUE(told.empty()) << c.what << ": " << (told.empty() ? "" : told[0]);
        } else {
            ASSERT_EQ(told.size(), 1u) << c.what;
            EXPECT_EQ(told[0].rfind(c.told, 0), 0u) << c.what << ": " << told[0];
        }
        if (c.result != VYR_OK) continue;
        ASSERT_EQ(sink.epochs.size(), 1u) << c.what;
        const VYR_OBSERVATIONEPOCH_SV* sat = find_sat(sink.epochs[0], VYR_SATSYS_GPS, 1);
        ASSERT_NE(sat, nullptr) << c.what;
        ASSERT_FALSE(sat->observations.empty()) << c.what;
        EXPECT_DOUBLE_EQ(sat->observations[0].phase, c.l1) << c.what;
    }
}
