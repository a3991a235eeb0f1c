// Fetching a record by index from a stored list: directly by offset (cache disabled), from the
// loaded cache, and, side by side, the scan from the start that direct addressing avoids.
#include <benchmark/benchmark.h>

#include <vector>

#include "cfb/cfb.h"
#include "records/common_data_collections.h"
#include "storage/layout.h"

namespace {

CVyrPtrSmart<CStg> filled_storage(int count) {
    ILockBytes* bytes = nullptr;
    cfb::create_memory_lock_bytes({}, &bytes);
    CVyrPtrSmart<CStg> storage(new CStg());
    storage->CreateDocumentOnLockBytes(bytes);
    bytes->Release();
    CVyrCollectionBroadcastEphemeris collection(storage, kStorageVersionCurrent);
    collection.SetCacheEnabled(false);
    for (int i = 0; i < count; ++i) {
        VYR_BROADCASTEPHEMERIS r{};
        r.prn = static_cast<uint8_t>(1 + i % 32);
        r.toe = static_cast<uint32_t>(i / 32 * 7200);
        collection.Add(r);
    }
    return storage;
}

// Records by index, read from the stream each time (direct) or from the cache.
void GetAt(benchmark::State& state, bool cached) {
    const int count = static_cast<int>(state.range(0));
    auto storage = filled_storage(count);
    CVyrCollectionBroadcastEphemeris collection(storage, kStorageVersionCurrent);
    collection.SetCacheEnabled(cached);
    VYR_BROADCASTEPHEMERIS r{};
    uint32_t index = 0;
    for (auto _ : state) {
        if (collection.GetAt(index, r) != VYR_OK) state.SkipWithError("GetAt failed");
        index = (index + 7919) % static_cast<uint32_t>(count);
        benchmark::DoNotOptimize(r);
    }
}

// What a count-and-fetch by scanning would cost: read the whole stream for one record.
void GetAtByScan(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    auto storage = filled_storage(count);
    CVyrCollectionBroadcastEphemeris collection(storage, kStorageVersionCurrent);
    collection.SetCacheEnabled(false);
    std::vector<VYR_BROADCASTEPHEMERIS> all;
    for (auto _ : state) {
        collection.GetAll(all);
        benchmark::DoNotOptimize(all.data());
    }
}

BENCHMARK_CAPTURE(GetAt, Direct, false)->Arg(1000)->Arg(10000);
BENCHMARK_CAPTURE(GetAt, Cached, true)->Arg(1000)->Arg(10000);
BENCHMARK(GetAtByScan)->Arg(1000)->Arg(10000);

}  // namespace

BENCHMARK_MAIN();
