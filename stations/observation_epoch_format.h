// Observation epochs in a station's "Observations" stream: encoded epochs laid end to end, each
// found by its length field; projects of storage versions 1 and 2 hold older receiver records.
// Stored layout: docs/format.md, section 7 (older records: section 8).
#pragma once

#include <cstdint>

#include <vyr/observation_epoch.h>

#include "records/record_io.h"

namespace vyr_stations {

// Appends one epoch at the stream's current position. 0x80008001 for an epoch that is not
// valid, holds a satellite system or signal type no reader knows, or has more than 255
// satellites or signals on one satellite, 0x80008006 for one that
// encodes to more than 10000 bytes (which no reader would accept), 0x80009006 when the stream
// refuses the bytes. Nothing is written on failure.
VYR_ERROR write_observation_epoch(CStm& stream, const VYR_OBSERVATIONEPOCH& epoch);

// Reads one encoded epoch (the current layout) from the current position, as the decoder takes
// it: a time of day 0 or a status 0 is no damage here. False at the end of the stream or when
// the bytes do not decode.
bool decode_stored_epoch(CStm& stream, VYR_OBSERVATIONEPOCH& epoch);

// Reads the next epoch from the current position. Storage version 3 reads one encoded epoch;
// versions 1 and 2 read older receiver records, skipping invalid ones, up to the next valid one.
// False at the end of the stream, on a damaged epoch (one that does not decode or that its
// writer would have refused), or for any other version.
bool read_observation_epoch(CStm& stream, uint32_t version, VYR_OBSERVATIONEPOCH& epoch);

}  // namespace vyr_stations

template <>
struct RecordFormat<VYR_OBSERVATIONEPOCH> {
    static bool Read(CStm& stream, uint32_t version, VYR_OBSERVATIONEPOCH& epoch) {
        return vyr_stations::read_observation_epoch(stream, version, epoch);
    }
    static bool Write(CStm& stream, const VYR_OBSERVATIONEPOCH& epoch) {
        return vyr_stations::write_observation_epoch(stream, epoch) == VYR_OK;
    }
};

// Reads epochs one after another; the positioning decides where the first one is read.
class CRecordReadObservationEpoch : public CRecordRead<VYR_OBSERVATIONEPOCH> {
public:
    CRecordReadObservationEpoch(CStm& stream, RecordPositioning positioning, uint32_t version)
        : CRecordRead<VYR_OBSERVATIONEPOCH>(stream, positioning, version) {}
};

// Writes epochs to the end of the stream (appending) or from its start (rewriting).
class CRecordWriteObservationEpoch : public CRecordWrite<VYR_OBSERVATIONEPOCH> {
public:
    CRecordWriteObservationEpoch(CStm& stream, RecordPositioning positioning)
        : CRecordWrite<VYR_OBSERVATIONEPOCH>(stream, positioning) {}
};
