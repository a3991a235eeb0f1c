// The stored payload of processing-error records: a 16-bit length, then the bytes. The type is
// stored among the record's own fields.
// Stored layout: docs/format.md, section 6.4.
#pragma once

#include <vyr/processing_errors.h>

#include "storage/stm.h"

namespace vyr_records {

// A stored length that does not belong to the type (an unknown type, a foreign length) gives
// an empty payload: the bytes are skipped and the record still reads.
bool read_error_payload(CStm& stream, uint32_t type, CErrorPayload& payload);
bool write_error_payload(CStm& stream, const CErrorPayload& payload);

}  // namespace vyr_records
