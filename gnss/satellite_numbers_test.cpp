#include <vyr/satellite.h>

#include <gtest/gtest.h>

namespace {

TEST(CompactSatelliteNumber, CoversEachSystemsRangeAndNothingElse) {
    struct Case {
        VYR_SATID sat;
        uint8_t number;
    };
    const Case cases[] = {
        {{VYR_SATSYS_GPS, 1}, 1},        {{VYR_SATSYS_GPS, 32}, 32},
        {{VYR_SATSYS_GPS, 33}, 0},       {{VYR_SATSYS_GPS, 0}, 0},
        {{VYR_SATSYS_GLONASS, 1}, 33},   {{VYR_SATSYS_GLONASS, 24}, 56},
        {{VYR_SATSYS_GLONASS, 25}, 0},   {{VYR_SATSYS_GALILEO, 1}, 57},
        {{VYR_SATSYS_GALILEO, 50}, 106}, {{VYR_SATSYS_GALILEO, 51}, 0},
        {{VYR_SATSYS_SBAS, 1}, 107},     {{VYR_SATSYS_SBAS, 20}, 126},
        {{VYR_SATSYS_SBAS, 21}, 0},      {{VYR_SATSYS_COMPASS, 1}, 0},
        {{VYR_SATSYS_NONE, 1}, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(vyr::compact_satellite_number(c.sat), c.number)
            << c.sat.system << "/" << int(c.sat.prn);
    }
}

// With the table above, the round trip pins every number older records store.
TEST(CompactSatelliteNumber, DecodesAsOlderRecordsStoreIt) {
    for (int n = 1; n <= vyr::kCompactSatelliteMax; ++n) {
        const uint8_t number = static_cast<uint8_t>(n);
        EXPECT_EQ(vyr::compact_satellite_number(vyr::satellite_from_compact_number(number)), n);
    }
    EXPECT_EQ(vyr::satellite_from_compact_number(0), (VYR_SATID{VYR_SATSYS_GPS, 0}));
    for (const uint8_t beyond : {127, 255})
        EXPECT_EQ(vyr::satellite_from_compact_number(beyond), (VYR_SATID{VYR_SATSYS_NONE, 0}));
}

TEST(SystemLetter, MapsBothWays) {
    EXPECT_EQ(vyr::system_letter(VYR_SATSYS_NONE), ' ');
    const char letters[] = {'G', 'R', 'E', 'S', 'C'};
    for (int system = 1; system <= 5; ++system) {
        const auto sys = static_cast<VYR_SATELLITE_SYSTEM>(system);
        EXPECT_EQ(vyr::system_letter(sys), letters[system - 1]);
        EXPECT_EQ(vyr::system_from_letter(letters[system - 1]), sys);
    }
    EXPECT_EQ(vyr::system_letter(static_cast<VYR_SATELLITE_SYSTEM>(9)), '?');
    EXPECT_EQ(vyr::system_from_letter(' '), VYR_SATSYS_NONE);
    EXPECT_EQ(vyr::system_from_letter('J'), VYR_SATSYS_NONE);
    EXPECT_EQ(vyr::system_from_letter('g'), VYR_SATSYS_NONE);
}

}  // namespace
