// Keys as numbers and as text in entry names.
// Stored layout: docs/format.md, section 4.
#pragma once

#include <cstdint>
#include <string>

#include <vyr/key.h>

namespace vyr_storage {

// Entry names of keyed storages are built in a buffer of this size.
inline constexpr size_t kKeyedNameBufferSize = 273;

// The name of a keyed storage: the kind's name followed by the key in upper-case hexadecimal
// without leading zeros (types 1 and 2) or by the key's text (type 3). False for an invalid or
// unknown type, an empty text, or a name that would not fit the buffer.
bool make_keyed_name(const char* kind_name, const VYR_KEY& key, std::string& name);

// Type-1 keys carry their number in the first 8 value bytes, little-endian.
VYR_KEY key_from_number(uint64_t number);
uint64_t key_number(const VYR_KEY& key);
uint32_t key_number32(const VYR_KEY& key);

// The text of a type-3 key, at most 16 characters even when the stored bytes lack a terminator.
std::string key_text(const VYR_KEY& key);

}  // namespace vyr_storage
