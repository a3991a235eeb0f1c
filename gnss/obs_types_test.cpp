#include <vyr/obs_types.h>

#include <gtest/gtest.h>

// Packed fields are compared as values (+field): no reference may bind to a misaligned one.
namespace {

TEST(ObsTypeToFrequencyBand, EveryTypeHasItsBandAndFrequencyIndex) {
    struct Case {
        int32_t type;
        VYR_FREQUENCY_BAND band;
        uint16_t index;
    };
    const Case cases[] = {
        {0, VYR_BAND_NONE, 0},  {1, VYR_BAND_L1, 0},    {2, VYR_BAND_L1, 0},
        {3, VYR_BAND_L2, 1},    {4, VYR_BAND_L2, 1},    {5, VYR_BAND_L2, 1},
        {6, VYR_BAND_L5, 2},    {7, VYR_BAND_L5, 2},    {8, VYR_BAND_E5B, 1},
        {9, VYR_BAND_L1, 0},    {10, VYR_BAND_E5AB, 3}, {11, VYR_BAND_E6, 0},
        {12, VYR_BAND_NONE, 0}, {-1, VYR_BAND_NONE, 0}, {255, VYR_BAND_NONE, 0},
    };
    for (const Case& c : cases) {
        const VYR_OBSTYPE type = static_cast<VYR_OBSTYPE>(c.type);
        VYR_FREQUENCY_BAND band = VYR_BAND_E6;
        EXPECT_EQ(Vyr_ObsTypeToFrequencyBand(type, band), c.index) << "type " << c.type;
        EXPECT_EQ(band, c.band) << "type " << c.type;
        EXPECT_EQ(Vyr_ObsTypeToFrequencyBand(type), c.band) << "type " << c.type;
    }
}

TEST(ObsTypeKey, OrdersBySystemThenPrnThenType) {
    // Listed in ascending order; prn 128 after 2 shows the prn compared as an unsigned byte.
    const VYR_OBSTYPE_KEY keys[] = {
        {{VYR_SATSYS_NONE, 255}, VYR_OBS_E6},    {{VYR_SATSYS_GPS, 1}, VYR_OBS_L1CA},
        {{VYR_SATSYS_GPS, 1}, VYR_OBS_L2C},      {{VYR_SATSYS_GPS, 2}, VYR_OBS_NONE},
        {{VYR_SATSYS_GPS, 128}, VYR_OBS_L1P},    {{VYR_SATSYS_GLONASS, 1}, VYR_OBS_L1CA},
        {{VYR_SATSYS_COMPASS, 0}, VYR_OBS_NONE},
    };
    for (size_t i = 0; i < std::size(keys); ++i) {
        for (size_t j = 0; j < std::size(keys); ++j) {
            EXPECT_EQ(keys[i] < keys[j], i < j) << i << " " << j;
            EXPECT_EQ(keys[i] == keys[j], i == j) << i << " " << j;
        }
    }
}

// The derived keys take the band of their signal and order by satellite (or system), then band.
TEST(DerivedKeys, TakeTheBandOfTheSignalAndOrderLikeTheSignalKey) {
    const VYR_OBSTYPE_KEY signal{{VYR_SATSYS_GALILEO, 11}, VYR_OBS_E5AB};
    const VYR_FREQUENCY_BAND_KEY band(signal);
    EXPECT_EQ(band.satId, (VYR_SATID{VYR_SATSYS_GALILEO, 11}));
    EXPECT_EQ(+band.band, VYR_BAND_E5AB);
    EXPECT_TRUE(VYR_SATSYSTEM_BAND_KEY(signal) == VYR_SATSYSTEM_BAND_KEY(band));
    EXPECT_TRUE(VYR_SATSYSTEM_BAND_KEY(band) ==
                VYR_SATSYSTEM_BAND_KEY(VYR_SATSYS_GALILEO, VYR_BAND_E5AB));

    using B = VYR_FREQUENCY_BAND_KEY;
    EXPECT_TRUE(B({VYR_SATSYS_GALILEO, 3}, VYR_BAND_E6) <
                B({VYR_SATSYS_GALILEO, 130}, VYR_BAND_L1));
    EXPECT_FALSE(B({VYR_SATSYS_GALILEO, 130}, VYR_BAND_L1) <
                 B({VYR_SATSYS_GALILEO, 3}, VYR_BAND_E6));
    using S = VYR_SATSYSTEM_BAND_KEY;
    EXPECT_TRUE(S(VYR_SATSYS_GPS, VYR_BAND_E6) < S(VYR_SATSYS_GLONASS, VYR_BAND_L1));
    EXPECT_TRUE(S(VYR_SATSYS_GPS, VYR_BAND_L1) < S(VYR_SATSYS_GPS, VYR_BAND_L2));
    EXPECT_FALSE(S(VYR_SATSYS_GPS, VYR_BAND_L2) < S(VYR_SATSYS_GPS, VYR_BAND_L2));
}

}  // namespace
