// Stored forms of the processing results. Every writer produces the current layout (storage
// version 3). Versions 1 and 2 named a satellite by its one-byte compact number where version 3
// stores a VYR_SATID; the readers convert it. Records without a satellite field (residual
// offsets, point positions, ambiguity and kernel statistics) and the fixed-size cycle slips,
// which are addressed by index at one size, are read as stored in every version. Any other
// version fails the read.
// Stored layout: docs/format.md, section 6.6 (older layouts: section 5).
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include <vyr/results.h>

#include "records/counted_encoding.h"
#include "records/record_io.h"
#include "storage/stm.h"

namespace vyr_records {

#pragma pack(push, 1)
// Entries of versions 1 and 2.
struct OldResidualSv {
    uint8_t sat;
    double residual;
};
struct OldEpochSvInfoSv {
    uint8_t sat;
    int16_t elevation;
    uint16_t azimuth;
};
#pragma pack(pop)
static_assert(sizeof(OldResidualSv) == 9);
static_assert(sizeof(OldEpochSvInfoSv) == 5);

inline bool is_old_storage_version(uint32_t version) {
    return version == 1 || version == 2;
}
inline bool is_known_storage_version(uint32_t version) {
    return version == kStorageVersionCurrent || is_old_storage_version(version);
}

// A record's satellite: 5 bytes now, the compact number before.
inline bool read_satellite(CStm& stream, uint32_t version, VYR_SATID& sat) {
    if (!is_old_storage_version(version)) return read_value(stream, sat);
    uint8_t compact = 0;
    if (!read_value(stream, compact)) return false;
    sat = vyr::satellite_from_compact_number(compact);
    return true;
}

// A counted vector stored in an older element layout, converted element by element; the count
// is not trusted for memory (see read_counted_vector).
template <class Old, class New, class Convert>
bool read_converted_vector(CStm& stream, std::vector<New>& elements, Convert convert) {
    uint32_t count = 0;
    if (!read_value(stream, count)) return false;
    elements.reserve(elements.size() + std::min(count, kMaxReservedElements));
    for (uint32_t i = 0; i < count; ++i) {
        Old old{};
        if (!read_value(stream, old)) return false;
        elements.push_back(convert(old));
    }
    return true;
}

// The stream of a residual type, residual offset type or band; 0 (no stream) for values
// without one.
uint32_t residual_stream_id(int32_t type);
uint32_t residual_offset_stream_id(int32_t offsetType);
uint32_t tracking_status_stream_id(int32_t band);
uint32_t ambiguity_status_stream_id(int32_t band);

// The band of a residual type: 0 for the ionosphere-free types and for unknown ones.
VYR_FREQUENCY_BAND residual_type_band(int32_t type);

}  // namespace vyr_records

template <>
struct RecordFormat<VYR_RESIDUAL> {
    static bool Read(CStm& stream, uint32_t version, VYR_RESIDUAL& record);
    static bool Write(CStm& stream, const VYR_RESIDUAL& record);
};

template <>
struct RecordFormat<VYR_RESIDUAL_OFFSET_SV> {
    static bool Read(CStm& stream, uint32_t version, VYR_RESIDUAL_OFFSET_SV& record);
    static bool Write(CStm& stream, const VYR_RESIDUAL_OFFSET_SV& record);
};

template <>
struct RecordFormat<VYR_TRACKING_STATUS_SV> {
    static bool Read(CStm& stream, uint32_t version, VYR_TRACKING_STATUS_SV& record);
    static bool Write(CStm& stream, const VYR_TRACKING_STATUS_SV& record);
};

template <>
struct RecordFormat<VYR_AMBIGUITY_STATUS_SV> {
    static bool Read(CStm& stream, uint32_t version, VYR_AMBIGUITY_STATUS_SV& record);
    static bool Write(CStm& stream, const VYR_AMBIGUITY_STATUS_SV& record);
};

template <>
struct RecordFormat<VYR_EPOCH_SVINFO> {
    static bool Read(CStm& stream, uint32_t version, VYR_EPOCH_SVINFO& record);
    static bool Write(CStm& stream, const VYR_EPOCH_SVINFO& record);
};

template <>
struct RecordFormat<VYR_SV_STAT> {
    static bool Read(CStm& stream, uint32_t version, VYR_SV_STAT& record);
    static bool Write(CStm& stream, const VYR_SV_STAT& record);
};

template <>
struct RecordFormat<VYR_POINT_POSITION> {
    static bool Read(CStm& stream, uint32_t version, VYR_POINT_POSITION& record);
    static bool Write(CStm& stream, const VYR_POINT_POSITION& record);
};

template <>
struct RecordFormat<VYR_AMBIGUITY_STAT> {
    static bool Read(CStm& stream, uint32_t version, VYR_AMBIGUITY_STAT& record);
    static bool Write(CStm& stream, const VYR_AMBIGUITY_STAT& record);
};
