// Exclusion windows of a station and the statistics that summarise its observations: per
// satellite and per system counts of epochs and signals, and per day the half-hours in which each
// satellite was seen.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <vector>

#include "vyr/obs_types.h"
#include "vyr/satellite.h"

#pragma pack(push, 1)
// A span of time, both ends as MJD day plus fraction of day.
struct VYR_INTERVAL {
    double start = 0.0;
    double end = 0.0;
};
#pragma pack(pop)
static_assert(sizeof(VYR_INTERVAL) == 16);

// Spans in which the whole station is not used.
using VYR_WINDOWS = std::vector<VYR_INTERVAL>;

// Spans in which one satellite is not used, indexed by compact satellite number (0 unused).
using VYR_SV_WINDOWS = std::array<std::vector<VYR_INTERVAL>, 127>;

namespace vyr {
// Signal slots of the statistics counters.
inline constexpr int kStatisticsSignalSlots = 5;
// Entries of the per-satellite tables: index 0 unused, then compact numbers 1 to 126.
inline constexpr int kSatelliteTableSize = 127;
inline constexpr int kHalfHoursPerDay = 48;
}  // namespace vyr

#pragma pack(push, 1)
// What the observations hold of one satellite, or (system records) of one satellite system.
struct VYR_OBSERVATION_STAT {
    uint32_t firstMjd = 0;  // 0 = no epoch yet
    double firstFraction = 0.0;
    uint32_t lastMjd = 0;
    double lastFraction = 0.0;
    uint32_t dataRate = 0;         // milliseconds; system records only
    uint32_t stationEpochs = 0;    // epochs of the station
    uint32_t satelliteEpochs = 0;  // epochs holding the satellite (system: summed)
    uint32_t phaseCount[vyr::kStatisticsSignalSlots] = {};
    uint32_t codeCount[vyr::kStatisticsSignalSlots] = {};
    uint32_t dopplerCount[vyr::kStatisticsSignalSlots] = {};
    uint32_t lossOfLockCount[vyr::kStatisticsSignalSlots] = {};
    VYR_OBSTYPE obsType[vyr::kStatisticsSignalSlots] = {};  // type seen per slot, 0 = none
    VYR_SATELLITE_SYSTEM system = VYR_SATSYS_NONE;          // system records only
    uint8_t sourceTagWritten = 0;  // the last write held an epoch with a non-zero sourceTag
    uint8_t reserved = 0;
    uint8_t clockJumpCorrected = 0;  // clock-jump correction on writing was on for the system
};

// Satellite statistics indexed by compact satellite number; record 0 unused.
struct VYR_OBSERVATION_SVSTAT {
    VYR_OBSERVATION_STAT satellites[vyr::kSatelliteTableSize];
};

// One satellite's day: observed at all, and per half-hour.
struct VYR_SVAVAIL_SATELLITE {
    uint8_t observed = 0;
    uint8_t halfHours[vyr::kHalfHoursPerDay] = {};
};

// Availability of every satellite on one MJD day (the key of its collection).
struct VYR_SVAVAIL_STAT {
    VYR_SVAVAIL_SATELLITE satellites[vyr::kSatelliteTableSize];
    uint32_t mjd = 0;
};
#pragma pack(pop)
static_assert(sizeof(VYR_OBSERVATION_STAT) == 143);
static_assert(sizeof(VYR_OBSERVATION_SVSTAT) == 18161);
static_assert(sizeof(VYR_SVAVAIL_SATELLITE) == 49);
static_assert(sizeof(VYR_SVAVAIL_STAT) == 6227);

namespace vyr {
// The observation statistics of a station: one record per satellite system.
using ObservationStatistics = std::map<VYR_SATELLITE_SYSTEM, VYR_OBSERVATION_STAT>;
}  // namespace vyr
