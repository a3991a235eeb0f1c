#include "stations/observation_preprocessor.h"

#include <gtest/gtest.h>

#include <cmath>

#include <vyr/glonass_map.h>

#include "stations/observations.h"
#include "stations/observations_test_support.h"

namespace {

using namespace vyr_test;
using Signal = VYR_OBSERVATIONEPOCH_SIGNAL;

constexpr double kC = 299792458.0;

VYR_GLONASS_FREQUENCYMAP channel_map() {
    VYR_GLONASS_FREQUENCYMAP map{};
    for (int i = 0; i < VYR_GLONASS_FREQUENCYMAP::kSlots; ++i) map.channel[i] = int16_t(i % 7 - 3);
    return map;
}

// Epochs one second apart whose phase follows the code; from the third epoch on the receiver
// clock has jumped by jumpMs: the code moves by c x jumpMs, the phase does not.
std::vector<VYR_OBSERVATIONEPOCH> jumping_epochs(const VYR_SATID& sat, double lambda,
                                                 double jumpMs) {
    std::vector<VYR_OBSERVATIONEPOCH> epochs;
    for (int i = 0; i < 5; ++i) {
        VYR_OBSERVATIONEPOCH epoch = epoch_at(day_fraction(1, 0, i), {sat});
        Signal& signal = epoch.satellites[0].observations[0];
        const double range = 2.2e7 + 800.0 * i;
        signal.phase = range / lambda + 1000.25;  // far from the code: aligned at the start
        signal.code = range + (i >= 2 ? kC * jumpMs * 1e-3 : 0.0);
        epochs.push_back(epoch);
    }
    return epochs;
}

// Code minus phase, in cycles, of the one signal of an epoch.
double code_minus_phase(const VYR_OBSERVATIONEPOCH& epoch, double lambda) {
    const Signal signal = epoch.satellites.at(0).observations.at(0);
    return signal.code / lambda - signal.phase;
}

struct JumpCase {
    VYR_SATID sat;
    bool map;
    double jumpMs;
};

class ClockJumps : public testing::TestWithParam<JumpCase> {};

// The first epoch aligns the phase to the code (code minus phase in [0, 1) cycle). A whole
// millisecond jump is taken out of the phase, so code minus phase stays as it was; any other
// jump aligns the phase afresh with a loss of lock. GLONASS is corrected only with a channel map.
TEST_P(ClockJumps, WholeMillisecondsAreRepairedOthersRealignWithALossOfLock) {
    const JumpCase c = GetParam();
    CFrequencyManager frequencies;
    frequencies.setGlonassFrequencyMap(channel_map());
    const double lambda = frequencies.getWavelengthValue(c.sat, VYR_BAND_L1);
    ASSERT_GT(lambda, 0.0);

    // The process-wide store without a map: GLONASS needs the one given here.
    VYR_GLONASS_FREQUENCYMAP none{};
    for (auto& ch : none.channel) ch = VYR_GLONASS_FREQUENCYMAP::kNotSet;
    CGlonassChannelMapStore::Instance()->Set(none);
    CObservationPreprocessor preprocessor;
    if (c.map) preprocessor.SetGlonassFrequencyMap(channel_map());
    preprocessor.SetEnabled(c.sat.system, true);

    auto epochs = jumping_epochs(c.sat, lambda, c.jumpMs);
    const auto original = epochs;
    for (auto& epoch : epochs) preprocessor.CorrectClockJumps(epoch);

    const bool corrected = c.sat.system != VYR_SATSYS_GLONASS || c.map;
    const bool whole = c.jumpMs == 1.0;
    for (size_t i = 0; i < epochs.size(); ++i) {
        const Signal out = epochs[i].satellites[0].observations[0];
        const bool lossOfLock = (out.flags & Signal::kLossOfLock) != 0;
        EXPECT_EQ(lossOfLock, corrected && !whole && i == 2) << i;
        if (!corrected) {
            EXPECT_EQ(+out.phase, +original[i].satellites[0].observations[0].phase) << i;
            continue;
        }
        const size_t aligned = (i < 2 || whole) ? 0 : 2;
        const double expected = code_minus_phase(epochs[aligned], lambda);
        EXPECT_GE(expected, 0.0);
        EXPECT_LT(expected, 1.0);
        EXPECT_NEAR(code_minus_phase(epochs[i], lambda), expected, 1e-3) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(GpsAndGlonass, ClockJumps,
                         testing::Values(JumpCase{gps(5), false, 1.0}, JumpCase{gps(5), false, 1.5},
                                         JumpCase{glonass(4), true, 1.0},
                                         JumpCase{glonass(4), true, 1.5},
                                         JumpCase{glonass(4), false, 1.0},
                                         JumpCase{glonass(4), false, 1.5}));

// Stored as received (repair on writing needs SetOptions), repaired on reading when asked.
TEST(ClockJumpsOnReading, TheFilterRepairsWhenAsked) {
    const double lambda = CFrequencyManager().getWavelengthValue(gps(7), VYR_BAND_L1);
    auto storage = make_memory_station();
    CVyrObservations* obs = new CVyrObservations(storage, 3);
    ASSERT_EQ(obs->AddEpochs(jumping_epochs(gps(7), lambda, 1.0)), VYR_OK);
    for (const uint8_t repair : {0, 1}) {
        VYR_OBSERVATION_FILTER filter;
        filter.clockJumpGps = repair;
        std::vector<VYR_OBSERVATIONEPOCH> epochs;
        EXPECT_EQ(obs->StartAndGetEpochs(5, epochs, &filter, false, 0), VYR_OK);
        ASSERT_EQ(epochs.size(), 5u);
        const double step =
            code_minus_phase(epochs[2], lambda) - code_minus_phase(epochs[1], lambda);
        EXPECT_NEAR(step, repair ? 0.0 : 1575420.0, 1e-3) << +repair;
        EXPECT_FALSE(epochs[2].satellites[0].observations[0].flags & Signal::kLossOfLock);
    }
    obs->Release();
}

TEST(TimeTagAlignment, MovesTheTagToTheGridAndTheMeasurementsWithIt) {
    CFrequencyManager frequencies;
    VYR_OBSERVATIONEPOCH epoch = epoch_at(day_fraction(23, 59, 59.9999), {gps(1)});
    const Signal in = epoch.satellites[0].observations[0];
    vyr_stations::align_time_tag(epoch, 200, frequencies);
    EXPECT_EQ(epoch.mjd, kTestMjd + 1);
    EXPECT_EQ(epoch.fraction, 0.0);
    const Signal out = epoch.satellites[0].observations[0];
    const double shift = -0.0001;  // seconds: old minus new
    // The fraction holds the time to about 1e-11 s.
    EXPECT_NEAR(+out.code, in.code - shift * kC, 0.01);
    EXPECT_NEAR(+out.phase, in.phase - 1575.42e6 * shift, 0.05);

    VYR_OBSERVATIONEPOCH close = epoch_at(day_fraction(1, 0, 0.000005), {gps(1)});
    const VYR_OBSERVATIONEPOCH unchanged = close;
    vyr_stations::align_time_tag(close, 200, frequencies);
    EXPECT_TRUE(same_epoch(close, unchanged));
}

}  // namespace
