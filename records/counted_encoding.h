// The container encodings shared by records: an unsigned 32-bit count, then the elements as
// their packed bytes (maps: key then value, in ascending key order).
// Stored layout: docs/format.md, section 6.3.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <type_traits>
#include <vector>

#include "storage/stm.h"

namespace vyr_records {

// A stored count is not trusted for memory: room is reserved for at most this many elements up
// front, and a damaged count ends at the stream's end like any short read.
inline constexpr uint32_t kMaxReservedElements = 4096;

template <class T>
bool read_value(CStm& stream, T& value) {
    static_assert(std::is_trivially_copyable_v<T>);
    return stream.Read(&value, sizeof(T));
}

template <class T>
bool write_value(CStm& stream, const T& value) {
    static_assert(std::is_trivially_copyable_v<T>);
    return stream.Write(&value, sizeof(T));
}

// The elements come in one read per kMaxReservedElements (a record of residuals is three reads,
// not one per satellite). On a failure the piece being read is dropped; callers fail the whole
// record anyway.
template <class T>
bool read_counted_vector(CStm& stream, std::vector<T>& elements) {
    static_assert(std::is_trivially_copyable_v<T>);
    uint32_t count = 0;
    if (!read_value(stream, count)) return false;
    while (count > 0) {
        const uint32_t piece = std::min(count, kMaxReservedElements);
        const size_t before = elements.size();
        elements.resize(before + piece);
        if (!stream.Read(elements.data() + before, static_cast<uint32_t>(piece * sizeof(T)))) {
            elements.resize(before);
            return false;
        }
        count -= piece;
    }
    return true;
}

template <class T>
bool write_counted_vector(CStm& stream, const std::vector<T>& elements) {
    static_assert(std::is_trivially_copyable_v<T>);
    if (!write_value(stream, static_cast<uint32_t>(elements.size()))) return false;
    for (size_t done = 0; done < elements.size();) {
        const size_t piece = std::min<size_t>(elements.size() - done, kMaxReservedElements);
        if (!stream.Write(elements.data() + done, static_cast<uint32_t>(piece * sizeof(T))))
            return false;
        done += piece;
    }
    return true;
}

template <class T>
bool read_counted_set(CStm& stream, std::set<T>& elements) {
    uint32_t count = 0;
    if (!read_value(stream, count)) return false;
    for (uint32_t i = 0; i < count; ++i) {
        T element{};
        if (!read_value(stream, element)) return false;
        elements.insert(element);
    }
    return true;
}

template <class T>
bool write_counted_set(CStm& stream, const std::set<T>& elements) {
    if (!write_value(stream, static_cast<uint32_t>(elements.size()))) return false;
    for (const T& element : elements)
        if (!write_value(stream, element)) return false;
    return true;
}

template <class K, class V>
bool read_counted_map(CStm& stream, std::map<K, V>& entries) {
    uint32_t count = 0;
    if (!read_value(stream, count)) return false;
    for (uint32_t i = 0; i < count; ++i) {
        K key{};
        V value{};
        if (!read_value(stream, key) || !read_value(stream, value)) return false;
        entries[key] = value;
    }
    return true;
}

template <class K, class V>
bool write_counted_map(CStm& stream, const std::map<K, V>& entries) {
    if (!write_value(stream, static_cast<uint32_t>(entries.size()))) return false;
    for (const auto& [key, value] : entries)
        if (!write_value(stream, key) || !write_value(stream, value)) return false;
    return true;
}

}  // namespace vyr_records
