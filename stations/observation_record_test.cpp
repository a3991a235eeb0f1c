#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <tuple>

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
    constexpr uint16_t X = VYR_OBSERVATION::kExtended, L1 = VYR_OBSERVATION::kL1Data,
                       L2 = VYR_OBSERVATION::kL2Data;
    const Case cases[] = {{X | L1 | L2, 78}, {X | L1, 53}, {X | L2, 78}, {X, 78},
                          {L1 | L2, 38},     {L1, 21},     {L2, 38},     {0x0004, 38}};
    for (const Case& c : cases) EXPECT_EQ(satellite_record_size(+c.flags), c.size) << +c.flags;
}

TEST(ObservationRecord, HeaderValuesAndSatelliteNumbers) {
    VYR_OBSERVATION record = make_record(kBasicDual, 3);
    record.occupation = 2;
    const uint8_t numbers[] = {32, 33, 56};
    for (int i = 0; i < 3; ++i)
        put(record, i, VYR_OBSERVATION_SV_BASIC{numbers[i], 0, 0, 0, 0, 0, 0, 0, 0});
    const VYR_OBSERVATIONEPOCH epoch = convert(record);
    EXPECT_EQ(std::make_tuple(+epoch.status, +epoch.mjd, +epoch.fraction, +epoch.sourceTag),
              std::make_tuple(1, 60000u, 0.5, 0x5Au));
    EXPECT_EQ(epoch.occupation, VYR_OBSERVATIONEPOCH::OCCUPATION_KINEMATIC);
    ASSERT_EQ(epoch.satellites.size(), 3u);
    EXPECT_EQ(epoch.satellites[0].satId, (VYR_SATID{VYR_SATSYS_GPS, 32}));
    EXPECT_EQ(epoch.satellites[1].satId, (VYR_SATID{VYR_SATSYS_GLONASS, 1}));
    EXPECT_EQ(epoch.satellites[2].satId, (VYR_SATID{VYR_SATSYS_GLONASS, 24}));
    // A satellite record without any signal still makes a satellite.
    EXPECT_TRUE(epoch.satellites[0].observations.empty());
}

TEST(ObservationRecord, ExtendedCaPrefersSlotBAndPCopiesIt) {
    VYR_OBSERVATION record = make_record(kExtendedDual | VYR_OBSERVATION::kMarkSignals, 1);
    VYR_OBSERVATION_SV_EXTENDED sv{};
    sv.number = 5;
    sv.flags = VYR_SV_L1_CA_CODE | VYR_SV_L1_P_CODE | VYR_SV_L1_PHASE_A | VYR_SV_L1_PHASE_B |
               VYR_SV_L1_DOPPLER_A | VYR_SV_L1_DOPPLER_B | VYR_SV_L1_STRENGTH |
               VYR_SV_L1_LOSS_OF_LOCK;
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
    EXPECT_EQ(std::make_tuple(+obs[0].obsType, +obs[0].flags, +obs[0].code, +obs[0].phase,
                              +obs[0].auxValue, +obs[0].doppler, +obs[0].quality),
              std::make_tuple(+VYR_OBS_L1CA, +expectedFlags, 2.0e7, 1.05e8, 125, -20.0, 1000));
    // P copies everything but its type and code from C/A.
    EXPECT_EQ(+obs[1].obsType, VYR_OBS_L1P);
    EXPECT_EQ(+obs[1].code, 2.0e7 + 1);
    Signal p = obs[1];
    p.obsType = obs[0].obsType;
    p.code = obs[0].code;
    EXPECT_TRUE(vyr_test::same_signal(p, obs[0]));
}

// One slot holds the L1 phase, the other the auxiliary values. C/A prefers slot B and Doppler B,
// a P observation alone slot A and Doppler A; a single flagged slot is taken either way.
TEST(ObservationRecord, ExtendedL1SlotAndDopplerChoice) {
    constexpr uint16_t kBoth =
        VYR_SV_L1_PHASE_A | VYR_SV_L1_PHASE_B | VYR_SV_L1_DOPPLER_A | VYR_SV_L1_DOPPLER_B;
    struct Case {
        uint16_t flags;
        bool phaseInB;
        double doppler;
    };
    for (const Case& c :
         {Case{VYR_SV_L1_CA_CODE | kBoth, true, -20}, Case{VYR_SV_L1_P_CODE | kBoth, false, -10},
          Case{VYR_SV_L1_CA_CODE | VYR_SV_L1_PHASE_A | VYR_SV_L1_DOPPLER_A, false, -10},
          Case{VYR_SV_L1_P_CODE | VYR_SV_L1_PHASE_B | VYR_SV_L1_DOPPLER_B, true, -20}}) {
        VYR_OBSERVATION record =
            make_record(VYR_OBSERVATION::kExtended | VYR_OBSERVATION::kL1Data, 1);
        VYR_OBSERVATION_SV_EXTENDED sv{};
        sv.number = 7;
        sv.flags = c.flags;
        sv.l1PCode = sv.l1CaCode = 2.2e7;
        put_phase(c.phaseInB ? sv.slotB : sv.slotA, 1.1e8);
        put_aux(c.phaseInB ? sv.slotA : sv.slotB, 3.5f, 0.0f);
        sv.l1DopplerA = -10;
        sv.l1DopplerB = -20;
        put(record, 0, sv);
        const auto obs = convert(record).satellites.at(0).observations;
        ASSERT_EQ(obs.size(), 1u) << c.flags;
        EXPECT_EQ(+obs[0].flags, Signal::kCodeValid | Signal::kPhaseValid | Signal::kDopplerValid);
        EXPECT_EQ(+obs[0].phase, 1.1e8) << c.flags;
        EXPECT_EQ(+obs[0].auxValue, 350) << c.flags;
        EXPECT_EQ(+obs[0].doppler, c.doppler) << c.flags;
        EXPECT_EQ(+obs[0].quality, 0);
    }
}

TEST(ObservationRecord, ExtendedL2TakesItsAuxiliaryValueFromTheFreeSlot) {
    for (const bool phaseInB : {true, false}) {
        VYR_OBSERVATION record = make_record(kExtendedDual, 1);
        VYR_OBSERVATION_SV_EXTENDED sv{};
        sv.number = 9;
        sv.flags = VYR_SV_L1_CA_CODE | (phaseInB ? VYR_SV_L1_PHASE_B : VYR_SV_L1_PHASE_A) |
                   VYR_SV_L2_PRESENT | VYR_SV_L2_DOPPLER | VYR_SV_L2_STRENGTH |
                   VYR_SV_L2_LOSS_OF_LOCK;
        sv.l2Flags = VYR_SV_L2_CODE | VYR_SV_L2_PHASE | VYR_SV_L2_IS_L2C;
        put_aux(phaseInB ? sv.slotA : sv.slotB, 1.0f, 4.25f);
        put_phase(phaseInB ? sv.slotB : sv.slotA, 1.0e8);
        sv.l2Code = 2.3e7;
        sv.l2Phase = 9.0e7;
        sv.l2Doppler = -7;
        sv.l2Strength = 100;
        put(record, 0, sv);
        const auto obs = convert(record).satellites[0].observations;
        ASSERT_EQ(obs.size(), 2u);
        const Signal l2 = obs[1];
        const int flags = Signal::kCodeValid | Signal::kPhaseValid | Signal::kLossOfLock |
                          Signal::kDopplerValid | Signal::kQualityValid;
        EXPECT_EQ(std::make_tuple(+l2.obsType, +l2.code, +l2.phase, +l2.doppler, +l2.auxValue,
                                  +l2.quality, +l2.flags),
                  std::make_tuple(+VYR_OBS_L2C, 2.3e7, 9.0e7, -7.0, 425, 740, flags))
            << phaseInB;
    }
}

// One L1 code serves C/A and P. Records step by the size the header flags give (an L2-only
// header sizes them dual); L2 is read from a dual layout, for a satellite flagged for it.
TEST(ObservationRecord, BasicLayoutsStepByTheirSizeAndReadL2OnlyWhenDual) {
    struct Case {
        uint16_t flags;
        size_t l2;
    };
    for (const Case& c : {Case{VYR_OBSERVATION::kL1Data, 0}, Case{VYR_OBSERVATION::kL2Data, 0},
                          Case{kBasicDual, 1}}) {
        VYR_OBSERVATION record = make_record(c.flags, 2);
        VYR_OBSERVATION_SV_BASIC sv{};
        sv.number = 3;
        sv.flags = VYR_SV_L1_CA_CODE | VYR_SV_L1_P_CODE | VYR_SV_L1_PHASE_B | VYR_SV_L1_STRENGTH |
                   VYR_SV_L2_PRESENT;
        sv.l2Flags = VYR_SV_L2_CODE;
        sv.l1Code = 2.4e7;
        sv.l1Phase = 1.2e8;
        sv.l1Strength = 8;
        sv.l2Code = 2.3e7;
        put(record, 0, sv);
        sv.number = 4;
        sv.flags = uint16_t(sv.flags & ~VYR_SV_L2_PRESENT);
        sv.l1Code = 2.5e7;
        put(record, 1, sv);
        const VYR_OBSERVATIONEPOCH epoch = convert(record);
        ASSERT_EQ(epoch.satellites.size(), 2u) << c.flags;
        EXPECT_EQ(epoch.satellites[1].satId.prn, 4);
        for (size_t i = 0; i < 2; ++i) {
            const auto& obs = epoch.satellites[i].observations;
            ASSERT_EQ(obs.size(), 2 + (i == 0 ? c.l2 : 0)) << c.flags << " " << i;
            EXPECT_EQ(+obs[0].code, i == 0 ? 2.4e7 : 2.5e7);
            EXPECT_EQ(+obs[1].code, +obs[0].code);
            EXPECT_EQ(+obs[0].phase, 1.2e8);
            EXPECT_EQ(+obs[0].quality, 520);
            EXPECT_EQ(std::make_tuple(+obs[0].auxValue, +obs[0].doppler), std::make_tuple(0, 0.0));
        }
    }
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
        {1, VYR_SV_L2_CODE | VYR_SV_L2_PHASE, 2e7, 1e8, true, VYR_OBS_L2Y, true},
        {1, VYR_SV_L2_CODE | VYR_SV_L2_PHASE | VYR_SV_L2_IS_L2C, 2e7, 1e8, true, VYR_OBS_L2C, true},
        {40, VYR_SV_L2_CODE | VYR_SV_L2_PHASE | VYR_SV_L2_IS_L2C, 2e7, 1e8, true, VYR_OBS_L2P,
         true},
        {1, VYR_SV_L2_CODE, 2e7, 1e8, true, VYR_OBS_L2Y, false},  // flagged code, unflagged phase
        {1, VYR_SV_L2_CODE, 0.0, 0.0, true, VYR_OBS_L2Y, false},  // flagged code is taken as it is
        {1, 0, 2e7, 1e8, true, VYR_OBS_L2Y, true},                // unflagged: values decide
        {1, 0, 2e7, 0.0, true, VYR_OBS_L2Y, false},
        {1, 0, 0.0, 1e8, false, VYR_OBS_NONE, false},
    };
    for (const Case& c : cases) {
        VYR_OBSERVATION record = make_record(kBasicDual, 1);
        VYR_OBSERVATION_SV_BASIC sv{};
        sv.number = c.number;
        sv.flags = VYR_SV_L2_PRESENT;
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

// The public layouts put each field at the byte the stored records have it.
TEST(ObservationRecord, PublicLayoutsHoldTheStoredOffsets) {
    struct Case {
        const char* field;
        size_t offset;
        size_t stored;
    };
    const Case cases[] = {
        {"extended l1PCode", offsetof(VYR_OBSERVATION_SV_EXTENDED, l1PCode), 4},
        {"extended slotA", offsetof(VYR_OBSERVATION_SV_EXTENDED, slotA), 20},
        {"extended l1Strength", offsetof(VYR_OBSERVATION_SV_EXTENDED, l1Strength), 52},
        {"extended l2Code", offsetof(VYR_OBSERVATION_SV_EXTENDED, l2Code), 53},
        {"extended l2Strength", offsetof(VYR_OBSERVATION_SV_EXTENDED, l2Strength), 77},
        {"extended L1 l1Strength", offsetof(VYR_OBSERVATION_SV_EXTENDED_L1, l1Strength), 52},
        {"basic l1Code", offsetof(VYR_OBSERVATION_SV_BASIC, l1Code), 4},
        {"basic l2Code", offsetof(VYR_OBSERVATION_SV_BASIC, l2Code), 21},
        {"basic l2Phase", offsetof(VYR_OBSERVATION_SV_BASIC, l2Phase), 29},
        {"basic L1 l1Strength", offsetof(VYR_OBSERVATION_SV_BASIC_L1, l1Strength), 20},
    };
    for (const Case& c : cases) EXPECT_EQ(c.offset, c.stored) << c.field;
}

// SetSatellite places a record only where the header's layout has room for exactly it.
TEST(ObservationRecord, SetSatelliteTakesOnlyTheLayoutOfTheFlags) {
    constexpr uint16_t X = VYR_OBSERVATION::kExtended, L1 = VYR_OBSERVATION::kL1Data,
                       L2 = VYR_OBSERVATION::kL2Data;
    VYR_OBSERVATION record = make_record(X | L1, 0);
    EXPECT_TRUE(record.SetSatellite(0, VYR_OBSERVATION_SV_EXTENDED_L1{}));
    EXPECT_FALSE(record.SetSatellite(0, VYR_OBSERVATION_SV_EXTENDED{}));
    EXPECT_FALSE(record.SetSatellite(0, VYR_OBSERVATION_SV_BASIC_L1{}));
    record.flags = L1 | L2;
    EXPECT_TRUE(record.SetSatellite(23, VYR_OBSERVATION_SV_BASIC{}));
    EXPECT_FALSE(record.SetSatellite(24, VYR_OBSERVATION_SV_BASIC{}));
    EXPECT_FALSE(record.SetSatellite(-1, VYR_OBSERVATION_SV_BASIC{}));
    record.flags = X | L1 | L2;
    // The widest layout fills the record to its last byte and not beyond.
    VYR_OBSERVATION_SV_EXTENDED last{};
    last.l2Strength = 0xEE;
    EXPECT_TRUE(record.SetSatellite(23, last));
    EXPECT_EQ(record.satellites[sizeof record.satellites - 1], 0xEE);
}

// A caller filling named fields of the 53-byte layout gets the epoch the stored bytes give.
TEST(ObservationRecord, NamedSingleFrequencyExtendedRecordsConvert) {
    VYR_OBSERVATION record = make_record(VYR_OBSERVATION::kExtended | VYR_OBSERVATION::kL1Data, 2);
    for (int i = 0; i < 2; ++i) {
        VYR_OBSERVATION_SV_EXTENDED_L1 sv{};
        sv.number = static_cast<uint8_t>(40 + i);  // GLONASS slots 8 and 9
        sv.flags = VYR_SV_L1_CA_CODE | VYR_SV_L1_PHASE_A | VYR_SV_L1_DOPPLER_A | VYR_SV_L2_PRESENT;
        sv.l1CaCode = 2.1e7 + i;
        put_phase(sv.slotA, 1.1e8 + i);
        sv.l1DopplerA = -100.0 - i;
        ASSERT_TRUE(record.SetSatellite(i, sv));
    }
    const VYR_OBSERVATIONEPOCH epoch = convert(record);
    ASSERT_EQ(epoch.satellites.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        const auto& sv = epoch.satellites[i];
        EXPECT_EQ(sv.satId, (VYR_SATID{VYR_SATSYS_GLONASS, uint8_t(8 + i)}));
        ASSERT_EQ(sv.observations.size(), 1u);  // single-frequency: no L2 whatever the flags
        const Signal& s = sv.observations[0];
        EXPECT_EQ(std::make_tuple(+s.obsType, +s.code, +s.phase, +s.doppler),
                  std::make_tuple(VYR_OBS_L1CA, 2.1e7 + i, 1.1e8 + i, -100.0 - i));
    }
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
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case cases[] = {
        {0.0f, 0},      {0.25f, 25},     {0.125f, 13},     {1.5f, 150},
        {-0.004f, 0},   {-0.25f, 65535}, {655.25f, 65525}, {655.35f, 65535},
        {1e30f, 65535}, {-1e30f, 65535}, {nan, 65535},
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
