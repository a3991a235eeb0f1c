// The project-wide single records: processing and application information, the PZ-90 to WGS-84
// transformation, UTC leap seconds.
#pragma once

#include <cstdint>

#pragma pack(push, 1)
// Stored and returned byte for byte; the application fills and reads them.
struct VYR_PROCESSING_INFORMATION {
    uint8_t data[16];
};
struct VYR_APPLICATION_INFORMATION {
    uint8_t data[406];
};

// Nine values in stored order; a new project gets 0, 0, 0, 1, 0, 1, 0, 0, 1.
struct VYR_TRANSFORMATION_PZ90_TO_WGS84 {
    double value[9];
};

struct VYR_UTC_LEAP_SECONDS {
    uint32_t mjd;          // MJD day the count applies from
    double fractionOfDay;  // 0.0 to below 1.0
    uint8_t leapSeconds;
    uint8_t reserved;
};
#pragma pack(pop)

static_assert(sizeof(VYR_PROCESSING_INFORMATION) == 16);
static_assert(sizeof(VYR_APPLICATION_INFORMATION) == 406);
static_assert(sizeof(VYR_TRANSFORMATION_PZ90_TO_WGS84) == 72);
static_assert(sizeof(VYR_UTC_LEAP_SECONDS) == 14);
