#include "import/convert_rinex_nav_records.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace vyr_import;

namespace {

RNX_TIME at(int year, int month, int day, int hour, int minute, double seconds) {
    RNX_TIME t{};
    t.year = static_cast<uint16_t>(year);
    t.month = static_cast<uint8_t>(month);
    t.day = static_cast<uint8_t>(day);
    t.hour = static_cast<uint8_t>(hour);
    t.minute = static_cast<uint8_t>(minute);
    t.seconds = seconds;
    return t;
}

}  // namespace

TEST(GpsRecord, IodcTakesBitsEightAndNineFromIodcAndTheRestFromIode) {
    struct Case {
        double iode, iodc;
        uint16_t stored;
    } cases[] = {
        {45, 813, 813},    // 0x32D: 0x300 from the IODC, 45 from the IODE
        {45, 45, 45},      // an IODC below 256 adds nothing
        {10, 266, 0x10A},  // 0x100 from the IODC, 10 from the IODE (the IODC's low bits drop)
        {255, 1023, 1023},
    };
    for (const Case& c : cases) {
        RNX_NAV_GPS m{};
        m.iode = c.iode;
        m.iodc = c.iodc;
        EXPECT_EQ(gps_record_from_message(m).iodc, c.stored) << c.iode << " " << c.iodc;
    }
}

TEST(GpsRecord, EpochsBecomeSecondsOfTheGpsWeekTruncated) {
    RNX_NAV_GPS m{};
    m.timeOfClock = at(2010, 1, 3, 0, 0, 1.5);  // Sunday: a week starts at its midnight
    m.gpsWeek = 1564;
    m.toe = 439200.9;
    const VYR_BROADCASTEPHEMERIS r = gps_record_from_message(m);
    EXPECT_EQ(+r.toc, 1u);
    EXPECT_EQ(+r.toe, 439200u);
    EXPECT_EQ(+r.week, 1564);
    EXPECT_EQ(+r.status, 5);
    EXPECT_EQ(gps_seconds_of_week(at(1980, 1, 5, 23, 59, 59.0)), 6u * 86400u + 86399u);
}

TEST(GpsRecord, AccuracyIsRoundedToWholeMetres) {
    const struct {
        double value;
        uint16_t stored;
    } cases[] = {{2.0, 2}, {2.4, 2}, {2.5, 3}, {0.0, 0}, {6144.0, 6144}};
    for (const auto& c : cases) {
        RNX_NAV_GPS m{};
        m.svAccuracy = c.value;
        EXPECT_EQ(gps_record_from_message(m).accuracy, c.stored) << c.value;
    }
}

TEST(GpsRecord, ValuesOutOfRangeAreClampedNotWrapped) {
    RNX_NAV_GPS m{};
    m.gpsWeek = 1e300;
    m.svHealth = -5;
    m.toe = std::numeric_limits<double>::quiet_NaN();
    m.iodc = 1e9;
    const VYR_BROADCASTEPHEMERIS r = gps_record_from_message(m);
    EXPECT_EQ(+r.week, 0xFFFF);
    EXPECT_EQ(+r.health, 0);
    EXPECT_EQ(+r.toe, 0u);
}

TEST(GlonassRecord, EpochChannelHealthAndFrameTime) {
    RNX_NAV_GLO m{};
    m.timeOfClock = at(2010, 1, 1, 0, 0, 29.6);  // Friday; rounds to 30 s
    m.frequencyNumber = -4.0;
    m.health = 1.0;
    m.ageOfOperationInfo = 3.0;
    const VYR_BROADCASTEPHEMERIS_GLO r = glonass_record_from_message(m, 1234);
    EXPECT_EQ(+r.status, 2);
    EXPECT_EQ(+r.one, 1);
    EXPECT_EQ(+r.week, 1564);
    EXPECT_EQ(+r.secondsOfWeek, 5u * 86400u + 30u);
    EXPECT_EQ(static_cast<int8_t>(r.channel), -4);
    EXPECT_EQ(+r.health, 1);
    EXPECT_EQ(+r.frameTime, 1234u);
    EXPECT_EQ(+r.age, 3u);
    m.health = 0.0;
    EXPECT_EQ(glonass_record_from_message(m, 0).health, 0);

    EXPECT_EQ(glonass_frame_time_modulo_day(90000.0), 3600u);
    EXPECT_EQ(glonass_frame_time_modulo_day(86399.0), 86399u);
    EXPECT_EQ(glonass_frame_time_modulo_day(2.0 * 86400.0 + 10.0), 10u);
}

TEST(GalileoRecord, DataSourceWordChoosesFlagsAndClockSet) {
    enum Set { kNone, kE5a, kE5b };
    const struct {
        double word;
        char type;
        uint8_t flags;
        Set set;
    } cases[] = {
        {0x201, 0, 2, kE5b},    // I/NAV E1-B, E5b/E1 clock
        {0x205, 0, 2, kE5b},    // I/NAV E1-B and E5b
        {0x204, 0, 2, kE5b},    // I/NAV E5b only
        {0x102, 0, 1, kE5a},    // F/NAV, E5a/E1 clock
        {0x101, 0, 2, kE5a},    // the clock bits decide the set, not the navigation message
        {0x002, 0, 1, kE5a},    // no clock bits: F/NAV carries the E5a/E1 clock
        {0x001, 0, 2, kE5b},    // no clock bits: I/NAV carries the E5b/E1 clock
        {0x301, 0, 2, kE5b},    // both clock bits name no set: taken from the message
        {0x000, 0, 0, kNone},   // nothing tells: no clock set
        {0x000, 'F', 1, kE5a},  // version 4 names the message
        {0x000, 'I', 2, kE5b},
    };
    for (const auto& c : cases) {
        RNX_NAV_GAL m{};
        m.dataSources = c.word;
        m.messageType = c.type;
        m.timeOfClock = at(2010, 1, 1, 2, 0, 0.0);
        m.clockBias = 1e-4;
        m.clockDrift = 2e-11;
        m.clockDriftRate = 3e-18;
        m.bgdE5aE1 = 4e-9;
        m.bgdE5bE1 = 5e-9;
        const VYR_BROADCASTEPHEMERIS_GAL r = galileo_record_from_message(m);
        SCOPED_TRACE(testing::Message() << "word " << c.word << " type " << c.type);
        EXPECT_EQ(+r.dataSource, c.flags);
        EXPECT_DOUBLE_EQ(+r.bgdE5aE1, 4e-9);
        const bool e5a = c.set == kE5a, e5b = c.set == kE5b;
        EXPECT_EQ(+r.tocE5aE1, e5a ? 439200u : 0u);
        EXPECT_DOUBLE_EQ(+r.af0E5aE1, e5a ? 1e-4 : 0.0);
        EXPECT_DOUBLE_EQ(+r.af1E5aE1, e5a ? 2e-11 : 0.0);
        EXPECT_DOUBLE_EQ(+r.af2E5aE1, e5a ? 3e-18 : 0.0);
        EXPECT_EQ(+r.tocE5bE1, e5b ? 439200u : 0u);
        EXPECT_DOUBLE_EQ(+r.af0E5bE1, e5b ? 1e-4 : 0.0);
        EXPECT_DOUBLE_EQ(+r.af1E5bE1, e5b ? 2e-11 : 0.0);
        EXPECT_DOUBLE_EQ(+r.af2E5bE1, e5b ? 3e-18 : 0.0);
        EXPECT_DOUBLE_EQ(+r.bgdE5bE1, e5b ? 5e-9 : 0.0);
    }
}

TEST(GalileoRecord, HealthIsTakenWhereItsValidityBitIsSet) {
    const struct {
        uint32_t health;
        uint8_t e5a, e1bE5b;
    } cases[] = {
        {0x000, 0x00, 0x00}, {0x006, 0x00, 0x00},  // E1-B HS without its validity bit
        {0x007, 0x00, 0x06},                       // E1-B HS 3 into bits 1-2
        {0x038, 0x06, 0x00},                       // E5a HS 3 into bits 1-2 of its byte
        {0x1C0, 0x00, 0x30},                       // E5b HS 3 into bits 4-5
        {0x1FF, 0x06, 0x36},                       // all three
        {0x013, 0x00, 0x02},                       // E5a HS 1 without validity; E1-B HS 1
    };
    for (const auto& c : cases) {
        RNX_NAV_GAL m{};
        m.svHealth = c.health;
        const VYR_BROADCASTEPHEMERIS_GAL r = galileo_record_from_message(m);
        EXPECT_EQ(+r.healthE5a, c.e5a) << std::hex << c.health;
        EXPECT_EQ(+r.healthE1bE5b, c.e1bE5b) << std::hex << c.health;
    }
}

TEST(GalileoRecord, StatusFollowsTheOrbitAndSisaIsStoredAsAMagnitude) {
    RNX_NAV_GAL m{};
    m.sqrtA = 5440.6;
    m.sisa = -3.7;
    m.galWeek = 2215;
    m.toe = 345600.0;
    VYR_BROADCASTEPHEMERIS_GAL r = galileo_record_from_message(m);
    EXPECT_EQ(+r.status, 2);
    EXPECT_EQ(+r.sisa, 3);
    EXPECT_EQ(+r.week, 2215);
    EXPECT_EQ(+r.toe, 345600u);
    m.sqrtA = 0.05;
    EXPECT_EQ(galileo_record_from_message(m).status, 0);
}
