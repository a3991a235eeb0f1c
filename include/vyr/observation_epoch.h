// Observation epochs: one receiver epoch with its satellites and their signals, the validity
// rule every writer applies, and the compact binary encoding in which stations keep them.
// Stored layout: docs/format.md, section 7.
#pragma once

#include <cstdint>
#include <vector>

#include "vyr/error.h"
#include "vyr/export.h"
#include "vyr/obs_types.h"
#include "vyr/satellite.h"

#pragma pack(push, 1)
// One signal of one satellite.
struct VYR_OBSERVATIONEPOCH_SIGNAL {
    static constexpr uint16_t kPhaseValid = 0x0001;
    static constexpr uint16_t kCodeValid = 0x0002;
    static constexpr uint16_t kDopplerValid = 0x0004;
    static constexpr uint16_t kQualityValid = 0x0008;
    static constexpr uint16_t kLossOfLock = 0x0100;
    // Carried over from header flag 0x0004 of an older receiver record.
    static constexpr uint16_t kOlderRecordMark = 0x0800;
    // An observation counts as tracked when one of these is set.
    static constexpr uint16_t kTracked = kPhaseValid | kCodeValid | kDopplerValid;

    uint16_t flags = 0;
    VYR_OBSTYPE obsType = VYR_OBS_NONE;
    double phase = 0.0;     // cycles
    double code = 0.0;      // metres
    double doppler = 0.0;   // Hz
    uint16_t auxValue = 0;  // a receiver value in hundredths (older receiver records only)
    uint16_t quality = 0;   // 0.05 dB-Hz
    uint16_t spare1 = 0;
    uint16_t spare2 = 0;
    uint8_t spare3 = 0;
    uint8_t spare4 = 0;
};
#pragma pack(pop)
static_assert(sizeof(VYR_OBSERVATIONEPOCH_SIGNAL) == 40);

// One tracked satellite of an epoch. Never stored as its memory image (the encoding below is the
// stored form), so it keeps natural alignment for its vector.
struct VYR_OBSERVATIONEPOCH_SV {
    VYR_SATID satId{};
    uint32_t systemData = 0;  // stored as 1 byte (GPS), 4 (GLONASS), 2 (Galileo) or not at all
    std::vector<VYR_OBSERVATIONEPOCH_SIGNAL> observations;
};

struct VYR_OBSERVATIONEPOCH {
    enum eOccupationType : int32_t {
        OCCUPATION_KINEMATIC = 0,  // moving antenna
        OCCUPATION_STATIC = 1,
    };

    uint32_t mjd = 0;
    double fraction = 0.0;  // of the day, 0 to below 1
    uint16_t headerWord = 1000;
    double headerReal = 0.0;
    int32_t status = 0;  // 0 not valid; every converter sets 1
    eOccupationType occupation = OCCUPATION_KINEMATIC;
    uint32_t sourceTag = 0;  // 8 bits taken over from an older receiver record
    std::vector<VYR_OBSERVATIONEPOCH_SV> satellites;

    // The state every conversion and decode starts from.
    void Reset() { *this = VYR_OBSERVATIONEPOCH{}; }
};

namespace vyr {

// Epochs earlier than 1980-01-05 or from 2094-06-22 on are not observations.
inline constexpr uint32_t kFirstEpochMjd = 44240;
inline constexpr uint32_t kEndEpochMjd = 86000;

// The rule every writer of epochs applies.
inline bool is_valid_observation_epoch(const VYR_OBSERVATIONEPOCH& epoch) {
    return epoch.mjd >= kFirstEpochMjd && epoch.mjd < kEndEpochMjd && epoch.fraction >= 0.0 &&
           epoch.fraction < 1.0 && epoch.status != 0;  // a NaN fraction fails both comparisons
}

// The encoding: a 32-byte header, per satellite a block of system, prn, system data, count and
// 37 bytes per signal. Counts are single bytes.
inline constexpr uint32_t kEncodedEpochHeaderSize = 32;
inline constexpr uint32_t kEncodedSignalSize = 37;
inline constexpr size_t kMaxEncodedCount = 255;
// The largest encoded epoch a station's observations hold: writers refuse larger ones, readers
// reject longer length fields.
inline constexpr uint32_t kMaxStoredEpochSize = 10000;

// Bytes of system data an encoded satellite block holds for a system.
constexpr uint32_t encoded_system_data_size(VYR_SATELLITE_SYSTEM system) {
    return system == VYR_SATSYS_GPS       ? 1
           : system == VYR_SATSYS_GLONASS ? 4
           : system == VYR_SATSYS_GALILEO ? 2
                                          : 0;
}

}  // namespace vyr

// Encodes the epoch into buffer. VYR_E_INVALID_PARAMETER for a null buffer or an epoch the decoder
// would refuse: a satellite or signal count above 255, a day outside kFirstEpochMjd to
// kEndEpochMjd (0 aside), a fraction outside [0, 1), an unknown system or signal type;
// VYR_E_BUFFER_TOO_SHORT when the capacity is too small (written is then 0 and the buffer content
// undefined). Nothing is written beyond capacity.
VYR_API VYR_ERROR Vyr_SerializeObsEpoch(const VYR_OBSERVATIONEPOCH& epoch, uint8_t* buffer,
                                        const uint32_t& capacity, uint32_t& written);

// Decodes one encoded epoch from the first size bytes of buffer. VYR_E_INVALID_PARAMETER null
// buffer; VYR_E_BUFFER_TOO_SHORT size too small for the length field or for any block;
// VYR_E_WRONG_KERNEL_VERSION unknown format version; VYR_E_READ_ENTRY_FAILED when the decoded bytes
// differ from the length field (the epoch holds what was decoded). Satellites without signals are
// dropped.
VYR_API VYR_ERROR Vyr_DeserializeObsEpoch(const uint8_t* buffer, const uint32_t& size,
                                          VYR_OBSERVATIONEPOCH& epoch, uint32_t& consumed);

// Reads only the time and the total length of an encoded epoch.
VYR_API VYR_ERROR Vyr_DeserializeObsEpoch(const uint8_t* buffer, const uint32_t& size,
                                          uint32_t& mjd, double& fraction, uint32_t& length);
