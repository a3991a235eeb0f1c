// A version 3 compound document with 512-byte sectors, held as bytes and walked as the format
// lays it out, so that tests can damage a chosen sector, FAT entry or directory entry of a
// document `vyr cfb pack` wrote. Contents of a recognisable pattern make cut prefixes checkable.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

namespace damaged_image {

inline std::string pattern(size_t n, unsigned seed) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 167 + seed) % 253);
    return s;
}

inline uint32_t get32(const std::string& b, size_t at) {
    uint32_t v = 0;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

inline void put32(std::string& b, size_t at, uint32_t v) {
    std::memcpy(b.data() + at, &v, 4);
}

struct Image {
    std::string bytes;
    size_t fat_entry(uint32_t sector) const {
        return (size_t{get32(bytes, 76 + 4 * (sector / 128))} + 1) * 512 + 4 * (sector % 128);
    }
    uint32_t next(uint32_t sector) const { return get32(bytes, fat_entry(sector)); }
    uint32_t follow(uint32_t sector, int steps) const {
        for (int i = 0; i < steps; ++i) sector = next(sector);
        return sector;
    }
    size_t entry(uint32_t id) const {
        return (size_t{follow(get32(bytes, 48), static_cast<int>(id / 4))} + 1) * 512 +
               128 * (id % 4);
    }
    // The entry of the element named `name` (ASCII) among the first 64.
    size_t named(const std::string& name) const {
        for (uint32_t id = 0; id < 64; ++id) {
            const size_t e = entry(id);
            bool same = get32(bytes, e + 64) % 65536 == (name.size() + 1) * 2;
            for (size_t i = 0; same && i < name.size(); ++i)
                same = bytes[e + 2 * i] == name[i] && bytes[e + 2 * i + 1] == 0;
            if (same) return e;
        }
        ADD_FAILURE() << "no entry " << name;
        return 0;
    }
    uint32_t start(const std::string& name) const { return get32(bytes, named(name) + 116); }
    size_t minifat_entry(uint32_t mini) const {
        return (size_t{get32(bytes, 60)} + 1) * 512 + 4 * mini;
    }
};

}  // namespace damaged_image
