#include "project_lookup.h"

#include <vector>

#include "commands.h"
#include "project_access.h"
#include "station_text.h"

namespace vyr_cli {
namespace {

// A project that never had a station or an association has no list of them.
template <class Collection>
CVyrIPtrSmart<Collection> list_of(IVyrStorageEx& storage, const std::string& path,
                                  VYR_ERROR (IVyrStorageEx::*get)(CVyrIPtrSmart<Collection>&)) {
    CVyrIPtrSmart<Collection> list;
    const VYR_ERROR result = (storage.*get)(list);
    if (result != VYR_E_ENTRY_NOT_FOUND) check(result, path);
    return list;
}

template <class Key, class Collection>
std::vector<Key> keys_of(CVyrIPtrSmart<Collection>& list, const std::string& path) {
    std::vector<Key> keys;
    if (list.IsValid()) check(list->GetAll(keys), path);
    return keys;
}

template <class Key>
const Key& named(const std::vector<Key>& keys, const std::string& path, const std::string& name,
                 const char* what) {
    for (const Key& key : keys)
        if (names_key(name, key)) return key;
    throw CommandFailure{path + ": no " + what + " " + name};
}

}  // namespace

CVyrIPtrSmart<IVyrCollectionStationEx> stations_of(IVyrStorageEx& storage,
                                                   const std::string& path) {
    return list_of(storage, path, &IVyrStorageEx::GetStationsEx);
}

VYR_STATION_KEY find_station_key(IVyrStorageEx& storage, const std::string& path,
                                 const std::string& name) {
    auto stations = list_of(storage, path, &IVyrStorageEx::GetStationsEx);
    return named(keys_of<VYR_STATION_KEY>(stations, path), path, name, "station");
}

CVyrIPtrSmart<IVyrStationEx> find_station(IVyrStorageEx& storage, const std::string& path,
                                          const std::string& name) {
    auto stations = list_of(storage, path, &IVyrStorageEx::GetStationsEx);
    const VYR_STATION_KEY key =
        named(keys_of<VYR_STATION_KEY>(stations, path), path, name, "station");
    CVyrIPtrSmart<IVyrStationEx> station;
    check(stations->GetStationEx(key, station), path);
    return station;
}

CVyrIPtrSmart<IVyrCollectionStationAssocEx> assoc_list(IVyrStorageEx& storage,
                                                       const std::string& path) {
    return list_of(storage, path, &IVyrStorageEx::GetStationAssocsEx);
}

std::vector<VYR_STATION_ASSOC_KEY> assoc_keys(IVyrStorageEx& storage, const std::string& path) {
    auto assocs = assoc_list(storage, path);
    return keys_of<VYR_STATION_ASSOC_KEY>(assocs, path);
}

VYR_STATION_ASSOC_KEY find_assoc_key(IVyrStorageEx& storage, const std::string& path,
                                     const std::string& name) {
    return named(assoc_keys(storage, path), path, name, "association");
}

CVyrIPtrSmart<IVyrStationAssocEx> find_assoc(IVyrStorageEx& storage, const std::string& path,
                                             const std::string& name) {
    auto assocs = list_of(storage, path, &IVyrStorageEx::GetStationAssocsEx);
    const VYR_STATION_ASSOC_KEY key =
        named(keys_of<VYR_STATION_ASSOC_KEY>(assocs, path), path, name, "association");
    CVyrIPtrSmart<IVyrStationAssocEx> assoc;
    check(assocs->GetAssocEx(key, assoc), path);
    return assoc;
}

// Whether the station holds an epoch at all.
static bool has_epochs(IVyrStationEx& station, const std::string& path) {
    CVyrIPtrSmart<IVyrObservations> observations;
    check(station.GetObservations(observations), path);
    VYR_OBSERVATIONEPOCH epoch;
    const VYR_ERROR first = observations->StartAndGetFirst(epoch, nullptr, false, 0);
    if (first != VYR_E_ITERATOR_AT_END) check(first, path);
    return first == VYR_OK;
}

// The statistics per system; empty for a station that never had epochs. Resetting a station's
// observations leaves an empty entry, which does not read; with epochs that is damage.
vyr::ObservationStatistics system_statistics(IVyrStationEx& station, const std::string& path) {
    vyr::ObservationStatistics statistics;
    const VYR_ERROR got = station.GetObservationStatistics(statistics);
    if (got == VYR_E_ENTRY_NOT_FOUND) return {};
    if (got != VYR_E_READ_ENTRY_FAILED || has_epochs(station, path)) {
        VYR_STATION_KEY key{};
        const std::string whose =
            station.GetKey(key) == VYR_OK ? "station " + key_display(key) + ": " : "";
        check_read(got, path, whose + "its statistics stream (ObservationStatistics)");
    }
    return statistics;
}

}  // namespace vyr_cli
