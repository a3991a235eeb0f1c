#include "stations/observations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "records/record_io.h"
#include "stations/observation_record_layout.h"
#include "stations/observations_test_support.h"
#include "stations/statistics_format.h"
#include "storage/factories.h"
#include "storage/layout.h"

namespace {

using namespace vyr_test;

class Observations : public testing::Test {
protected:
    void SetUp() override { storage = make_memory_station(); }

    // A fresh access object, as a station hands one out.
    std::unique_ptr<CVyrObservations, void (*)(CVyrObservations*)> open() {
        auto* object = new CVyrObservations(storage, kStorageVersionCurrent);
        EXPECT_EQ(object->SetupResult(), VYR_OK);
        return {object, [](CVyrObservations* o) { o->Release(); }};
    }

    template <class T>
    T read_entry(uint32_t id) {
        CStm stream;
        EXPECT_TRUE(CFactoryStream(storage.Get()).Open(id, stream));
        T record{};
        EXPECT_EQ(ReadSingleRecord(stream, kStorageVersionCurrent, record), VYR_OK);
        return record;
    }

    template <class T>
    void write_entry(uint32_t id, const T& record) {
        CStm stream;
        ASSERT_TRUE(
            CFactoryStream(storage.Get()).OpenOrCreate(id, vyr::kDispositionCreateAlways, stream));
        ASSERT_EQ(WriteSingleRecord(stream, record), VYR_OK);
    }

    std::vector<VYR_OBSERVATIONEPOCH> read_all(const VYR_OBSERVATION_FILTER* filter) {
        auto obs = open();
        std::vector<VYR_OBSERVATIONEPOCH> epochs;
        VYR_OBSERVATIONEPOCH epoch;
        for (VYR_ERROR r = obs->StartAndGetFirst(epoch, filter, false, 0); r == VYR_OK;
             r = obs->GetNext(epoch, false))
            epochs.push_back(epoch);
        return epochs;
    }

    CVyrPtrSmart<CStg> storage;
};

// A day at 30 s of GPS 1-3, with GLONASS 1 from 06:00 on.
std::vector<VYR_OBSERVATIONEPOCH> day_at_30s() {
    std::vector<VYR_OBSERVATIONEPOCH> epochs;
    for (int i = 0; i < 2880; ++i) {
        const double seconds = i * 30.0;
        std::vector<VYR_SATID> sats = {gps(1), gps(2), gps(3)};
        if (seconds >= 6 * 3600) sats.push_back(glonass(1));
        epochs.push_back(epoch_at(seconds / 86400.0, sats));
    }
    return epochs;
}

TEST_F(Observations, DayAt30sBuildsStatisticsAndAvailability) {
    ASSERT_EQ(open()->AddEpochs(day_at_30s()), VYR_OK);

    const auto systems =
        read_entry<vyr::ObservationStatistics>(vyr_storage::kStreamObservationStatistics);
    ASSERT_EQ(systems.size(), 2u);
    const VYR_OBSERVATION_STAT g = systems.at(VYR_SATSYS_GPS);
    const VYR_OBSERVATION_STAT r = systems.at(VYR_SATSYS_GLONASS);
    EXPECT_EQ(+g.dataRate, 30000u);
    EXPECT_EQ(+g.stationEpochs, 2880u);
    EXPECT_EQ(+g.satelliteEpochs, 3u * 2880u);
    const uint32_t codes = g.codeCount[0];
    EXPECT_EQ(codes, 3u * 2880u);
    // GLONASS starts later but carries the station-wide span.
    EXPECT_EQ(+r.firstFraction, 0.0);
    EXPECT_EQ(+r.firstMjd, +g.firstMjd);
    EXPECT_EQ(+r.lastFraction, +g.lastFraction);
    EXPECT_EQ(+r.satelliteEpochs, 2160u);
    EXPECT_EQ(+r.system, VYR_SATSYS_GLONASS);

    const auto sats =
        read_entry<VYR_OBSERVATION_SVSTAT>(vyr_storage::kStreamObservationSatelliteStatistics);
    const VYR_OBSERVATION_STAT r1 = sats.satellites[33];
    EXPECT_NEAR(+r1.firstFraction, 0.25, 1e-12);
    EXPECT_EQ(+r1.stationEpochs, 2880u);
    EXPECT_EQ(+sats.satellites[2].dataRate, 0u);

    CVyrCollectionSvAvailStat availability(storage, kStorageVersionCurrent);
    VYR_SVAVAIL_STAT day{};
    ASSERT_TRUE(availability.GetByKey(kTestMjd, day));
    EXPECT_EQ(+day.satellites[33].observed, 1);
    EXPECT_EQ(+day.satellites[33].halfHours[11], 0);
    EXPECT_EQ(+day.satellites[33].halfHours[12], 1);
    EXPECT_EQ(+day.satellites[1].halfHours[0], 1);
}

TEST_F(Observations, WindowInTheMiddleOfTheDayIsLeftOut) {
    auto input = day_at_30s();
    // Inside the window GPS 3 loses lock and GPS 2 is not tracked for one epoch.
    input[1230].satellites[2].observations[0].flags |= VYR_OBSERVATIONEPOCH_SIGNAL::kLossOfLock;
    input[1240].satellites.erase(input[1240].satellites.begin() + 1);
    ASSERT_EQ(open()->AddEpochs(input), VYR_OK);
    write_entry<VYR_WINDOWS>(vyr_storage::kStreamWindows, {{kTestMjd + day_fraction(10, 0, 0),
                                                            kTestMjd + day_fraction(11, 0, 0)}});
    VYR_OBSERVATION_FILTER filter;
    filter.applyWindows = 1;
    filter.markLossOfLock = 1;
    const auto epochs = read_all(&filter);
    // 10:00:00 to 11:00:00 inclusive are 121 epochs.
    ASSERT_EQ(epochs.size(), 2880u - 121u);
    const auto first_after = std::find_if(epochs.begin(), epochs.end(), [](const auto& e) {
        return e.fraction > day_fraction(10, 0, 0);
    });
    ASSERT_NE(first_after, epochs.end());
    EXPECT_NEAR(first_after->fraction, day_fraction(11, 0, 30), 1e-12);
    // What broke the phase inside the window is reported on the first epoch after it, once;
    // continuous tracking through the window is not a loss of lock.
    auto lost = [](const VYR_OBSERVATIONEPOCH& e, size_t sat) {
        return (e.satellites[sat].observations[0].flags &
                VYR_OBSERVATIONEPOCH_SIGNAL::kLossOfLock) != 0;
    };
    EXPECT_FALSE(lost(*first_after, 0));
    EXPECT_TRUE(lost(*first_after, 1));
    EXPECT_TRUE(lost(*first_after, 2));
    EXPECT_FALSE(lost(*(first_after + 1), 1));
    EXPECT_FALSE(lost(*(first_after + 1), 2));
}

TEST_F(Observations, WindowsAreWidenedBy2ms) {
    const double ms = 1.0 / 86400000.0;
    const double ten = day_fraction(10, 0, 0), eleven = day_fraction(11, 0, 0);
    ASSERT_EQ(open()->AddEpochs({epoch_at(ten - 3 * ms, {gps(1)}), epoch_at(ten + ms, {gps(1)}),
                                 epoch_at(eleven + 1.5 * ms, {gps(1)}),
                                 epoch_at(eleven + 3 * ms, {gps(1)})}),
              VYR_OK);
    write_entry<VYR_WINDOWS>(vyr_storage::kStreamWindows, {{kTestMjd + ten, kTestMjd + eleven}});
    VYR_OBSERVATION_FILTER filter;
    filter.applyWindows = 1;
    const auto epochs = read_all(&filter);
    ASSERT_EQ(epochs.size(), 2u);
    EXPECT_NEAR(epochs[0].fraction, ten - 3 * ms, 1e-13);
    EXPECT_NEAR(epochs[1].fraction, eleven + 3 * ms, 1e-13);
}

TEST_F(Observations, SatelliteWindowsRemoveOneSatellite) {
    ASSERT_EQ(open()->AddEpochs({epoch_at(0.1, {gps(5), glonass(2)}),
                                 epoch_at(0.2, {gps(5), glonass(2)}), epoch_at(0.3, {glonass(2)})}),
              VYR_OK);
    VYR_SV_WINDOWS windows{};
    windows[34] = {{kTestMjd + 0.15, kTestMjd + 0.35}};  // GLONASS 2
    write_entry(vyr_storage::kStreamSatelliteWindows, windows);
    VYR_OBSERVATION_FILTER filter;
    filter.applySatelliteWindows = 1;
    const auto epochs = read_all(&filter);
    ASSERT_EQ(epochs.size(), 2u);  // the third epoch is left with no satellite
    EXPECT_EQ(epochs[0].satellites.size(), 2u);
    ASSERT_EQ(epochs[1].satellites.size(), 1u);
    EXPECT_EQ(epochs[1].satellites[0].satId, gps(5));
}

TEST_F(Observations, SbasIsLeftOutByDefaultAndShownWhenAsked) {
    ASSERT_EQ(open()->AddEpochs({epoch_at(0.1, {sbas(3)}), epoch_at(0.2, {gps(1), sbas(3)})}),
              VYR_OK);
    auto defaults = read_all(nullptr);
    ASSERT_EQ(defaults.size(), 1u);
    EXPECT_EQ(defaults[0].satellites.size(), 1u);
    VYR_OBSERVATION_FILTER everything;  // no exclusions
    EXPECT_EQ(read_all(&everything).size(), 2u);
}

TEST_F(Observations, TimeSpanIsTakenOnlyWhenSound) {
    ASSERT_EQ(open()->AddEpochs(
                  {epoch_at(0.1, {gps(1)}), epoch_at(0.2, {gps(1)}), epoch_at(0.3, {gps(1)})}),
              VYR_OK);
    const struct {
        double start, end;
        size_t expected;
    } cases[] = {{kTestMjd + 0.15, kTestMjd + 0.25, 1},
                 {0.0, kTestMjd + 0.15, 3},              // start 0: ignored
                 {kTestMjd + 0.25, kTestMjd + 0.15, 3},  // end before start: ignored
                 {kTestMjd + 0.35, kTestMjd + 0.45, 0}};
    for (const auto& c : cases) {
        VYR_OBSERVATION_FILTER filter;
        filter.startTime = c.start;
        filter.endTime = c.end;
        EXPECT_EQ(read_all(&filter).size(), c.expected) << c.start << " " << c.end;
    }
}

TEST_F(Observations, SamplingKeepsEpochsWithin1msOfTheGrid) {
    ASSERT_EQ(open()->AddEpochs({epoch_at(day_fraction(12, 0, 0), {gps(1)}),
                                 epoch_at(day_fraction(12, 0, 15), {gps(1)}),
                                 epoch_at(day_fraction(12, 0, 29.9995), {gps(1)})}),
              VYR_OK);
    VYR_OBSERVATION_FILTER filter;
    filter.samplingInterval = 30000;
    const auto epochs = read_all(&filter);
    ASSERT_EQ(epochs.size(), 2u);
    EXPECT_NEAR(epochs[1].fraction, day_fraction(12, 0, 29.9995), 1e-12);
}

TEST_F(Observations, EpochWithAZeroValidCodeIsNotStoredNorCounted) {
    auto obs = open();
    ASSERT_EQ(obs->AddEpoch(epoch_at(0.1, {gps(1)})), VYR_OK);
    VYR_OBSERVATIONEPOCH bad = epoch_at(0.2, {gps(1)});
    bad.satellites[0].observations[0].code = 0.0;
    ASSERT_EQ(obs->AddEpoch(bad), VYR_OK);
    const auto sats =
        read_entry<VYR_OBSERVATION_SVSTAT>(vyr_storage::kStreamObservationSatelliteStatistics);
    EXPECT_EQ(+sats.satellites[1].satelliteEpochs, 1u);
    EXPECT_EQ(+sats.satellites[1].stationEpochs, 1u);
    const double last = sats.satellites[1].lastFraction;
    EXPECT_NEAR(last, 0.1, 1e-9);
    obs.reset();
    EXPECT_EQ(read_all(nullptr).size(), 1u);
}

TEST_F(Observations, ZeroPhaseLosesItsValidBitButTheEpochIsStored) {
    VYR_OBSERVATIONEPOCH epoch = epoch_at(0.1, {gps(1)});
    epoch.satellites[0].observations[0].phase = 0.0;
    ASSERT_EQ(open()->AddEpoch(epoch), VYR_OK);
    const auto epochs = read_all(nullptr);
    ASSERT_EQ(epochs.size(), 1u);
    EXPECT_FALSE(epochs[0].satellites[0].observations[0].flags &
                 VYR_OBSERVATIONEPOCH_SIGNAL::kPhaseValid);
}

TEST_F(Observations, HistoryAndSkipRules) {
    std::vector<VYR_OBSERVATIONEPOCH> input;
    for (int i = 0; i < 10; ++i) input.push_back(epoch_at(0.1 + i * 0.01, {gps(1)}));
    ASSERT_EQ(open()->AddEpochs(input), VYR_OK);
    auto obs = open();
    VYR_OBSERVATION_FILTER filter;
    filter.historySize = 3;
    uint32_t count = 0;
    EXPECT_EQ(obs->GetHistoryCount(count), VYR_E_INVALID_INTERFACE);
    ASSERT_EQ(obs->Start(&filter, false), VYR_OK);
    uint32_t skipped = 99;
    EXPECT_EQ(obs->Skip(5, skipped, false), VYR_E_INVALID_PARAMETER);
    EXPECT_EQ(skipped, 0u);
    VYR_OBSERVATIONEPOCH epoch;
    ASSERT_EQ(obs->GetCurrent(epoch), VYR_OK);
    EXPECT_NEAR(epoch.fraction, 0.1, 1e-12);  // did not move
    ASSERT_EQ(obs->Skip(3, skipped, false), VYR_OK);
    EXPECT_EQ(skipped, 3u);
    ASSERT_EQ(obs->GetHistoryCount(count), VYR_OK);
    EXPECT_EQ(count, 3u);
    ASSERT_EQ(obs->GetHistoryEpoch(-2, epoch), VYR_OK);
    EXPECT_NEAR(epoch.fraction, 0.11, 1e-12);
    EXPECT_EQ(obs->GetHistoryEpoch(-3, epoch), VYR_E_MEMORY_OVERFLOW);
    std::vector<VYR_OBSERVATIONEPOCH> more;
    EXPECT_EQ(obs->GetNextEpochs(3, more, false), VYR_OK);
    ASSERT_EQ(more.size(), 3u);
    EXPECT_NEAR(more[2].fraction, 0.16, 1e-12);
    EXPECT_EQ(obs->GetNextEpochs(3, more, false), VYR_OK);  // the last three
    EXPECT_EQ(obs->GetNextEpochs(2, more, false), VYR_E_ITERATOR_AT_END);
    EXPECT_TRUE(more.empty());  // no empty epochs stand in for missing ones
    EXPECT_EQ(obs->GetNext(epoch, false), VYR_E_ITERATOR_AT_END);
}

TEST_F(Observations, EveryStartBeginsAgain) {
    ASSERT_EQ(open()->AddEpochs({epoch_at(0.1, {gps(1)}), epoch_at(0.2, {gps(1)})}), VYR_OK);
    auto obs = open();
    VYR_OBSERVATIONEPOCH epoch;
    ASSERT_EQ(obs->StartAndGetFirst(epoch, nullptr, false, 0), VYR_OK);
    ASSERT_EQ(obs->GetNext(epoch, false), VYR_OK);
    ASSERT_EQ(obs->StartAndGetFirst(epoch, nullptr, false, 0), VYR_OK);
    EXPECT_NEAR(epoch.fraction, 0.1, 1e-12);
    // Writing after reading appends.
    ASSERT_EQ(obs->AddEpoch(epoch_at(0.3, {gps(1)})), VYR_OK);
    std::vector<VYR_OBSERVATIONEPOCH> all;
    EXPECT_EQ(obs->StartAndGetEpochs(5, all, nullptr, false, 0), VYR_E_ITERATOR_AT_END);
    EXPECT_EQ(all.size(), 3u);
}

TEST_F(Observations, EmptyStreamEndsAtOnceAndReadOperationsNeedAStart) {
    auto obs = open();
    VYR_OBSERVATIONEPOCH epoch;
    EXPECT_EQ(obs->GetNext(epoch, false), VYR_E_INVALID_INTERFACE);
    EXPECT_EQ(obs->StartAndGetFirst(epoch, nullptr, false, 0), VYR_E_ITERATOR_AT_END);
    EXPECT_EQ(obs->GetCurrent(epoch), VYR_E_ITERATOR_INVALID_STATUS);
}

TEST_F(Observations, DamagedStreamIsAReadFailureNotTheEnd) {
    ASSERT_EQ(open()->AddEpoch(epoch_at(0.1, {gps(1)})), VYR_OK);
    {
        CStm stream;
        ASSERT_TRUE(CFactoryStream(storage.Get()).Open(vyr_storage::kStreamObservations, stream));
        ASSERT_TRUE(stream.SeekToEnd());
        const uint8_t junk[40] = {0xFF, 0xFF, 0xFF, 0xFF};
        ASSERT_TRUE(stream.Write(junk, sizeof junk));
    }
    auto obs = open();
    VYR_OBSERVATIONEPOCH epoch;
    ASSERT_EQ(obs->StartAndGetFirst(epoch, nullptr, false, 0), VYR_OK);
    EXPECT_EQ(obs->GetNext(epoch, false), VYR_E_ITERATOR_READ_FAILED);
}

TEST_F(Observations, OptionsAreRefusedAfterTheFirstWrite) {
    auto obs = open();
    EXPECT_EQ(obs->SetOptions(VYR_OBSERVATION_OPTIONS{}), VYR_OK);
    ASSERT_EQ(obs->AddEpoch(epoch_at(0.1, {gps(1)})), VYR_OK);
    EXPECT_EQ(obs->SetOptions(VYR_OBSERVATION_OPTIONS{}), VYR_E_INVALID_STATUS);
}

TEST_F(Observations, DeferredStatisticsAreWrittenWhenTheObjectGoes) {
    {
        auto obs = open();
        VYR_OBSERVATION_OPTIONS options;
        options.deferStatistics = 1;
        ASSERT_EQ(obs->SetOptions(options), VYR_OK);
        ASSERT_EQ(obs->AddEpoch(epoch_at(0.1, {gps(1)})), VYR_OK);
        CStm stream;
        EXPECT_FALSE(CFactoryStream(storage.Get())
                         .Open(vyr_storage::kStreamObservationSatelliteStatistics, stream));
    }
    EXPECT_EQ(
        +read_entry<VYR_OBSERVATION_SVSTAT>(vyr_storage::kStreamObservationSatelliteStatistics)
             .satellites[1]
             .satelliteEpochs,
        1u);
}

TEST_F(Observations, StatisticsGoOnAcrossObjectsAndStartAfreshAfterAReset) {
    ASSERT_EQ(open()->AddEpoch(epoch_at(0.1, {gps(1)})), VYR_OK);
    ASSERT_EQ(open()->AddEpoch(epoch_at(0.2, {gps(1)})), VYR_OK);
    EXPECT_EQ(
        +read_entry<VYR_OBSERVATION_SVSTAT>(vyr_storage::kStreamObservationSatelliteStatistics)
             .satellites[1]
             .stationEpochs,
        2u);
    // What a station's reset leaves: the three streams empty, the satellite statistics kept.
    for (uint32_t id : {vyr_storage::kStreamObservations, vyr_storage::kStreamObservationStatistics,
                        vyr_storage::kStreamSatelliteAvailStatistics}) {
        CStm stream;
        ASSERT_TRUE(
            CFactoryStream(storage.Get()).OpenOrCreate(id, vyr::kDispositionCreateAlways, stream));
    }
    ASSERT_EQ(open()->AddEpoch(epoch_at(0.5, {gps(2)})), VYR_OK);
    const auto sats =
        read_entry<VYR_OBSERVATION_SVSTAT>(vyr_storage::kStreamObservationSatelliteStatistics);
    EXPECT_EQ(+sats.satellites[1].satelliteEpochs, 0u);
    EXPECT_EQ(+sats.satellites[2].stationEpochs, 1u);
    EXPECT_EQ(read_all(nullptr).size(), 1u);
}

TEST_F(Observations, EncodedEpochsAreDecodedOneAfterTheOther) {
    std::vector<uint8_t> buffer;
    for (double f : {0.1, 0.2}) {
        const VYR_OBSERVATIONEPOCH epoch = epoch_at(f, {gps(1), glonass(3)});
        std::vector<uint8_t> bytes(5000);
        uint32_t written = 0;
        const uint32_t capacity = uint32_t(bytes.size());
        ASSERT_EQ(Vyr_SerializeObsEpoch(epoch, bytes.data(), capacity, written), VYR_OK);
        buffer.insert(buffer.end(), bytes.begin(), bytes.begin() + written);
    }
    auto obs = open();
    uint32_t written = 0;
    ASSERT_EQ(obs->AddEncodedEpochs(buffer.data(), uint32_t(buffer.size()), written), VYR_OK);
    EXPECT_EQ(written, 2u);
    EXPECT_NE(obs->AddEncodedEpochs(buffer.data(), uint32_t(buffer.size() - 3), written), VYR_OK);
    EXPECT_EQ(written, 1u);
}

TEST_F(Observations, ObservationBufferNeedsAtLeastOneRecord) {
    auto obs = open();
    uint32_t taken = 0;
    EXPECT_EQ(obs->AddObservationBuffer(nullptr, 100, taken), VYR_E_INVALID_PARAMETER);
    std::vector<uint8_t> header(22, 0);
    EXPECT_EQ(obs->AddObservationBuffer(header.data(), 22, taken), VYR_E_INVALID_PARAMETER);
    VYR_OBSERVATION record{};
    record.mjd = kTestMjd;
    record.fraction = 0.5;
    record.count = 1;
    record.flags = VYR_OBSERVATION::kL1Data;
    record.occupation = 1;
    std::vector<uint8_t> buffer(22 + vyr_stations::kBasicSingleSize, 0);
    std::memcpy(buffer.data(), &record, 22);
    buffer[22] = 7;  // GPS 7
    buffer[24] = 0;
    const double code = 2.2e7;
    std::memcpy(buffer.data() + 22 + 4, &code, 8);
    buffer.insert(buffer.end(), header.begin(), header.end());  // a trailing empty header
    EXPECT_EQ(obs->AddObservationBuffer(buffer.data(), uint32_t(buffer.size()), taken), VYR_OK);
    EXPECT_EQ(taken, 2u);
}

}  // namespace
