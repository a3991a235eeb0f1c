// The four satellite record layouts of VYR_OBSERVATION: extended (with Doppler) and basic, each
// dual-frequency or as a single-frequency prefix.
// Stored layout: docs/format.md, section 8.
#pragma once

#include <cstdint>

#include <vyr/observation_record.h>

namespace vyr_stations {

// Satellite flags of a satellite record.
enum SatelliteRecordFlag : uint16_t {
    kSvL2Present = 0x0002,
    kSvL1PCode = 0x0004,
    kSvL1CaCode = 0x0008,
    kSvL1PhaseA = 0x0010,
    kSvL1PhaseB = 0x0020,
    kSvL1LossOfLock = 0x0200,
    kSvL2LossOfLock = 0x0400,
    kSvL1DopplerA = 0x0800,
    kSvL1DopplerB = 0x1000,
    kSvL2Doppler = 0x2000,
    kSvL1Strength = 0x4000,
    kSvL2Strength = 0x8000,
};

// L2 flags of a satellite record.
enum L2RecordFlag : uint8_t {
    kL2Code = 0x01,
    kL2Phase = 0x02,
    kL2IsL2C = 0x04,  // GPS
};

#pragma pack(push, 1)
struct ExtendedSatelliteRecord {
    uint8_t number;  // 1-32 GPS PRN, 33 and above GLONASS slot + 32
    uint16_t flags;
    uint8_t l2Flags;
    double l1PCode;
    double l1CaCode;
    uint8_t slotA[8];  // the L1 phase, or two floats: L1 and L2 auxiliary values
    uint8_t slotB[8];
    double l1DopplerA;
    double l1DopplerB;
    uint8_t l1Strength;
    // Dual-frequency only from here.
    double l2Code;
    double l2Phase;
    double l2Doppler;
    uint8_t l2Strength;
};

struct BasicSatelliteRecord {
    uint8_t number;
    uint16_t flags;
    uint8_t l2Flags;
    double l1Code;  // serves the C/A and the P observation
    double l1Phase;
    uint8_t l1Strength;
    // Dual-frequency only from here.
    double l2Code;
    double l2Phase;
    uint8_t l2Strength;
};
#pragma pack(pop)
static_assert(sizeof(ExtendedSatelliteRecord) == 78);
static_assert(sizeof(BasicSatelliteRecord) == 38);

inline constexpr uint32_t kExtendedSingleSize = 53;
inline constexpr uint32_t kBasicSingleSize = 21;

inline bool is_extended(uint16_t headerFlags) {
    return (headerFlags & VYR_OBSERVATION::kExtended) != 0;
}

// Only L1 data without L2 data makes a record single-frequency for its size.
inline bool is_single_frequency_sized(uint16_t headerFlags) {
    return (headerFlags & VYR_OBSERVATION::kL1Data) && !(headerFlags & VYR_OBSERVATION::kL2Data);
}

// The stored size of one satellite record under these header flags.
inline uint32_t satellite_record_size(uint16_t headerFlags) {
    const bool single = is_single_frequency_sized(headerFlags);
    if (is_extended(headerFlags))
        return single ? kExtendedSingleSize : uint32_t{sizeof(ExtendedSatelliteRecord)};
    return single ? kBasicSingleSize : uint32_t{sizeof(BasicSatelliteRecord)};
}

// The header rule an older record must meet before it is converted.
inline bool is_valid_observation_header(const VYR_OBSERVATION& record) {
    return record.mjd >= vyr::kFirstEpochMjd && record.mjd < vyr::kEndEpochMjd &&
           record.fraction >= 0.0 && record.fraction < 1.0 && record.flags != 0 &&
           (record.occupation == 1 || record.occupation == 2);
}

// round(value × 100) into 16 bits; 65535 for results of 65535 and more, negative ones or NaN.
uint16_t aux_value_hundredths(float value);

}  // namespace vyr_stations
