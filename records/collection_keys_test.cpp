#include "records/collection_keys.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace {

// Two records count as the same key when neither orders before the other.
template <class Cache, class T>
bool same_key(const T& a, const T& b) {
    Cache cache;
    return cache.IsEqual(a, b);
}

constexpr double kMs = 1.0 / 86400000.0;

VYR_PRECISEEPHEMERIS precise(uint8_t satellite, double epoch) {
    VYR_PRECISEEPHEMERIS r{};
    r.satellite = satellite;
    r.epoch = epoch;
    return r;
}

TEST(CollectionKeys, PreciseEphemeridesUnderOneMillisecondApartAreTheSameKey) {
    using Cache = CCollectionCachePreciseEphemeris;
    EXPECT_TRUE(same_key<Cache>(precise(5, 55197.5), precise(5, 55197.5 + 0.6 * kMs)));
    EXPECT_FALSE(same_key<Cache>(precise(5, 55197.5), precise(5, 55197.5 + 1.5 * kMs)));
    EXPECT_FALSE(same_key<Cache>(precise(5, 55197.5), precise(6, 55197.5)));
    EXPECT_FALSE(same_key<Cache>(precise(5, 55197.5), precise(5, 55198.5)));
}

TEST(CollectionKeys, BroadcastKeysAreWeekTimeOfWeekAndSatellite) {
    VYR_BROADCASTEPHEMERIS a{};
    a.prn = 7;
    a.week = 0x0102;
    a.toe = 0x03040506;
    EXPECT_EQ(vyr_records::BroadcastEphemerisKeyOf{}(a), 0x0102'03040506'07ull);
    VYR_BROADCASTEPHEMERIS b = a;
    b.af1 = 3.0f;
    b.iodc = 99;
    EXPECT_TRUE(same_key<CCollectionCacheBroadcastEphemeris>(a, b));

    VYR_BROADCASTEPHEMERIS_GLO glo{};
    glo.slot = 3;
    glo.week = 2;
    glo.secondsOfWeek = 900;
    VYR_BROADCASTEPHEMERIS_GLO later = glo;
    later.secondsOfWeek = 1800;
    EXPECT_FALSE(same_key<CCollectionCacheBroadcastEphemerisGlo>(glo, later));
    later = glo;
    later.x = 1.0;
    EXPECT_TRUE(same_key<CCollectionCacheBroadcastEphemerisGlo>(glo, later));

    VYR_IONOUTC iono{};
    iono.week = 1;
    iono.secondsOfWeek = 2;
    EXPECT_EQ(vyr_records::IonoUtcKeyOf{}(iono), 0x1'00000002ull);
}

VYR_POINT_DESC description(double start, int32_t type, uint8_t mark) {
    VYR_POINT_DESC r{};
    r.description.start = start;
    r.description.type = type;
    r.description.detail.mark = mark;
    return r;
}

TEST(CollectionKeys, PointDescriptionsOfTypes3And4AreToldApartByTheirMark) {
    using Cache = CCollectionCachePointDesc;
    struct Case {
        VYR_POINT_DESC a, b;
        bool same;
    };
    const double t = 55000.25;
    VYR_POINT_DESC withEnd = description(t, 1, 0);
    withEnd.description.detail.end = t + 0.1;
    const Case cases[] = {
        {description(t, 3, 1), description(t, 3, 2), false},
        {description(t, 4, 1), description(t, 4, 1), true},
        {description(t, 1, 0), withEnd, true},  // the end time is not part of the key
        {description(t, 1, 0), description(t, 2, 0), false},
        {description(t, 1, 0), description(t + 0.0005 * kMs, 1, 0), true},  // under 1 us
        {description(t, 1, 0), description(t + 0.01 * kMs, 1, 0), false},
    };
    for (const Case& c : cases) EXPECT_EQ(same_key<Cache>(c.a, c.b), c.same);
}

TEST(CollectionKeys, ProcessingErrorIntervalsDifferInStartCodeTypeOrValue) {
    using Cache = CCollectionCacheProcessingErrorInterval;
    auto interval = [](uint32_t code, double start, uint32_t type, uint32_t value) {
        VYR_PROCESSING_ERROR_INTERVAL r(code, start);
        uint8_t bytes[21] = {};
        std::memcpy(bytes, &value, sizeof value);
        r.payload.Set(type, bytes);
        return r;
    };
    EXPECT_TRUE(same_key<Cache>(interval(1, 5.0, 4, 7), interval(1, 5.0, 4, 7)));
    EXPECT_FALSE(same_key<Cache>(interval(1, 5.0, 4, 7), interval(1, 5.0, 4, 9)));
    EXPECT_FALSE(same_key<Cache>(interval(1, 5.0, 4, 7), interval(2, 5.0, 4, 7)));
    EXPECT_FALSE(same_key<Cache>(interval(1, 5.0, 4, 7), interval(1, 5.0, 1, 7)));
    // Type 5 payloads play no part beyond their type.
    EXPECT_TRUE(same_key<Cache>(interval(1, 5.0, 5, 7), interval(1, 5.0, 5, 9)));
}

TEST(CollectionKeys, GlobalRegionalModelsWithinTheToleranceAreTheSameKey) {
    VYR_IONO_GLOBALREG a{}, b{};
    a.fromEpoch = b.fromEpoch = 55000.0;
    a.toEpoch = b.toEpoch = 55000.5;
    a.minLatitude = 10.0;
    b.minLatitude = 10.000005;
    EXPECT_TRUE(same_key<CCollectionCacheIonoGlobalReg>(a, b));
    b.maxLatitude = 0.001;
    EXPECT_FALSE(same_key<CCollectionCacheIonoGlobalReg>(a, b));
}

TEST(CollectionKeys, PointNamesCompareAsTerminatedStrings) {
    VYR_ESTABLISHED_POINT a{}, b{};
    std::memcpy(a.name, "BASE", 5);
    std::memcpy(b.name, "BASE", 5);
    b.data[0] = 1;
    EXPECT_TRUE(same_key<CCollectionCacheEstablishedPoint>(a, b));
    std::memcpy(b.name, "base", 5);
    EXPECT_FALSE(same_key<CCollectionCacheEstablishedPoint>(a, b));
    // A name filling all 17 bytes is cut at 16 characters.
    std::memset(a.name, 'A', sizeof a.name);
    std::memset(b.name, 'A', sizeof b.name);
    b.name[16] = 'B';
    EXPECT_TRUE(same_key<CCollectionCacheEstablishedPoint>(a, b));
}

VYR_KEY key_of(uint32_t type, uint64_t number, const char* name = nullptr) {
    VYR_KEY key{};
    key.type = type;
    if (name != nullptr)
        std::strncpy(reinterpret_cast<char*>(key.value), name, 16);
    else
        std::memcpy(key.value, &number, sizeof number);
    return key;
}

TEST(KeyOrder, KindsFirstThenNumbersThenNames) {
    const vyr_records::KeyLess less;
    EXPECT_TRUE(less(key_of(1, 0xFFFFFFFFull), key_of(1, 1ull << 32)));
    EXPECT_TRUE(less(key_of(1, ~0ull), key_of(2, 0)));
    EXPECT_TRUE(less(key_of(2, 0xFFFFFFFFull), key_of(3, 0, "A")));
    EXPECT_TRUE(less(key_of(3, 0, "A"), key_of(3, 0, "a")));
    EXPECT_FALSE(less(key_of(7, 1), key_of(7, 2)));
    EXPECT_FALSE(less(key_of(7, 2), key_of(7, 1)));
}

TEST(TimeKey, TimesSplitIntoDayAndMillisecondsAndNonTimesBecomeDayZero) {
    const mjd::time t = vyr_records::to_mjd_time(55000.5);
    EXPECT_EQ(t.day, 55000u);
    EXPECT_DOUBLE_EQ(t.milliseconds, 43200000.0);
    for (double bad : {std::nan(""), std::numeric_limits<double>::infinity(), 1e300}) {
        const mjd::time zero = vyr_records::to_mjd_time(bad);
        EXPECT_EQ(zero.day, 0u);
        EXPECT_EQ(zero.milliseconds, 0.0);
    }
}

}  // namespace
