// Keys of stations and associations: 21 bytes, a kind and a value. Each keyed object lives in a
// storage named from its key.
// Stored layout: docs/format.md, section 4.
#pragma once

#include <cstdint>
#include <string>

#include "vyr/export.h"

#pragma pack(push, 1)
struct VYR_KEY {
    // 0 invalid, 1 number of 64 bits, 2 number of 32 bits, 3 text.
    uint32_t type;
    // Type 1: the 64-bit number in bytes 0-7; type 2: the 32-bit number in bytes 0-3; type 3: a
    // text of up to 16 characters ending with a zero byte. Unused bytes are 0.
    uint8_t value[17];
};

struct VYR_STATION_KEY : VYR_KEY {};
struct VYR_STATION_ASSOC_KEY : VYR_KEY {};
struct VYR_IONO_COMPUTED_ASSOC_KEY : VYR_KEY {};
#pragma pack(pop)

static_assert(sizeof(VYR_KEY) == 21);
static_assert(sizeof(VYR_STATION_KEY) == 21);
static_assert(sizeof(VYR_STATION_ASSOC_KEY) == 21);
static_assert(sizeof(VYR_IONO_COMPUTED_ASSOC_KEY) == 21);

enum VYR_KEY_TYPE : uint32_t {
    VYR_KEY_INVALID = 0,
    VYR_KEY_NUMBER64 = 1,
    VYR_KEY_NUMBER32 = 2,
    VYR_KEY_TEXT = 3,
};

// The display text of a key: "0x" and 16 (type 1) or 8 (type 2) lower-case hexadecimal digits,
// the text itself (type 3), "invalid key type" (type 0) or "unknown key type". The string is
// cleared first.
VYR_API void VyrRecordToString(const VYR_KEY& key, std::string& text);
VYR_API void VyrRecordToString(const VYR_STATION_KEY& key, std::string& text);
VYR_API void VyrRecordToString(const VYR_STATION_ASSOC_KEY& key, std::string& text);
VYR_API void VyrRecordToString(const VYR_IONO_COMPUTED_ASSOC_KEY& key, std::string& text);
