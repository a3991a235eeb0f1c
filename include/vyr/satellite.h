// Satellite systems and satellite identifiers, and the compact one-byte satellite number that
// indexes per-satellite tables and older stored records.
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

namespace vyr {

// Compact satellite numbers: GPS 1-32, GLONASS 33-56, Galileo 57-106, SBAS 107-126.
inline constexpr uint8_t kCompactGlonassOffset = 32;
inline constexpr uint8_t kCompactGalileoOffset = 56;
inline constexpr uint8_t kCompactSbasOffset = 106;
inline constexpr uint8_t kCompactSatelliteMax = 126;
// The SBAS number of a VYR_SATID is the PRN minus this.
inline constexpr uint8_t kSbasPrnOffset = 119;

// The compact number of a satellite, or 0 when its system or number has none.
constexpr uint8_t compact_satellite_number(const VYR_SATID& sat) {
    switch (sat.system) {
        case VYR_SATSYS_GPS:
            return sat.prn >= 1 && sat.prn <= 32 ? sat.prn : 0;
        case VYR_SATSYS_GLONASS:
            return sat.prn >= 1 && sat.prn <= 24 ? uint8_t(sat.prn + kCompactGlonassOffset) : 0;
        case VYR_SATSYS_GALILEO:
            return sat.prn >= 1 && sat.prn <= 50 ? uint8_t(sat.prn + kCompactGalileoOffset) : 0;
        case VYR_SATSYS_SBAS:
            return sat.prn >= 1 && sat.prn <= 20 ? uint8_t(sat.prn + kCompactSbasOffset) : 0;
        default:
            return 0;
    }
}

// The satellite of a compact number as older stored records use it: 0-32 GPS (0 stays GPS 0),
// 33-56 GLONASS, 57-106 Galileo, 107-126 SBAS, anything above is no satellite (system 0, 0).
constexpr VYR_SATID satellite_from_compact_number(uint8_t n) {
    if (n <= 32) return VYR_SATID{VYR_SATSYS_GPS, n};
    if (n <= kCompactGalileoOffset) return VYR_SATID{VYR_SATSYS_GLONASS, uint8_t(n - 32)};
    if (n <= kCompactSbasOffset) return VYR_SATID{VYR_SATSYS_GALILEO, uint8_t(n - 56)};
    if (n <= kCompactSatelliteMax) return VYR_SATID{VYR_SATSYS_SBAS, uint8_t(n - 106)};
    return VYR_SATID{VYR_SATSYS_NONE, 0};
}

// The letter of a system in text files: blank, G, R, E, S, C for 0 to 5; '?' beyond.
constexpr char system_letter(VYR_SATELLITE_SYSTEM system) {
    constexpr char kLetters[] = {' ', 'G', 'R', 'E', 'S', 'C'};
    return system >= 0 && system <= VYR_SATSYS_COMPASS ? kLetters[system] : '?';
}

// The system of a letter of text files; a blank or an unknown letter gives 0 (a blank means GPS
// only in version 2 observation files, which their reader decides).
constexpr VYR_SATELLITE_SYSTEM system_from_letter(char letter) {
    switch (letter) {
        case 'G':
            return VYR_SATSYS_GPS;
        case 'R':
            return VYR_SATSYS_GLONASS;
        case 'E':
            return VYR_SATSYS_GALILEO;
        case 'S':
            return VYR_SATSYS_SBAS;
        case 'C':
            return VYR_SATSYS_COMPASS;
        default:
            return VYR_SATSYS_NONE;
    }
}

}  // namespace vyr
