// Epoch times and satellites a project cannot hold refuse an observation file at their line, on
// both roads (the text parser of version 2, the RINEX access library of version 3).
#include "import/rinex_station_builder.h"

#include <gtest/gtest.h>

#include "import/import_test_support.h"

using namespace import_test;

namespace {

// A version-3 GPS file (records from line 10) and one epoch of one satellite.
std::string v3_file(const std::string& records) {
    return v3_gps_file("G    1 C1C", "SITE", records);
}
std::string v3(int year, int month, int day, int hour, int minute, double second,
               const char* sat = "G05") {
    return format("> %04d %02d %02d %02d %02d%11.7f  0  1\n", year, month, day, hour, minute,
                  second) +
           sat + obs(2.0e7) + "\n";
}

// A version-2 file of C1 (records from line 10) and one epoch of one satellite.
std::string v2_file(const std::string& records) {
    return v2_header({"C1"}, "", 2.11, 'M') + records;
}
std::string v2(int yy, int month, int day, int hour, int minute, double second,
               const char* sat = "G05") {
    return v2_epoch(yy, month, day, hour, minute, second, 0, {sat}) + obs(2.0e7) + "\n";
}

TEST(EpochTimes, ATimeOrSatelliteAProjectCannotHoldRefusesTheFileAtItsLine) {
    const struct {
        const char* what;
        std::string file;
        uint32_t line;  // 0: the file converts
        const char* problem;
    } cases[] = {
        {"year 9999", v3_file(v3(2018, 7, 29, 12, 0, 0) + v3(9999, 7, 29, 12, 0, 30)), 12,
         "epoch 9999-07-29 12:00:30.000 is outside the years the project can hold (1980-2094)"},
        {"the last day of 1979", v3_file(v3(1979, 12, 31, 23, 59, 30)), 10,
         "epoch 1979-12-31 23:59:30.000 is outside the years the project can hold (1980-2094)"},
        {"version 3 epoch before the one before it",
         v3_file(v3(2018, 7, 29, 12, 0, 0) + v3(2018, 7, 29, 12, 1, 0) +
                 v3(2018, 7, 29, 12, 0, 30)),
         14,
         "epoch 2018-07-29 12:00:30.000 is not later than the epoch before it, 2018-07-29 "
         "12:01:00.000 (line 12)"},
        {"version 3 epochs of one time",
         v3_file(v3(2018, 7, 29, 12, 0, 0) + v3(2018, 7, 29, 12, 0, 0)), 12,
         "epoch 2018-07-29 12:00:00.000 is not later than the epoch before it, 2018-07-29 "
         "12:00:00.000 (line 10)"},
        {"30 February", v3_file(v3(2018, 7, 29, 12, 0, 0) + v3(2018, 2, 30, 12, 0, 30)), 12,
         "epoch 2018-02-30 12:00:30.000 is no calendar time: February 2018 has 28 days"},
        {"version 3 GPS 99", v3_file(v3(2018, 7, 29, 12, 0, 0, "G99")), 11,
         "satellite \"G99\" is outside the numbers of GPS (1-63)"},
        {"29 February of a year that is no leap year", v2_file(v2(19, 2, 29, 0, 0, 0)), 10,
         "epoch 2019-02-29 00:00:00.000 is no calendar time: February 2019 has 28 days"},
        {"second 61", v2_file(v2(19, 3, 1, 0, 0, 61)), 10,
         "epoch 2019-03-01 00:00:61.000 is no calendar time: there is no second 61 in a minute"},
        {"version 2 epoch before the one before it",
         v2_file(v2(19, 3, 1, 0, 0, 30) + v2(19, 3, 1, 0, 0, 0)), 12,
         "epoch 2019-03-01 00:00:00.000 is not later than the epoch before it, 2019-03-01 "
         "00:00:30.000 (line 10)"},
        {"version 2 GLONASS 32", v2_file(v2(19, 3, 1, 0, 0, 0, "R32")), 10,
         "satellite \"R32\" is outside the numbers of GLONASS (1-31)"},
        // Kept: a leap second, a GPS number above today's constellation, a GLONASS number above
        // the 24 slots (real receivers write R25).
        {"leap second", v3_file(v3(2016, 12, 31, 23, 59, 60) + v3(2017, 1, 1, 0, 0, 1)), 0, ""},
        {"GPS 40 and GLONASS 25",
         v2_file(v2(19, 3, 1, 0, 0, 0, "G40") + v2(19, 3, 1, 0, 0, 30, "R25")), 0, ""},
    };
    ScratchDir dir;
    for (const auto& c : cases) {
        RecordingSink sink;
        const std::string path = dir.Write("a.obs", c.file);
        const VYR_ERROR result = Vyr_ConvertRinexObsToSink(path.c_str(), sink);
        EXPECT_EQ(result, c.line == 0 ? VYR_OK : VYR_E_FAILED_TO_READ) << c.what;
        EXPECT_EQ(sink.failureLine, c.line) << c.what;
        EXPECT_EQ(sink.failureText, c.problem) << c.what;
        if (c.line == 0) {
            EXPECT_EQ(sink.stations.size(), 1u) << c.what;
            EXPECT_EQ(sink.epochs.size(), 2u) << c.what;
        }
    }
}

// An event's date only marks where an occupation starts: on the text road a date that names no
// moment is a warning at its line, and the event is kept without it.
TEST(EpochTimes, AnEventWithAnImpossibleDateIsKeptWithAWarningOnTheTextRoad) {
    ScratchDir dir;
    RecordingSink sink;
    const std::string path =
        dir.Write("e.obs", v2_file(v2(19, 3, 1, 0, 0, 0) + v2_epoch(19, 2, 30, 0, 0, 0, 2, {}) +
                                   v2(19, 3, 1, 0, 0, 30)));
    ASSERT_EQ(Vyr_ConvertRinexObsToSink(path.c_str(), sink), VYR_OK) << sink.failureText;
    EXPECT_EQ(sink.epochs.size(), 2u);
    EXPECT_EQ(sink.warningLines, std::vector<uint32_t>{12});
    EXPECT_EQ(sink.warnings,
              std::vector<std::string>{"epoch 2019-02-30 00:00:00.000 is no calendar "
                                       "time: February 2019 has 28 days"});
}

// Each station keeps its own order: a second site of the file may start before the first ended.
TEST(EpochTimes, TimeOrderStartsAgainAtANewSite) {
    const std::string records = v3(2018, 7, 29, 12, 1, 0) +
                                "> 2018 07 29 12 01 10.0000000  3  1\n" +
                                hdr("OTHERSITE", "MARKER NAME") + v3(2018, 7, 29, 12, 0, 0);
    ScratchDir dir;
    RecordingSink sink;
    const std::string path = dir.Write("b.rnx", v3_file(records));
    ASSERT_EQ(Vyr_ConvertRinexObsToSink(path.c_str(), sink), VYR_OK) << sink.failureText;
    EXPECT_EQ(sink.stations.size(), 2u);
}

}  // namespace
