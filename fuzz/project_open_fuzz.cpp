// Hostile bytes opened as a project. Opening must succeed or fail with a result that has a
// text, and so must everything a reader asks of an opened project: its common data, its
// stations with their entries, statistics and epochs, its associations with every kind of result,
// and its processing errors. Epochs and
// statistics handed out must hold what a writer could have stored: damage is a failure, never
// data. An epoch is then added to the first station, so that the write paths meet the damage
// too. The project lives in memory; nothing reaches a disk.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <cfb/document.h>
#include <vyr/vyr.h>

#include "stations/plausible_values.h"

namespace {

// Stations and epochs a damaged project may claim are walked only this far.
constexpr int kMaxStations = 16;
constexpr int kMaxEpochs = 5000;

VYR_ERROR check(VYR_ERROR result) {
    std::string text;
    if (result < 0 && (ErrorToStringDef(result, text) != VYR_OK || text.empty())) __builtin_trap();
    return result;
}

template <class T>
void read_list(IVyrCommonData& common, VYR_ERROR (IVyrCommonData::*get)(std::vector<T>&)) {
    std::vector<T> records;
    check((common.*get)(records));
}

void read_common(IVyrStorageEx& project) {
    CVyrIPtrSmart<IVyrCommonData> common;
    if (check(project.GetCommonData(common)) < 0) return;
    read_list(*common, &IVyrCommonData::GetAlmanachEphemerisRecords);
    read_list(*common, &IVyrCommonData::GetAlmanachEphemerisGloRecords);
    read_list(*common, &IVyrCommonData::GetAlmanachEphemerisGalRecords);
    read_list(*common, &IVyrCommonData::GetBroadcastEphemerisRecords);
    read_list(*common, &IVyrCommonData::GetBroadcastEphemerisGloRecords);
    read_list(*common, &IVyrCommonData::GetBroadcastEphemerisGalRecords);
    read_list(*common, &IVyrCommonData::GetPreciseEphemerisRecords);
    read_list(*common, &IVyrCommonData::GetIonoUtcRecords);
    read_list(*common, &IVyrCommonData::GetIonoGlobalRegRecords);
    read_list(*common, &IVyrCommonData::GetEstablishedPointRecords);
    read_list(*common, &IVyrCommonData::GetUseForEstablishingPointRecords);
    VYR_PROCESSING_PARAMETERS parameters;
    check(common->GetProcessingParameters(parameters));
    VYR_GLONASS_FREQUENCYMAP map{};
    check(common->GetFrequencyChannelMapGlo(map));
}

void read_epochs(IVyrStation& station) {
    CVyrIPtrSmart<IVyrObservations> observations;
    if (check(station.GetObservations(observations)) < 0) return;
    VYR_OBSERVATIONEPOCH epoch;
    VYR_ERROR result = check(observations->StartAndGetFirst(epoch, nullptr, false, 0));
    for (int n = 0; result == VYR_OK && n < kMaxEpochs; ++n) {
        if (!vyr::is_valid_observation_epoch(epoch) || !vyr_stations::has_known_signals(epoch))
            __builtin_trap();
        result = check(observations->GetNext(epoch, false));
    }
}

void expect_plausible(const VYR_OBSERVATION_STAT& stat) {
    using namespace vyr_stations;
    if (!is_plausible_time(stat.firstMjd, stat.firstFraction) ||
        !is_plausible_time(stat.lastMjd, stat.lastFraction))
        __builtin_trap();
    for (int slot = 0; slot < vyr::kStatisticsSignalSlots; ++slot) {
        const VYR_OBSTYPE type = stat.obsType[slot];  // a copy: the record is packed
        if (type != VYR_OBS_NONE && !is_known_obs_type(type)) __builtin_trap();
    }
}

void read_statistics(IVyrStationEx& station) {
    vyr::ObservationStatistics systems;
    if (check(station.GetObservationStatistics(systems)) == VYR_OK)
        for (const auto& [system, stat] : systems) {
            if (!vyr_stations::is_known_system(system)) __builtin_trap();
            expect_plausible(stat);
        }
    auto satellites = std::make_unique<VYR_OBSERVATION_SVSTAT>();
    if (check(station.GetObservationSatelliteStatistics(*satellites)) == VYR_OK)
        for (const VYR_OBSERVATION_STAT& stat : satellites->satellites) expect_plausible(stat);
    CVyrIPtrSmart<IVyrCollection<VYR_SVAVAIL_STAT>> availability;
    if (check(station.GetSatelliteAvailStatistics(availability)) < 0) return;
    std::vector<VYR_SVAVAIL_STAT> days;
    if (check(availability->GetAll(days)) == VYR_OK)
        for (const VYR_SVAVAIL_STAT& day : days)
            if (day.mjd == 0 || !vyr_stations::is_plausible_day(day.mjd)) __builtin_trap();
}

void read_station(IVyrStation& station) {
    VYR_SENSORSYSTEM sensor;
    check(station.GetSensorSystem(sensor));
    VYR_ANTENNA antenna;
    check(station.GetAntenna(antenna));
    VYR_WINDOWS windows;
    check(station.GetWindows(windows));
    VYR_SV_WINDOWS satelliteWindows;
    check(station.GetSatelliteWindows(satelliteWindows));
    std::vector<VYR_APRIORI_POINT> points;
    check(station.GetAprioriPoints(points));
    read_epochs(station);
    // Every station the library hands out is the extended object.
    read_statistics(static_cast<IVyrStationEx&>(station));
}

void add_epoch(IVyrStation& station) {
    CVyrIPtrSmart<IVyrObservations> observations;
    if (check(station.GetObservations(observations)) < 0) return;
    VYR_OBSERVATIONEPOCH epoch;
    epoch.mjd = 59216;
    epoch.fraction = 0.75;
    epoch.status = 1;
    VYR_OBSERVATIONEPOCH_SV sat;
    sat.satId = {VYR_SATSYS_GPS, 5};
    VYR_OBSERVATIONEPOCH_SIGNAL signal;
    signal.obsType = static_cast<VYR_OBSTYPE>(1);
    signal.code = 21000000.5;
    signal.phase = 110000000.25;
    signal.flags =
        VYR_OBSERVATIONEPOCH_SIGNAL::kCodeValid | VYR_OBSERVATIONEPOCH_SIGNAL::kPhaseValid;
    sat.observations.push_back(signal);
    epoch.satellites.push_back(sat);
    check(observations->AddEpoch(epoch));
}

template <class T, class Interface, class Get>
void read_results(Get get) {
    CVyrIPtrSmart<Interface> collection;
    if (check(get(collection)) < 0) return;
    uint32_t count = 0;
    check(collection->GetCount(count));
    T record;
    for (VYR_ERROR result = check(collection->GetFirst(record)); result == VYR_OK;)
        result = check(collection->GetNext(record));
}

// Every kind of result an association holds, as a reader would walk it.
void read_assoc(IVyrStationAssocEx& assoc) {
    VYR_STATION_ASSOC description;
    check(assoc.GetStationAssoc(description));
    for (int type : {VYR_RESIDUAL_L1_CODE, VYR_RESIDUAL_L2_CODE, VYR_RESIDUAL_L3_PHASE})
        read_results<VYR_RESIDUAL, IVyrCollectionResidual>([&](auto& out) {
            return assoc.GetResiduals(static_cast<VYR_RESIDUAL_TYPE>(type), out);
        });
    for (int kind : {VYR_RESIDUAL_COMBINATION_IONO_FREE, VYR_RESIDUAL_COMBINATION_DIFFERENCE}) {
        CVyrIPtrSmart<IVyrCollectionResidual> combined;
        std::vector<VYR_RESIDUAL> all;
        if (check(assoc.GetResidualLinearCombination(
                kind, {VYR_RESIDUAL_L1_CODE, VYR_RESIDUAL_L2_CODE}, combined)) == VYR_OK)
            check(combined->GetAll(all));
    }
    read_results<VYR_RESIDUAL_OFFSET_SV, IVyrCollectionResidualOffsetSv>(
        [&](auto& out) { return assoc.GetResidualOffsets(VYR_RESIDUAL_OFFSET_L1_CODE, out); });
    read_results<VYR_CYCLE_SLIP, IVyrCollectionCycleSlip>(
        [&](auto& out) { return assoc.GetCycleSlipCollection(out); });
    read_results<VYR_TRACKING_STATUS_SV, IVyrCollectionTrackingStatusSv>(
        [&](auto& out) { return assoc.GetTrackingStatus(VYR_BAND_L1, out); });
    read_results<VYR_EPOCH_SVINFO, IVyrCollectionEpochSvInfo>(
        [&](auto& out) { return assoc.GetEpochSvInfoCollection(out); });
    read_results<VYR_SV_STAT, IVyrCollectionSvStat>(
        [&](auto& out) { return assoc.GetSvStatCollection(out); });
    read_results<VYR_POINT, IVyrCollection<VYR_POINT>>(
        [&](auto& out) { return assoc.GetPointCollection(out); });
    VYR_KERNEL_STAT kernel{};
    check(assoc.GetKernelStatistics(kernel));
    VYR_AMBIGUITY_STAT ambiguity;
    check(assoc.GetAmbiguityStatistics(ambiguity));
    CVyrIPtrSmart<IVyrRawDataEx> raw;
    if (check(assoc.GetRawData(raw)) < 0) return;
    VYR_RAW_DATA item;
    for (VYR_ERROR result = check(raw->GetFirstRawData(item)); result == VYR_OK;)
        result = check(raw->GetNextRawData(item));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ILockBytes* bytes = nullptr;
    if (FAILED(cfb::create_memory_lock_bytes(std::vector<uint8_t>(data, data + size), &bytes)))
        return 0;
    CVyrIPtrSmart<IVyrEx> root = Vyr_GetIVyrEx();
    CVyrIPtrSmart<IVyrStorageEx> project;
    const VYR_ERROR opened = check(root->OpenStorageExOnLockBytes(bytes, project));
    bytes->Release();
    if (opened < 0) return 0;

    read_common(*project);
    CVyrIPtrSmart<IVyrCollectionStation> stations;
    if (check(project->GetStations(stations)) >= 0) {
        CVyrIPtrSmart<IVyrStation> station;
        VYR_ERROR result = check(stations->GetFirstStation(station));
        for (int n = 0; result == VYR_OK && n < kMaxStations; ++n) {
            read_station(*station);
            if (n == 0) add_epoch(*station);
            result = check(stations->GetNextStation(station));
        }
    }
    CVyrIPtrSmart<IVyrCollectionStationAssocEx> assocs;
    if (check(project->GetStationAssocsEx(assocs)) >= 0) {
        uint32_t count = 0;
        check(assocs->GetCount(count));
        for (uint32_t n = 0; n < count && n < kMaxStations; ++n) {
            CVyrIPtrSmart<IVyrStationAssocEx> assoc;
            if (check(assocs->GetAssocExAt(n, assoc)) == VYR_OK) read_assoc(*assoc);
        }
    }
    CVyrIPtrSmart<IVyrErrors> errors;
    if (check(project->GetErrors(errors)) >= 0) {
        std::vector<VYR_PROCESSING_ERROR_INTERVAL> intervals;
        check(errors->GetIntervalErrors(intervals));
        std::vector<VYR_PROCESSING_ERROR> general;
        check(errors->GetGeneralErrors(general));
    }
    return 0;
}
