// Stored form of a processing error interval in "ProcessingErrorsInterval": code (4), start
// (8), end (8), payload type (4), payload length (2), payload bytes. Records vary in length.
// Stored layout: docs/format.md, section 6.4.
#pragma once

#include <vyr/processing_errors.h>

#include "records/record_io.h"

namespace vyr_records {

bool read_processing_error_interval(CStm& stream, VYR_PROCESSING_ERROR_INTERVAL& record);
bool write_processing_error_interval(CStm& stream, const VYR_PROCESSING_ERROR_INTERVAL& record);

}  // namespace vyr_records

template <>
struct RecordFormat<VYR_PROCESSING_ERROR_INTERVAL> {
    static bool Read(CStm& stream, uint32_t /*version*/, VYR_PROCESSING_ERROR_INTERVAL& record) {
        return vyr_records::read_processing_error_interval(stream, record);
    }
    static bool Write(CStm& stream, const VYR_PROCESSING_ERROR_INTERVAL& record) {
        return vyr_records::write_processing_error_interval(stream, record);
    }
};
