#include <gtest/gtest.h>

#include <vyr/file_converter.h>
#include "import/import_test_support.h"

using import_test::signal_of;
using rnx_test::epoch;
using rnx_test::sat;
using rnx_test::val;

namespace {

RNX_OBS_EPOCH epoch_at(std::vector<RNX_OBS_SAT> sats) {
    return epoch(RNX_TIME{eTIMESYS_GPS, 2018, 7, 29, 12, 0, 30.0}, std::move(sats));
}

const bool kNoStrength[5][12] = {};

TEST(ConvertToObsEpoch, TimeSignalsFlagsAndQuality) {
    const RNX_OBS_EPOCH in = epoch_at({sat(eSATSYS_GPS, 5,
                                           {val("C1C", 20000000.5), val("L1C", 1.05e8, 1, 7),
                                            val("D1C", -1234.5), val("S1C", 45.26)}),
                                       sat(eSATSYS_GLONASS, 12, {val("C1C", 21000000.0)})});
    bool strength[5][12] = {};
    strength[eSATSYS_GPS][VYR_OBS_L1CA] = true;
    VYR_OBSERVATIONEPOCH out;
    ASSERT_EQ(Vyr_ConvertToObsEpoch(in, strength, out), VYR_OK);
    EXPECT_EQ(out.mjd, 58328u);
    EXPECT_DOUBLE_EQ(out.fraction, (12 * 3600 + 30) / 86400.0);
    EXPECT_EQ(out.status, 1);
    ASSERT_EQ(out.satellites.size(), 2u);
    const auto* l1 = signal_of(out.satellites[0], VYR_OBS_L1CA);
    ASSERT_NE(l1, nullptr);
    EXPECT_EQ(+l1->flags, 0x010F);
    EXPECT_EQ(+l1->code, 20000000.5);
    EXPECT_EQ(+l1->phase, 1.05e8);
    EXPECT_EQ(+l1->doppler, -1234.5);
    EXPECT_EQ(+l1->quality, 905);  // the measured strength, not the digit
    EXPECT_EQ(out.satellites[1].satId.system, VYR_SATSYS_GLONASS);
    EXPECT_EQ(out.satellites[1].satId.prn, 12);

    // Without a strength observation in the file, the phase's digit gives the quality.
    ASSERT_EQ(Vyr_ConvertToObsEpoch(in, kNoStrength, out), VYR_OK);
    EXPECT_EQ(+signal_of(out.satellites[0], VYR_OBS_L1CA)->quality, 905);  // S1C still read
    const RNX_OBS_EPOCH digitOnly = epoch_at({sat(eSATSYS_GPS, 5, {val("L1C", 1.0e8, 0, 7)})});
    ASSERT_EQ(Vyr_ConvertToObsEpoch(digitOnly, kNoStrength, out), VYR_OK);
    EXPECT_EQ(+signal_of(out.satellites[0], VYR_OBS_L1CA)->quality, 890);  // digit 7
}

TEST(ConvertToObsEpoch, ABlankValueNeverOverwritesAFilledOneOfTheSameType) {
    // C2L and C2X are both the L2C code: C2X written as 0.000 after a filled C2L.
    const RNX_OBS_EPOCH in = epoch_at(
        {sat(eSATSYS_GPS, 7,
             {val("C2L", 22000000.25), val("C2X", 0.0), val("L2L", 0.0), val("L2X", 8.5e7)})});
    VYR_OBSERVATIONEPOCH out;
    ASSERT_EQ(Vyr_ConvertToObsEpoch(in, kNoStrength, out), VYR_OK);
    const auto* l2c = signal_of(out.satellites.at(0), VYR_OBS_L2C);
    ASSERT_NE(l2c, nullptr);
    EXPECT_EQ(+l2c->code, 22000000.25);
    EXPECT_EQ(+l2c->phase, 8.5e7);
    EXPECT_EQ(+l2c->flags, 0x0003);
    EXPECT_TRUE(vyr::is_valid_observation_epoch(out));
}

TEST(ConvertToObsEpoch, SbasNumbersOtherSystemsAndEvents) {
    RNX_OBS_EPOCH in = epoch_at(
        {sat(eSATSYS_SBAS, 120, {val("C1C", 1.0)}), sat(eSATSYS_SBAS, 105, {val("C1C", 2.0)}),
         sat(eSATSYS_OTHER, 3, {val("C1C", 3.0)}), sat(eSATSYS_GALILEO, 11, {val("S1C", 40.0)})});
    VYR_OBSERVATIONEPOCH out;
    ASSERT_EQ(Vyr_ConvertToObsEpoch(in, kNoStrength, out), VYR_OK);
    ASSERT_EQ(out.satellites.size(), 2u);
    EXPECT_EQ(out.satellites[0].satId.system, VYR_SATSYS_SBAS);
    EXPECT_EQ(out.satellites[0].satId.prn, 1);
    // A strength alone is no tracked signal.
    EXPECT_TRUE(out.satellites[1].observations.empty());

    in.flag = eEPOCHFLAG_START_MOVING;
    ASSERT_EQ(Vyr_ConvertToObsEpoch(in, kNoStrength, out), VYR_OK);
    EXPECT_EQ(out.mjd, 0u);  // only observation epochs carry their time
}

}  // namespace
