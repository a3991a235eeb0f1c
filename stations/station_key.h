// The rule every station key must meet before a station is opened, created or handed its key.
#pragma once

#include <cstring>

#include <vyr/key.h>

namespace vyr_stations {

// Type 0 is no key; a text key holds 1 to 16 characters (the 17-byte field keeps its
// terminator). Other types are taken as they are.
inline bool is_usable_key(const VYR_KEY& key) {
    if (key.type == VYR_KEY_INVALID) return false;
    if (key.type != VYR_KEY_TEXT) return true;
    const size_t length = strnlen(reinterpret_cast<const char*>(key.value), sizeof key.value);
    return length >= 1 && length < sizeof key.value;
}

}  // namespace vyr_stations
