// A stored station's observations read through the public iterator and nothing else: the floor
// that bench/python_obs_bench.py compares the Python module's arrays against, on the same project.
//
// Set VYR_BENCH_PROJECT (a project file) and VYR_BENCH_STATION (its station's key text).
// Name: project/iterate_station. Counters: epochs/s and signals/s.
#include <cstdlib>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include <vyr/vyr.h>

namespace {

CVyrIPtrSmart<IVyrStationEx> station_named(IVyrStorageEx& project, const std::string& name) {
    CVyrIPtrSmart<IVyrCollectionStationEx> stations;
    CVyrIPtrSmart<IVyrStationEx> station;
    std::vector<VYR_STATION_KEY> keys;
    if (project.GetStationsEx(stations) != VYR_OK || stations->GetAll(keys) != VYR_OK)
        return station;
    for (const VYR_STATION_KEY& key : keys) {
        std::string text;
        VyrRecordToString(key, text);
        if (text == name) stations->GetStationEx(key, station);
    }
    return station;
}

void iterate_station(benchmark::State& state) {
    const char* path = std::getenv("VYR_BENCH_PROJECT");
    const char* name = std::getenv("VYR_BENCH_STATION");
    if (path == nullptr || name == nullptr) {
        state.SkipWithError("set VYR_BENCH_PROJECT and VYR_BENCH_STATION");
        return;
    }
    CVyrIPtrSmart<IVyrStorageEx> project;
    CVyrIPtrSmart<IVyrEx> root = Vyr_GetIVyrEx();
    if (root->OpenStorageReadOnlyShared(path, project) != VYR_OK) {
        state.SkipWithError("the project does not open");
        return;
    }
    CVyrIPtrSmart<IVyrStationEx> station = station_named(*project, name);
    if (!station.IsValid()) {
        state.SkipWithError("no such station");
        return;
    }
    uint64_t epochs = 0, signals = 0;
    for (auto _ : state) {
        CVyrIPtrSmart<IVyrObservations> observations;
        station->GetObservations(observations);
        VYR_OBSERVATION_FILTER filter;
        VYR_OBSERVATIONEPOCH epoch;
        VYR_ERROR result = observations->StartAndGetFirst(epoch, &filter, false, 0);
        for (; result == VYR_OK; result = observations->GetNext(epoch, false)) {
            ++epochs;
            for (const VYR_OBSERVATIONEPOCH_SV& sv : epoch.satellites)
                signals += sv.observations.size();
        }
        benchmark::DoNotOptimize(signals);
    }
    state.counters["epochs/s"] = benchmark::Counter(double(epochs), benchmark::Counter::kIsRate);
    state.counters["signals/s"] = benchmark::Counter(double(signals), benchmark::Counter::kIsRate);
}
BENCHMARK(iterate_station)->Name("project/iterate_station")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
