// Stored form of a single processing error in "ProcessingErrorsGeneral": code (4), second code
// (4), payload type (4), payload length (2), payload bytes.
// Stored layout: docs/format.md, section 6.4.
#pragma once

#include <vyr/processing_errors.h>

#include "records/counted_encoding.h"
#include "records/error_payload_format.h"
#include "records/record_io.h"

template <>
struct RecordFormat<VYR_PROCESSING_ERROR> {
    static bool Read(CStm& stream, uint32_t /*version*/, VYR_PROCESSING_ERROR& record) {
        uint32_t type = 0;
        return vyr_records::read_value(stream, record.code) &&
               vyr_records::read_value(stream, record.secondCode) &&
               vyr_records::read_value(stream, type) &&
               vyr_records::read_error_payload(stream, type, record.payload);
    }
    static bool Write(CStm& stream, const VYR_PROCESSING_ERROR& record) {
        return vyr_records::write_value(stream, record.code) &&
               vyr_records::write_value(stream, record.secondCode) &&
               vyr_records::write_value(stream, record.payload.Type()) &&
               vyr_records::write_error_payload(stream, record.payload);
    }
};
