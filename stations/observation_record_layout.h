// How the header of a VYR_OBSERVATION selects and bounds its satellite records (the layouts
// themselves are public: callers hand such records in).
#pragma once

#include <cstdint>

#include <vyr/observation_record.h>

namespace vyr_stations {

inline bool is_extended(uint16_t headerFlags) {
    return (headerFlags & VYR_OBSERVATION::kExtended) != 0;
}

// Only L1 data without L2 data makes a record single-frequency for its size.
inline bool is_single_frequency_sized(uint16_t headerFlags) {
    return (headerFlags & VYR_OBSERVATION::kL1Data) && !(headerFlags & VYR_OBSERVATION::kL2Data);
}

// The stored size of one satellite record under these header flags.
inline uint32_t satellite_record_size(uint16_t headerFlags) {
    return VYR_OBSERVATION::SatelliteRecordSize(headerFlags);
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
