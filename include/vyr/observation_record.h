// The older fixed-layout receiver epoch, in which projects of storage versions 1 and 2 kept their
// observations and which callers may still hand in, and its conversion to an observation epoch.
// Stored layout: docs/format.md, section 8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "vyr/error.h"
#include "vyr/export.h"
#include "vyr/observation_epoch.h"

// Flags of a satellite record (its `flags` field).
enum VYR_OBSERVATION_SV_FLAG : uint16_t {
    VYR_SV_L2_PRESENT = 0x0002,
    VYR_SV_L1_P_CODE = 0x0004,
    VYR_SV_L1_CA_CODE = 0x0008,
    VYR_SV_L1_PHASE_A = 0x0010,  // the L1 phase is in slot A (slot B then holds the aux values)
    VYR_SV_L1_PHASE_B = 0x0020,  // the L1 phase is in slot B (slot A then holds the aux values)
    VYR_SV_L1_LOSS_OF_LOCK = 0x0200,
    VYR_SV_L2_LOSS_OF_LOCK = 0x0400,
    VYR_SV_L1_DOPPLER_A = 0x0800,
    VYR_SV_L1_DOPPLER_B = 0x1000,
    VYR_SV_L2_DOPPLER = 0x2000,
    VYR_SV_L1_STRENGTH = 0x4000,
    VYR_SV_L2_STRENGTH = 0x8000,
};

// L2 flags of a satellite record (its `l2Flags` field).
enum VYR_OBSERVATION_SV_L2_FLAG : uint8_t {
    VYR_SV_L2_CODE = 0x01,
    VYR_SV_L2_PHASE = 0x02,
    VYR_SV_L2_IS_L2C = 0x04,  // GPS only
};

#pragma pack(push, 1)
// The four satellite record layouts. The header flags of the VYR_OBSERVATION choose one for all
// its satellites; each single-frequency layout is the first bytes of its dual-frequency one.

// Extended (with Doppler), single-frequency: header flags kExtended and kL1Data without kL2Data.
struct VYR_OBSERVATION_SV_EXTENDED_L1 {
    uint8_t number;   // 1-32 GPS PRN, 33 and above GLONASS slot + 32
    uint16_t flags;   // VYR_OBSERVATION_SV_FLAG bits
    uint8_t l2Flags;  // VYR_OBSERVATION_SV_L2_FLAG bits
    double l1PCode;
    double l1CaCode;
    uint8_t slotA[8];  // the L1 phase (a double), or two floats: the L1 and the L2 aux value
    uint8_t slotB[8];
    double l1DopplerA;
    double l1DopplerB;
    uint8_t l1Strength;  // raw receiver value
};

// Extended, dual-frequency: header flags kExtended, unless kL1Data is set without kL2Data.
struct VYR_OBSERVATION_SV_EXTENDED {
    uint8_t number;
    uint16_t flags;
    uint8_t l2Flags;
    double l1PCode;
    double l1CaCode;
    uint8_t slotA[8];
    uint8_t slotB[8];
    double l1DopplerA;
    double l1DopplerB;
    uint8_t l1Strength;
    double l2Code;
    double l2Phase;
    double l2Doppler;
    uint8_t l2Strength;
};

// Basic, single-frequency: kL1Data without kL2Data and without kExtended.
struct VYR_OBSERVATION_SV_BASIC_L1 {
    uint8_t number;
    uint16_t flags;
    uint8_t l2Flags;
    double l1Code;  // serves the C/A and the P observation
    double l1Phase;
    uint8_t l1Strength;
};

// Basic, dual-frequency: no kExtended, unless kL1Data is set without kL2Data.
struct VYR_OBSERVATION_SV_BASIC {
    uint8_t number;
    uint16_t flags;
    uint8_t l2Flags;
    double l1Code;
    double l1Phase;
    uint8_t l1Strength;
    double l2Code;
    double l2Phase;
    uint8_t l2Strength;
};

// A 22-byte header and room for 24 satellite records of one of four layouts (chosen by the
// header flags); stored records hold only the header and the used satellite records.
struct VYR_OBSERVATION {
    static constexpr uint16_t kMarkSignals = 0x0004;  // every signal gets flag 0x0800
    static constexpr uint16_t kL1Data = 0x0100;
    static constexpr uint16_t kL2Data = 0x0200;
    static constexpr uint16_t kExtended = 0x0400;  // layouts with Doppler
    static constexpr int kMaxSatellites = 24;
    static constexpr uint32_t kHeaderSize = 22;

    uint32_t mjd;
    double fraction;
    int32_t count;  // satellite records, 1 to 24 in a valid record
    uint16_t flags;
    uint8_t occupation;  // 1 static, 2 kinematic
    uint8_t sourceTag;
    uint8_t reserved[2];
    uint8_t satellites[1872];

    // The stored size of one satellite record under these header flags.
    static constexpr uint32_t SatelliteRecordSize(uint16_t headerFlags) {
        const bool single = (headerFlags & kL1Data) && !(headerFlags & kL2Data);
        if (headerFlags & kExtended)
            return single ? uint32_t{sizeof(VYR_OBSERVATION_SV_EXTENDED_L1)}
                          : uint32_t{sizeof(VYR_OBSERVATION_SV_EXTENDED)};
        return single ? uint32_t{sizeof(VYR_OBSERVATION_SV_BASIC_L1)}
                      : uint32_t{sizeof(VYR_OBSERVATION_SV_BASIC)};
    }

    // Places a satellite record at index (0 to 23) with the stride of the current flags; false,
    // and nothing written, when the record is not of the layout the flags select or the index
    // is out of range. Set `flags` first; `count` stays the caller's.
    template <class Record>
    bool SetSatellite(int index, const Record& record) {
        static_assert(std::is_same_v<Record, VYR_OBSERVATION_SV_EXTENDED_L1> ||
                          std::is_same_v<Record, VYR_OBSERVATION_SV_EXTENDED> ||
                          std::is_same_v<Record, VYR_OBSERVATION_SV_BASIC_L1> ||
                          std::is_same_v<Record, VYR_OBSERVATION_SV_BASIC>,
                      "a satellite record layout of VYR_OBSERVATION");
        if (index < 0 || index >= kMaxSatellites) return false;
        if (sizeof(Record) != SatelliteRecordSize(flags)) return false;
        std::memcpy(satellites + static_cast<size_t>(index) * sizeof(Record), &record,
                    sizeof(Record));
        return true;
    }
};
#pragma pack(pop)
static_assert(sizeof(VYR_OBSERVATION_SV_EXTENDED_L1) == 53);
static_assert(sizeof(VYR_OBSERVATION_SV_EXTENDED) == 78);
static_assert(sizeof(VYR_OBSERVATION_SV_BASIC_L1) == 21);
static_assert(sizeof(VYR_OBSERVATION_SV_BASIC) == 38);
static_assert(sizeof(VYR_OBSERVATION) == 1894);
static_assert(VYR_OBSERVATION::kMaxSatellites * sizeof(VYR_OBSERVATION_SV_EXTENDED) ==
              sizeof(VYR_OBSERVATION::satellites));

// Builds an epoch from an older receiver record: status 1, per satellite record an L1 C/A and/or
// L1 P observation and, in the dual-frequency layouts, an L2 observation. Reads at most 24
// satellite records whatever the count says. Always returns 0.
VYR_API VYR_ERROR Vyr_ConvertToObsEpoch(const VYR_OBSERVATION& record, VYR_OBSERVATIONEPOCH& epoch);
