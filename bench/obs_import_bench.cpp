// The observation import in its layers, side by side on the same file, warm in the page cache:
// a plain read of the bytes, the RINEX reader alone, and the whole conversion to epochs (the
// version-2 text parser on a version-2 file, the reader plus conversion on a later one).
//
// Names: obs_import/plain_read, obs_import/reader_only, obs_import/convert. Counter MB/s of the
// file. VYR_BENCH_OBS_FILE names the file (bench/import_bench.sh passes the corpus files).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

#include <vyr/file_converter.h>
#include "rinex/rnx_reader.h"

namespace {

std::string bench_file() {
    const char* file = std::getenv("VYR_BENCH_OBS_FILE");
    return file != nullptr ? file : "";
}

void set_rate(benchmark::State& state, const std::string& file) {
    state.counters["MB/s"] = benchmark::Counter(
        static_cast<double>(std::filesystem::file_size(file)) / 1e6 * state.iterations(),
        benchmark::Counter::kIsRate);
}

// Reads the bytes and counts the lines, as any reader must at least do.
void plain_read(benchmark::State& state) {
    const std::string file = bench_file();
    if (file.empty()) return state.SkipWithError("VYR_BENCH_OBS_FILE not set");
    static char buffer[1 << 16];
    for (auto _ : state) {
        FILE* in = std::fopen(file.c_str(), "rb");
        size_t lines = 0, n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0)
            for (const char* at = buffer;
                 (at = static_cast<const char*>(std::memchr(at, '\n', buffer + n - at))); ++at)
                ++lines;
        std::fclose(in);
        benchmark::DoNotOptimize(lines);
    }
    set_rate(state, file);
}

class Quiet final : public IRnxReaderError {
public:
    void OnError(eRNX, uint32_t, const char*) override {}
    void OnWarning(eRNX, uint32_t, const char*) override {}
};

class CountEpochs final : public IRnxReaderResultObs {
public:
    int OnEpoch(const RNX_OBS_EPOCH& epoch) override {
        values += epoch.satellites.size();
        return 0;
    }
    size_t values = 0;
};

// The library's reader with a handler that only counts.
void reader_only(benchmark::State& state) {
    const std::string file = bench_file();
    if (file.empty()) return state.SkipWithError("VYR_BENCH_OBS_FILE not set");
    for (auto _ : state) {
        IRnxReader* reader = nullptr;
        GetNewRnxReader(reader);
        Quiet quiet;
        CountEpochs count;
        reader->SetErrorHandler(&quiet);
        reader->SetObsHandler(&count);
        reader->SetOption(true);
        reader->SetInputFiles({file});
        if (reader->Run() != eRNX_S_OK) state.SkipWithError("the reader refused the file");
        ReleaseRnxReader(reader);
        benchmark::DoNotOptimize(count.values);
    }
    set_rate(state, file);
}

class CountingSink final : public IVyrStationRinexSink {
public:
    VYR_ERROR OnEpoch(const VYR_STATION_RINEX&, const VYR_OCCUPATION&, VYR_OBSERVATIONEPOCH& epoch,
                      uint32_t) override {
        satellites += epoch.satellites.size();
        return VYR_OK;
    }
    VYR_ERROR OnStation(const VYR_STATION_RINEX&) override { return VYR_OK; }
    void OnFailure(uint32_t, const char*) override {}
    size_t satellites = 0;
};

// The file into epochs, handed out one by one as `vyr import` receives them.
void convert(benchmark::State& state) {
    const std::string file = bench_file();
    if (file.empty()) return state.SkipWithError("VYR_BENCH_OBS_FILE not set");
    for (auto _ : state) {
        CountingSink sink;
        if (Vyr_ConvertRinexObsToSink(file.c_str(), sink) != VYR_OK)
            state.SkipWithError("the conversion failed");
        benchmark::DoNotOptimize(sink.satellites);
    }
    set_rate(state, file);
}

}  // namespace

BENCHMARK(plain_read)->Name("obs_import/plain_read")->Unit(benchmark::kMillisecond);
BENCHMARK(reader_only)->Name("obs_import/reader_only")->Unit(benchmark::kMillisecond);
BENCHMARK(convert)->Name("obs_import/convert")->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
