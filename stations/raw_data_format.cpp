#include "stations/raw_data_format.h"

#include <limits>

#include <vyr/observation_record.h>

#include "records/record_io.h"
#include "stations/observation_epoch_format.h"

namespace vyr_stations {
namespace {

template <class T>
void put(std::vector<uint8_t>& bytes, const T& value) {
    const auto* first = reinterpret_cast<const uint8_t*>(&value);
    bytes.insert(bytes.end(), first, first + sizeof(T));
}

// A station epoch need not be valid here: an empty or reset epoch (day 0, status 0) stands for a
// station without data at that time and must read back. The encoder refuses exactly what the
// decoder would not take back.
VYR_ERROR put_epoch(std::vector<uint8_t>& bytes, const VYR_OBSERVATIONEPOCH& epoch) {
    const size_t start = bytes.size();
    bytes.resize(start + vyr::kMaxStoredEpochSize);
    uint32_t written = 0;
    const uint32_t capacity = vyr::kMaxStoredEpochSize;
    const VYR_ERROR encoded = Vyr_SerializeObsEpoch(epoch, bytes.data() + start, capacity, written);
    bytes.resize(start + written);
    return encoded == VYR_OK ? VYR_OK : VYR_E_WRITE_ENTRY_FAILED;
}

bool read_older_epoch(CStm& stream, VYR_OBSERVATIONEPOCH& epoch) {
    VYR_OBSERVATION record;
    if (!stream.Read(&record, sizeof record)) return false;
    return Vyr_ConvertToObsEpoch(record, epoch) == VYR_OK;
}

bool read_station_epoch(CStm& stream, uint32_t version, VYR_RAW_DATA_EPOCH& station) {
    if (!stream.Read(&station.station, sizeof station.station)) return false;
    if (version == kStorageVersionCurrent) return decode_stored_epoch(stream, station.epoch);
    if (version == 1 || version == 2) return read_older_epoch(stream, station.epoch);
    return false;
}

bool read_epochs(CStm& stream, uint32_t version, VYR_RAW_DATA& item) {
    uint32_t count = 0;
    if (!stream.Read(&item.epochTag, sizeof item.epochTag) || !stream.Read(&count, sizeof count))
        return false;
    // Grown as epochs arrive, never sized by the stored count.
    for (uint32_t i = 0; i < count; ++i) {
        item.epochs.emplace_back();
        if (!read_station_epoch(stream, version, item.epochs.back())) return false;
    }
    return true;
}

bool read_item(CStm& stream, uint32_t version, VYR_RAW_DATA& item) {
    if (!stream.Read(&item.kind, sizeof item.kind)) return false;
    switch (item.kind) {
        case VYR_RAW_DATA::KIND_EMPTY:
            return true;
        case VYR_RAW_DATA::KIND_POINT_DESC:
            return stream.Read(&item.pointDesc, sizeof item.pointDesc);
        case VYR_RAW_DATA::KIND_EPOCH:
            return read_epochs(stream, version, item);
        default:
            return false;
    }
}

}  // namespace

VYR_ERROR encode_raw_data(const VYR_RAW_DATA& item, std::vector<uint8_t>& bytes) {
    bytes.clear();
    if (item.kind != VYR_RAW_DATA::KIND_POINT_DESC && item.kind != VYR_RAW_DATA::KIND_EPOCH)
        return VYR_E_INVALID_PARAMETER;
    put(bytes, item.kind);
    if (item.kind == VYR_RAW_DATA::KIND_POINT_DESC) {
        put(bytes, item.pointDesc);
        return VYR_OK;
    }
    if (item.epochs.size() > std::numeric_limits<uint32_t>::max()) return VYR_E_WRITE_ENTRY_FAILED;
    put(bytes, item.epochTag);
    put(bytes, static_cast<uint32_t>(item.epochs.size()));
    for (const VYR_RAW_DATA_EPOCH& station : item.epochs) {
        put(bytes, station.station);
        const VYR_ERROR encoded = put_epoch(bytes, station.epoch);
        if (encoded != VYR_OK) return encoded;
    }
    return VYR_OK;
}

VYR_ERROR append_raw_data(CStm& stream, const VYR_RAW_DATA& item) {
    std::vector<uint8_t> bytes;
    const VYR_ERROR encoded = encode_raw_data(item, bytes);
    if (encoded != VYR_OK) return encoded;
    uint64_t end = 0;
    if (!stream.SeekToEnd() || !stream.GetPosition(end)) return VYR_E_WRITE_ENTRY_FAILED;
    // Stream sizes are 32-bit.
    if (bytes.size() > std::numeric_limits<uint32_t>::max() - end) return VYR_E_WRITE_ENTRY_FAILED;
    if (stream.Write(bytes.data(), static_cast<uint32_t>(bytes.size()))) return VYR_OK;
    (void)stream.SetSize(static_cast<uint32_t>(end));
    return VYR_E_WRITE_ENTRY_FAILED;
}

bool read_raw_data(CStm& stream, uint32_t version, VYR_RAW_DATA& item) {
    item = VYR_RAW_DATA{};
    if (read_item(stream, version, item)) return true;
    // Nothing of a damaged item is handed out.
    item = VYR_RAW_DATA{};
    return false;
}

}  // namespace vyr_stations
