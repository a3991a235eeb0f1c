#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include <vyr/observation_record.h>

#include "stations/epoch_test_support.h"
#include "stations/observation_record_layout.h"

// Packed fields are compared as values (+field): no reference may bind to a misaligned one.
namespace {

using namespace vyr_stations;
using Signal = VYR_OBSERVATIONEPOCH_SIGNAL;

VYR_OBSERVATION make_record(uint16_t flags, int count) {
    VYR_OBSERVATION record;
    std::memset(&record, 0, sizeof record);
    record.mjd = 60000;
    record.fraction = 0.5;
    record.count = count;
    record.flags = flags;
    record.occupation = 1;
    record.sourceTag = 0x5A;
    return record;
}

// Places a satellite record at index i with the stride the header flags give.
template <class Record>
void put(VYR_OBSERVATION& record, int i, const Record& sv) {
    const uint32_t stride = satellite_record_size(record.flags);
    std::memcpy(record.satellites + i * stride, &sv, std::min<size_t>(stride, sizeof sv));
}

void put_phase(uint8_t (&slot)[8], double phase) {
    std::memcpy(slot, &phase, 8);
}
void put_aux(uint8_t (&slot)[8], float l1, float l2) {
    std::memcpy(slot, &l1, 4);
    std::memcpy(slot + 4, &l2, 4);
}

constexpr uint16_t kExtendedDual =
    VYR_OBSERVATION::kExtended | VYR_OBSERVATION::kL1Data | VYR_OBSERVATION::kL2Data;
constexpr uint16_t kBasicDual = VYR_OBSERVATION::kL1Data | VYR_OBSERVATION::kL2Data;

VYR_OBSERVATIONEPOCH convert(const VYR_OBSERVATION& record) {
    VYR_OBSERVATIONEPOCH epoch;
    EXPECT_EQ(Vyr_ConvertToObsEpoch(record, epoch), VYR_OK);
    return epoch;
}

TEST(ObservationRecord, LayoutSizesFollowTheHeaderFlags) {
    struct Case {
        uint16_t flags;
        uint32_t size;
    };
    const Case cases[] = {
        {kExtendedDual, 78},
        {VYR_OBSERVATION::kExtended | VYR_OBSERVATION::kL1Data, 53},
        {VYR_OBSERVATION::kExtended | VYR_OBSERVATION::kL2Data, 78},
        {VYR_OBSERVATION::kExtended, 78},
        {kBasicDual, 38},
        {VYR_OBSERVATION::kL1Data, 21},
        {VYR_OBSERVATION::kL2Data, 38},
        {0x0004, 38},
    };
    for (const Case& c : cases) EXPECT_EQ(satellite_record_size(+c.flags), c.size) << +c.flags;
}

TEST(ObservationRecord, HeaderValuesAndSatelliteNumbers) {
    VYR_OBSERVATION record = make_record(kBasicDual, 3);
    record.occupation = 2;
    BasicSatelliteRecord sv{};
    sv.number = 32;
    put(record, 0, sv);
    sv.number = 33;
    put(record, 1, sv);
    sv.number = 56;
    put(record, 2, sv);
    const VYR_OBSERVATIONEPOCH epoch = convert(record);
    EXPECT_EQ(epoch.status, 1);
    EXPECT_EQ(epoch.mjd, 60000u);
    EXPECT_EQ(epoch.fraction, 0.5);
    EXPECT_EQ(epoch.occupation, VYR_OBSERVATIONEPOCH::OCCUPATION_KINEMATIC);
    EXPECT_EQ(epoch.sourceTag, 0x5Au);
    EXPECT_EQ(epoch.headerWord, 1000);
    ASSERT_EQ(epoch.satellites.size(), 3u);
    EXPECT_EQ(epoch.satellites[0].satId, (VYR_SATID{VYR_SATSYS_GPS, 32}));
    EXPECT_EQ(epoch.satellites[1].satId, (VYR_SATID{VYR_SATSYS_GLONASS, 1}));
    EXPECT_EQ(epoch.satellites[2].satId, (VYR_SATID{VYR_SATSYS_GLONASS, 24}));
    // A satellite record without any signal still makes a satellite.
    EXPECT_TRUE(epoch.satellites[0].observations.empty());
}

TEST(ObservationRecord, ExtendedCaPrefersSlotBAndPCopiesIt) {
    VYR_OBSERVATION record = make_record(kExtendedDual | VYR_OBSERVATION::kMarkSignals, 1);
    ExtendedSatelliteRecord sv{};
    sv.number = 5;
    sv.flags = kSvL1CaCode | kSvL1PCode | kSvL1PhaseA | kSvL1PhaseB | kSvL1DopplerA |
               kSvL1DopplerB | kSvL1Strength | kSvL1LossOfLock;
    sv.l1CaCode = 2.0e7;
    sv.l1PCode = 2.0e7 + 1;
    put_aux(sv.slotA, 1.25f, 2.5f);
    put_phase(sv.slotB, 1.05e8);
    sv.l1DopplerA = -10;
    sv.l1DopplerB = -20;
    sv.l1Strength = 200;
    put(record, 0, sv);
    const VYR_OBSERVATIONEPOCH epoch = convert(record);
    ASSERT_EQ(epoch.satellites.size(), 1u);
    const auto& obs = epoch.satellites[0].observations;
    ASSERT_EQ(obs.size(), 2u);
    const uint16_t expectedFlags = 0x0800 | Signal::kCodeValid | Signal::kPhaseValid |
                                   Signal::kLossOfLock | Signal::kDopplerValid |
                                   Signal::kQualityValid;
    EXPECT_EQ(+obs[0].obsType, VYR_OBS_L1CA);
    EXPECT_EQ(+obs[0].flags, expectedFlags);
    EXPECT_EQ(+obs[0].code, 2.0e7);
    EXPECT_EQ(+obs[0].phase, 1.05e8);
    EXPECT_EQ(+obs[0].auxValue, 125);
    EXPECT_EQ(+obs[0].doppler, -20);
    EXPECT_EQ(+obs[0].quality, 1000);
    // P copies everything but its type and code from C/A.
    EXPECT_EQ(+obs[1].obsType, VYR_OBS_L1P);
    EXPECT_EQ(+obs[1].code, 2.0e7 + 1);
    Signal p = obs[1];
    p.obsType = obs[0].obsType;
    p.code = obs[0].code;
    EXPECT_TRUE(vyr_test::same_signal(p, obs[0]));
}

TEST(ObservationRecord, ExtendedPAlonePrefersSlotAAndDopplerA) {
    VYR_OBSERVATION record = make_record(kExtendedDual, 1);
    ExtendedSatelliteRecord sv{};
    sv.number = 7;
    sv.flags = kSvL1PCode | kSvL1PhaseA | kSvL1PhaseB | kSvL1DopplerA | kSvL1DopplerB;
    sv.l1PCode = 2.2e7;
    put_phase(sv.slotA, 1.1e8);
    put_aux(sv.slotB, 3.5f, 0.0f);
    sv.l1DopplerA = -30;
    sv.l1DopplerB = -40;
    put(record, 0, sv);
    const auto obs = convert(record).satellites[0].observations;
    ASSERT_EQ(obs.size(), 1u);
    EXPECT_EQ(+obs[0].obsType, VYR_OBS_L1P);
    EXPECT_EQ(+obs[0].flags, Signal::kCodeValid | Signal::kPhaseValid | Signal::kDopplerValid);
    EXPECT_EQ(+obs[0].code, 2.2e7);
    EXPECT_EQ(+obs[0].phase, 1.1e8);
    EXPECT_EQ(+obs[0].auxValue, 350);
    EXPECT_EQ(+obs[0].doppler, -30);
    EXPECT_EQ(+obs[0].quality, 0);
}

TEST(ObservationRecord, ExtendedSingleSlotsAreUsedWhereverThePhaseIs) {
    // C/A with only slot A, P alone with only slot B.
    VYR_OBSERVATION record = make_record(VYR_OBSERVATION::kExtended | VYR_OBSERVATION::kL1Data, 2);
    ExtendedSatelliteRecord ca{};
    ca.number = 1;
    ca.flags = kSvL1CaCode | kSvL1PhaseA | kSvL1DopplerA;
    put_phase(ca.slotA, 1.0e8);
    put_aux(ca.slotB, 0.5f, 0.0f);
    ca.l1DopplerA = 5;
    put(record, 0, ca);
    ExtendedSatelliteRecord p{};
    p.number = 2;
    p.flags = kSvL1PCode | kSvL1PhaseB | kSvL1DopplerB;
    put_phase(p.slotB, 2.0e8);
    put_aux(p.slotA, 0.75f, 0.0f);
    p.l1DopplerB = 6;
    put(record, 1, p);
    const VYR_OBSERVATIONEPOCH epoch = convert(record);
    ASSERT_EQ(epoch.satellites.size(), 2u);
    const Signal& first = epoch.satellites[0].observations.at(0);
    EXPECT_EQ(+first.phase, 1.0e8);
    EXPECT_EQ(+first.auxValue, 50);
    EXPECT_EQ(+first.doppler, 5);
    const Signal& second = epoch.satellites[1].observations.at(0);
    EXPECT_EQ(+second.phase, 2.0e8);
    EXPECT_EQ(+second.auxValue, 75);
    EXPECT_EQ(+second.doppler, 6);
}

TEST(ObservationRecord, ExtendedL2TakesItsAuxiliaryValueFromTheFreeSlot) {
    for (const bool phaseInB : {true, false}) {
        VYR_OBSERVATION record = make_record(kExtendedDual, 1);
        ExtendedSatelliteRecord sv{};
        sv.number = 9;
        sv.flags = kSvL1CaCode | (phaseInB ? kSvL1PhaseB : kSvL1PhaseA) | kSvL2Present |
                   kSvL2Doppler | kSvL2Strength | kSvL2LossOfLock;
        sv.l2Flags = kL2Code | kL2Phase | kL2IsL2C;
        put_aux(phaseInB ? sv.slotA : sv.slotB, 1.0f, 4.25f);
        put_phase(phaseInB ? sv.slotB : sv.slotA, 1.0e8);
        sv.l2Code = 2.3e7;
        sv.l2Phase = 9.0e7;
        sv.l2Doppler = -7;
        sv.l2Strength = 100;
        put(record, 0, sv);
        const auto obs = convert(record).satellites[0].observations;
        ASSERT_EQ(obs.size(), 2u);
        const Signal& l2 = obs[1];
        EXPECT_EQ(+l2.obsType, VYR_OBS_L2C);
        EXPECT_EQ(+l2.code, 2.3e7);
        EXPECT_EQ(+l2.phase, 9.0e7);
        EXPECT_EQ(+l2.doppler, -7);
        EXPECT_EQ(+l2.auxValue, 425) << phaseInB;
        EXPECT_EQ(+l2.quality, ((100 >> 3) + 25) * 20);
        EXPECT_EQ(+l2.flags, Signal::kCodeValid | Signal::kPhaseValid | Signal::kLossOfLock |
                                 Signal::kDopplerValid | Signal::kQualityValid);
    }
}

TEST(ObservationRecord, BasicLayoutsShareOneL1CodeAndStepByTheirSize) {
    VYR_OBSERVATION record = make_record(VYR_OBSERVATION::kL1Data, 2);
    BasicSatelliteRecord sv{};
    sv.number = 3;
    sv.flags = kSvL1CaCode | kSvL1PCode | kSvL1PhaseB | kSvL1Strength | kSvL2Present;
    sv.l1Code = 2.4e7;
    sv.l1Phase = 1.2e8;
    sv.l1Strength = 8;
    put(record, 0, sv);
    sv.number = 4;
    sv.l1Code = 2.5e7;
    put(record, 1, sv);
    const VYR_OBSERVATIONEPOCH epoch = convert(record);
    ASSERT_EQ(epoch.satellites.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        const auto& obs = epoch.satellites[i].observations;
        ASSERT_EQ(obs.size(), 2u) << "single-frequency: no L2";
        EXPECT_EQ(+obs[0].code, i == 0 ? 2.4e7 : 2.5e7);
        EXPECT_EQ(+obs[1].code, +obs[0].code);
        EXPECT_EQ(+obs[0].phase, 1.2e8);
        EXPECT_EQ(+obs[0].quality, ((8 >> 3) + 25) * 20);
        EXPECT_EQ(+obs[0].auxValue, 0);
        EXPECT_EQ(+obs[0].doppler, 0);
    }
    EXPECT_EQ(epoch.satellites[1].satId.prn, 4);
}

TEST(ObservationRecord, L2SignalTypesAndPresenceRules) {
    struct Case {
        uint8_t number;
        uint8_t l2Flags;
        double code, phase;
        bool made;
        VYR_OBSTYPE type;
        bool hasPhase;
    };
    const Case cases[] = {
        {1, kL2Code | kL2Phase, 2e7, 1e8, true, VYR_OBS_L2Y, true},
        {1, kL2Code | kL2Phase | kL2IsL2C, 2e7, 1e8, true, VYR_OBS_L2C, true},
        {40, kL2Code | kL2Phase | kL2IsL2C, 2e7, 1e8, true, VYR_OBS_L2P, true},
        {1, kL2Code, 2e7, 1e8, true, VYR_OBS_L2Y, false},  // flagged code, unflagged phase
        {1, kL2Code, 0.0, 0.0, true, VYR_OBS_L2Y, false},  // flagged code is taken as it is
        {1, 0, 2e7, 1e8, true, VYR_OBS_L2Y, true},         // unflagged: values decide
        {1, 0, 2e7, 0.0, true, VYR_OBS_L2Y, false},
        {1, 0, 0.0, 1e8, false, VYR_OBS_NONE, false},
    };
    for (const Case& c : cases) {
        VYR_OBSERVATION record = make_record(kBasicDual, 1);
        BasicSatelliteRecord sv{};
        sv.number = c.number;
        sv.flags = kSvL2Present;
        sv.l2Flags = c.l2Flags;
        sv.l2Code = c.code;
        sv.l2Phase = c.phase;
        put(record, 0, sv);
        const auto obs = convert(record).satellites[0].observations;
        ASSERT_EQ(obs.size(), c.made ? 1u : 0u) << int(c.l2Flags) << " " << +c.code;
        if (!c.made) continue;
        EXPECT_EQ(+obs[0].obsType, c.type);
        EXPECT_EQ(+obs[0].code, +c.code);
        EXPECT_EQ((+obs[0].flags & Signal::kPhaseValid) != 0, c.hasPhase);
        EXPECT_EQ(+obs[0].phase, c.hasPhase ? +c.phase : 0.0);
    }
}

TEST(ObservationRecord, L2NeedsTheSatelliteFlagAndADualLayout) {
    BasicSatelliteRecord sv{};
    sv.number = 1;
    sv.l2Flags = kL2Code;
    sv.l2Code = 2e7;
    VYR_OBSERVATION noFlag = make_record(kBasicDual, 1);
    put(noFlag, 0, sv);
    EXPECT_TRUE(convert(noFlag).satellites[0].observations.empty());

    // Only L2 data in the header: records are sized dual but read as single-frequency.
    sv.flags = kSvL2Present | kSvL1CaCode;
    sv.l1Code = 1.5e7;
    VYR_OBSERVATION l2Only = make_record(VYR_OBSERVATION::kL2Data, 2);
    put(l2Only, 0, sv);
    sv.number = 2;
    put(l2Only, 1, sv);
    const VYR_OBSERVATIONEPOCH epoch = convert(l2Only);
    ASSERT_EQ(epoch.satellites.size(), 2u);
    EXPECT_EQ(epoch.satellites[1].satId.prn, 2);
    ASSERT_EQ(epoch.satellites[1].observations.size(), 1u);
    EXPECT_EQ(+epoch.satellites[1].observations[0].obsType, VYR_OBS_L1CA);
}

TEST(ObservationRecord, CountsBeyondTheRecordAreClamped) {
    for (const int count : {30, -3, 0}) {
        VYR_OBSERVATION record = make_record(kExtendedDual, count);
        const size_t expected = count > 24 ? 24 : 0;
        EXPECT_EQ(convert(record).satellites.size(), expected) << count;
    }
}

TEST(ObservationRecord, AuxValueRounding) {
    struct Case {
        float value;
        uint16_t hundredths;
    };
    const Case cases[] = {
        {0.0f, 0},
        {0.25f, 25},
        {0.125f, 13},
        {1.5f, 150},
        {-0.004f, 0},
        {-0.25f, 65535},
        {655.25f, 65525},
        {655.35f, 65535},
        {1e30f, 65535},
        {-1e30f, 65535},
        {std::numeric_limits<float>::quiet_NaN(), 65535},
    };
    for (const Case& c : cases) EXPECT_EQ(aux_value_hundredths(c.value), c.hundredths) << c.value;
}

TEST(ObservationRecord, HeaderValidity) {
    struct Case {
        uint32_t mjd;
        double fraction;
        uint16_t flags;
        uint8_t occupation;
        bool valid;
    };
    const Case cases[] = {
        {44240, 0.0, 1, 1, true},  {85999, 0.5, 1, 2, true},  {44239, 0.0, 1, 1, false},
        {86000, 0.0, 1, 1, false}, {60000, 1.0, 1, 1, false}, {60000, 0.5, 0, 1, false},
        {60000, 0.5, 1, 0, false}, {60000, 0.5, 1, 3, false},
    };
    for (const Case& c : cases) {
        VYR_OBSERVATION record = make_record(c.flags, 0);
        record.mjd = c.mjd;
        record.fraction = c.fraction;
        record.occupation = c.occupation;
        EXPECT_EQ(is_valid_observation_header(record), c.valid) << c.mjd;
    }
}

}  // namespace
