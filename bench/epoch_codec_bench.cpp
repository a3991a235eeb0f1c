// Encoding and decoding of observation epochs: a day of 1 s multi-GNSS epochs (86400), with a
// plain copy of the same encoded bytes beside them as the floor no codec can beat.
//
// Names: epoch_codec/encode_day, epoch_codec/decode_day, epoch_codec/copy_day. Counters:
// epochs/s and MB/s (of encoded bytes). The epochs cycle through 900 distinct ones whose
// satellite counts and signals vary as a receiver's do: GPS 8-12 satellites with 3-6 signals,
// GLONASS 6-8 with 4, Galileo 6-10 with 5, SBAS 2-3 with 2.
#include <cstring>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include <vyr/observation_epoch.h>

#include "stations/epoch_test_support.h"

namespace {

constexpr int kEpochsPerDay = 86400;
constexpr int kDistinctEpochs = 900;

struct Day {
    std::vector<VYR_OBSERVATIONEPOCH> epochs;   // the distinct ones
    std::vector<std::vector<uint8_t>> encoded;  // their encodings
    uint64_t bytesPerDay = 0;
};

const Day& day() {
    static const Day d = [] {
        Day out;
        std::mt19937 random(20240101);
        auto between = [&](int low, int high) {
            return std::uniform_int_distribution<int>(low, high)(random);
        };
        for (int i = 0; i < kDistinctEpochs; ++i) {
            out.epochs.push_back(
                vyr_test::make_epoch({{VYR_SATSYS_GPS, between(8, 12), between(3, 6)},
                                      {VYR_SATSYS_GLONASS, between(6, 8), 4},
                                      {VYR_SATSYS_GALILEO, between(6, 10), 5},
                                      {VYR_SATSYS_SBAS, between(2, 3), 2}},
                                     60000, i / 86400.0));
            std::vector<uint8_t> bytes(vyr::kMaxStoredEpochSize);
            uint32_t written = 0;
            const uint32_t capacity = static_cast<uint32_t>(bytes.size());
            if (Vyr_SerializeObsEpoch(out.epochs.back(), bytes.data(), capacity, written) != VYR_OK)
                std::abort();
            bytes.resize(written);
            out.encoded.push_back(std::move(bytes));
        }
        for (int i = 0; i < kEpochsPerDay; ++i)
            out.bytesPerDay += out.encoded[i % kDistinctEpochs].size();
        return out;
    }();
    return d;
}

void report(benchmark::State& state) {
    const double iterations = static_cast<double>(state.iterations());
    state.counters["epochs/s"] =
        benchmark::Counter(kEpochsPerDay * iterations, benchmark::Counter::kIsRate);
    state.counters["MB/s"] =
        benchmark::Counter(day().bytesPerDay * iterations / 1e6, benchmark::Counter::kIsRate);
}

void encode_day(benchmark::State& state) {
    const Day& d = day();
    std::vector<uint8_t> buffer(vyr::kMaxStoredEpochSize);
    const uint32_t capacity = static_cast<uint32_t>(buffer.size());
    for (auto _ : state) {
        for (int i = 0; i < kEpochsPerDay; ++i) {
            uint32_t written = 0;
            Vyr_SerializeObsEpoch(d.epochs[i % kDistinctEpochs], buffer.data(), capacity, written);
            benchmark::DoNotOptimize(written);
            benchmark::ClobberMemory();
        }
    }
    report(state);
}

void decode_day(benchmark::State& state) {
    const Day& d = day();
    VYR_OBSERVATIONEPOCH epoch;
    for (auto _ : state) {
        for (int i = 0; i < kEpochsPerDay; ++i) {
            const std::vector<uint8_t>& bytes = d.encoded[i % kDistinctEpochs];
            uint32_t consumed = 0;
            const uint32_t size = static_cast<uint32_t>(bytes.size());
            Vyr_DeserializeObsEpoch(bytes.data(), size, epoch, consumed);
            benchmark::DoNotOptimize(epoch.satellites.data());
        }
    }
    report(state);
}

void copy_day(benchmark::State& state) {
    const Day& d = day();
    std::vector<uint8_t> buffer(vyr::kMaxStoredEpochSize);
    for (auto _ : state) {
        for (int i = 0; i < kEpochsPerDay; ++i) {
            const std::vector<uint8_t>& bytes = d.encoded[i % kDistinctEpochs];
            std::memcpy(buffer.data(), bytes.data(), bytes.size());
            benchmark::ClobberMemory();
        }
    }
    report(state);
}

BENCHMARK(encode_day)->Name("epoch_codec/encode_day")->Unit(benchmark::kMillisecond);
BENCHMARK(decode_day)->Name("epoch_codec/decode_day")->Unit(benchmark::kMillisecond);
BENCHMARK(copy_day)->Name("epoch_codec/copy_day")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
