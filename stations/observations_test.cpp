#include "stations/observations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>
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

    VYR_OBSERVATION_SVSTAT satellite_statistics() {
        return read_entry<VYR_OBSERVATION_SVSTAT>(
            vyr_storage::kStreamObservationSatelliteStatistics);
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
    const uint32_t codes = g.codeCount[0];
    EXPECT_EQ(std::make_tuple(+g.dataRate, +g.stationEpochs, +g.satelliteEpochs, codes),
              std::make_tuple(30000u, 2880u, 3u * 2880u, 3u * 2880u));
    // GLONASS starts later but carries the station-wide span.
    EXPECT_EQ(std::make_tuple(+r.firstMjd, +r.firstFraction, +r.lastFraction, +r.satelliteEpochs),
              std::make_tuple(kTestMjd, 0.0, +g.lastFraction, 2160u));
    EXPECT_EQ(+r.system, VYR_SATSYS_GLONASS);

    const auto sats = satellite_statistics();
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

// One set of stored epochs read through each filter setting alone. A case lists the epochs it
// returns as "index/satellites".
TEST_F(Observations, EachFilterSettingChoosesItsEpochs) {
    const double ms = 1.0 / 86400000.0;
    const double ten = day_fraction(10, 0, 0), eleven = day_fraction(11, 0, 0);
    const std::vector<VYR_OBSERVATIONEPOCH> stored = {
        epoch_at(0.1, {gps(5), glonass(2)}),
        epoch_at(0.2, {gps(5), glonass(2), sbas(3)}),
        epoch_at(0.3, {glonass(2)}),
        epoch_at(ten - 3 * ms, {gps(1)}),
        epoch_at(ten - 1.5 * ms, {gps(1)}),
        epoch_at(eleven + 1.5 * ms, {gps(1)}),
        epoch_at(eleven + 3 * ms, {gps(1)}),
        epoch_at(day_fraction(12, 0, 15), {gps(1)}),
        epoch_at(day_fraction(12, 0, 29.9995), {sbas(3)}),
    };
    ASSERT_EQ(open()->AddEpochs(stored), VYR_OK);
    write_entry<VYR_WINDOWS>(vyr_storage::kStreamWindows, {{kTestMjd + ten, kTestMjd + eleven}});
    VYR_SV_WINDOWS windows{};
    windows[34] = {{kTestMjd + 0.15, kTestMjd + 0.35}};  // GLONASS 2
    write_entry(vyr_storage::kStreamSatelliteWindows, windows);

    using F = VYR_OBSERVATION_FILTER;
    struct Case {
        const char* what;
        void (*set)(F&);  // null: no filter at all
        const char* returned;
    };
    const char* const all = "0/2 1/3 2/1 3/1 4/1 5/1 6/1 7/1 8/1";
    const Case cases[] = {
        {"no filter leaves SBAS out", nullptr, "0/2 1/2 2/1 3/1 4/1 5/1 6/1 7/1"},
        {"no exclusions", [](F&) {}, all},
        {"windows widened by 2 ms", [](F& f) { f.applyWindows = 1; },
         "0/2 1/3 2/1 3/1 6/1 7/1 8/1"},
        {"satellite windows", [](F& f) { f.applySatelliteWindows = 1; },
         "0/2 1/2 3/1 4/1 5/1 6/1 7/1 8/1"},
        {"no GLONASS", [](F& f) { f.excludeGlonass = 1; }, "0/1 1/2 3/1 4/1 5/1 6/1 7/1 8/1"},
        {"time span", [](F& f) { f.startTime = kTestMjd + 0.15, f.endTime = kTestMjd + 0.25; },
         "1/3"},
        {"span after the data",
         [](F& f) { f.startTime = kTestMjd + 0.95, f.endTime = kTestMjd + 0.99; }, ""},
        {"span from 0 is ignored", [](F& f) { f.endTime = kTestMjd + 0.15; }, all},
        {"span ending before its start is ignored",
         [](F& f) { f.startTime = kTestMjd + 0.25, f.endTime = kTestMjd + 0.15; }, all},
        {"within 1 ms of a 30 s grid", [](F& f) { f.samplingInterval = 30000; }, "0/2 1/3 2/1 8/1"},
    };
    for (const Case& c : cases) {
        F filter;
        if (c.set != nullptr) c.set(filter);
        std::string returned;
        for (const VYR_OBSERVATIONEPOCH& e : read_all(c.set != nullptr ? &filter : nullptr)) {
            const auto at = std::find_if(stored.begin(), stored.end(),
                                         [&](const auto& s) { return s.fraction == e.fraction; });
            returned += (returned.empty() ? "" : " ") + std::to_string(at - stored.begin()) + "/" +
                        std::to_string(e.satellites.size());
        }
        EXPECT_EQ(returned, c.returned) << c.what;
    }
}

// A zero code is no measurement: its epoch is neither stored nor counted. A zero phase only
// loses its valid bit.
TEST_F(Observations, ZeroValuesLoseTheirValidBitAndAZeroCodeRefusesTheEpoch) {
    auto obs = open();
    VYR_OBSERVATIONEPOCH zeroPhase = epoch_at(0.1, {gps(1)});
    zeroPhase.satellites[0].observations[0].phase = 0.0;
    ASSERT_EQ(obs->AddEpoch(zeroPhase), VYR_OK);
    VYR_OBSERVATIONEPOCH zeroCode = epoch_at(0.2, {gps(1)});
    zeroCode.satellites[0].observations[0].code = 0.0;
    ASSERT_EQ(obs->AddEpoch(zeroCode), VYR_OK);
    const VYR_OBSERVATION_STAT g1 = satellite_statistics().satellites[1];
    EXPECT_EQ(+g1.satelliteEpochs, 1u);
    EXPECT_EQ(+g1.stationEpochs, 1u);
    EXPECT_NEAR(+g1.lastFraction, 0.1, 1e-9);
    obs.reset();
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

TEST_F(Observations, ReadingNeedsAStartAndEveryStartBeginsAgain) {
    auto obs = open();
    VYR_OBSERVATIONEPOCH epoch;
    EXPECT_EQ(obs->GetNext(epoch, false), VYR_E_INVALID_INTERFACE);
    EXPECT_EQ(obs->StartAndGetFirst(epoch, nullptr, false, 0), VYR_E_ITERATOR_AT_END);
    EXPECT_EQ(obs->GetCurrent(epoch), VYR_E_ITERATOR_INVALID_STATUS);
    // Writing after reading appends.
    ASSERT_EQ(obs->AddEpochs({epoch_at(0.1, {gps(1)}), epoch_at(0.2, {gps(1)})}), VYR_OK);
    ASSERT_EQ(obs->StartAndGetFirst(epoch, nullptr, false, 0), VYR_OK);
    ASSERT_EQ(obs->GetNext(epoch, false), VYR_OK);
    ASSERT_EQ(obs->StartAndGetFirst(epoch, nullptr, false, 0), VYR_OK);
    EXPECT_NEAR(epoch.fraction, 0.1, 1e-12);
    ASSERT_EQ(obs->AddEpoch(epoch_at(0.3, {gps(1)})), VYR_OK);
    std::vector<VYR_OBSERVATIONEPOCH> all;
    EXPECT_EQ(obs->StartAndGetEpochs(5, all, nullptr, false, 0), VYR_E_ITERATOR_AT_END);
    EXPECT_EQ(all.size(), 3u);
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

// Starting afresh after a reset is tested through the station's ResetObservations.
TEST_F(Observations, StatisticsAreDeferredWhenAskedAndGoOnAcrossObjects) {
    {
        auto obs = open();
        VYR_OBSERVATION_OPTIONS options;
        options.deferStatistics = 1;
        ASSERT_EQ(obs->SetOptions(options), VYR_OK);
        ASSERT_EQ(obs->AddEpoch(epoch_at(0.1, {gps(1)})), VYR_OK);
        // Options are taken only before the first write.
        EXPECT_EQ(obs->SetOptions(VYR_OBSERVATION_OPTIONS{}), VYR_E_INVALID_STATUS);
        CStm stream;
        EXPECT_FALSE(CFactoryStream(storage.Get())
                         .Open(vyr_storage::kStreamObservationSatelliteStatistics, stream));
    }
    EXPECT_EQ(+satellite_statistics().satellites[1].satelliteEpochs, 1u);
    ASSERT_EQ(open()->AddEpoch(epoch_at(0.2, {gps(1)})), VYR_OK);
    EXPECT_EQ(+satellite_statistics().satellites[1].stationEpochs, 2u);
}

TEST_F(Observations, EncodedEpochsAreDecodedOneAfterTheOther) {
    std::vector<uint8_t> buffer = encode_epoch(epoch_at(0.1, {gps(1), glonass(3)}));
    const std::vector<uint8_t> second = encode_epoch(epoch_at(0.2, {gps(1), glonass(3)}));
    buffer.insert(buffer.end(), second.begin(), second.end());
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
    std::vector<uint8_t> buffer(22 + sizeof(VYR_OBSERVATION_SV_BASIC_L1), 0);
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
