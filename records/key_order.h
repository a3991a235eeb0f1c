// The order of station and association keys in their lists: by kind, then by value.
#pragma once

#include <cstdint>
#include <cstring>

#include <vyr/key.h>

namespace vyr_records {

// Kind (signed); kind 1 by the 64-bit number, kind 2 by the 32-bit number, kind 3 by the name
// (byte order, case-sensitive); keys of other kinds are equal when their kinds are.
struct KeyLess {
    bool operator()(const VYR_KEY& a, const VYR_KEY& b) const {
        const int32_t kindA = static_cast<int32_t>(a.type), kindB = static_cast<int32_t>(b.type);
        if (kindA != kindB) return kindA < kindB;
        switch (a.type) {
            case VYR_KEY_NUMBER64: {
                uint64_t va = 0, vb = 0;
                std::memcpy(&va, a.value, sizeof va);
                std::memcpy(&vb, b.value, sizeof vb);
                return va < vb;
            }
            case VYR_KEY_NUMBER32: {
                uint32_t va = 0, vb = 0;
                std::memcpy(&va, a.value, sizeof va);
                std::memcpy(&vb, b.value, sizeof vb);
                return va < vb;
            }
            case VYR_KEY_TEXT:
                // Bounded: a stored name without its terminator ends with the field.
                return std::strncmp(reinterpret_cast<const char*>(a.value),
                                    reinterpret_cast<const char*>(b.value), sizeof a.value) < 0;
            default:
                return false;
        }
    }
};

}  // namespace vyr_records
