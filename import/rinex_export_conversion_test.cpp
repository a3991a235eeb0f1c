#include <vyr/rinex_conversions.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <iterator>
#include <vector>

#include "gnss/rinex_codes.h"
#include "tests/support/packed_value.h"

namespace {

using Signal = VYR_OBSERVATIONEPOCH_SIGNAL;
using Occupation = VYR_OBSERVATIONEPOCH::eOccupationType;
constexpr Occupation kStatic = VYR_OBSERVATIONEPOCH::OCCUPATION_STATIC;
constexpr Occupation kKinematic = VYR_OBSERVATIONEPOCH::OCCUPATION_KINEMATIC;

Signal signal(VYR_OBSTYPE type, uint16_t flags, uint16_t quality = 0) {
    Signal s;
    s.obsType = type;
    s.flags = flags;
    s.code = 21000000.25;
    s.phase = 110000000.125;
    s.doppler = -1234.5;
    s.quality = quality;
    return s;
}

VYR_OBSERVATIONEPOCH epoch_with(VYR_SATID sat, std::vector<Signal> signals,
                                Occupation occupation = kStatic) {
    VYR_OBSERVATIONEPOCH epoch;
    epoch.mjd = 51544;
    epoch.fraction = 0.5;
    epoch.status = 1;
    epoch.occupation = occupation;
    VYR_OBSERVATIONEPOCH_SV sv;
    sv.satId = sat;
    sv.observations = std::move(signals);
    epoch.satellites.push_back(sv);
    return epoch;
}

RNX_OBS_EPOCH convert(const VYR_OBSERVATIONEPOCH& epoch) {
    Occupation previous = vyr::kNoOccupationYet;
    RNX_OBS_EPOCH out;
    eEPOCHFLAG event = eEPOCHFLAG_NONE;
    EXPECT_EQ(Vyr_Vyr2RnxObsEpoch(epoch, previous, out, event), VYR_OK);
    return out;
}

TEST(Vyr2RnxObsEpoch, EventFlagsFollowTheOccupationChanges) {
    struct Case {
        std::vector<Occupation> occupations;
        std::vector<eEPOCHFLAG> events;
    };
    const Case cases[] = {
        {{kStatic}, {eEPOCHFLAG_NEW_SITE}},
        {{kKinematic}, {eEPOCHFLAG_START_MOVING}},
        {{kStatic, kStatic, kKinematic, kKinematic, kStatic},
         {eEPOCHFLAG_NEW_SITE, eEPOCHFLAG_OK, eEPOCHFLAG_START_MOVING, eEPOCHFLAG_OK,
          eEPOCHFLAG_NEW_SITE}},
        {{kKinematic, kKinematic, kStatic, kKinematic},
         {eEPOCHFLAG_START_MOVING, eEPOCHFLAG_OK, eEPOCHFLAG_NEW_SITE, eEPOCHFLAG_START_MOVING}},
    };
    for (const Case& c : cases) {
        Occupation previous = vyr::kNoOccupationYet;
        RNX_OBS_EPOCH out;
        for (size_t i = 0; i < c.occupations.size(); ++i) {
            eEPOCHFLAG event = eEPOCHFLAG_NONE;
            const VYR_OBSERVATIONEPOCH epoch = epoch_with(
                {VYR_SATSYS_GPS, 3}, {signal(VYR_OBS_L1CA, Signal::kCodeValid)}, c.occupations[i]);
            ASSERT_EQ(Vyr_Vyr2RnxObsEpoch(epoch, previous, out, event), VYR_OK);
            EXPECT_EQ(event, value_of(c.events[i])) << "epoch " << i;
            EXPECT_EQ(previous, value_of(c.occupations[i]));
            // The epoch record itself is always a plain observation record.
            EXPECT_EQ(value_of(out.flag), eEPOCHFLAG_OK);
        }
    }
}

TEST(Vyr2RnxObsEpoch, SatelliteNumbersKeepTheirOrderAndSbasMovesBy19) {
    VYR_OBSERVATIONEPOCH epoch = epoch_with({VYR_SATSYS_SBAS, 1}, {});
    const VYR_SATID others[] = {{VYR_SATSYS_GALILEO, 30},
                                {VYR_SATSYS_GPS, 7},
                                {VYR_SATSYS_GLONASS, 24},
                                {VYR_SATSYS_SBAS, 20}};
    for (const VYR_SATID& sat : others) epoch.satellites.push_back({sat, 0, {}});
    const RNX_OBS_EPOCH out = convert(epoch);
    struct Expected {
        eSATSYS system;
        uint8_t number;
        char letter;
    };
    const Expected expected[] = {{eSATSYS_SBAS, 20, 'S'},
                                 {eSATSYS_GALILEO, 30, 'E'},
                                 {eSATSYS_GPS, 7, 'G'},
                                 {eSATSYS_GLONASS, 24, 'R'},
                                 {eSATSYS_SBAS, 39, 'S'}};
    ASSERT_EQ(out.satellites.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(value_of(out.satellites[i].system), value_of(expected[i].system)) << i;
        EXPECT_EQ(value_of(out.satellites[i].number), value_of(expected[i].number)) << i;
        EXPECT_EQ(value_of(out.satellites[i].systemLetter), value_of(expected[i].letter)) << i;
    }
}

// Kind, value, loss-of-lock digit and strength digit of each written observation.
struct Written {
    uint32_t kind;
    double value;
    uint8_t lli;
    uint8_t snr;
};

std::vector<Written> written(const RNX_OBS_EPOCH& out) {
    std::vector<Written> list;
    for (const RNX_OBS_SAT& sat : out.satellites)
        for (const RNX_OBS_VALUE& v : sat.values)
            list.push_back({v.code.kind, v.value, v.lossOfLock, v.signalStrength});
    return list;
}

TEST(Vyr2RnxObsEpoch, ValuesInCodePhaseDopplerStrengthOrderWithTheirDigits) {
    using vyr_gnss::kRnxKindCode;
    using vyr_gnss::kRnxKindDoppler;
    using vyr_gnss::kRnxKindPhase;
    using vyr_gnss::kRnxKindStrength;
    constexpr uint16_t kAll =
        Signal::kCodeValid | Signal::kPhaseValid | Signal::kDopplerValid | Signal::kQualityValid;
    struct Case {
        const char* what;
        VYR_SATID sat;
        Signal signal;
        std::vector<Written> expected;
    };
    const Case cases[] = {
        {"all four, quality 650",
         {VYR_SATSYS_GPS, 1},
         signal(VYR_OBS_L1CA, kAll, 650),
         {{kRnxKindCode, 21000000.25, 0, 0},
          {kRnxKindPhase, 110000000.125, 0, 5},
          {kRnxKindDoppler, -1234.5, 0, 0},
          {kRnxKindStrength, 32.5, 0, 0}}},
        {"Galileo E1 phase with loss of lock",
         {VYR_SATSYS_GALILEO, 11},
         signal(VYR_OBS_E1, Signal::kPhaseValid | Signal::kLossOfLock),
         {{kRnxKindPhase, 110000000.125, 5, 0}}},
        {"Galileo E1 phase without loss of lock",
         {VYR_SATSYS_GALILEO, 11},
         signal(VYR_OBS_E1, Signal::kPhaseValid),
         {{kRnxKindPhase, 110000000.125, 4, 0}}},
        {"Galileo E5a phase with loss of lock",
         {VYR_SATSYS_GALILEO, 11},
         signal(VYR_OBS_E5A, Signal::kPhaseValid | Signal::kLossOfLock),
         {{kRnxKindPhase, 110000000.125, 1, 0}}},
        {"GPS loss of lock on a code only is not written",
         {VYR_SATSYS_GPS, 2},
         signal(VYR_OBS_L2P, Signal::kCodeValid | Signal::kLossOfLock, 650),
         {{kRnxKindCode, 21000000.25, 0, 0}}},
        {"strength digit is one column: 9 at most",
         {VYR_SATSYS_GPS, 2},
         signal(VYR_OBS_L1CA, Signal::kPhaseValid, 1200),
         {{kRnxKindPhase, 110000000.125, 0, 9}}},
        {"quality 109 rounds to digit 0",
         {VYR_SATSYS_GPS, 2},
         signal(VYR_OBS_L1CA, Signal::kPhaseValid, 109),
         {{kRnxKindPhase, 110000000.125, 0, 0}}},
        {"strength only is not written",
         {VYR_SATSYS_GPS, 2},
         signal(VYR_OBS_L1CA, Signal::kQualityValid, 650),
         {}},
        {"Doppler and strength",
         {VYR_SATSYS_GLONASS, 4},
         signal(VYR_OBS_L2C, Signal::kDopplerValid | Signal::kQualityValid, 801),
         {{kRnxKindDoppler, -1234.5, 0, 0}, {kRnxKindStrength, 40.05, 0, 0}}},
    };
    for (const Case& c : cases) {
        const std::vector<Written> got = written(convert(epoch_with(c.sat, {c.signal})));
        ASSERT_EQ(got.size(), c.expected.size()) << c.what;
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(value_of(got[i].kind), value_of(c.expected[i].kind)) << c.what << " #" << i;
            EXPECT_DOUBLE_EQ(value_of(got[i].value), value_of(c.expected[i].value))
                << c.what << " #" << i;
            EXPECT_EQ(value_of(got[i].lli), value_of(c.expected[i].lli)) << c.what << " #" << i;
            EXPECT_EQ(value_of(got[i].snr), value_of(c.expected[i].snr)) << c.what << " #" << i;
        }
    }
}

TEST(Vyr2RnxObsEpoch, EveryValueCarriesTheSignalsRinexCode) {
    VYR_OBSERVATIONEPOCH epoch =
        epoch_with({VYR_SATSYS_GALILEO, 5},
                   {signal(VYR_OBS_E5AB,
                           Signal::kCodeValid | Signal::kPhaseValid | Signal::kQualityValid, 900),
                    signal(VYR_OBS_E1, Signal::kCodeValid)});
    epoch.satellites.push_back({{VYR_SATSYS_SBAS, 2}, 0, {signal(VYR_OBS_L5, Signal::kCodeValid)}});
    const RNX_OBS_EPOCH out = convert(epoch);
    ASSERT_EQ(out.satellites.size(), 2u);
    const std::vector<RNX_OBS_VALUE>& gal = out.satellites[0].values;
    ASSERT_EQ(gal.size(), 4u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(value_of(gal[i].code.band), vyr_gnss::rinex_band_code('8')) << i;
        EXPECT_EQ(value_of(gal[i].code.attribute), vyr_gnss::rinex_attribute_code('Q')) << i;
    }
    EXPECT_EQ(value_of(gal[3].code.band), vyr_gnss::rinex_band_code('1'));
    EXPECT_EQ(value_of(gal[3].code.attribute), vyr_gnss::rinex_attribute_code('X'));
    const RNX_OBS_VALUE& sbas = out.satellites[1].values.at(0);
    EXPECT_EQ(value_of(sbas.code.band), vyr_gnss::rinex_band_code('5'));
    EXPECT_EQ(value_of(sbas.code.attribute), vyr_gnss::rinex_attribute_code('I'));
}

// The output object is reused across epochs: nothing of a longer epoch may remain.
TEST(Vyr2RnxObsEpoch, AReusedOutputHoldsOnlyTheNewEpoch) {
    Occupation previous = vyr::kNoOccupationYet;
    eEPOCHFLAG event = eEPOCHFLAG_NONE;
    RNX_OBS_EPOCH out;
    VYR_OBSERVATIONEPOCH big = epoch_with(
        {VYR_SATSYS_GPS, 1},
        {signal(VYR_OBS_L1CA, Signal::kCodeValid), signal(VYR_OBS_L2P, Signal::kCodeValid)});
    big.satellites.push_back({{VYR_SATSYS_GPS, 2}, 0, {signal(VYR_OBS_L1CA, Signal::kCodeValid)}});
    ASSERT_EQ(Vyr_Vyr2RnxObsEpoch(big, previous, out, event), VYR_OK);
    out.clockOffset = 1.0;
    out.hasClockOffset = 1;
    const VYR_OBSERVATIONEPOCH small =
        epoch_with({VYR_SATSYS_GLONASS, 3}, {signal(VYR_OBS_L1CA, Signal::kPhaseValid)});
    ASSERT_EQ(Vyr_Vyr2RnxObsEpoch(small, previous, out, event), VYR_OK);
    ASSERT_EQ(out.satellites.size(), 1u);
    EXPECT_EQ(value_of(out.satellites[0].system), eSATSYS_GLONASS);
    ASSERT_EQ(out.satellites[0].values.size(), 1u);
    EXPECT_EQ(value_of(out.satellites[0].values[0].code.kind), vyr_gnss::kRnxKindPhase);
    EXPECT_EQ(value_of(out.hasClockOffset), 0);
    EXPECT_EQ(value_of(out.recordCount), 1u);
}

TEST(Vyr2RnxPointXYZ, CartesianWithTheCoordinatesUnchanged) {
    VYR_APRIORI_POINT point{};
    point.number = 7;
    point.x = 4027894.123;
    point.y = 307045.6;
    point.z = -4919474.9;
    VYR_APPROXIMATE_POINT approximate{};
    std::memcpy(&approximate, &point, sizeof approximate);
    const RNX_COORD coord = Vyr_Vyr2RnxPointXYZ(approximate);
    EXPECT_EQ(value_of(coord.type), 1u);
    EXPECT_EQ(value_of(coord.x), 4027894.123);
    EXPECT_EQ(value_of(coord.y), 307045.6);
    EXPECT_EQ(value_of(coord.z), -4919474.9);
    static_assert(offsetof(VYR_APPROXIMATE_POINT, x) == 6);
    static_assert(offsetof(VYR_APPROXIMATE_POINT, z) == 22);
}

}  // namespace
