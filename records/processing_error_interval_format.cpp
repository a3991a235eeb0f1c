#include "records/processing_error_interval_format.h"

#include "records/counted_encoding.h"
#include "records/error_payload_format.h"

namespace vyr_records {

bool read_processing_error_interval(CStm& stream, VYR_PROCESSING_ERROR_INTERVAL& record) {
    uint32_t type = 0;
    return read_value(stream, record.code) && read_value(stream, record.start) &&
           read_value(stream, record.end) && read_value(stream, type) &&
           read_error_payload(stream, type, record.payload);
}

bool write_processing_error_interval(CStm& stream, const VYR_PROCESSING_ERROR_INTERVAL& record) {
    return write_value(stream, record.code) && write_value(stream, record.start) &&
           write_value(stream, record.end) && write_value(stream, record.payload.Type()) &&
           write_error_payload(stream, record.payload);
}

}  // namespace vyr_records
