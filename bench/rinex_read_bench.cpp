// The RINEX reader against a plain line-by-line read of the same bytes, side by side in one run:
// a generated RINEX 3 observation file (GPS and GLONASS, 12 and 8 types, 20 satellites per
// epoch) is read both ways, warm in the page cache.
//
// Name: rinex_read/obs3. Counters: reader_MB/s, plain_MB/s, time_ratio (reader time / plain
// time; 1.0 is as fast as reading the lines), values (observations delivered per run).
// VYR_BENCH_RNX_MB sets the file size (200 by default), VYR_BENCH_DIR where it goes.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include <benchmark/benchmark.h>

#include "rinex/rnx_reader.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

uint64_t file_bytes() {
    const char* mb = std::getenv("VYR_BENCH_RNX_MB");
    return (mb ? std::strtoull(mb, nullptr, 10) : 200) * 1024 * 1024;
}

std::string header_line(const std::string& content, const char* label) {
    std::string line = content;
    line.resize(60, ' ');
    return line + label + "\n";
}

// Written once per process; the values vary so the number parser does real work.
const fs::path& observation_file() {
    static const fs::path path = [] {
        const char* d = std::getenv("VYR_BENCH_DIR");
        const fs::path dir = d ? fs::path(d) : fs::temp_directory_path();
        fs::create_directories(dir);
        fs::path p = dir / ("vyr_rinex_bench_" + std::to_string(::getpid()) + ".rnx");
        std::ofstream out(p, std::ios::binary);
        out << header_line("     3.04           OBSERVATION DATA    M", "RINEX VERSION / TYPE")
            << header_line("BENCH", "MARKER NAME")
            << header_line("G   12 C1C L1C D1C S1C C2W L2W D2W S2W C5Q L5Q D5Q S5Q",
                           "SYS / # / OBS TYPES")
            << header_line("R    8 C1C L1C D1C S1C C2P L2P D2P S2P", "SYS / # / OBS TYPES")
            << header_line("", "END OF HEADER");
        char buf[64];
        uint64_t written = 0;
        for (int epoch = 0; written < file_bytes(); ++epoch) {
            std::string block;
            std::snprintf(buf, sizeof buf, "> 2020 01 %02d %02d %02d %10.7f  0 20\n",
                          1 + epoch / 86400 % 28, epoch / 3600 % 24, epoch / 60 % 60,
                          static_cast<double>(epoch % 60));
            block += buf;
            for (int sat = 1; sat <= 20; ++sat) {
                const bool gps = sat <= 12;
                std::snprintf(buf, sizeof buf, "%c%02d", gps ? 'G' : 'R', gps ? sat : sat - 12);
                block += buf;
                for (int k = 0; k < (gps ? 12 : 8); ++k) {
                    const double v = 2.0e7 + epoch * 13.37 + sat * 1111.111 + k * 0.777;
                    std::snprintf(buf, sizeof buf, "%14.3f%c%c", k % 4 == 3 ? 45.25 : v,
                                  k % 4 == 1 ? '0' + epoch % 2 : ' ', '0' + (sat + k) % 10);
                    block += buf;
                }
                block += '\n';
            }
            out << block;
            written += block.size();
        }
        return p;
    }();
    return path;
}

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The floor: every line handed out once, nothing parsed.
double plain_read(const fs::path& path, uint64_t& bytes) {
    const auto start = Clock::now();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) throw std::runtime_error("cannot open the bench file");
    char* line = nullptr;
    size_t capacity = 0;
    ssize_t got = 0;
    bytes = 0;
    while ((got = ::getline(&line, &capacity, f)) > 0) bytes += static_cast<uint64_t>(got);
    benchmark::DoNotOptimize(bytes);
    std::free(line);
    std::fclose(f);
    return seconds_since(start);
}

class CountingObs : public IRnxReaderResultObs {
public:
    int OnEpoch(const RNX_OBS_EPOCH& e) override {
        for (const RNX_OBS_SAT& s : e.satellites) values += s.values.size();
        return 0;
    }
    uint64_t values = 0;
};

double reader_read(const fs::path& path, uint64_t& values) {
    const auto start = Clock::now();
    IRnxReader* reader = nullptr;
    if (GetNewRnxReader(reader) != eRNX_S_OK) throw std::runtime_error("no reader");
    CountingObs obs;
    reader->SetObsHandler(&obs);
    reader->SetOption(true);
    reader->SetInputFiles({path.string()});
    const eRNX result = reader->Run();
    ReleaseRnxReader(reader);
    if (result != eRNX_S_OK) throw std::runtime_error("the reader failed on the bench file");
    values = obs.values;
    return seconds_since(start);
}

void BM_ObsFile(benchmark::State& state) {
    const fs::path& path = observation_file();
    uint64_t bytes = 0;
    uint64_t values = 0;
    plain_read(path, bytes);  // warm the page cache for both sides
    double plain = 0;
    double reader = 0;
    for (auto _ : state) {
        plain += plain_read(path, bytes);
        reader += reader_read(path, values);
    }
    const double mb =
        static_cast<double>(bytes) / (1024.0 * 1024.0) * static_cast<double>(state.iterations());
    state.counters["plain_MB/s"] = mb / plain;
    state.counters["reader_MB/s"] = mb / reader;
    state.counters["time_ratio"] = reader / plain;
    state.counters["values"] = static_cast<double>(values);
}

}  // namespace

BENCHMARK(BM_ObsFile)->Name("rinex_read/obs3")->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove(observation_file());
    return 0;
}
