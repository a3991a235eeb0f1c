#include <vyr/frequency_manager.h>

#include <gtest/gtest.h>

namespace {

constexpr double c = 299792458.0;

VYR_GLONASS_FREQUENCYMAP unset_map() {
    VYR_GLONASS_FREQUENCYMAP map;
    for (int16_t& channel : map.channel) channel = VYR_GLONASS_FREQUENCYMAP::kNotSet;
    return map;
}

TEST(FrequencyManager, ConstantFrequenciesOfEverySystemAndBand) {
    const CFrequencyManager manager;
    struct Case {
        VYR_SATELLITE_SYSTEM system;
        VYR_FREQUENCY_BAND band;
        double hz;
    };
    const Case cases[] = {
        {VYR_SATSYS_GPS, VYR_BAND_L1, 1575420000.0},
        {VYR_SATSYS_GPS, VYR_BAND_L2, 1227600000.0},
        {VYR_SATSYS_GPS, VYR_BAND_L5, 1176450000.0},
        {VYR_SATSYS_GPS, VYR_BAND_E5B, 0},
        {VYR_SATSYS_GPS, VYR_BAND_E5AB, 0},
        {VYR_SATSYS_GPS, VYR_BAND_E6, 0},
        {VYR_SATSYS_GPS, VYR_BAND_NONE, 0},
        {VYR_SATSYS_GALILEO, VYR_BAND_L1, 1.57542e9},
        {VYR_SATSYS_GALILEO, VYR_BAND_L2, 0},
        {VYR_SATSYS_GALILEO, VYR_BAND_L5, 1.17645e9},
        {VYR_SATSYS_GALILEO, VYR_BAND_E5B, 1.20714e9},
        {VYR_SATSYS_GALILEO, VYR_BAND_E5AB, 1.191795e9},
        {VYR_SATSYS_GALILEO, VYR_BAND_E6, 1.27875e9},
        {VYR_SATSYS_SBAS, VYR_BAND_L1, 1.57542e9},
        {VYR_SATSYS_SBAS, VYR_BAND_L2, 0},
        {VYR_SATSYS_SBAS, VYR_BAND_L5, 1.17645e9},
        {VYR_SATSYS_SBAS, VYR_BAND_E6, 0},
        {VYR_SATSYS_COMPASS, VYR_BAND_L1, 0},
        {VYR_SATSYS_NONE, VYR_BAND_L1, 0},
    };
    for (const Case& k : cases) {
        const VYR_SATID sat{k.system, 5};
        EXPECT_EQ(manager.getFrequencyValue(sat, k.band), k.hz) << k.system << "/" << k.band;
        EXPECT_EQ(manager.getMSecJumpValue(sat, k.band), k.hz / 1000) << k.system << "/" << k.band;
        EXPECT_EQ(manager.getWavelengthValue(sat, k.band), k.hz > 0 ? c / k.hz : 0.0)
            << k.system << "/" << k.band;
    }
    EXPECT_NEAR(manager.getWavelengthValue({VYR_SATSYS_GPS, 1}, VYR_BAND_L1), 0.19029367, 1e-8);
}

TEST(FrequencyManager, GlonassChannelsGiveTheirFrequencies) {
    CFrequencyManager manager;
    // Unknown until a map is set.
    EXPECT_EQ(manager.getFrequencyValue({VYR_SATSYS_GLONASS, 1}, VYR_BAND_L1), 0.0);
    EXPECT_EQ(manager.getWavelengthValue({VYR_SATSYS_GLONASS, 24}, VYR_BAND_L2), 0.0);
    VYR_GLONASS_FREQUENCYMAP map = unset_map();
    map.channel[0] = 0;
    map.channel[1] = -7;
    map.channel[23] = 6;
    manager.setGlonassFrequencyMap(map);
    struct Case {
        uint8_t slot;
        double l1, l2;
    };
    for (const Case& k : {Case{1, 1602000000.0, 1246000000.0}, Case{2, 1598062500.0, 1242937500.0},
                          Case{24, 1605375000.0, 1248625000.0}}) {
        const VYR_SATID sat{VYR_SATSYS_GLONASS, k.slot};
        EXPECT_NEAR(manager.getFrequencyValue(sat, VYR_BAND_L1), k.l1, 1e-3) << int(k.slot);
        EXPECT_NEAR(manager.getFrequencyValue(sat, VYR_BAND_L2), k.l2, 1e-3) << int(k.slot);
        EXPECT_NEAR(manager.getMSecJumpValue(sat, VYR_BAND_L1), k.l1 / 1000, 1e-6);
        EXPECT_NEAR(manager.getMSecJumpValue(sat, VYR_BAND_L2), k.l2 / 1000, 1e-6);
        EXPECT_DOUBLE_EQ(manager.getWavelengthValue(sat, VYR_BAND_L1), c / k.l1);
        EXPECT_DOUBLE_EQ(manager.getWavelengthValue(sat, VYR_BAND_L2), c / k.l2);
        // Every band other than L2 reads the L1 row.
        EXPECT_EQ(manager.getFrequencyValue(sat, VYR_BAND_E6),
                  manager.getFrequencyValue(sat, VYR_BAND_L1));
        EXPECT_EQ(manager.getWavelengthValue(sat, VYR_BAND_NONE),
                  manager.getWavelengthValue(sat, VYR_BAND_L1));
    }
    // Unset slots stay unknown; slots outside 1-24 are never known.
    EXPECT_EQ(manager.getFrequencyValue({VYR_SATSYS_GLONASS, 3}, VYR_BAND_L1), 0.0);
    EXPECT_EQ(manager.getFrequencyValue({VYR_SATSYS_GLONASS, 0}, VYR_BAND_L1), 0.0);
    EXPECT_EQ(manager.getFrequencyValue({VYR_SATSYS_GLONASS, 25}, VYR_BAND_L1), 0.0);
    EXPECT_EQ(manager.getWavelengthValue({VYR_SATSYS_GLONASS, 255}, VYR_BAND_L2), 0.0);
}

TEST(FrequencyManager, AMapIsAppliedOnTopOfTheLastOne) {
    VYR_GLONASS_FREQUENCYMAP first = unset_map();
    first.channel[4] = 1;
    first.channel[5] = 2;
    CFrequencyManager manager;
    manager.setGlonassFrequencyMap(first);
    const double slot5 = manager.getFrequencyValue({VYR_SATSYS_GLONASS, 5}, VYR_BAND_L1);

    manager.setGlonassFrequencyMap(unset_map());
    EXPECT_EQ(manager.getFrequencyValue({VYR_SATSYS_GLONASS, 5}, VYR_BAND_L1), slot5);

    VYR_GLONASS_FREQUENCYMAP second = unset_map();
    second.channel[5] = -3;
    manager.setGlonassFrequencyMap(second);
    EXPECT_EQ(manager.getFrequencyValue({VYR_SATSYS_GLONASS, 5}, VYR_BAND_L1), slot5);
    EXPECT_NEAR(manager.getFrequencyValue({VYR_SATSYS_GLONASS, 6}, VYR_BAND_L1),
                1.602e9 - 3 * 562500.0, 1e-3);
}

TEST(FrequencyManager, CopiesCarryTheTable) {
    VYR_GLONASS_FREQUENCYMAP map = unset_map();
    map.channel[9] = 4;
    CFrequencyManager original;
    original.setGlonassFrequencyMap(map);
    const VYR_SATID sat{VYR_SATSYS_GLONASS, 10};
    const CFrequencyManager copy(original);
    CFrequencyManager assigned;
    assigned = original;
    EXPECT_GT(original.getFrequencyValue(sat, VYR_BAND_L2), 0.0);
    EXPECT_EQ(copy.getFrequencyValue(sat, VYR_BAND_L2),
              original.getFrequencyValue(sat, VYR_BAND_L2));
    EXPECT_EQ(assigned.getWavelengthValue(sat, VYR_BAND_L1),
              original.getWavelengthValue(sat, VYR_BAND_L1));
}

}  // namespace
