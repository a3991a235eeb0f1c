// Raw data items in an association's "RawData" stream: laid end to end, each a 4-byte kind, then
// for kind 1 the 54-byte point description, for kind 2 the tag, the number of station epochs and
// per station epoch the 21-byte key and the encoded epoch (projects of storage versions 1 and 2:
// a whole 1894-byte older receiver record instead).
// Stored layout: docs/format.md, section 6.6.
#pragma once

#include <cstdint>
#include <vector>

#include <vyr/raw_data.h>

#include "storage/stm.h"

namespace vyr_stations {

// The stored bytes of one item. 0x80008001 for a kind other than 1 and 2 (such an item could
// never be read back); 0x80009006 for a station epoch that does not encode into 10000 bytes or
// that a reader would take for damage.
VYR_ERROR encode_raw_data(const VYR_RAW_DATA& item, std::vector<uint8_t>& bytes);

// Appends one item at the end of the stream in one write. A failed write cuts the stream back to
// its old end, so that no partial item stands before the items added later.
VYR_ERROR append_raw_data(CStm& stream, const VYR_RAW_DATA& item);

// Reads the item at the current position. False at the end of the stream and on damage; the item
// is then empty (kind 0, tag -1).
bool read_raw_data(CStm& stream, uint32_t version, VYR_RAW_DATA& item);

}  // namespace vyr_stations
