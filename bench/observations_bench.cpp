// Observation access over a day of 1 s multi-GNSS epochs (86400): writing with the statistics
// kept after every write operation, and reading back through a filter; compare with
// epoch_codec/encode_day and decode_day (the plain codec on the same epochs).
//
// Names: observations/add_epochs_hourly (AddEpochs of 24 batches of 3600 epochs),
// observations/add_epoch_each/N (N epochs, one AddEpoch each: the per-epoch time must not grow
// with N), observations/iterate_day_filtered (GPS 1 excluded, satellite windows on, loss of lock
// marked). Counters: epochs/s and MB/s of encoded epoch bytes. The project is a compound document
// in memory; the epochs are made one hour at a time, so memory holds at most one hour of them.
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include <vyr/observation_epoch.h>

#include "cfb/cfb.h"
#include "stations/epoch_test_support.h"
#include "stations/observations.h"

namespace {

constexpr int kEpochsPerDay = 86400;
constexpr int kDistinct = 900;

const std::vector<VYR_OBSERVATIONEPOCH>& distinct_epochs() {
    static const std::vector<VYR_OBSERVATIONEPOCH> epochs = [] {
        std::vector<VYR_OBSERVATIONEPOCH> out;
        std::mt19937 random(20240101);
        auto between = [&](int low, int high) {
            return std::uniform_int_distribution<int>(low, high)(random);
        };
        for (int i = 0; i < kDistinct; ++i)
            out.push_back(vyr_test::make_epoch({{VYR_SATSYS_GPS, between(8, 12), between(3, 6)},
                                                {VYR_SATSYS_GLONASS, between(6, 8), 4},
                                                {VYR_SATSYS_GALILEO, between(6, 10), 5},
                                                {VYR_SATSYS_SBAS, between(2, 3), 2}}));
        return out;
    }();
    return epochs;
}

VYR_OBSERVATIONEPOCH epoch_of_second(int second) {
    VYR_OBSERVATIONEPOCH epoch = distinct_epochs()[size_t(second % kDistinct)];
    epoch.fraction = second / 86400.0;
    return epoch;
}

uint64_t encoded_size(const VYR_OBSERVATIONEPOCH& epoch) {
    static std::vector<uint8_t> buffer(vyr::kMaxStoredEpochSize);
    uint32_t written = 0;
    const uint32_t capacity = uint32_t(buffer.size());
    Vyr_SerializeObsEpoch(epoch, buffer.data(), capacity, written);
    return written;
}

CVyrPtrSmart<CStg> memory_station() {
    ILockBytes* bytes = nullptr;
    if (cfb::create_memory_lock_bytes({}, &bytes) != S_OK) std::abort();
    CVyrPtrSmart<CStg> storage(new CStg());
    if (!storage->CreateDocumentOnLockBytes(bytes)) std::abort();
    bytes->Release();
    return storage;
}

void report(benchmark::State& state, double epochs, double bytes) {
    const double n = static_cast<double>(state.iterations());
    state.counters["epochs/s"] = benchmark::Counter(epochs * n, benchmark::Counter::kIsRate);
    state.counters["MB/s"] = benchmark::Counter(bytes * n / 1e6, benchmark::Counter::kIsRate);
}

// Writes the day in hourly batches; returns the encoded bytes written.
uint64_t write_day(const CVyrPtrSmart<CStg>& storage) {
    CVyrObservations* obs = new CVyrObservations(storage, 3);
    uint64_t bytes = 0;
    std::vector<VYR_OBSERVATIONEPOCH> hour(3600);
    for (int h = 0; h < 24; ++h) {
        for (int s = 0; s < 3600; ++s) {
            hour[size_t(s)] = epoch_of_second(h * 3600 + s);
            bytes += encoded_size(hour[size_t(s)]);
        }
        if (obs->AddEpochs(hour) != VYR_OK) std::abort();
    }
    obs->Release();
    return bytes;
}

void add_epochs_hourly(benchmark::State& state) {
    uint64_t bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto storage = memory_station();
        state.ResumeTiming();
        bytes = write_day(storage);
    }
    report(state, kEpochsPerDay, double(bytes));
}

void add_epoch_each(benchmark::State& state) {
    const int count = int(state.range(0));
    std::vector<VYR_OBSERVATIONEPOCH> epochs;
    uint64_t bytes = 0;
    for (int i = 0; i < count; ++i) bytes += encoded_size(epoch_of_second(i));
    for (auto _ : state) {
        state.PauseTiming();
        auto storage = memory_station();
        CVyrObservations* obs = new CVyrObservations(storage, 3);
        state.ResumeTiming();
        for (int i = 0; i < count; ++i)
            if (obs->AddEpoch(epoch_of_second(i)) != VYR_OK) std::abort();
        obs->Release();
    }
    report(state, count, double(bytes));
}

void iterate_day_filtered(benchmark::State& state) {
    auto storage = memory_station();
    const uint64_t bytes = write_day(storage);
    VYR_OBSERVATION_FILTER filter;
    filter.excludedSatellites = {{VYR_SATSYS_GPS, 1}};
    filter.applySatelliteWindows = 1;
    filter.markLossOfLock = 1;
    for (auto _ : state) {
        CVyrObservations* obs = new CVyrObservations(storage, 3);
        VYR_OBSERVATIONEPOCH epoch;
        int read = 0;
        for (VYR_ERROR r = obs->StartAndGetFirst(epoch, &filter, false, 0); r == VYR_OK;
             r = obs->GetNext(epoch, false))
            ++read;
        obs->Release();
        if (read != kEpochsPerDay) std::abort();
    }
    report(state, kEpochsPerDay, double(bytes));
}

}  // namespace

BENCHMARK(add_epochs_hourly)->Name("observations/add_epochs_hourly")->Unit(benchmark::kMillisecond);
BENCHMARK(add_epoch_each)
    ->Name("observations/add_epoch_each")
    ->Arg(10800)
    ->Arg(21600)
    ->Arg(43200)
    ->Arg(86400)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(iterate_day_filtered)
    ->Name("observations/iterate_day_filtered")
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
