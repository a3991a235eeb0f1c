#include "import/convert_file_rinex_obs.h"

#include <gtest/gtest.h>

#include <cstring>

#include "import/import_test_support.h"

using namespace import_test;

namespace {

// A version-3 GPS file of code, phase and strength: header, then the given records.
std::string v3_file(const std::string& records, const std::string& extraHeader = "") {
    return v3_gps_file("G    3 C1C L1C S1C", "FIRSTSITE", records, extraHeader);
}

std::string v3_epoch(int minute, double second, int flag = 0) {
    return format("> 2018 07 29 12 %02d%11.7f  %d 1\n", minute, second, flag) + "G05" +
           obs(20000000.0 + minute * 60 + second) + obs(1.05e8) + obs(45.0) + "\n";
}

std::string v3_event(int flag, int lines, bool dated = true, int minute = 0) {
    return dated ? format("> 2018 07 29 12 %02d%11.7f  %d%3d\n", minute, 0.0, flag, lines)
                 : format(">%30s%d%3d\n", "", flag, lines);
}

class Progress final : public IVyrProgress {
public:
    void Notify() override { ++calls; }
    int calls = 0;
};

class LibraryPath : public testing::Test {
protected:
    VYR_ERROR convert(const std::string& text, IVyrProgress* progress = nullptr) {
        CConvertFileRinexObs converter;
        EXPECT_EQ(converter.SetFileName(dir.Write("a.rnx", text).c_str()), VYR_OK);
        return converter.Convert(out, progress);
    }
    ScratchDir dir;
    std::vector<VYR_STATION_RINEX> out;
};

TEST_F(LibraryPath, StartMovingAfterStaticEpochsGivesAStaticAndAKinematicOccupation) {
    ASSERT_EQ(convert(v3_file(v3_epoch(0, 0) + v3_epoch(0, 30) + v3_event(2, 0, true, 1) +
                              v3_epoch(1, 30) + v3_epoch(2, 0))),
              VYR_OK);
    ASSERT_EQ(out.size(), 1u);
    const VYR_STATION_RINEX& s = out[0];
    ASSERT_EQ(s.epochs.size(), 4u);
    ASSERT_EQ(s.occupations.size(), 2u);
    const double day = 58328.0;
    EXPECT_EQ(+s.occupations[0].mode, VYR_OCCUPATION::MODE_STATIC);
    EXPECT_NEAR(+s.occupations[0].start, day + 0.5, 1e-9);
    EXPECT_NEAR(+s.occupations[0].end, day + 0.5 + 30 / 86400.0, 1e-9);
    EXPECT_EQ(+s.occupations[1].mode, VYR_OCCUPATION::MODE_KINEMATIC);
    EXPECT_NEAR(+s.occupations[1].start, day + 0.5 + 60 / 86400.0, 1e-9);  // the event's time
    EXPECT_NEAR(+s.occupations[1].end, day + 0.5 + 120 / 86400.0, 1e-9);
    EXPECT_DOUBLE_EQ(+s.occupations[1].antennaHeight, 1.5);
    EXPECT_EQ(s.epochs[1].occupation, VYR_OBSERVATIONEPOCH::OCCUPATION_STATIC);
    EXPECT_EQ(s.epochs[2].occupation, VYR_OBSERVATIONEPOCH::OCCUPATION_KINEMATIC);
    EXPECT_STREQ(s.receiverType, "TRIMBLE NETR9");
    EXPECT_EQ(+s.receiverTypeId, 204);
    EXPECT_STREQ(s.antennaType, "TRM59800.00     NONE");
    EXPECT_EQ(+s.aprioriPointIndex, 1u);
}

TEST_F(LibraryPath, NewSiteEventGivesTwoStationsAndNoEmptyOne) {
    const std::string records =
        v3_epoch(0, 0) + v3_epoch(0, 30) + v3_event(3, 2, false) +
        hdr("SECONDSITE", "MARKER NAME") +
        hdr("  4201600.0000   189800.0000  4779000.0000", "APPROX POSITION XYZ") + v3_epoch(5, 0) +
        v3_event(3, 1, true, 6) + hdr("EMPTYSITE", "MARKER NAME");
    ASSERT_EQ(convert(v3_file(records)), VYR_OK);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].epochs.size(), 2u);
    EXPECT_STREQ(out[0].occupations.at(0).markerName, "FIRSTSITE");
    EXPECT_EQ(out[1].epochs.size(), 1u);
    ASSERT_EQ(out[1].occupations.size(), 1u);
    EXPECT_STREQ(out[1].occupations[0].markerName, "SECONDSITE");
    EXPECT_EQ(+out[1].occupations[0].mode, VYR_OCCUPATION::MODE_STATIC);
    EXPECT_DOUBLE_EQ(+out[1].aprioriX, 4201600.0);
    EXPECT_EQ(+out[1].aprioriPointIndex, 2u);
    // The equipment goes along to the new site.
    EXPECT_STREQ(out[1].receiverType, "TRIMBLE NETR9");
    EXPECT_STREQ(out[1].antennaNumber, "A1");
}

// What a file written by our export holds for a station occupied twice: the same site again
// is a new static occupation of the same station, with or without its marker name repeated.
TEST_F(LibraryPath, NewSiteEventOfTheSameSiteIsANewOccupation) {
    for (const std::string& marker : {hdr("FIRSTSITE", "MARKER NAME"), std::string()}) {
        out.clear();
        const std::string records = v3_epoch(0, 0) + v3_event(2, 0, false) + v3_epoch(0, 30) +
                                    v3_event(3, marker.empty() ? 0 : 1, false) + marker +
                                    v3_epoch(1, 0);
        ASSERT_EQ(convert(v3_file(records)), VYR_OK);
        ASSERT_EQ(out.size(), 1u) << marker;
        ASSERT_EQ(out[0].occupations.size(), 3u);
        EXPECT_EQ(+out[0].occupations[1].mode, VYR_OCCUPATION::MODE_KINEMATIC);
        EXPECT_EQ(+out[0].occupations[2].mode, VYR_OCCUPATION::MODE_STATIC);
        EXPECT_STREQ(out[0].occupations[2].markerName, "FIRSTSITE");
        EXPECT_EQ(out[0].epochs.back().occupation, VYR_OBSERVATIONEPOCH::OCCUPATION_STATIC);
    }
}

TEST_F(LibraryPath, ProgressAfterEvery500thEpochOfAStation) {
    std::string records;
    for (int i = 0; i < 1001; ++i) records += v3_epoch(i / 60 % 60, i % 60);
    Progress progress;
    ASSERT_EQ(convert(v3_file(records), &progress), VYR_OK);
    EXPECT_EQ(out.at(0).epochs.size(), 1001u);
    EXPECT_EQ(progress.calls, 2);
}

TEST_F(LibraryPath, StreamingHandsOutWhatTheGatheringConversionKeeps) {
    const std::string text = v3_file(v3_epoch(0, 0) + v3_epoch(0, 30) + v3_event(3, 1, false) +
                                     hdr("SECONDSITE", "MARKER NAME") + v3_epoch(1, 0));
    ASSERT_EQ(convert(text), VYR_OK);
    RecordingSink sink;
    ASSERT_EQ(Vyr_ConvertRinexObsToSink(dir.Write("b.rnx", text).c_str(), sink), VYR_OK);
    ASSERT_EQ(sink.stations.size(), out.size());
    ASSERT_EQ(sink.epochs.size(), 3u);
    EXPECT_EQ(sink.markers, (std::vector<std::string>{"FIRSTSITE", "FIRSTSITE", "SECONDSITE"}));
    EXPECT_EQ(sink.lines, (std::vector<uint32_t>{10, 12, 16}));
    size_t e = 0;
    for (size_t s = 0; s < out.size(); ++s) {
        EXPECT_TRUE(sink.stations[s].epochs.empty());
        EXPECT_EQ(std::memcmp(static_cast<const VYR_STATION_RINEX_SITE*>(&sink.stations[s]),
                              static_cast<const VYR_STATION_RINEX_SITE*>(&out[s]),
                              sizeof(VYR_STATION_RINEX_SITE)),
                  0);
        ASSERT_EQ(sink.stations[s].occupations.size(), out[s].occupations.size());
        for (const VYR_OBSERVATIONEPOCH& epoch : out[s].epochs) {
            EXPECT_EQ(sink.epochs[e].mjd, epoch.mjd);
            EXPECT_EQ(sink.epochs[e].fraction, epoch.fraction);
            ++e;
        }
    }
}

TEST_F(LibraryPath, ASinkThatRefusesAnEpochStopsTheRunAndGetsNoStation) {
    RecordingSink sink;
    sink.failAtEpoch = 2;
    const std::string text = v3_file(v3_epoch(0, 0) + v3_epoch(0, 30) + v3_epoch(1, 0));
    EXPECT_EQ(Vyr_ConvertRinexObsToSink(dir.Write("a.rnx", text).c_str(), sink),
              VYR_E_WRITE_ENTRY_FAILED);
    EXPECT_EQ(sink.epochs.size(), 2u);  // the run stopped at the refusing epoch
    EXPECT_TRUE(sink.stations.empty());
}

}  // namespace

TEST_F(LibraryPath, Version2DopplerAndStrengthLandWhereVersion3PutsThemForTheSameSignals) {
    // The same observations of G05 (C/A and P(Y) on L2), GLONASS R07 and Galileo E11, once as
    // version 2 and once as version 3.
    struct Sat {
        const char* v2;
        const char* v3;
        double values[8];  // L1 C1 D1 S1 L2 P2 D2 S2
    };
    const Sat sats[] = {
        {"G05",
         "G05",
         {110000000.125, 20000000.25, -1234.5, 45.125, 85000000.5, 20000002.75, -961.875, 38.5}},
        {"R07",
         "R07",
         {120000000.25, 21000000.5, 2100.25, 41.0, 93000000.75, 21000003.0, 1633.5, 33.25}},
        {"E11", "E11", {130000000.5, 22000000.75, -500.125, 48.0, 0.0, 0.0, 0.0, 0.0}},
    };
    std::string v2 =
        hdr(format("%9.2f%11s%-20s%c", 2.11, "", "OBSERVATION DATA", 'M'), "RINEX VERSION / TYPE") +
        hdr("     8    L1    C1    D1    S1    L2    P2    D2    S2", "# / TYPES OF OBSERV") +
        hdr("  2018     7    29    12     0    0.0000000     GPS", "TIME OF FIRST OBS") +
        hdr("", "END OF HEADER") + " 18  7 29 12  0  0.0000000  0  3G05R07E11\n";
    std::string v3body = "> 2018 07 29 12 00  0.0000000  0  3\n";
    for (const Sat& s : sats) {
        for (int i = 0; i < 8; ++i) v2 += obs(s.values[i]) + (i == 4 ? "\n" : "");
        v2 += "\n";
        v3body += s.v3;
        for (int i = 0; i < 8; ++i)
            v3body += s.values[i] == 0.0 ? std::string(16, ' ') : obs(s.values[i]);
        v3body += "\n";
    }
    const std::string v3 =
        hdr("     3.04           OBSERVATION DATA    M", "RINEX VERSION / TYPE") +
        hdr("G    8 L1C C1C D1C S1C L2P C2P D2P S2P", "SYS / # / OBS TYPES") +
        hdr("R    8 L1C C1C D1C S1C L2P C2P D2P S2P", "SYS / # / OBS TYPES") +
        hdr("E    8 L1X C1X D1X S1X L5X C5X D5X S5X", "SYS / # / OBS TYPES") +
        hdr("  2018     7    29    12     0    0.0000000     GPS", "TIME OF FIRST OBS") +
        hdr("", "END OF HEADER") + v3body;

    RecordingSink fromV2;
    RecordingSink fromV3;
    ASSERT_EQ(convert_with(dir.Write("same.18o", v2), fromV2, true, false), VYR_OK);
    ASSERT_EQ(convert_with(dir.Write("same.rnx", v3), fromV3, true, false), VYR_OK);
    ASSERT_EQ(fromV2.epochs.size(), 1u);
    ASSERT_EQ(fromV3.epochs.size(), 1u);
    const VYR_OBSERVATIONEPOCH& a = fromV2.epochs[0];
    const VYR_OBSERVATIONEPOCH& b = fromV3.epochs[0];
    ASSERT_EQ(a.satellites.size(), 3u);
    ASSERT_EQ(b.satellites.size(), 3u);
    size_t withDoppler = 0;
    for (size_t s = 0; s < 3; ++s) {
        SCOPED_TRACE(sats[s].v2);
        ASSERT_EQ(a.satellites[s].satId, b.satellites[s].satId);
        const auto& x = a.satellites[s].observations;
        const auto& y = b.satellites[s].observations;
        ASSERT_EQ(x.size(), y.size());
        for (size_t i = 0; i < x.size(); ++i) {
            SCOPED_TRACE(+x[i].obsType);
            EXPECT_EQ(+x[i].obsType, +y[i].obsType);
            EXPECT_EQ(+x[i].flags, +y[i].flags);
            EXPECT_EQ(+x[i].code, +y[i].code);
            EXPECT_EQ(+x[i].phase, +y[i].phase);
            EXPECT_EQ(+x[i].doppler, +y[i].doppler);
            EXPECT_EQ(+x[i].quality, +y[i].quality);
            withDoppler += (x[i].flags & VYR_OBSERVATIONEPOCH_SIGNAL::kDopplerValid) != 0;
        }
    }
    EXPECT_EQ(withDoppler, 5u);  // the comparison compared something
}

TEST_F(LibraryPath, InputEndingInsideAnEpochIsACutThatSalvageTurnsIntoItsWholeEpochs) {
    // Header lines 1-9; epochs at lines 10, 12 and 14, one satellite line each.
    const std::string whole = v3_file(v3_epoch(0, 0) + v3_epoch(0, 30) + v3_epoch(1, 0));
    const size_t lastRecordAt = whole.rfind("> 2018");
    struct Case {
        const char* name;
        std::string text;
        bool cut;
    };
    const Case cases[] = {
        {"whole", whole, false},
        {"at an epoch boundary", whole.substr(0, lastRecordAt), false},
        {"satellite line missing", whole.substr(0, whole.size() - 20 - 32), true},
        {"inside a value", whole.substr(0, whole.size() - 20), true},
        {"inside the epoch record", whole.substr(0, lastRecordAt + 12), true},
    };
    for (const Case& c : cases) {
        for (const bool salvage : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (salvage ? ", salvaged" : ""));
            RecordingSink sink;
            const VYR_ERROR result =
                convert_with(dir.Write("cut.rnx", c.text), sink, true, salvage);
            EXPECT_EQ(sink.epochs.size(), c.cut || c.text != whole ? 2u : 3u);
            EXPECT_EQ(sink.cuts, c.cut ? 1 : 0);
            if (c.cut) {
                EXPECT_EQ(sink.cutEpochs, 2u);
                EXPECT_EQ(sink.cutLine, 13u);  // the second epoch's satellite line
            }
            if (!c.cut || salvage) {
                EXPECT_EQ(result, VYR_OK);
                ASSERT_EQ(sink.stations.size(), 1u);
                EXPECT_EQ(sink.failures, 0);
            } else {
                EXPECT_EQ(result, VYR_E_HEADER_OR_DATA_MISSING);
                EXPECT_EQ(sink.failures, 1);
                EXPECT_GT(sink.failureLine, 9u);
                EXPECT_FALSE(sink.failureText.empty());
                EXPECT_TRUE(sink.stations.empty());
            }
        }
    }
}
// The reader's warnings reach the sink with their lines and the import goes on; a record the
// values depend on refuses the file with its line.
TEST_F(LibraryPath, HeaderWarningsReachTheSinkAndNeededRecordsRefuseTheFile) {
    // The header's first 8 lines come before the extra ones: they are lines 9 and 10.
    const struct {
        const char* what;
        std::string extra;
        VYR_ERROR result;
        std::vector<uint32_t> warned;
        uint32_t failedAt;
    } cases[] = {
        {"phone-logger slots and an unknown label",
         hdr("  2  R01  1  R02 -4", "GLONASS SLOT / FRQ #") + hdr("x", "PHONE MODEL"),
         VYR_OK,
         {10},
         0},
        {"leap seconds and an interval that are no numbers",
         hdr("  many", "LEAP SECONDS") + hdr("often", "INTERVAL"),
         VYR_OK,
         {9, 10},
         0},
        {"a scale factor that cannot be read",
         hdr("G    7", "SYS / SCALE FACTOR"),
         VYR_E_FAILED_TO_READ,
         {},
         9},
    };
    for (const auto& c : cases) {
        RecordingSink sink;
        const std::string path = dir.Write("b.rnx", v3_file(v3_epoch(0, 0.0), c.extra));
        EXPECT_EQ(Vyr_ConvertRinexObsToSink(path.c_str(), sink), c.result) << c.what;
        EXPECT_EQ(sink.warningLines, c.warned) << c.what;
        EXPECT_EQ(sink.failureLine, c.failedAt) << c.what;
        EXPECT_EQ(sink.epochs.size(), c.result == VYR_OK ? 1u : 0u) << c.what;
    }
}

// The in-memory conversion keeps the warnings in its report, the first 100 of them.
TEST_F(LibraryPath, InMemoryConversionKeepsWarningsAsRemarks) {
    std::string records = v3_epoch(0, 0.0);
    for (int i = 0; i < 120; ++i) records += v3_event(4, 1) + hdr("x", "PHONE MODEL");
    CConvertFileRinexObs converter;
    ASSERT_EQ(converter.SetFileName(
                  dir.Write("c.rnx", v3_file(records, hdr("often", "INTERVAL"))).c_str()),
              VYR_OK);
    ASSERT_EQ(converter.Convert(out, nullptr), VYR_OK);
    ASSERT_EQ(out.size(), 1u);
    const std::vector<VyrLineProblem>& remarks = converter.Report().remarks;
    ASSERT_EQ(remarks.size(), 100u);
    EXPECT_EQ(remarks[0].line, 9u);
    EXPECT_EQ(remarks[0].problem, "INTERVAL needs a number; read past");
    // Header record lines of the events: the epoch takes lines 11-12, each event two lines.
    EXPECT_EQ(remarks[1].line, 14u);
    EXPECT_EQ(remarks[99].line, 14u + 98u * 2u);
}
