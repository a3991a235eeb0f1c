// The stored form of the antenna: its 87 fixed bytes, then the intervals as a counted list.
// Stored layout: docs/format.md, section 6.6.
#pragma once

#include <cstdint>

#include <vyr/station.h>

#include "records/counted_encoding.h"
#include "records/record_io.h"

template <>
struct RecordFormat<VYR_ANTENNA> {
    static bool Read(CStm& stream, uint32_t /*version*/, VYR_ANTENNA& antenna) {
        antenna.intervals.clear();
        return vyr_records::read_value(stream, antenna.fields) &&
               vyr_records::read_counted_vector(stream, antenna.intervals);
    }
    static bool Write(CStm& stream, const VYR_ANTENNA& antenna) {
        return vyr_records::write_value(stream, antenna.fields) &&
               vyr_records::write_counted_vector(stream, antenna.intervals);
    }
};
