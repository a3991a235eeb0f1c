#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "records/stream_fixture_test_support.h"
#include "stations/data_rate.h"
#include "stations/statistics_format.h"
#include "stations/statistics_update.h"

namespace {

using vyr_stations::data_rate_from_interval;
using vyr_stations::snap_data_rate;

TEST(DataRate, SnapsToStandardRates) {
    const struct {
        uint32_t ms, expected;
    } cases[] = {{0, 50},        {49, 50},       {50, 50},           {75, 50},       {76, 100},
                 {1000, 1000},   {1400, 1000},   {1500, 1000},       {1501, 2000},   {1600, 2000},
                 {7999, 6000},   {8001, 10000},  {30000, 30000},     {45000, 30000}, {45001, 60000},
                 {60000, 60000}, {90000, 60000}, {UINT32_MAX, 60000}};
    for (const auto& c : cases) EXPECT_EQ(snap_data_rate(c.ms), c.expected) << c.ms;
}

TEST(DataRate, NeedsTwoEpochsAndRoundsTheSmallestInterval) {
    EXPECT_EQ(data_rate_from_interval(1, 1.0 / 86400), 0u);
    EXPECT_EQ(data_rate_from_interval(2, 1.0 / 86400), 1000u);
    EXPECT_EQ(data_rate_from_interval(2, 1.4 / 86400), 1000u);
    EXPECT_EQ(data_rate_from_interval(2, 1.6 / 86400), 2000u);
}

TEST(EpochRounding, LastMillisecondsOfTheDayCarryIntoTheNextDay) {
    const auto rounded = vyr_stations::round_epoch_time(60000, (86400.0 - 0.004) / 86400.0);
    EXPECT_EQ(+rounded.mjd, 60001u);
    EXPECT_EQ(rounded.fraction, 0.0);
    EXPECT_EQ(rounded.halfHour, 0);
    const auto late = vyr_stations::round_epoch_time(60000, (86400.0 - 0.006) / 86400.0);
    EXPECT_EQ(+late.mjd, 60000u);
    EXPECT_EQ(late.halfHour, 47);
}

TEST(SignalSlots, ByTypeAndSystem) {
    using vyr_stations::statistics_signal_slot;
    const struct {
        VYR_SATELLITE_SYSTEM system;
        VYR_OBSTYPE type;
        int slot;
    } cases[] = {{VYR_SATSYS_GPS, VYR_OBS_L1CA, 0},     {VYR_SATSYS_GPS, VYR_OBS_L1P, 1},
                 {VYR_SATSYS_GPS, VYR_OBS_L2Y, 2},      {VYR_SATSYS_GPS, VYR_OBS_L2P, 2},
                 {VYR_SATSYS_GPS, VYR_OBS_L2C, 3},      {VYR_SATSYS_GPS, VYR_OBS_L5, 4},
                 {VYR_SATSYS_GLONASS, VYR_OBS_L2C, 3},  {VYR_SATSYS_GLONASS, VYR_OBS_L5, 0},
                 {VYR_SATSYS_GALILEO, VYR_OBS_E1, 0},   {VYR_SATSYS_GALILEO, VYR_OBS_E6, 0},
                 {VYR_SATSYS_GALILEO, VYR_OBS_E5A, 1},  {VYR_SATSYS_GALILEO, VYR_OBS_E5B, 2},
                 {VYR_SATSYS_GALILEO, VYR_OBS_E5AB, 3}, {VYR_SATSYS_SBAS, VYR_OBS_L5, 1},
                 {VYR_SATSYS_SBAS, VYR_OBS_L2P, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(+statistics_signal_slot(c.system, c.type), c.slot) << c.system << "/" << c.type;
}

using StatisticsFormat = vyr_test::MemoryStreamTest;

// Windows are a count and 16 bytes per window; satellite windows 126 such lists (56 in storage
// versions 1 and 2).
TEST_F(StatisticsFormat, WindowListsAreCountedAndOlderVersionsHold56) {
    ASSERT_EQ(WriteSingleRecord(stream, VYR_WINDOWS{{60000.25, 60000.5}}), VYR_OK);
    EXPECT_EQ(stream_size(), 4u + 16u);
    VYR_WINDOWS read;
    ASSERT_EQ(ReadSingleRecord(stream, 3, read), VYR_OK);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(+read[0].start, 60000.25);

    put_bytes({});
    ASSERT_EQ(WriteSingleRecord(stream, VYR_SV_WINDOWS{}), VYR_OK);
    EXPECT_EQ(stream_bytes(), std::vector<uint8_t>(504, 0));
    VYR_SV_WINDOWS windows{};
    windows[1] = {{60000.1, 60000.2}};
    windows[56] = {{60000.3, 60000.4}, {60000.5, 60000.6}};
    windows[126] = {{60000.7, 60000.8}};
    ASSERT_EQ(WriteSingleRecord(stream, windows), VYR_OK);
    VYR_SV_WINDOWS back{};
    ASSERT_EQ(ReadSingleRecord(stream, 3, back), VYR_OK);
    ASSERT_EQ(back[56].size(), 2u);
    EXPECT_EQ(+back[56][1].end, 60000.6);
    EXPECT_EQ(back[126].size(), 1u);

    VYR_SV_WINDOWS older{};
    older[100] = {{1.0, 2.0}};  // cleared by the read
    ASSERT_EQ(ReadSingleRecord(stream, 2, older), VYR_OK);
    EXPECT_EQ(older[56].size(), 2u);
    EXPECT_TRUE(older[100].empty());
}

TEST_F(StatisticsFormat, OlderSatelliteStatisticsConvert) {
    // Version 2: 57 records of 88 bytes; record 33 (GLONASS 1) with counts in its three slots.
    std::vector<uint8_t> bytes(5016, 0);
    uint8_t* rec = bytes.data() + 33 * 88;
    const uint32_t mjd = 60000, epochs = 7, phase1 = 5, lossOfLock2 = 2;
    std::memcpy(rec + 0, &mjd, 4);
    std::memcpy(rec + 32, &epochs, 4);
    std::memcpy(rec + 36 + 4, &phase1, 4);
    std::memcpy(rec + 36 + 36 + 8, &lossOfLock2, 4);
    rec[86] = 1;  // clock-jump flag
    put_bytes(bytes);
    VYR_OBSERVATION_SVSTAT stat{};
    ASSERT_EQ(ReadSingleRecord(stream, 2, stat), VYR_OK);
    const VYR_OBSERVATION_STAT glonass = stat.satellites[33];
    EXPECT_EQ(+glonass.firstMjd, 60000u);
    EXPECT_EQ(+glonass.satelliteEpochs, 7u);
    const uint32_t readPhase = glonass.phaseCount[1], readLol = glonass.lossOfLockCount[2];
    EXPECT_EQ(readPhase, 5u);
    EXPECT_EQ(readLol, 2u);
    EXPECT_EQ(+glonass.clockJumpCorrected, 1);
    // Version 1 holds GPS only: 33 records of 87 bytes.
    put_bytes(std::vector<uint8_t>(2871, 0));
    EXPECT_EQ(ReadSingleRecord(stream, 1, stat), VYR_OK);
    put_bytes(std::vector<uint8_t>(2870, 0));
    EXPECT_EQ(ReadSingleRecord(stream, 1, stat), VYR_E_READ_ENTRY_FAILED);
}

TEST_F(StatisticsFormat, OlderAvailabilityConverts) {
    std::vector<uint8_t> bytes(2797, 0);
    bytes[56 * 49] = 1;           // GLONASS 24 observed
    bytes[56 * 49 + 1 + 47] = 1;  // in the last half-hour
    const uint32_t mjd = 60123;
    std::memcpy(bytes.data() + 2793, &mjd, 4);
    put_bytes(bytes);
    std::vector<VYR_SVAVAIL_STAT> days;
    ASSERT_EQ(ReadAllRecords(stream, 2, days), VYR_OK);
    ASSERT_EQ(days.size(), 1u);
    EXPECT_EQ(+days[0].mjd, 60123u);
    EXPECT_EQ(+days[0].satellites[56].observed, 1);
    EXPECT_EQ(+days[0].satellites[56].halfHours[47], 1);
    EXPECT_EQ(+days[0].satellites[57].observed, 0);
}

TEST_F(StatisticsFormat, ObservationStatisticsMapAndItsOlderSingleRecord) {
    vyr::ObservationStatistics map;
    map[VYR_SATSYS_GLONASS].satelliteEpochs = 3;
    map[VYR_SATSYS_GPS].satelliteEpochs = 9;
    ASSERT_EQ(WriteSingleRecord(stream, map), VYR_OK);
    EXPECT_EQ(stream_size(), 4u + 2 * (4 + 143));
    vyr::ObservationStatistics read;
    ASSERT_EQ(ReadSingleRecord(stream, 3, read), VYR_OK);
    EXPECT_EQ(read.size(), 2u);
    EXPECT_EQ(+read[VYR_SATSYS_GPS].satelliteEpochs, 9u);

    put_bytes(std::vector<uint8_t>(87, 0));
    ASSERT_EQ(ReadSingleRecord(stream, 1, read), VYR_OK);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read.begin()->first, VYR_SATSYS_GPS);
}

// Statistics hold times, types and systems as the update records them; other values are damage
// and fail the read (VYR_OBSTYPE -1 and 2304 once came out of a damaged project).
TEST_F(StatisticsFormat, ValuesTheUpdateNeverRecordsAreDamage) {
    using Stat = VYR_OBSERVATION_STAT;
    struct Case {
        const char* what;
        void (*damage)(Stat&);
    };
    const Case cases[] = {
        {"NaN first fraction",
         [](Stat& s) { s.firstFraction = std::numeric_limits<double>::quiet_NaN(); }},
        {"last fraction 1", [](Stat& s) { s.lastFraction = 1.0; }},
        {"first day far ahead", [](Stat& s) { s.firstMjd = 0x7FFFFFFF; }},
        {"last day before the first", [](Stat& s) { s.lastMjd = 100; }},
        {"type -1", [](Stat& s) { s.obsType[2] = static_cast<VYR_OBSTYPE>(-1); }},
        {"type 2304", [](Stat& s) { s.obsType[0] = static_cast<VYR_OBSTYPE>(2304); }},
        {"system 9", [](Stat& s) { s.system = static_cast<VYR_SATELLITE_SYSTEM>(9); }},
    };
    Stat sound{};
    sound.firstMjd = 60000;
    sound.lastMjd = 86000;  // a rounded time may carry into it
    sound.lastFraction = 0.5;
    sound.obsType[0] = VYR_OBS_E6;
    sound.system = VYR_SATSYS_COMPASS;
    auto svstat = std::make_unique<VYR_OBSERVATION_SVSTAT>();
    for (const Case& c : cases) {
        Stat damaged = sound;
        c.damage(damaged);
        svstat->satellites[60] = sound;
        ASSERT_EQ(WriteSingleRecord(stream, *svstat), VYR_OK);
        ASSERT_EQ(ReadSingleRecord(stream, 3, *svstat), VYR_OK) << c.what;
        svstat->satellites[60] = damaged;
        ASSERT_EQ(WriteSingleRecord(stream, *svstat), VYR_OK);
        EXPECT_EQ(ReadSingleRecord(stream, 3, *svstat), VYR_E_READ_ENTRY_FAILED) << c.what;

        vyr::ObservationStatistics map{{VYR_SATSYS_GALILEO, sound}};
        put_bytes({});
        ASSERT_EQ(WriteSingleRecord(stream, map), VYR_OK);
        ASSERT_EQ(ReadSingleRecord(stream, 3, map), VYR_OK) << c.what;
        map[VYR_SATSYS_GALILEO] = damaged;
        put_bytes({});
        ASSERT_EQ(WriteSingleRecord(stream, map), VYR_OK);
        EXPECT_EQ(ReadSingleRecord(stream, 3, map), VYR_E_READ_ENTRY_FAILED) << c.what;
    }
    for (const int system : {0, 6}) {
        vyr::ObservationStatistics map{{static_cast<VYR_SATELLITE_SYSTEM>(system), Stat{}}};
        put_bytes({});
        ASSERT_EQ(WriteSingleRecord(stream, map), VYR_OK);
        EXPECT_EQ(ReadSingleRecord(stream, 3, map), VYR_E_READ_ENTRY_FAILED) << system;
    }
}

// The day keys the availability collection: one no epoch can have ends the read as damage.
TEST_F(StatisticsFormat, AvailabilityOfADayNoEpochHasIsDamage) {
    for (const uint32_t mjd : {60000u, 0u, 44239u, 0xFFFFFFFFu}) {
        VYR_SVAVAIL_STAT day{};
        day.mjd = mjd;
        put_bytes({});
        ASSERT_EQ(WriteSingleRecord(stream, day), VYR_OK);
        std::vector<VYR_SVAVAIL_STAT> days;
        EXPECT_EQ(ReadAllRecords(stream, 3, days), mjd == 60000 ? VYR_OK : VYR_E_READ_ENTRY_FAILED)
            << mjd;
    }
}

}  // namespace
