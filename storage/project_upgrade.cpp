#include "storage/project_upgrade.h"

#include <vector>

#include <vyr/ephemeris.h>
#include <vyr/processing_parameters.h>

namespace vyr_storage {
namespace {

// A missing entry has nothing to convert.
bool nothing_stored(VYR_ERROR result) {
    return result == VYR_E_ENTRY_NOT_FOUND;
}

VYR_ERROR upgrade_glonass_ephemerides(IVyrCommonDataEx& common) {
    std::vector<VYR_BROADCASTEPHEMERIS_GLO> records;
    VYR_ERROR result = common.GetBroadcastEphemerisGloRecords(records);
    if (VyrFailed(result)) return result;
    CVyrIPtrSmart<IVyrCollection<VYR_BROADCASTEPHEMERIS_GLO>> collection;
    result = common.GetBroadcastEphemerisGloCollection(collection);
    if (VyrFailed(result)) return result;
    result = collection->DeleteAll();
    for (size_t i = 0; i < records.size() && !VyrFailed(result); ++i)
        result = collection->Add(records[i]);
    return result;
}

// Every epoch through the iterator (no exclusions, time tags aligned); only the end of the
// stream ends the read, so a damaged epoch stops the upgrade before anything is emptied.
VYR_ERROR read_all_epochs(IVyrStationEx& station, std::vector<VYR_OBSERVATIONEPOCH>& epochs) {
    CVyrIPtrSmart<IVyrObservations> observations;
    VYR_ERROR result = station.GetObservations(observations);
    if (VyrFailed(result)) return result;
    const VYR_OBSERVATION_FILTER filter{};
    VYR_OBSERVATIONEPOCH epoch;
    for (result = observations->StartAndGetFirst(epoch, &filter, true, 0); result == VYR_OK;
         result = observations->GetNext(epoch, true))
        epochs.push_back(epoch);
    return result == VYR_E_ITERATOR_AT_END ? VYR_OK : result;
}

VYR_ERROR write_epochs(IVyrStationEx& station, const std::vector<VYR_OBSERVATIONEPOCH>& epochs) {
    CVyrIPtrSmart<IVyrObservations> observations;
    VYR_ERROR result = station.GetObservations(observations);
    if (VyrFailed(result)) return result;
    result = observations->SetOptions(VYR_OBSERVATION_OPTIONS{});
    if (VyrFailed(result)) return result;
    return observations->AddEpochs(epochs);
}

// Reads an entry through the old layout and writes it in the current one.
template <class T>
VYR_ERROR rewrite_entry(IVyrStationEx& station, VYR_ERROR (IVyrStationEx::*get)(T&),
                        VYR_ERROR (IVyrStationEx::*set)(const T&)) {
    T record{};
    const VYR_ERROR read = (station.*get)(record);
    if (nothing_stored(read)) return VYR_OK;
    if (VyrFailed(read)) return read;
    return (station.*set)(record);
}

VYR_ERROR rewrite_older_layouts(IVyrStationEx& station) {
    VYR_ERROR result = rewrite_entry<VYR_SV_WINDOWS>(station, &IVyrStationEx::GetSatelliteWindows,
                                                     &IVyrStationEx::SetSatelliteWindows);
    using Get = VYR_ERROR (IVyrStationEx::*)(VYR_OBSERVATION_SVSTAT&);
    using Set = VYR_ERROR (IVyrStationEx::*)(const VYR_OBSERVATION_SVSTAT&);
    const std::pair<Get, Set> kCallerStatistics[] = {
        {&IVyrStationEx::GetObsSatelliteStatisticsComplete,
         &IVyrStationEx::SetObsSatelliteStatisticsComplete},
        {&IVyrStationEx::GetExpObsSatelliteStatistics,
         &IVyrStationEx::SetExpObsSatelliteStatistics},
        {&IVyrStationEx::GetExpObsSatelliteStatistics0Deg,
         &IVyrStationEx::SetExpObsSatelliteStatistics0Deg},
    };
    for (const auto& [get, set] : kCallerStatistics) {
        if (VyrFailed(result)) return result;
        result = rewrite_entry(station, get, set);
    }
    return result;
}

// ResetObservations refuses (after removing what it could) when one of its three streams is
// missing; an older station may lack the availability statistics, so they are made first.
VYR_ERROR ensure_availability_entry(IVyrStationEx& station) {
    CVyrIPtrSmart<IVyrCollection<VYR_SVAVAIL_STAT>> availability;
    return station.GetSatelliteAvailStatistics(availability);
}

}  // namespace

VYR_ERROR upgrade_common_data(IVyrCommonDataEx& common) {
    VYR_PROCESSING_PARAMETERS parameters;
    VYR_ERROR result = common.GetProcessingParameters(parameters);
    if (result == VYR_OK) result = common.SetProcessingParameters(parameters);
    if (VyrFailed(result) && !nothing_stored(result)) return result;
    return upgrade_glonass_ephemerides(common);
}

VYR_ERROR upgrade_station(IVyrStationEx& station, vyr::ObservationStatistics& kept) {
    kept.clear();
    VYR_ERROR result = station.GetObservationStatistics(kept);
    if (VyrFailed(result) && !nothing_stored(result)) return result;
    result = station.SetObservationStatistics({});
    if (result == VYR_OK) result = station.SetObservationSatelliteStatistics({});
    if (VyrFailed(result)) return result;

    std::vector<VYR_OBSERVATIONEPOCH> epochs;
    result = read_all_epochs(station, epochs);
    if (result == VYR_OK) result = rewrite_older_layouts(station);
    if (result == VYR_OK) result = ensure_availability_entry(station);
    if (result == VYR_OK) result = station.ResetObservations();
    if (result == VYR_OK) result = write_epochs(station, epochs);
    return result;
}

VYR_ERROR restore_statistics_flags(IVyrStationEx& station, const vyr::ObservationStatistics& kept) {
    if (kept.empty()) return VYR_OK;
    vyr::ObservationStatistics current;
    const VYR_ERROR result = station.GetObservationStatistics(current);
    if (VyrFailed(result)) return result;
    for (auto& [system, record] : current) {
        const auto old = kept.find(system);
        if (old == kept.end()) continue;
        record.sourceTagWritten = old->second.sourceTagWritten;
        record.reserved = old->second.reserved;
        record.clockJumpCorrected = old->second.clockJumpCorrected;
    }
    return station.SetObservationStatistics(current);
}

}  // namespace vyr_storage
