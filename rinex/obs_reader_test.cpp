#include <gtest/gtest.h>

#include <algorithm>

#include "rinex/reader_test_support.h"

using namespace rnx_test;

namespace {

// GPS with 15 types (a continuation line), GLONASS with 2, SBAS with 1, BeiDou with 1.
std::string gps_types() {
    return hdr("G   15 C1C L1C D1C S1C C2W L2W S2W C5Q L5Q D5Q S5Q C1W L1W",
               "SYS / # / OBS TYPES") +
           hdr("       C2L L2L", "SYS / # / OBS TYPES");
}

std::string header_body() {
    return hdr("prog                agency              20200101 000000 UTC",
               "PGM / RUN BY / DATE") +
           hdr("SITE1", "MARKER NAME") +
           hdr("1234                TRIMBLE NETR9       5.45", "REC # / TYPE / VERS") +
           hdr("ANT77               TRM59800.00     SCIS", "ANT # / TYPE") +
           hdr("  4027893.7040   307045.6000  4919475.1580", "APPROX POSITION XYZ") +
           hdr("        1.5000        0.0100       -0.0200", "ANTENNA: DELTA H/E/N") + gps_types() +
           hdr("R    2 C1C L1C", "SYS / # / OBS TYPES") + hdr("S    1 C1C", "SYS / # / OBS TYPES") +
           hdr("C    1 C2I", "SYS / # / OBS TYPES") + hdr("G   10   1 L1C", "SYS / SCALE FACTOR") +
           hdr("G L2W  0.25000  02 G01 G02", "SYS / PHASE SHIFT") +
           hdr(" 10 R01  1 R02 -4 R03  5 R04  6 R05  1 R06 -4 R07  5 R08  6",
               "GLONASS SLOT / FRQ #") +
           hdr("    R09 -2 R10 -7", "GLONASS SLOT / FRQ #") + hdr("    30.000", "INTERVAL") +
           hdr("  2020     1     1     0     0    0.0000000     GPS", "TIME OF FIRST OBS") +
           hdr("some value", "MY OWN LABEL") + hdr("", "END OF HEADER");
}

std::string header() {
    return version_line(3.04, 'O', 'M') + header_body();
}

std::string gps_line(const char* sat, const std::string& fields) {
    return std::string(sat) + fields + "\n";
}

}  // namespace

TEST(ObsReader, HeaderRecordsArriveOnceEachWithTheirValues) {
    RecordingObs obs;
    RecordingErrors errors;
    ASSERT_EQ(read_text(header(), &obs, nullptr, &errors), eRNX_S_OK);
    // In file order, each once; an unknown label's record comes through too.
    EXPECT_EQ(joined(obs.events),
              "begin:0;marker:SITE1;receiver:1234|TRIMBLE NETR9|5.45;"
              "antenna:ANT77|TRM59800.00     SCIS;position:4027893.7040,307045.6000,4919475.1580;"
              "delta:1.5000,0.0100,-0.0200;types:G:1:15;types:R:2:2;types:S:4:1;types:C:0:1;"
              "scale:G:10:1;shift:G:2314:0.25000:1,2,;slot:1:1;slot:2:-4;slot:3:5;slot:4:6;"
              "slot:5:1;slot:6:-4;slot:7:5;slot:8:6;slot:9:-2;slot:10:-7;interval:30.000;"
              "first:2020-1-1 0:0:0.0000 sys1;record:MY OWN LABEL;end;eod");
    // The continuation line joins the first: the 15th GPS code is L2L (phase, band 2, L).
    ASSERT_EQ(obs.types[static_cast<int>('G')].size(), 15u);
    EXPECT_EQ(obs.types[static_cast<int>('G')][14].kind, 2u);
    EXPECT_EQ(obs.types[static_cast<int>('G')][14].band, 3u);
    EXPECT_EQ(obs.types[static_cast<int>('G')][14].attribute, 12u);
    // An unknown label is a warning with its line number, and costs nothing.
    EXPECT_TRUE(errors.has(eRNX_W_HEADER_LABEL_UNKNOWN, 19));
}

TEST(ObsReader, ValuesComeFromTheirExactColumnsWithDigitsAndScale) {
    std::string fields = obs(20635665.785, 4, 8) + obs(108441394.625, 1, 7) + std::string(16, ' ') +
                         obs(45.250) + std::string(16 * 10, ' ') + obs(-1.5, -1, 3);
    const std::string text = header() + epoch_line(2020, 1, 1, 0, 0, 0.0, 0, 1, "0.000123456789") +
                             gps_line("G05", fields);
    RecordingObs out;
    RecordingErrors errors;
    ASSERT_EQ(read_text(text, &out, nullptr, &errors), eRNX_S_OK);
    ASSERT_EQ(out.epochs.size(), 1u);
    const RNX_OBS_EPOCH& e = out.epochs[0];
    EXPECT_EQ(e.flag, eEPOCHFLAG_OK);
    EXPECT_EQ(e.time.year, 2020);
    EXPECT_EQ(e.time.timeSystem, eTIMESYS_GPS);
    EXPECT_EQ(e.hasClockOffset, 1);
    EXPECT_DOUBLE_EQ(e.clockOffset, 0.000123456789);
    ASSERT_EQ(e.satellites.size(), 1u);
    const RNX_OBS_SAT& s = e.satellites[0];
    EXPECT_EQ(s.system, eSATSYS_GPS);
    EXPECT_EQ(s.number, 5);
    // Blank columns deliver nothing: C1C, L1C, S1C and L2L.
    ASSERT_EQ(s.values.size(), 4u);
    EXPECT_DOUBLE_EQ(s.values[0].value, 20635665.785);  // the digits are not glued on
    EXPECT_EQ(s.values[0].lossOfLock, 4);
    EXPECT_EQ(s.values[0].signalStrength, 8);
    EXPECT_NEAR(s.values[1].value, 10844139.4625, 1e-6);  // L1C divided by its factor 10
    EXPECT_EQ(s.values[1].lossOfLock, 1);
    EXPECT_EQ(s.values[1].signalStrength, 7);
    EXPECT_EQ(uint32_t{s.values[2].code.kind}, 4u);
    EXPECT_DOUBLE_EQ(s.values[2].value, 45.25);
    EXPECT_EQ(uint32_t{s.values[3].code.kind}, 2u);
    EXPECT_EQ(uint32_t{s.values[3].code.attribute}, 12u);
    EXPECT_DOUBLE_EQ(s.values[3].value, -1.5);
    EXPECT_EQ(s.values[3].lossOfLock, 0);
    EXPECT_EQ(s.values[3].signalStrength, 3);
}

TEST(ObsReader, SystemsOutsideTheConvertedOnesFollowTheOption) {
    const std::string text = header() + epoch_line(2020, 1, 1, 0, 0, 30.0, 0, 3) +
                             gps_line("C11", obs(1.0)) + gps_line("S20", obs(2.0)) +
                             gps_line("R07", obs(3.0) + obs(4.0));
    for (bool converted_only : {true, false}) {
        RecordingObs out;
        RecordingErrors errors;
        ASSERT_EQ(read_text(text, &out, nullptr, &errors, converted_only), eRNX_S_OK);
        ASSERT_EQ(out.epochs.size(), 1u);
        const auto& sats = out.epochs[0].satellites;
        ASSERT_EQ(sats.size(), converted_only ? 2u : 3u);
        const RNX_OBS_SAT& sbas = sats[converted_only ? 0 : 1];
        EXPECT_EQ(sbas.system, eSATSYS_SBAS);
        EXPECT_EQ(sbas.number, 120);
        if (!converted_only) {
            EXPECT_EQ(sats[0].system, eSATSYS_OTHER);
            EXPECT_EQ(sats[0].systemLetter, 'C');
            EXPECT_EQ(sats[0].number, 11);
        }
        EXPECT_EQ(errors.all.size(), 1u);  // only the unknown header label
    }
}

TEST(ObsReader, EventRecordsCarryTheirHeaderLinesWithOrWithoutDate) {
    const std::string text =
        header() + epoch_line(2020, 1, 1, 0, 0, 0.0, 0, 1) + gps_line("G01", obs(1.0)) +
        // start moving, no date
        ">                              2  0\n" +
        // new site with two header lines
        epoch_line(2020, 1, 1, 0, 5, 0.0, 3, 2) + hdr("SITE2", "MARKER NAME") +
        hdr("        0.5000        0.0000        0.0000", "ANTENNA: DELTA H/E/N") +
        // header information follows: a comment
        ">                              4  1\n" + hdr("antenna changed", "COMMENT") +
        epoch_line(2020, 1, 1, 0, 5, 30.0, 6, 1) + gps_line("G01", obs(9.0, 1)) +
        epoch_line(2020, 1, 1, 0, 6, 0.0, 1, 1) + gps_line("G01", obs(2.0));
    RecordingObs out;
    RecordingErrors errors;
    ASSERT_EQ(read_text(text, &out, nullptr, &errors), eRNX_S_OK);
    ASSERT_EQ(out.epochs.size(), 6u);
    EXPECT_EQ(out.epochs[1].flag, eEPOCHFLAG_START_MOVING);
    EXPECT_EQ(out.epochs[1].time.year, 0);  // no date
    EXPECT_EQ(out.epochs[2].flag, eEPOCHFLAG_NEW_SITE);
    EXPECT_EQ(out.epochs[2].time.minute, 5);
    EXPECT_EQ(out.epochs[4].flag, eEPOCHFLAG_CYCLE_SLIP);
    EXPECT_EQ(out.epochs[5].flag, eEPOCHFLAG_POWER_FAILURE);
    EXPECT_EQ(out.epochs[5].satellites.size(), 1u);

    // The events and their header lines in file order, each bracketed.
    const auto data = std::find(out.events.begin(), out.events.end(), "end") + 1;
    EXPECT_EQ(joined({data, out.events.end()}),
              "epoch;event:3;event:4;begin:4;marker:SITE2;delta:0.5000,0.0000,0.0000;end;"
              "event:5;begin:5;comment:antenna changed;end;slips;epoch;eod");
}

TEST(ObsReader, AnEpochWithFewerSatellitesThanAnnouncedIsDeliveredAndReported) {
    // Announces three satellites, has one, then the next epoch starts.
    const std::string text = header() + epoch_line(2020, 1, 1, 0, 0, 0.0, 0, 3) +
                             gps_line("G01", obs(1.0)) + epoch_line(2020, 1, 1, 0, 0, 30.0, 0, 1) +
                             gps_line("G02", obs(2.0));
    RecordingObs out;
    RecordingErrors errors;
    EXPECT_EQ(read_text(text, &out, nullptr, &errors), eRNX_W_DATA_OBS_MISSING);
    ASSERT_EQ(out.epochs.size(), 2u);
    EXPECT_EQ(out.epochs[0].satellites.size(), 1u);
    EXPECT_EQ(out.epochs[1].satellites[0].number, 2);
    EXPECT_TRUE(errors.has(eRNX_W_DATA_OBS_MISSING, 23));
    EXPECT_EQ(out.events.back(), "eod");
}

TEST(ObsReader, InputEndingInsideAnEpochEndsTheRunWithoutDeliveringIt) {
    // Line 21 is the first epoch record (two satellites), 22-23 its satellites; line 24 the
    // second record, 25-26 its satellites.
    const std::string whole = header() + epoch_line(2020, 1, 1, 0, 0, 0.0, 0, 2) +
                              gps_line("G01", obs(21000000.125) + obs(1.5)) +
                              gps_line("G02", obs(22000000.25) + obs(2.5)) +
                              epoch_line(2020, 1, 1, 0, 0, 30.0, 0, 2) +
                              gps_line("G01", obs(21000001.125) + obs(1.75)) +
                              gps_line("G02", obs(22000001.25) + obs(2.75));
    const std::string lastSatellite = gps_line("G02", obs(22000001.25) + obs(2.75));
    const std::string lastRecord = epoch_line(2020, 1, 1, 0, 0, 30.0, 0, 2);
    const size_t lastSatelliteAt = whole.size() - lastSatellite.size();
    const size_t lastRecordAt = whole.find(lastRecord);
    struct Case {
        const char* name;
        std::string text;
        eRNX result;
        size_t epochs;
        uint32_t errorLine;  // 0: no error
    };
    const Case cases[] = {
        {"whole", whole, eRNX_S_OK, 2, 0},
        {"no line end after the last line", whole.substr(0, whole.size() - 1), eRNX_S_OK, 2, 0},
        {"at the epoch boundary", whole.substr(0, lastRecordAt), eRNX_S_OK, 1, 0},
        {"a satellite line missing", whole.substr(0, lastSatelliteAt), eRNX_E_HEADER_DATA_MISSING,
         1, 25},
        {"inside the last value", whole.substr(0, lastSatelliteAt + 3 + 16 + 12),
         eRNX_E_HEADER_DATA_MISSING, 1, 26},
        {"inside the satellite", whole.substr(0, lastSatelliteAt + 2), eRNX_E_HEADER_DATA_MISSING,
         1, 26},
        {"inside the epoch record", whole.substr(0, lastRecordAt + 20), eRNX_E_HEADER_DATA_MISSING,
         1, 24},
        {"the epoch record without its line end", whole.substr(0, lastRecordAt + 35),
         eRNX_E_HEADER_DATA_MISSING, 1, 24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingObs out;
        RecordingErrors errors;
        EXPECT_EQ(read_text(c.text, &out, nullptr, &errors), c.result);
        ASSERT_EQ(out.epochs.size(), c.epochs);
        // Every epoch delivered is whole.
        for (const RNX_OBS_EPOCH& e : out.epochs) ASSERT_EQ(e.satellites.size(), 2u);
        EXPECT_EQ(+out.epochs.back().satellites[1].values[0].value,
                  c.epochs == 2 ? 22000001.25 : 22000000.25);
        if (c.errorLine != 0) {
            EXPECT_TRUE(errors.has(c.result, c.errorLine));
            EXPECT_NE(out.events.back(), "eod");  // the data did not end as it should
        } else {
            EXPECT_EQ(out.events.back(), "eod");
        }
    }
}

TEST(ObsReader, MalformedDataIsReadPastWithItsLineNumber) {
    const std::string text = header() +
                             "> 2020 13 01 00 00  0.0000000  0  1\n" +  // month 13: line 21
                             gps_line("G01", obs(1.0)) + epoch_line(2020, 1, 1, 0, 0, 30.0, 0, 2) +
                             gps_line("G02", "   12x45.000  ") +  // line 24
                             gps_line("X99", obs(1.0)) +          // line 25
                             "garbage\n" +                        // line 26
                             epoch_line(2020, 1, 1, 0, 1, 0.0, 0, 1) + gps_line("G03", obs(3.0));
    RecordingObs out;
    RecordingErrors errors;
    EXPECT_EQ(read_text(text, &out, nullptr, &errors), eRNX_W_DATA_INVALID);
    EXPECT_TRUE(errors.has(eRNX_W_DATA_INVALID, 21));
    EXPECT_TRUE(errors.has(eRNX_W_DATA_READ_ERROR, 24));
    EXPECT_TRUE(errors.has(eRNX_W_DATA_PRN_INVALID, 25));
    EXPECT_TRUE(errors.has(eRNX_W_DATA_INVALID, 26));
    ASSERT_EQ(out.epochs.size(), 2u);
    EXPECT_EQ(out.epochs[0].satellites.size(), 1u);  // G02 without its unreadable value
    EXPECT_TRUE(out.epochs[0].satellites[0].values.empty());
    EXPECT_EQ(out.epochs[1].satellites[0].number, 3);
}

TEST(ObsReader, FilesThatCannotBeReadGiveErrors) {
    struct Case {
        const char* name;
        std::string text;
        eRNX expected;
    };
    const Case cases[] = {
        {"no END OF HEADER", version_line(3.04, 'O', 'G') + gps_types(),
         eRNX_E_HEADER_DATA_MISSING},
        {"no observation types", version_line(3.04, 'O', 'G') + hdr("", "END OF HEADER"),
         eRNX_E_HEADER_DATA_MISSING},
        {"version 2 observation", version_line(2.11, 'O', 'G') + header_body(),
         eRNX_E_FORMAT_VERSION_NOT_SUPPORTED},
        {"version 5", version_line(5.00, 'O', 'G') + header_body(),
         eRNX_E_FORMAT_VERSION_NOT_SUPPORTED},
        {"compressed", hdr("3.0                 COMPACT RINEX FORMAT", "CRINEX VERS   / TYPE"),
         eRNX_E_FILE_TYPE_NOT_SUPPORTED},
        {"empty", "", eRNX_E_FILE_TYPE_NOT_SUPPORTED},
        {"meteo", version_line(3.04, 'M', 'G'), eRNX_E_FILE_TYPE_NOT_SUPPORTED},
    };
    for (const Case& c : cases) {
        RecordingObs out;
        RecordingErrors errors;
        EXPECT_EQ(read_text(c.text, &out, nullptr, &errors), c.expected) << c.name;
        ASSERT_FALSE(errors.all.empty()) << c.name;
        EXPECT_TRUE(errors.all.back().error) << c.name;
    }
}

TEST(ObsReader, AMissingFileIsNotFound) {
    IRnxReader* reader = nullptr;
    ASSERT_EQ(GetNewRnxReader(reader), eRNX_S_OK);
    RecordingObs out;
    reader->SetObsHandler(&out);
    reader->SetInputFiles({"/nonexistent/dir/file.rnx"});
    EXPECT_EQ(reader->Run(), eRNX_E_FILE_NOT_FOUND);
    ReleaseRnxReader(reader);
    EXPECT_EQ(reader, nullptr);
}

TEST(ObsReader, ANonZeroAnswerStopsTheRun) {
    std::string text = header();
    for (int i = 0; i < 5; ++i)
        text += epoch_line(2020, 1, 1, 0, i, 0.0, 0, 1) + gps_line("G01", obs(1.0 + i));
    RecordingObs out;
    out.stop_after = 2;
    RecordingErrors errors;
    EXPECT_EQ(read_text(text, &out, nullptr, &errors), eRNX_S_OK);
    EXPECT_EQ(out.epochs.size(), 2u);
    EXPECT_FALSE(out.saw("eod"));
}

namespace {

// The header records the table below looks at, as short texts.
class RecordingHeader : public RecordingObs {
public:
    int OnLeapSeconds(int32_t a, int32_t b, int32_t c, int32_t d) override {
        return note(format("leap:%d,%d,%d,%d", a, b, c, d));
    }
    int OnGlonassCodePhaseBias(const RNX_OBS_CODE& code, double bias) override {
        return note(format("bias:%u%u%u:%.3f", code.kind, code.band, code.attribute, bias));
    }
    int OnTimeOfLastObs(const RNX_TIME& t) override {
        return note(format("last:%d-%d-%d %d:%d:%.1f", t.year, t.month, t.day, t.hour, t.minute,
                           t.seconds));
    }
    int OnNumberOfSatellites(int32_t n) override { return note(format("satellites:%d", n)); }
};

}  // namespace

// Header records written off their columns: those the conversion can do without are read by
// their tokens, or read past with a warning naming the line; those the values depend on refuse
// the file with their line.
TEST(ObsReader, HeaderRecordsOffTheirColumns) {
    struct Case {
        const char* what;
        std::string line;  // the file's second line
        char system;
        eRNX result;
        std::string told;  // the notifications of the line, joined; empty: none
        bool warned;       // a warning (not an error) names line 2
    };
    const Case cases[] = {
        {"slots one column off, as phone loggers write them",
         hdr("  3  R01  1  R02 -4  R03  5", "GLONASS SLOT / FRQ #"), 'M', eRNX_S_OK,
         "slot:1:1;slot:2:-4;slot:3:5", false},
        {"a slot written R 1", hdr("  1 R 1 -7", "GLONASS SLOT / FRQ #"), 'M', eRNX_S_OK,
         "slot:1:-7", false},
        {"slots that make no sense", hdr("  2 R01 x R02 y", "GLONASS SLOT / FRQ #"), 'M', eRNX_S_OK,
         "", true},
        {"one slot of two that makes no sense", hdr("  2 R01  1 R02 x", "GLONASS SLOT / FRQ #"),
         'M', eRNX_S_OK, "slot:1:1", true},
        {"biases off their columns", hdr("C1C -10.000  C1P  -10.5 C2C", "GLONASS COD/PHS/BIS"), 'M',
         eRNX_S_OK, "bias:122:-10.000;bias:121:-10.500", false},
        {"a bias entry that is no code", hdr(" ?1C   1.000", "GLONASS COD/PHS/BIS"), 'M', eRNX_S_OK,
         "", true},
        {"a phase shift without its value", hdr("G L1C           02 G01 G02", "SYS / PHASE SHIFT"),
         'M', eRNX_S_OK, "shift:G:222:0.00000:1,2,", false},
        {"a phase shift that cannot be read", hdr("G L1C  x.xxxxx", "SYS / PHASE SHIFT"), 'M',
         eRNX_S_OK, "", true},
        {"leap seconds in odd columns", hdr("   18   18  2185     7GPS", "LEAP SECONDS"), 'G',
         eRNX_S_OK, "leap:18,18,2185,7", false},
        {"leap seconds that are no number", hdr("  eighteen", "LEAP SECONDS"), 'G', eRNX_S_OK, "",
         true},
        {"interval off its columns", hdr("           1.000", "INTERVAL"), 'G', eRNX_S_OK,
         "interval:1.000", false},
        {"interval that is no number", hdr("one second", "INTERVAL"), 'G', eRNX_S_OK, "", true},
        {"last observation off its columns", hdr(" 2020 1 2 3 4 5.0 GPS", "TIME OF LAST OBS"), 'G',
         eRNX_S_OK, "last:2020-1-2 3:4:5.0", false},
        {"satellite count that is no number", hdr("  many", "# OF SATELLITES"), 'G', eRNX_S_OK, "",
         true},
        {"an unknown label", hdr("whatever", "PHONE MODEL"), 'G', eRNX_S_OK, "record:PHONE MODEL",
         true},
        {"a damaged first observation in a GPS file", hdr("  2020    13", "TIME OF FIRST OBS"), 'G',
         eRNX_S_OK, "", true},
        {"first observation off its columns", hdr(" 2020 1 1 0 0 0.0 GPS", "TIME OF FIRST OBS"),
         'M', eRNX_S_OK, "first:2020-1-1 0:0:0.0000 sys1", false},
        // Needed: the values or the station depend on them.
        {"an unknown time system in a mixed file",
         hdr("  2020     1     1     0     0    0.0000000     XYZ", "TIME OF FIRST OBS"), 'M',
         eRNX_E_FILE_READ_ERROR, "", false},
        {"a position off its columns", hdr(" 4027893.7 307045.6 4919475.2", "APPROX POSITION XYZ"),
         'G', eRNX_S_OK, "position:4027893.7000,307045.6000,4919475.2000", false},
        {"a position of two numbers", hdr(" 4027893.7 307045.6", "APPROX POSITION XYZ"), 'G',
         eRNX_E_FILE_READ_ERROR, "", false},
        {"an antenna height that is no number", hdr("  1.5m  0  0", "ANTENNA: DELTA H/E/N"), 'G',
         eRNX_E_FILE_READ_ERROR, "", false},
        {"a scale factor of 7", hdr("G    7", "SYS / SCALE FACTOR"), 'G', eRNX_E_FILE_READ_ERROR,
         "", false},
        {"observation types without a count", hdr("E  xx C1C", "SYS / # / OBS TYPES"), 'M',
         eRNX_E_FILE_READ_ERROR, "", false},
        {"fewer observation types than announced", hdr("E    3 C1C L1C", "SYS / # / OBS TYPES"),
         'M', eRNX_E_FILE_READ_ERROR, "", false},
    };
    for (const Case& c : cases) {
        const std::string text = version_line(3.04, 'O', c.system) + c.line +
                                 hdr("G    2 C1C L1C", "SYS / # / OBS TYPES") +
                                 hdr("", "END OF HEADER");
        RecordingHeader out;
        RecordingErrors errors;
        EXPECT_EQ(read_text(text, &out, nullptr, &errors), c.result) << c.what;
        std::string told;
        for (const std::string& e : out.events)
            if (e != "begin:0" && e != "end" && e != "eod" && e.rfind("types:", 0) != 0)
                told += (told.empty() ? "" : ";") + e;
        EXPECT_EQ(told, c.told) << c.what;
        const bool refused = c.result != eRNX_S_OK;
        bool warned = false;
        bool failed = false;
        for (const Diagnostic& d : errors.all) {
            if (d.line != 2) continue;
            (d.error ? failed : warned) = true;
        }
        EXPECT_EQ(failed, refused) << c.what;
        EXPECT_EQ(warned, c.warned) << c.what;
    }
}
