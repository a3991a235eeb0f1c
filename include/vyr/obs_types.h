// Observation (signal) types, frequency bands and the composite keys built from them.
#pragma once

#include <cstdint>

#include "vyr/export.h"
#include "vyr/satellite.h"

enum VYR_FREQUENCY_BAND : int32_t {
    VYR_BAND_NONE = 0,
    VYR_BAND_L1 = 1,    // L1 / E1, 1575.42 MHz
    VYR_BAND_L2 = 2,    // L2, 1227.60 MHz
    VYR_BAND_L5 = 3,    // L5 / E5a, 1176.45 MHz
    VYR_BAND_E5B = 4,   // 1207.14 MHz
    VYR_BAND_E5AB = 5,  // 1191.795 MHz
    VYR_BAND_E6 = 6,    // 1278.75 MHz
};

enum VYR_OBSTYPE : int32_t {
    VYR_OBS_NONE = 0,
    VYR_OBS_L1CA = 1,  // GPS, GLONASS, SBAS
    VYR_OBS_L1P = 2,   // GPS, GLONASS
    VYR_OBS_L2Y = 3,   // GPS semi-codeless / Z-tracking
    VYR_OBS_L2P = 4,   // GPS, GLONASS
    VYR_OBS_L2C = 5,   // GPS L2C, GLONASS L2 C/A
    VYR_OBS_L5 = 6,    // GPS, SBAS
    VYR_OBS_E5A = 7,
    VYR_OBS_E5B = 8,
    VYR_OBS_E1 = 9,
    VYR_OBS_E5AB = 10,  // AltBOC
    VYR_OBS_E6 = 11,
};

// The band of a signal; 0 for an unknown type.
VYR_API VYR_FREQUENCY_BAND Vyr_ObsTypeToFrequencyBand(const VYR_OBSTYPE& type);
// Writes the band and returns the signal's frequency index (0 to 3; 0 for an unknown type).
VYR_API uint16_t Vyr_ObsTypeToFrequencyBand(const VYR_OBSTYPE& type, VYR_FREQUENCY_BAND& band);

#pragma pack(push, 1)
struct VYR_OBSTYPE_KEY {
    VYR_SATID satId{};
    VYR_OBSTYPE obsType = VYR_OBS_NONE;

    // Equal in satellite and type; ordered by system, then prn (unsigned byte), then type.
    VYR_API bool operator==(const VYR_OBSTYPE_KEY& other) const;
    // The order of map and set keys, in the fields' order above.
    VYR_API bool operator<(const VYR_OBSTYPE_KEY& other) const;
};

struct VYR_FREQUENCY_BAND_KEY {
    VYR_SATID satId{};
    VYR_FREQUENCY_BAND band = VYR_BAND_NONE;

    VYR_FREQUENCY_BAND_KEY() = default;
    // The satellite and band as given.
    VYR_API VYR_FREQUENCY_BAND_KEY(const VYR_SATID& sat, VYR_FREQUENCY_BAND band);
    // The satellite of the key and the band of its signal.
    VYR_API explicit VYR_FREQUENCY_BAND_KEY(const VYR_OBSTYPE_KEY& key);

    // Equal in satellite and band; ordered by system, then prn (unsigned byte), then band.
    VYR_API bool operator==(const VYR_FREQUENCY_BAND_KEY& other) const;
    // The order of map and set keys, in the fields' order above.
    VYR_API bool operator<(const VYR_FREQUENCY_BAND_KEY& other) const;
};

struct VYR_SATSYSTEM_BAND_KEY {
    VYR_SATELLITE_SYSTEM system = VYR_SATSYS_NONE;
    VYR_FREQUENCY_BAND band = VYR_BAND_NONE;

    VYR_SATSYSTEM_BAND_KEY() = default;
    // The system and band as given.
    VYR_API VYR_SATSYSTEM_BAND_KEY(VYR_SATELLITE_SYSTEM system, VYR_FREQUENCY_BAND band);
    // The system of the key's satellite and the band of its signal.
    VYR_API explicit VYR_SATSYSTEM_BAND_KEY(const VYR_OBSTYPE_KEY& key);
    VYR_API explicit VYR_SATSYSTEM_BAND_KEY(const VYR_FREQUENCY_BAND_KEY& key);

    // Equal in system and band; ordered by system, then band.
    VYR_API bool operator==(const VYR_SATSYSTEM_BAND_KEY& other) const;
    // The order of map and set keys, in the fields' order above.
    VYR_API bool operator<(const VYR_SATSYSTEM_BAND_KEY& other) const;
};
#pragma pack(pop)

static_assert(sizeof(VYR_OBSTYPE_KEY) == 9);
static_assert(sizeof(VYR_FREQUENCY_BAND_KEY) == 9);
static_assert(sizeof(VYR_SATSYSTEM_BAND_KEY) == 8);
