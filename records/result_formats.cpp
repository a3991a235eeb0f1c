#include "records/result_formats.h"

#include "storage/layout.h"

using namespace vyr_records;
using namespace vyr_storage;

namespace vyr_records {

uint32_t residual_stream_id(int32_t type) {
    static constexpr uint32_t kStreams[] = {
        kStreamResidualsL1Code,   kStreamResidualsL2Code,    kStreamResidualsL5Code,
        kStreamResidualsE5bCode,  kStreamResidualsE5abCode,  kStreamResidualsE6Code,
        kStreamResidualsL1Phase,  kStreamResidualsL2Phase,   kStreamResidualsL5Phase,
        kStreamResidualsE5bPhase, kStreamResidualsE5abPhase, kStreamResidualsE6Phase,
        kStreamResidualsL3Code,   kStreamResidualsL3Phase};
    return type >= 0 && type < 14 ? kStreams[type] : 0;
}

uint32_t residual_offset_stream_id(int32_t offsetType) {
    static constexpr uint32_t kStreams[] = {
        kStreamResidualOffsetL1Code,  kStreamResidualOffsetL2Code,  kStreamResidualOffsetL3Code,
        kStreamResidualOffsetL1Phase, kStreamResidualOffsetL2Phase, kStreamResidualOffsetL3Phase};
    return offsetType >= 0 && offsetType < 6 ? kStreams[offsetType] : 0;
}

// Bands without a stream of their own share the E5a+b one.
uint32_t tracking_status_stream_id(int32_t band) {
    switch (band) {
        case VYR_BAND_L1:
            return kStreamTrackingStatusL1;
        case VYR_BAND_L2:
            return kStreamTrackingStatusL2;
        case VYR_BAND_L5:
            return kStreamTrackingStatusL5E5a;
        case VYR_BAND_E5B:
            return kStreamTrackingStatusE5b;
        default:
            return kStreamTrackingStatusE5ab;
    }
}

uint32_t ambiguity_status_stream_id(int32_t band) {
    switch (band) {
        case VYR_BAND_L1:
            return kStreamAmbiguityStatusL1;
        case VYR_BAND_L2:
            return kStreamAmbiguityStatusL2;
        case VYR_BAND_L5:
            return kStreamAmbiguityStatusL5E5a;
        case VYR_BAND_E5B:
            return kStreamAmbiguityStatusE5b;
        default:
            return kStreamAmbiguityStatusE5ab;
    }
}

VYR_FREQUENCY_BAND residual_type_band(int32_t type) {
    if (type >= 0 && type <= 5) return static_cast<VYR_FREQUENCY_BAND>(type + 1);
    if (type >= 6 && type <= 11) return static_cast<VYR_FREQUENCY_BAND>(type - 5);
    return VYR_BAND_NONE;
}

}  // namespace vyr_records

VYR_API VYR_RESIDUAL_TYPE VyrFreqBandToResidualType(VYR_FREQUENCY_BAND band, bool phase) {
    if (band < VYR_BAND_L1 || band > VYR_BAND_E6) return VYR_RESIDUAL_E6_CODE;
    return static_cast<VYR_RESIDUAL_TYPE>(phase ? band + 5 : band - 1);
}

VYR_API bool VyrConvertToOffsetType(VYR_RESIDUAL_TYPE residual, VYR_RESIDUAL_OFFSET_TYPE& offset) {
    switch (residual) {
        case VYR_RESIDUAL_L1_CODE:
            offset = VYR_RESIDUAL_OFFSET_L1_CODE;
            return true;
        case VYR_RESIDUAL_L2_CODE:
            offset = VYR_RESIDUAL_OFFSET_L2_CODE;
            return true;
        case VYR_RESIDUAL_L3_CODE:
            offset = VYR_RESIDUAL_OFFSET_L3_CODE;
            return true;
        case VYR_RESIDUAL_L1_PHASE:
            offset = VYR_RESIDUAL_OFFSET_L1_PHASE;
            return true;
        case VYR_RESIDUAL_L2_PHASE:
            offset = VYR_RESIDUAL_OFFSET_L2_PHASE;
            return true;
        case VYR_RESIDUAL_L3_PHASE:
            offset = VYR_RESIDUAL_OFFSET_L3_PHASE;
            return true;
        default:
            return false;
    }
}

bool RecordFormat<VYR_RESIDUAL>::Read(CStm& stream, uint32_t version, VYR_RESIDUAL& record) {
    record.residuals.clear();
    if (!is_known_storage_version(version) || !read_value(stream, record.time)) return false;
    if (!is_old_storage_version(version)) return read_counted_vector(stream, record.residuals);
    return read_converted_vector<OldResidualSv>(stream, record.residuals, [](const auto& old) {
        return VYR_RESIDUAL_SV{vyr::satellite_from_compact_number(old.sat), old.residual};
    });
}

bool RecordFormat<VYR_RESIDUAL>::Write(CStm& stream, const VYR_RESIDUAL& record) {
    return write_value(stream, record.time) && write_counted_vector(stream, record.residuals);
}

bool RecordFormat<VYR_RESIDUAL_OFFSET_SV>::Read(CStm& stream, uint32_t version,
                                                VYR_RESIDUAL_OFFSET_SV& record) {
    record.intervals.clear();
    return is_known_storage_version(version) && read_value(stream, record.slot) &&
           read_counted_vector(stream, record.intervals);
}

bool RecordFormat<VYR_RESIDUAL_OFFSET_SV>::Write(CStm& stream,
                                                 const VYR_RESIDUAL_OFFSET_SV& record) {
    return write_value(stream, record.slot) && write_counted_vector(stream, record.intervals);
}

bool RecordFormat<VYR_TRACKING_STATUS_SV>::Read(CStm& stream, uint32_t version,
                                                VYR_TRACKING_STATUS_SV& record) {
    record.intervals.clear();
    return is_known_storage_version(version) && read_satellite(stream, version, record.sat) &&
           read_counted_vector(stream, record.intervals);
}

bool RecordFormat<VYR_TRACKING_STATUS_SV>::Write(CStm& stream,
                                                 const VYR_TRACKING_STATUS_SV& record) {
    return write_value(stream, record.sat) && write_counted_vector(stream, record.intervals);
}

bool RecordFormat<VYR_AMBIGUITY_STATUS_SV>::Read(CStm& stream, uint32_t version,
                                                 VYR_AMBIGUITY_STATUS_SV& record) {
    record.status.clear();
    return is_known_storage_version(version) && read_satellite(stream, version, record.sat) &&
           read_counted_vector(stream, record.status);
}

bool RecordFormat<VYR_AMBIGUITY_STATUS_SV>::Write(CStm& stream,
                                                  const VYR_AMBIGUITY_STATUS_SV& record) {
    return write_value(stream, record.sat) && write_counted_vector(stream, record.status);
}

bool RecordFormat<VYR_EPOCH_SVINFO>::Read(CStm& stream, uint32_t version,
                                          VYR_EPOCH_SVINFO& record) {
    record.satellites.clear();
    if (!is_known_storage_version(version) || !read_value(stream, record.time) ||
        !read_value(stream, record.info))
        return false;
    if (!is_old_storage_version(version)) return read_counted_vector(stream, record.satellites);
    return read_converted_vector<OldEpochSvInfoSv>(stream, record.satellites, [](const auto& old) {
        return VYR_EPOCH_SVINFO_SV{vyr::satellite_from_compact_number(old.sat), old.elevation,
                                   old.azimuth};
    });
}

bool RecordFormat<VYR_EPOCH_SVINFO>::Write(CStm& stream, const VYR_EPOCH_SVINFO& record) {
    return write_value(stream, record.time) && write_value(stream, record.info) &&
           write_counted_vector(stream, record.satellites);
}

bool RecordFormat<VYR_SV_STAT>::Read(CStm& stream, uint32_t version, VYR_SV_STAT& record) {
    record.bands.clear();
    return is_known_storage_version(version) && read_satellite(stream, version, record.sat) &&
           read_counted_vector(stream, record.bands);
}

bool RecordFormat<VYR_SV_STAT>::Write(CStm& stream, const VYR_SV_STAT& record) {
    return write_value(stream, record.sat) && write_counted_vector(stream, record.bands);
}

bool RecordFormat<VYR_POINT_POSITION>::Read(CStm& stream, uint32_t version,
                                            VYR_POINT_POSITION& record) {
    record.observations.clear();
    return is_known_storage_version(version) && read_value(stream, record.position) &&
           read_counted_map(stream, record.observations);
}

bool RecordFormat<VYR_POINT_POSITION>::Write(CStm& stream, const VYR_POINT_POSITION& record) {
    return write_value(stream, record.position) && write_counted_map(stream, record.observations);
}

bool RecordFormat<VYR_AMBIGUITY_STAT>::Read(CStm& stream, uint32_t version,
                                            VYR_AMBIGUITY_STAT& record) {
    record.intervals.clear();
    record.bands.clear();
    record.ambiguities.clear();
    record.satellites.clear();
    return is_known_storage_version(version) && read_value(stream, record.summary) &&
           read_counted_vector(stream, record.intervals) &&
           read_counted_map(stream, record.bands) && read_counted_map(stream, record.ambiguities) &&
           read_counted_map(stream, record.satellites);
}

bool RecordFormat<VYR_AMBIGUITY_STAT>::Write(CStm& stream, const VYR_AMBIGUITY_STAT& record) {
    return write_value(stream, record.summary) && write_counted_vector(stream, record.intervals) &&
           write_counted_map(stream, record.bands) &&
           write_counted_map(stream, record.ambiguities) &&
           write_counted_map(stream, record.satellites);
}
