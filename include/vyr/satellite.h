// Satellite systems and satellite identifiers.
#pragma once

#include <cstdint>

enum VYR_SATELLITE_SYSTEM : int32_t {
    VYR_SATSYS_NONE = 0,
    VYR_SATSYS_GPS = 1,
    VYR_SATSYS_GLONASS = 2,
    VYR_SATSYS_GALILEO = 3,
    VYR_SATSYS_SBAS = 4,
    VYR_SATSYS_COMPASS = 5,
};

#pragma pack(push, 1)
// Five bytes with no padding, in memory and in every stored record.
struct VYR_SATID {
    VYR_SATELLITE_SYSTEM system;
    // GPS PRN 1-32, GLONASS slot 1-24, Galileo PRN 1-50, SBAS PRN minus 119 (1-20).
    uint8_t prn;
};
#pragma pack(pop)
static_assert(sizeof(VYR_SATID) == 5);

// By system, then by number.
inline bool operator<(const VYR_SATID& a, const VYR_SATID& b) {
    return a.system != b.system ? a.system < b.system : a.prn < b.prn;
}
inline bool operator==(const VYR_SATID& a, const VYR_SATID& b) {
    return a.system == b.system && a.prn == b.prn;
}
