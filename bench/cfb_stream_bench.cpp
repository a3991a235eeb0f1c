// Stream throughput of the engine against a plain file, measured side by side in one run: the
// same bytes in the same pieces, written (and made durable) and read back, on the same disk.
// Both sides are warm (the bytes were just written, the page cache holds them) and both sides
// flush at the end of writing: the engine's commit flushes, so the plain file is fdatasync'ed.
//
// Names: cfb_stream/write/PIECE and cfb_stream/read/PIECE. Counters: engine_MB/s, plain_MB/s
// and time_ratio (engine time / plain time; 1.0 is as fast as a plain file). VYR_BENCH_MB sets
// the stream size (500 by default), VYR_BENCH_DIR where the files go (the system's temp
// folder by default).
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "cfb/cfb.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr DWORD kRw = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
constexpr DWORD kRead = STGM_READ | STGM_SHARE_EXCLUSIVE;

uint64_t stream_bytes() {
    const char* mb = std::getenv("VYR_BENCH_MB");
    return (mb ? std::strtoull(mb, nullptr, 10) : 500) * 1024 * 1024;
}

fs::path bench_dir() {
    static const fs::path dir = [] {
        const char* d = std::getenv("VYR_BENCH_DIR");
        fs::path p =
            d ? fs::path(d)
              : fs::temp_directory_path() / ("vyr_cfb_bench_" + std::to_string(::getpid()));
        fs::create_directories(p);
        return p;
    }();
    return dir;
}

fs::path engine_file() {
    return bench_dir() / "engine.cfb";
}
fs::path plain_file() {
    return bench_dir() / "plain.bin";
}

std::u16string u16(const fs::path& p) {
    std::u16string out;
    if (!cfb::utf8_to_utf16(p.string(), out)) throw std::runtime_error("path is not UTF-8");
    return out;
}

void check(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(what);
}

std::vector<char> piece_of(size_t size) {
    std::vector<char> piece(size);
    for (size_t i = 0; i < size; ++i) piece[i] = static_cast<char>(i * 31 + 7);
    return piece;
}

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A new document with one stream of total bytes, written piece by piece and committed.
double engine_write(size_t piece_size, uint64_t total) {
    fs::remove(engine_file());
    const std::vector<char> piece = piece_of(piece_size);
    const auto start = Clock::now();
    IStorage* root = nullptr;
    check(SUCCEEDED(StgCreateDocfile(u16(engine_file()).c_str(), kRw | STGM_CREATE, 0, &root)),
          "StgCreateDocfile");
    IStream* stream = nullptr;
    check(SUCCEEDED(root->CreateStream(u"data", kRw, 0, 0, &stream)), "CreateStream");
    for (uint64_t done = 0; done < total; done += piece_size) {
        ULONG written = 0;
        check(SUCCEEDED(stream->Write(piece.data(), static_cast<ULONG>(piece_size), &written)) &&
                  written == piece_size,
              "Write");
    }
    stream->Release();
    check(SUCCEEDED(root->Commit(STGC_DEFAULT)), "Commit");
    root->Release();
    return seconds_since(start);
}

double plain_write(size_t piece_size, uint64_t total) {
    fs::remove(plain_file());
    const std::vector<char> piece = piece_of(piece_size);
    const auto start = Clock::now();
    const int fd = ::open(plain_file().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    check(fd >= 0, "open");
    for (uint64_t done = 0; done < total; done += piece_size)
        check(::write(fd, piece.data(), piece_size) == static_cast<ssize_t>(piece_size), "write");
    check(::fdatasync(fd) == 0, "fdatasync");
    ::close(fd);
    return seconds_since(start);
}

double engine_read(size_t piece_size, uint64_t total) {
    std::vector<char> piece(piece_size);
    const auto start = Clock::now();
    IStorage* root = nullptr;
    check(SUCCEEDED(StgOpenStorage(u16(engine_file()).c_str(), nullptr, kRead, nullptr, 0, &root)),
          "StgOpenStorage");
    IStream* stream = nullptr;
    check(SUCCEEDED(root->OpenStream(u"data", nullptr, kRead, 0, &stream)), "OpenStream");
    uint64_t done = 0;
    ULONG got = 0;
    while (SUCCEEDED(stream->Read(piece.data(), static_cast<ULONG>(piece_size), &got)) && got > 0)
        done += got;
    benchmark::DoNotOptimize(piece.data());
    stream->Release();
    root->Release();
    check(done == total, "engine read a different number of bytes");
    return seconds_since(start);
}

double plain_read(size_t piece_size, uint64_t total) {
    std::vector<char> piece(piece_size);
    const auto start = Clock::now();
    const int fd = ::open(plain_file().c_str(), O_RDONLY | O_CLOEXEC);
    check(fd >= 0, "open");
    uint64_t done = 0;
    ssize_t got = 0;
    while ((got = ::read(fd, piece.data(), piece_size)) > 0) done += static_cast<uint64_t>(got);
    benchmark::DoNotOptimize(piece.data());
    ::close(fd);
    check(done == total, "plain read a different number of bytes");
    return seconds_since(start);
}

void report(benchmark::State& state, double engine_s, double plain_s, uint64_t bytes) {
    const double mb = static_cast<double>(bytes) / (1024.0 * 1024.0);
    state.counters["engine_MB/s"] = mb / engine_s;
    state.counters["plain_MB/s"] = mb / plain_s;
    state.counters["time_ratio"] = engine_s / plain_s;
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}

void BM_Write(benchmark::State& state) {
    const size_t piece = static_cast<size_t>(state.range(0));
    const uint64_t total = stream_bytes() / piece * piece;
    double engine_s = 0, plain_s = 0;
    uint64_t bytes = 0;
    try {
        for (auto _ : state) {
            const double p = plain_write(piece, total);
            const double e = engine_write(piece, total);
            state.SetIterationTime(e);
            engine_s += e;
            plain_s += p;
            bytes += total;
        }
    } catch (const std::exception& failure) {
        state.SkipWithError(failure.what());
        return;
    }
    report(state, engine_s, plain_s, bytes);
}

void BM_Read(benchmark::State& state) {
    const size_t piece = static_cast<size_t>(state.range(0));
    const uint64_t total = stream_bytes() / piece * piece;
    double engine_s = 0, plain_s = 0;
    uint64_t bytes = 0;
    try {
        // Both files freshly written and read once untimed: warm against warm.
        plain_write(piece, total);
        engine_write(piece, total);
        plain_read(piece, total);
        engine_read(piece, total);
        for (auto _ : state) {
            const double p = plain_read(piece, total);
            const double e = engine_read(piece, total);
            state.SetIterationTime(e);
            engine_s += e;
            plain_s += p;
            bytes += total;
        }
    } catch (const std::exception& failure) {
        state.SkipWithError(failure.what());
        return;
    }
    report(state, engine_s, plain_s, bytes);
}

BENCHMARK(BM_Write)
    ->Name("cfb_stream/write")
    ->Arg(4096)
    ->Arg(16384)
    ->Arg(65536)
    ->UseManualTime()
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Read)
    ->Name("cfb_stream/read")
    ->Arg(4096)
    ->Arg(16384)
    ->Arg(65536)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::AddCustomContext("stream_MB", std::to_string(stream_bytes() / (1024 * 1024)));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    if (!std::getenv("VYR_BENCH_DIR")) fs::remove_all(bench_dir(), ec);
    return 0;
}
