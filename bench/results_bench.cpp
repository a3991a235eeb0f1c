// Residuals of one association for a day (2880 epochs of 30 satellites, 4 residual types) in a
// compound file on disk, appended record by record and read back in order, next to a plain file
// written and read with the same bytes in the same records; and the linear combination of two
// types next to reading its two sources.
//
// Counters: records/s of the collection and of the plain file, and time_ratio (collection time /
// plain time; 1.0 is as fast as a plain file). Appending includes the closing commit, the plain
// write an fdatasync. VYR_BENCH_DIR sets where the files go (the system's temp folder by default).
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "records/result_collections.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kEpochs = 2880;
constexpr int kSatellites = 30;
constexpr VYR_RESIDUAL_TYPE kTypes[] = {VYR_RESIDUAL_L1_CODE, VYR_RESIDUAL_L2_CODE,
                                        VYR_RESIDUAL_L1_PHASE, VYR_RESIDUAL_L2_PHASE};
constexpr int kRecords = kEpochs * 4;

fs::path bench_dir() {
    static const fs::path dir = [] {
        const char* d = std::getenv("VYR_BENCH_DIR");
        fs::path p =
            d ? fs::path(d)
              : fs::temp_directory_path() / ("vyr_results_bench_" + std::to_string(::getpid()));
        fs::create_directories(p);
        return p;
    }();
    return dir;
}
fs::path project_file() {
    return bench_dir() / "results.vyr";
}
fs::path plain_file() {
    return bench_dir() / "results.bin";
}

void check(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(what);
}

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

VYR_RESIDUAL residual_at(int epoch, int type) {
    VYR_RESIDUAL r;
    r.time = 55000.0 + epoch * 30.0 / 86400.0;
    r.residuals.reserve(kSatellites);
    for (int s = 0; s < kSatellites; ++s) {
        const VYR_SATID sat{s < 24 ? VYR_SATSYS_GPS : VYR_SATSYS_GLONASS,
                            static_cast<uint8_t>(s < 24 ? s + 1 : s - 23)};
        r.residuals.push_back({sat, 0.001 * ((epoch * 7 + s * 13 + type) % 1000)});
    }
    return r;
}

// The stored bytes of a residual, as one piece.
std::vector<char> bytes_of(const VYR_RESIDUAL& r) {
    std::vector<char> out(sizeof r.time + 4 + r.residuals.size() * sizeof(VYR_RESIDUAL_SV));
    char* p = out.data();
    std::memcpy(p, &r.time, sizeof r.time);
    const auto count = static_cast<uint32_t>(r.residuals.size());
    std::memcpy(p + 8, &count, 4);
    std::memcpy(p + 12, r.residuals.data(), r.residuals.size() * sizeof(VYR_RESIDUAL_SV));
    return out;
}

double project_append() {
    fs::remove(project_file());
    const auto start = Clock::now();
    {
        CVyrPtrSmart<CStg> storage(new CStg());
        check(storage->CreateDocument(project_file().c_str()), "CreateDocument");
        for (int t = 0; t < 4; ++t) {
            CVyrCollectionResidualEx residuals(storage, kStorageVersionCurrent, kTypes[t]);
            for (int e = 0; e < kEpochs; ++e)
                check(residuals.Add(residual_at(e, t)) == VYR_OK, "Add");
        }
    }  // the last reference commits
    return seconds_since(start);
}

// Buffered, as a program keeping its results in a file of its own would write them.
double plain_write() {
    fs::remove(plain_file());
    const auto start = Clock::now();
    std::FILE* file = std::fopen(plain_file().c_str(), "wb");
    check(file != nullptr, "fopen");
    for (int t = 0; t < 4; ++t)
        for (int e = 0; e < kEpochs; ++e) {
            const std::vector<char> bytes = bytes_of(residual_at(e, t));
            check(std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size(), "fwrite");
        }
    check(std::fflush(file) == 0 && ::fdatasync(::fileno(file)) == 0, "fdatasync");
    std::fclose(file);
    return seconds_since(start);
}

double project_read() {
    const auto start = Clock::now();
    CVyrPtrSmart<CStg> storage(new CStg());
    check(storage->OpenDocument(project_file().c_str(), vyr::kAccessRead), "OpenDocument");
    int records = 0;
    for (VYR_RESIDUAL_TYPE type : kTypes) {
        CVyrCollectionResidualEx residuals(storage, kStorageVersionCurrent, type);
        VYR_RESIDUAL r;
        for (VYR_ERROR e = residuals.GetFirst(r); e == VYR_OK; e = residuals.GetNext(r)) {
            benchmark::DoNotOptimize(r.residuals.data());
            ++records;
        }
    }
    check(records == kRecords, "project read a different number of records");
    return seconds_since(start);
}

// Each record as its fixed part, then its entries, through a buffered file.
double plain_read() {
    const auto start = Clock::now();
    std::FILE* file = std::fopen(plain_file().c_str(), "rb");
    check(file != nullptr, "fopen");
    int records = 0;
    char head[12];
    std::vector<VYR_RESIDUAL_SV> entries;
    while (std::fread(head, 1, sizeof head, file) == sizeof head) {
        uint32_t count = 0;
        std::memcpy(&count, head + 8, 4);
        entries.resize(count);
        check(std::fread(entries.data(), sizeof(VYR_RESIDUAL_SV), count, file) == count, "fread");
        benchmark::DoNotOptimize(entries.data());
        ++records;
    }
    std::fclose(file);
    check(records == kRecords, "plain read a different number of records");
    return seconds_since(start);
}

void report(benchmark::State& state, double ours, double plain, double records) {
    state.counters["vyr_records/s"] = records / ours;
    state.counters["plain_records/s"] = records / plain;
    state.counters["time_ratio"] = ours / plain;
}

void ResidualAppend(benchmark::State& state) {
    double ours = 0, plain = 0;
    for (auto _ : state) {
        ours += project_append();
        plain += plain_write();
    }
    report(state, ours, plain, static_cast<double>(kRecords) * state.iterations());
}

void ResidualRead(benchmark::State& state) {
    project_append();
    plain_write();
    double ours = 0, plain = 0;
    for (auto _ : state) {
        ours += project_read();
        plain += plain_read();
    }
    report(state, ours, plain, static_cast<double>(kRecords) * state.iterations());
}

// Kind 1 of L1 and L2 code against reading both sources through the read-only collection.
void LinearCombination(benchmark::State& state) {
    project_append();
    CVyrPtrSmart<CStg> storage(new CStg());
    check(storage->OpenDocument(project_file().c_str(), vyr::kAccessRead), "OpenDocument");
    double combination = 0, sources = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        {
            CVyrCollectionResidualLinearCombination lc(storage, VYR_RESIDUAL_COMBINATION_DIFFERENCE,
                                                       {VYR_RESIDUAL_L1_CODE, VYR_RESIDUAL_L2_CODE},
                                                       kStorageVersionCurrent, nullptr);
            std::vector<VYR_RESIDUAL> all;
            check(lc.GetAll(all) == VYR_OK && all.size() == kEpochs, "combination");
        }
        combination += seconds_since(start);
        start = Clock::now();
        for (VYR_RESIDUAL_TYPE type : {VYR_RESIDUAL_L1_CODE, VYR_RESIDUAL_L2_CODE}) {
            CVyrCollectionResidual residuals(storage, kStorageVersionCurrent, type);
            std::vector<VYR_RESIDUAL> all;
            check(residuals.GetAll(all) == VYR_OK && all.size() == kEpochs, "sources");
        }
        sources += seconds_since(start);
    }
    state.counters["combined_epochs/s"] = kEpochs * state.iterations() / combination;
    state.counters["source_epochs/s"] = kEpochs * state.iterations() / sources;
    state.counters["time_ratio"] = combination / sources;
}

BENCHMARK(ResidualAppend)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ResidualRead)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(LinearCombination)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
