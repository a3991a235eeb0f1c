#include <vyr/frequency_manager.h>

#include <gtest/gtest.h>

#include <array>
#include <utility>

namespace {

constexpr double c = 299792458.0;

VYR_GLONASS_FREQUENCYMAP map_with(std::initializer_list<std::pair<int, int16_t>> channels) {
    VYR_GLONASS_FREQUENCYMAP map;
    for (int16_t& channel : map.channel) channel = VYR_GLONASS_FREQUENCYMAP::kNotSet;
    for (const auto& [slot, channel] : channels) map.channel[slot - 1] = channel;
    return map;
}

TEST(FrequencyManager, ConstantFrequenciesOfEverySystemAndBand) {
    const CFrequencyManager manager;
    // Hz in band order: none, L1, L2, L5, E5b, E5a+b, E6.
    const std::pair<VYR_SATELLITE_SYSTEM, std::array<double, 7>> rows[] = {
        {VYR_SATSYS_GPS, {0, 1575420000.0, 1227600000.0, 1176450000.0, 0, 0, 0}},
        {VYR_SATSYS_GALILEO, {0, 1.57542e9, 0, 1.17645e9, 1.20714e9, 1.191795e9, 1.27875e9}},
        {VYR_SATSYS_SBAS, {0, 1.57542e9, 0, 1.17645e9, 0, 0, 0}},
        {VYR_SATSYS_COMPASS, {}},
        {VYR_SATSYS_NONE, {}},
    };
    for (const auto& [system, hz] : rows) {
        for (int band = 0; band < 7; ++band) {
            const VYR_SATID sat{system, 5};
            const auto b = static_cast<VYR_FREQUENCY_BAND>(band);
            EXPECT_EQ(manager.getFrequencyValue(sat, b), hz[band]) << system << "/" << band;
            EXPECT_EQ(manager.getWavelengthValue(sat, b), hz[band] > 0 ? c / hz[band] : 0.0)
                << system << "/" << band;
        }
    }
    EXPECT_NEAR(manager.getWavelengthValue({VYR_SATSYS_GPS, 1}, VYR_BAND_L1), 0.19029367, 1e-8);
    EXPECT_EQ(manager.getMSecJumpValue({VYR_SATSYS_GPS, 1}, VYR_BAND_L2), 1227600.0);
}

TEST(FrequencyManager, GlonassChannelsGiveTheirFrequencies) {
    CFrequencyManager manager;
    // Unknown until a map is set.
    EXPECT_EQ(manager.getFrequencyValue({VYR_SATSYS_GLONASS, 1}, VYR_BAND_L1), 0.0);
    EXPECT_EQ(manager.getWavelengthValue({VYR_SATSYS_GLONASS, 24}, VYR_BAND_L2), 0.0);
    manager.setGlonassFrequencyMap(map_with({{1, 0}, {2, -7}, {24, 6}}));
    struct Case {
        uint8_t slot;
        double l1, l2;
    };
    for (const Case& k : {Case{1, 1602000000.0, 1246000000.0}, Case{2, 1598062500.0, 1242937500.0},
                          Case{24, 1605375000.0, 1248625000.0}}) {
        const VYR_SATID sat{VYR_SATSYS_GLONASS, k.slot};
        EXPECT_NEAR(manager.getFrequencyValue(sat, VYR_BAND_L1), k.l1, 1e-3) << int(k.slot);
        EXPECT_NEAR(manager.getFrequencyValue(sat, VYR_BAND_L2), k.l2, 1e-3) << int(k.slot);
        EXPECT_NEAR(manager.getMSecJumpValue(sat, VYR_BAND_L2), k.l2 / 1000, 1e-6);
        EXPECT_DOUBLE_EQ(manager.getWavelengthValue(sat, VYR_BAND_L1), c / k.l1);
        // Every band other than L2 reads the L1 row.
        EXPECT_EQ(manager.getFrequencyValue(sat, VYR_BAND_E6),
                  manager.getFrequencyValue(sat, VYR_BAND_L1));
    }
    // Unset slots stay unknown; slots outside 1-24 are never known.
    for (const uint8_t slot : {3, 0, 25, 255}) {
        EXPECT_EQ(manager.getFrequencyValue({VYR_SATSYS_GLONASS, slot}, VYR_BAND_L1), 0.0) << +slot;
        EXPECT_EQ(manager.getWavelengthValue({VYR_SATSYS_GLONASS, slot}, VYR_BAND_L2), 0.0)
            << +slot;
    }
}

TEST(FrequencyManager, AMapIsAppliedOnTopOfTheLastOne) {
    CFrequencyManager manager;
    manager.setGlonassFrequencyMap(map_with({{5, 1}, {6, 2}}));
    manager.setGlonassFrequencyMap(map_with({}));
    manager.setGlonassFrequencyMap(map_with({{6, -3}}));
    EXPECT_NEAR(manager.getFrequencyValue({VYR_SATSYS_GLONASS, 5}, VYR_BAND_L1), 1.602e9 + 562500.0,
                1e-3);
    EXPECT_NEAR(manager.getFrequencyValue({VYR_SATSYS_GLONASS, 6}, VYR_BAND_L1),
                1.602e9 - 3 * 562500.0, 1e-3);
}

}  // namespace
