// Opening a document of 100,000 entries against reading its directory bytes, side by side in one
// run on the same warm file: the engine's open (header, FAT, every directory entry, the trees
// checked) and a plain read of the FAT sectors and the directory chain they lead to, which is
// the least any reader must read to know the entries. The listing walks every storage.
//
// Shapes: flat (one storage of 100,000 streams) and deep (200 nested storages, each holding
// 499 streams and the next storage: 100,000 entries, within the engine's depth limit).
// Names: cfb_directory/open/SHAPE and cfb_directory/list/SHAPE. Counters: entries, dir_MB,
// read_ms (the plain read), engine_ms and time_ratio (engine / plain read); cpu_ratio is the same
// ratio of the CPU time each took (kernel copies included), which a busy machine disturbs less.
// VYR_BENCH_DIR sets where the files go (the system's temp folder by default).
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
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
constexpr DWORD kElement = STGM_READ | STGM_SHARE_EXCLUSIVE;
constexpr DWORD kShared = STGM_READ | STGM_SHARE_DENY_WRITE;
constexpr uint32_t kEntries = 100000;
constexpr uint32_t kDeepLevels = 200;

enum Shape { kFlat, kDeep };

fs::path bench_dir() {
    static const fs::path dir = [] {
        const char* d = std::getenv("VYR_BENCH_DIR");
        fs::path p =
            d ? fs::path(d)
              : fs::temp_directory_path() / ("vyr_cfb_dir_bench_" + std::to_string(::getpid()));
        fs::create_directories(p);
        return p;
    }();
    return dir;
}

fs::path file_of(Shape shape) {
    return bench_dir() / (shape == kFlat ? "flat.cfb" : "deep.cfb");
}

std::u16string u16(const std::string& s) {
    std::u16string out;
    if (!cfb::utf8_to_utf16(s, out)) throw std::runtime_error("not UTF-8");
    return out;
}

void check(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(what);
}

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double thread_cpu_seconds() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void add_streams(IStorage* storage, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        IStream* stream = nullptr;
        check(SUCCEEDED(
                  storage->CreateStream(u16("s" + std::to_string(i)).c_str(), kRw, 0, 0, &stream)),
              "CreateStream");
        stream->Release();
    }
}

// Made once per run; the entries are empty streams, so the directory is nearly all of the file.
void make_document(Shape shape) {
    const fs::path path = file_of(shape);
    if (fs::exists(path)) return;
    IStorage* root = nullptr;
    check(SUCCEEDED(StgCreateDocfile(u16(path.string()).c_str(), kRw | STGM_CREATE, 0, &root)),
          "StgCreateDocfile");
    if (shape == kFlat) {
        add_streams(root, kEntries);
    } else {
        std::vector<IStorage*> chain{root};
        for (uint32_t level = 0; level < kDeepLevels; ++level) {
            add_streams(chain.back(), kEntries / kDeepLevels - 1);
            IStorage* child = nullptr;
            check(SUCCEEDED(chain.back()->CreateStorage(u"next", kRw, 0, 0, &child)),
                  "CreateStorage");
            chain.push_back(child);
        }
        for (size_t i = chain.size() - 1; i > 0; --i) chain[i]->Release();
    }
    check(SUCCEEDED(root->Commit(STGC_DEFAULT)), "Commit");
    root->Release();
}

uint32_t u32_at(const std::vector<uint8_t>& bytes, size_t at) {
    uint32_t v = 0;
    std::memcpy(&v, bytes.data() + at, 4);  // little-endian host
    return v;
}

void read_at(int fd, std::vector<uint8_t>& out, size_t at, uint64_t sector, uint32_t size) {
    check(::pread(fd, out.data() + at, size, static_cast<off_t>((sector + 1) * size)) ==
              static_cast<ssize_t>(size),
          "pread");
}

// The header, the DIFAT, the FAT and the directory chain, each run of consecutive sectors read
// at once. The number of directory bytes read.
uint64_t plain_directory_read(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    check(fd >= 0, "open");
    std::vector<uint8_t> header(512);
    check(::pread(fd, header.data(), 512, 0) == 512, "header");
    const uint32_t size = 1u << (header[0x1E] | header[0x1F] << 8);
    const uint32_t per = size / 4;
    std::vector<uint32_t> fat_sectors;
    for (uint32_t i = 0; i < 109 && i < u32_at(header, 0x2C); ++i)
        fat_sectors.push_back(u32_at(header, 0x4C + 4 * i));
    std::vector<uint8_t> difat(size);
    for (uint32_t s = u32_at(header, 0x44), n = 0; s < 0xFFFFFFFA && n < u32_at(header, 0x48);
         ++n) {
        read_at(fd, difat, 0, s, size);
        for (uint32_t i = 0; i + 1 < per && fat_sectors.size() < u32_at(header, 0x2C); ++i)
            fat_sectors.push_back(u32_at(difat, 4 * i));
        s = u32_at(difat, size - 4);
    }
    std::vector<uint8_t> fat_bytes(fat_sectors.size() * size);
    for (size_t i = 0; i < fat_sectors.size();) {
        size_t run = 1;
        while (i + run < fat_sectors.size() && fat_sectors[i + run] == fat_sectors[i] + run) ++run;
        check(::pread(fd, fat_bytes.data() + i * size, run * size,
                      static_cast<off_t>((fat_sectors[i] + 1ull) * size)) ==
                  static_cast<ssize_t>(run * size),
              "FAT");
        i += run;
    }
    std::vector<uint32_t> chain;
    const size_t fat_count = fat_bytes.size() / 4;
    for (uint32_t s = u32_at(header, 0x30); s < fat_count && chain.size() <= fat_count;
         s = u32_at(fat_bytes, 4 * s))
        chain.push_back(s);
    std::vector<uint8_t> directory(chain.size() * size);
    for (size_t i = 0; i < chain.size();) {
        size_t run = 1;
        while (i + run < chain.size() && chain[i + run] == chain[i] + run) ++run;
        check(::pread(fd, directory.data() + i * size, run * size,
                      static_cast<off_t>((chain[i] + 1ull) * size)) ==
                  static_cast<ssize_t>(run * size),
              "directory");
        i += run;
    }
    benchmark::DoNotOptimize(directory.data());
    ::close(fd);
    return directory.size();
}

uint64_t list_storage(IStorage* storage) {
    uint64_t count = 0;
    IEnumSTATSTG* it = nullptr;
    check(SUCCEEDED(storage->EnumElements(0, nullptr, 0, &it)), "EnumElements");
    STATSTG stat;
    ULONG got = 0;
    while (SUCCEEDED(it->Next(1, &stat, &got)) && got == 1) {
        ++count;
        if (stat.type == STGTY_STORAGE) {
            IStorage* child = nullptr;
            check(SUCCEEDED(
                      storage->OpenStorage(stat.pwcsName, nullptr, kElement, nullptr, 0, &child)),
                  "OpenStorage");
            count += list_storage(child);
            child->Release();
        }
        CoTaskMemFree(stat.pwcsName);
    }
    it->Release();
    return count;
}

// Opens the document (and lists every entry when list is set): the seconds that took, the
// closing left out; listed: the number of entries listed.
double engine_open(const fs::path& path, bool list, uint64_t& listed) {
    const auto start = Clock::now();
    IStorage* root = nullptr;
    check(
        SUCCEEDED(StgOpenStorage(u16(path.string()).c_str(), nullptr, kShared, nullptr, 0, &root)),
        "StgOpenStorage");
    listed = list ? list_storage(root) : 0;
    const double seconds = seconds_since(start);
    root->Release();
    return seconds;
}

void BM_Directory(benchmark::State& state, Shape shape, bool list) {
    double engine_s = 0, plain_s = 0, engine_cpu_s = 0, plain_cpu_s = 0;
    uint64_t dir_bytes = 0, listed = 0;
    try {
        make_document(shape);
        const fs::path path = file_of(shape);
        plain_directory_read(path);  // warm against warm
        engine_open(path, list, listed);
        for (auto _ : state) {
            const auto start = Clock::now();
            const double cpu_start = thread_cpu_seconds();
            dir_bytes = plain_directory_read(path);
            plain_s += seconds_since(start);
            const double cpu_middle = thread_cpu_seconds();
            plain_cpu_s += cpu_middle - cpu_start;
            const double e = engine_open(path, list, listed);
            engine_cpu_s += thread_cpu_seconds() - cpu_middle;  // closing included: it is small
            state.SetIterationTime(e);
            engine_s += e;
        }
    } catch (const std::exception& failure) {
        state.SkipWithError(failure.what());
        return;
    }
    if (list) check(listed == kEntries, "the listing missed entries");
    const double n = static_cast<double>(state.iterations());
    state.counters["entries"] = kEntries;
    state.counters["dir_MB"] = static_cast<double>(dir_bytes) / (1024.0 * 1024.0);
    state.counters["read_ms"] = plain_s / n * 1000.0;
    state.counters["engine_ms"] = engine_s / n * 1000.0;
    state.counters["time_ratio"] = engine_s / plain_s;
    state.counters["cpu_ratio"] = engine_cpu_s / plain_cpu_s;
}

BENCHMARK_CAPTURE(BM_Directory, flat, kFlat, false)
    ->Name("cfb_directory/open/flat")
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Directory, deep, kDeep, false)
    ->Name("cfb_directory/open/deep")
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Directory, flat, kFlat, true)
    ->Name("cfb_directory/list/flat")
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Directory, deep, kDeep, true)
    ->Name("cfb_directory/list/deep")
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    if (!std::getenv("VYR_BENCH_DIR")) fs::remove_all(bench_dir(), ec);
    return 0;
}
