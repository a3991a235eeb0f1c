#include "stations/statistics_format.h"

#include <cassert>
#include <cstring>

#include "records/counted_encoding.h"
#include "stations/plausible_values.h"

namespace vyr_stations {

namespace {

#pragma pack(push, 1)
// The statistics record of versions 1 and 2: three signal slots, no types and no system;
// version 2 adds one byte that is not carried over.
struct OlderObservationStat {
    uint32_t firstMjd;
    double firstFraction;
    uint32_t lastMjd;
    double lastFraction;
    uint32_t dataRate;
    uint32_t stationEpochs;
    uint32_t satelliteEpochs;
    uint32_t phaseCount[3];
    uint32_t codeCount[3];
    uint32_t dopplerCount[3];
    uint32_t lossOfLockCount[3];
    uint8_t sourceTagWritten;
    uint8_t reserved;
    uint8_t clockJumpCorrected;
};
#pragma pack(pop)
static_assert(sizeof(OlderObservationStat) == 87);

constexpr uint32_t older_stat_size(uint32_t version) {
    return version == 1 ? 87 : 88;
}
constexpr int older_satellites(uint32_t version) {
    return version == 1 ? 33 : 57;
}

bool read_older_stat(CStm& stream, uint32_t version, VYR_OBSERVATION_STAT& stat) {
    uint8_t bytes[88] = {};
    assert(version == 1 || version == 2);  // only older layouts come here
    if (!stream.Read(bytes, older_stat_size(version))) return false;
    OlderObservationStat old;
    std::memcpy(&old, bytes, sizeof old);
    stat = VYR_OBSERVATION_STAT{};
    stat.firstMjd = old.firstMjd;
    stat.firstFraction = old.firstFraction;
    stat.lastMjd = old.lastMjd;
    stat.lastFraction = old.lastFraction;
    stat.dataRate = old.dataRate;
    stat.stationEpochs = old.stationEpochs;
    stat.satelliteEpochs = old.satelliteEpochs;
    for (int s = 0; s < 3; ++s) {
        stat.phaseCount[s] = old.phaseCount[s];
        stat.codeCount[s] = old.codeCount[s];
        stat.dopplerCount[s] = old.dopplerCount[s];
        stat.lossOfLockCount[s] = old.lossOfLockCount[s];
    }
    stat.sourceTagWritten = old.sourceTagWritten;
    stat.clockJumpCorrected = old.clockJumpCorrected;
    return true;
}

bool is_older(uint32_t version) {
    return version == 1 || version == 2;
}

}  // namespace

bool is_plausible_stat(const VYR_OBSERVATION_STAT& stat) {
    if (!is_plausible_time(stat.firstMjd, stat.firstFraction) ||
        !is_plausible_time(stat.lastMjd, stat.lastFraction))
        return false;
    for (int slot = 0; slot < vyr::kStatisticsSignalSlots; ++slot) {
        const VYR_OBSTYPE type = stat.obsType[slot];  // a copy: the record is packed
        if (type != VYR_OBS_NONE && !is_known_obs_type(type)) return false;
    }
    return stat.system == VYR_SATSYS_NONE || is_known_system(stat.system);
}

bool is_plausible_svstat(const VYR_OBSERVATION_SVSTAT& statistics) {
    for (const VYR_OBSERVATION_STAT& stat : statistics.satellites)
        if (!is_plausible_stat(stat)) return false;
    return true;
}

bool is_plausible_system_map(const vyr::ObservationStatistics& statistics) {
    for (const auto& [system, stat] : statistics)
        if (!is_known_system(system) || !is_plausible_stat(stat)) return false;
    return true;
}

bool is_plausible_availability(const VYR_SVAVAIL_STAT& availability) {
    return availability.mjd != 0 && is_plausible_day(availability.mjd);
}

bool read_windows(CStm& stream, VYR_WINDOWS& windows) {
    windows.clear();
    return vyr_records::read_counted_vector(stream, windows);
}

bool write_windows(CStm& stream, const VYR_WINDOWS& windows) {
    return vyr_records::write_counted_vector(stream, windows);
}

bool read_sv_windows(CStm& stream, uint32_t version, VYR_SV_WINDOWS& windows) {
    for (auto& list : windows) list.clear();
    const int lists = is_older(version) ? kOlderSatelliteWindowLists : kSatelliteWindowLists;
    for (int n = 1; n <= lists; ++n)
        if (!vyr_records::read_counted_vector(stream, windows[n])) return false;
    return true;
}

bool write_sv_windows(CStm& stream, const VYR_SV_WINDOWS& windows) {
    for (int n = 1; n <= kSatelliteWindowLists; ++n)
        if (!vyr_records::write_counted_vector(stream, windows[n])) return false;
    return true;
}

bool read_observation_svstat(CStm& stream, uint32_t version, VYR_OBSERVATION_SVSTAT& statistics) {
    if (is_older(version)) {
        statistics = VYR_OBSERVATION_SVSTAT{};
        for (int n = 0; n < older_satellites(version); ++n)
            if (!read_older_stat(stream, version, statistics.satellites[n])) return false;
    } else if (!stream.Read(&statistics, sizeof statistics)) {
        return false;
    }
    return is_plausible_svstat(statistics);
}

bool read_svavail_stat(CStm& stream, uint32_t version, VYR_SVAVAIL_STAT& availability) {
    if (is_older(version)) {
        availability = VYR_SVAVAIL_STAT{};
        const uint32_t blocks = static_cast<uint32_t>(older_satellites(version)) *
                                static_cast<uint32_t>(sizeof(VYR_SVAVAIL_SATELLITE));
        if (!stream.Read(&availability.satellites, blocks) ||
            !stream.Read(&availability.mjd, sizeof availability.mjd))
            return false;
    } else if (!stream.Read(&availability, sizeof availability)) {
        return false;
    }
    // The day keys the collection: a day no epoch can have is damage.
    return is_plausible_availability(availability);
}

bool read_observation_statistics(CStm& stream, uint32_t version,
                                 vyr::ObservationStatistics& statistics) {
    statistics.clear();
    if (is_older(version)) {
        VYR_OBSERVATION_STAT stat{};
        if (!read_older_stat(stream, version, stat)) return false;
        stat.system = VYR_SATSYS_GPS;
        statistics.emplace(VYR_SATSYS_GPS, stat);
    } else if (!vyr_records::read_counted_map(stream, statistics)) {
        return false;
    }
    return is_plausible_system_map(statistics);
}

bool write_observation_statistics(CStm& stream, const vyr::ObservationStatistics& statistics) {
    return vyr_records::write_counted_map(stream, statistics);
}

}  // namespace vyr_stations
