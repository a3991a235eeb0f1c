// The descriptions of station associations and computed-ionosphere associations: which stations
// take part in a processing run. Their keys are derived from them.
#pragma once

#include <cstdint>
#include <vector>

#include "vyr/key.h"

#pragma pack(push, 1)
// One station taking part in an association.
struct VYR_ASSOC_STATION {
    uint32_t value;  // 0 when the entry is empty
    VYR_STATION_KEY station;
    int32_t index;  // -1 when the entry is empty
};
#pragma pack(pop)
static_assert(sizeof(VYR_ASSOC_STATION) == 29);

// Stored as a 32-bit count followed by the 29-byte entries.
struct VYR_IONO_COMPUTED_ASSOC {
    std::vector<VYR_ASSOC_STATION> stations;
};

// Stored field by field in this order.
struct VYR_STATION_ASSOC {
    // Enters the derived key; not otherwise interpreted.
    uint32_t first = 0;
    // Bit kWithoutResultsCopy marks an association a copy without results leaves out; the other
    // bits belong to the processing application.
    uint32_t flags = 0;
    VYR_ASSOC_STATION rover{};
    VYR_IONO_COMPUTED_ASSOC linkedStations;
    VYR_IONO_COMPUTED_ASSOC_KEY ionoComputedAssocKey{};

    static constexpr uint32_t kWithoutResultsCopy = 0x10000;
};
