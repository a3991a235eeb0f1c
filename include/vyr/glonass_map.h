// The GLONASS frequency-channel map and the process-wide store every project open updates.
#pragma once

#include <cstdint>

#include "vyr/export.h"

#pragma pack(push, 1)
// Channel number of each GLONASS slot: entry i belongs to slot i + 1. Aligned like its entries
// so that they can be used in place wherever the map is kept.
struct alignas(2) VYR_GLONASS_FREQUENCYMAP {
    static constexpr int16_t kNotSet = -111;  // stored as 0xFF91
    static constexpr int kSlots = 24;
    int16_t channel[kSlots];
};
#pragma pack(pop)
static_assert(sizeof(VYR_GLONASS_FREQUENCYMAP) == 48);

// One per process, made on first use and never freed; not guarded: one thread at a time.
class VYR_API CGlonassChannelMapStore {
public:
    // The store, or null when memory is exhausted (callers then skip it).
    static CGlonassChannelMapStore* Instance();

    // Copies the map; the store is valid when at least one channel is set.
    void Set(const VYR_GLONASS_FREQUENCYMAP& map);
    // Copies the map out and returns true when the store is valid; else leaves map alone.
    bool Get(VYR_GLONASS_FREQUENCYMAP& map) const;

private:
    CGlonassChannelMapStore();

    uint8_t m_valid = 0;
    VYR_GLONASS_FREQUENCYMAP m_map;
};
