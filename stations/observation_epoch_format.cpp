#include "stations/observation_epoch_format.h"

#include <algorithm>
#include <array>
#include <cstring>

#include <vyr/observation_record.h>

#include "stations/observation_record_layout.h"

namespace vyr_stations {
namespace {

using EpochBuffer = std::array<uint8_t, vyr::kMaxStoredEpochSize>;

// Reads one older record: its header, then the satellite records that fit in VYR_OBSERVATION;
// the surplus of a count above 24 is passed over.
bool read_older_record(CStm& stream, VYR_OBSERVATION& record) {
    std::memset(&record, 0, sizeof record);
    if (!stream.Read(&record, VYR_OBSERVATION::kHeaderSize)) return false;
    const uint64_t size = satellite_record_size(record.flags);
    const int32_t storedCount = record.count;  // a copy: std::max binds references
    const uint64_t count = static_cast<uint64_t>(std::max(storedCount, 0));
    const uint64_t kept = std::min<uint64_t>(count, VYR_OBSERVATION::kMaxSatellites);
    if (kept > 0 && !stream.Read(record.satellites, static_cast<uint32_t>(kept * size)))
        return false;
    if (count > kept) {
        // Skipped in pieces, never allocated by the stored count.
        uint64_t surplus = (count - kept) * size;
        std::array<uint8_t, 4096> discard;
        while (surplus > 0) {
            const uint32_t piece = static_cast<uint32_t>(std::min<uint64_t>(surplus, 4096));
            if (!stream.Read(discard.data(), piece)) return false;
            surplus -= piece;
        }
    }
    return true;
}

bool read_older_epoch(CStm& stream, VYR_OBSERVATIONEPOCH& epoch) {
    VYR_OBSERVATION record;
    while (read_older_record(stream, record)) {
        if (is_valid_observation_header(record) && Vyr_ConvertToObsEpoch(record, epoch) == VYR_OK)
            return true;
    }
    return false;
}

}  // namespace

bool decode_stored_epoch(CStm& stream, VYR_OBSERVATIONEPOCH& epoch) {
    EpochBuffer buffer;
    if (!stream.Read(buffer.data(), 4)) return false;
    uint32_t length = 0;
    std::memcpy(&length, buffer.data(), 4);
    // The length is checked before it sizes a read: a damaged field cannot overrun the buffer.
    if (length < vyr::kEncodedEpochHeaderSize || length > buffer.size()) return false;
    if (!stream.Read(buffer.data() + 4, length - 4)) return false;
    uint32_t consumed = 0;
    return Vyr_DeserializeObsEpoch(buffer.data(), length, epoch, consumed) == VYR_OK;
}

namespace {

bool read_encoded_epoch(CStm& stream, VYR_OBSERVATIONEPOCH& epoch) {
    if (!decode_stored_epoch(stream, epoch)) return false;
    // The stream holds only what its writer accepts; anything else is damage.
    if (vyr::is_valid_observation_epoch(epoch)) return true;
    epoch.Reset();
    return false;
}

}  // namespace

VYR_ERROR write_observation_epoch(CStm& stream, const VYR_OBSERVATIONEPOCH& epoch) {
    // What the reader would take for damage is never stored.
    if (!vyr::is_valid_observation_epoch(epoch)) return VYR_E_INVALID_PARAMETER;
    EpochBuffer buffer;
    uint32_t written = 0;
    const uint32_t capacity = static_cast<uint32_t>(buffer.size());
    const VYR_ERROR encoded = Vyr_SerializeObsEpoch(epoch, buffer.data(), capacity, written);
    if (encoded != VYR_OK) return encoded;
    return stream.Write(buffer.data(), written) ? VYR_OK : VYR_E_WRITE_ENTRY_FAILED;
}

bool read_observation_epoch(CStm& stream, uint32_t version, VYR_OBSERVATIONEPOCH& epoch) {
    if (version == kStorageVersionCurrent) return read_encoded_epoch(stream, epoch);
    if (version == 1 || version == 2) return read_older_epoch(stream, epoch);
    return false;
}

}  // namespace vyr_stations
