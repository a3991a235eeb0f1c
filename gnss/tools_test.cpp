#include <vyr/vyr.h>

#include <gtest/gtest.h>

#include <vector>

#include "gnss/rinex_codes.h"
#include "stations/epoch_test_support.h"
#include "tests/support/packed_value.h"

namespace {

using vyr_gnss::rinex_attribute_code;
using vyr_gnss::rinex_band_code;

CVyrIPtrSmart<IVyrTools> tools_of_a_root() {
    CVyrIPtrSmart<IVyr> root = Vyr_GetIVyr();
    CVyrIPtrSmart<IVyrTools> tools;
    EXPECT_EQ(root->GetTools(tools), VYR_OK);
    return tools;  // lives on after the root is gone
}

TEST(Tools, TheRootHandsOutANewObjectEachTimeThatOutlivesIt) {
    CVyrIPtrSmart<IVyr> root = Vyr_GetIVyr();
    CVyrIPtrSmart<IVyrTools> a, b;
    ASSERT_EQ(root->GetTools(a), VYR_OK);
    b = a;  // a held object is released first
    ASSERT_EQ(root->GetTools(a), VYR_OK);
    EXPECT_TRUE(a.IsValid());
    EXPECT_NE(a.Get(), b.Get());
    root.Reset();
    EXPECT_EQ(a->Vyr2RnxSatSys(VYR_SATSYS_GALILEO), eSATSYS_GALILEO);
}

TEST(Tools, SystemSignalAndStrengthConversionsForward) {
    CVyrIPtrSmart<IVyrTools> tools = tools_of_a_root();
    ASSERT_TRUE(tools.IsValid());
    for (int32_t s = -1; s <= 6; ++s) {
        const auto system = static_cast<VYR_SATELLITE_SYSTEM>(s);
        EXPECT_EQ(tools->Vyr2RnxSatSys(system), Vyr_Vyr2RnxSatSys(system)) << s;
    }
    const RNX_OBS_CODE e5ab{0, rinex_band_code('8'), rinex_attribute_code('X')};
    EXPECT_EQ(tools->Rnx2VyrObsType(eSATSYS_GALILEO, e5ab), VYR_OBS_E5AB);
    EXPECT_EQ(tools->Rnx2VyrObsType(eSATSYS_GPS, e5ab), VYR_OBS_NONE);
    const RNX_OBS_CODE l2w = tools->Vyr2RnxObsType(eSATSYS_GPS, VYR_OBS_L2Y);
    EXPECT_EQ(value_of(l2w.kind), 0u);
    EXPECT_EQ(value_of(l2w.band), rinex_band_code('2'));
    EXPECT_EQ(value_of(l2w.attribute), rinex_attribute_code('W'));
    for (unsigned short flag : {0, 5, 9})
        EXPECT_EQ(tools->RnxSnrFlag2VyrQualitydBHz(flag), Vyr_RnxSnrFlag2VyrQualitydBHz(flag));
}

TEST(Tools, EpochEncodingForwardsBothWays) {
    CVyrIPtrSmart<IVyrTools> tools = tools_of_a_root();
    const VYR_OBSERVATIONEPOCH epoch = vyr_test::make_epoch(vyr_test::multi_gnss_shape());
    std::vector<uint8_t> buffer(100000);
    uint32_t written = 0;
    ASSERT_EQ(tools->SerializeObsEpoch(epoch, buffer.data(), uint32_t(buffer.size()), written),
              VYR_OK);
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + written),
              vyr_test::encode_epoch(epoch));
    uint32_t tooSmall = 0;
    EXPECT_EQ(tools->SerializeObsEpoch(epoch, buffer.data(), 10, tooSmall), VYR_E_BUFFER_TOO_SHORT);

    VYR_OBSERVATIONEPOCH back;
    uint32_t consumed = 0;
    ASSERT_EQ(tools->DeserializeObsEpoch(buffer.data(), written, back, consumed), VYR_OK);
    EXPECT_EQ(consumed, written);
    EXPECT_EQ(back.satellites.size(), epoch.satellites.size());
    uint32_t mjd = 0, length = 0;
    double fraction = 0;
    ASSERT_EQ(tools->DeserializeObsEpoch(buffer.data(), written, mjd, fraction, length), VYR_OK);
    EXPECT_EQ(mjd, value_of(epoch.mjd));
    EXPECT_EQ(fraction, value_of(epoch.fraction));
    EXPECT_EQ(length, written);
}

TEST(Tools, EpochConversionsForward) {
    CVyrIPtrSmart<IVyrTools> tools = tools_of_a_root();
    // A RINEX epoch in, the system's epoch out, and back to RINEX.
    RNX_OBS_EPOCH in{};
    in.time = {eTIMESYS_GPS, 2021, 1, 2, 12, 0, 30.0};
    in.flag = eEPOCHFLAG_OK;
    RNX_OBS_SAT sat{};
    sat.system = eSATSYS_GPS;
    sat.number = 5;
    sat.values.push_back({{vyr_gnss::kRnxKindCode, rinex_band_code('1'), rinex_attribute_code('C')},
                          20000000.5,
                          0,
                          0});
    in.satellites.push_back(sat);
    VYR_OBSERVATIONEPOCH epoch, expected;
    ASSERT_EQ(tools->ConvertToObsEpoch(in, nullptr, epoch), VYR_OK);
    ASSERT_EQ(Vyr_ConvertToObsEpoch(in, nullptr, expected), VYR_OK);
    EXPECT_TRUE(vyr_test::same_epoch(epoch, expected));
    ASSERT_EQ(epoch.satellites.size(), 1u);

    auto previous = vyr::kNoOccupationYet;
    RNX_OBS_EPOCH out;
    eEPOCHFLAG event = eEPOCHFLAG_NONE;
    epoch.occupation = VYR_OBSERVATIONEPOCH::OCCUPATION_KINEMATIC;
    ASSERT_EQ(tools->Vyr2RnxObsEpoch(epoch, previous, out, event), VYR_OK);
    EXPECT_EQ(event, eEPOCHFLAG_START_MOVING);
    EXPECT_EQ(previous, VYR_OBSERVATIONEPOCH::OCCUPATION_KINEMATIC);
    EXPECT_EQ(value_of(out.time.year), 2021);
    EXPECT_NEAR(value_of(out.time.seconds), 30.0, 1e-6);
    ASSERT_EQ(out.satellites.size(), 1u);
    EXPECT_EQ(value_of(out.satellites[0].number), 5);
    ASSERT_EQ(out.satellites[0].values.size(), 1u);
    EXPECT_EQ(value_of(out.satellites[0].values[0].value), 20000000.5);
}

}  // namespace
