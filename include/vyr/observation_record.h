// The older fixed-layout receiver epoch, in which projects of storage versions 1 and 2 kept their
// observations and which callers may still hand in, and its conversion to an observation epoch.
// Stored layout: docs/format.md, section 8.
#pragma once

#include <cstdint>

#include "vyr/error.h"
#include "vyr/export.h"
#include "vyr/observation_epoch.h"

#pragma pack(push, 1)
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
};
#pragma pack(pop)
static_assert(sizeof(VYR_OBSERVATION) == 1894);

// Builds an epoch from an older receiver record: status 1, per satellite record an L1 C/A and/or
// L1 P observation and, in the dual-frequency layouts, an L2 observation. Reads at most 24
// satellite records whatever the count says. Always returns 0.
VYR_API VYR_ERROR Vyr_ConvertToObsEpoch(const VYR_OBSERVATION& record, VYR_OBSERVATIONEPOCH& epoch);
