// Stored forms of the association descriptions: the station entries as a counted list, and the
// station association field by field around it.
// Stored layout: docs/format.md, section 6.6.
#pragma once

#include <vyr/association.h>

#include "records/counted_encoding.h"
#include "records/record_io.h"

template <>
struct RecordFormat<VYR_IONO_COMPUTED_ASSOC> {
    static bool Read(CStm& stream, uint32_t /*version*/, VYR_IONO_COMPUTED_ASSOC& assoc) {
        assoc.stations.clear();
        return vyr_records::read_counted_vector(stream, assoc.stations);
    }
    static bool Write(CStm& stream, const VYR_IONO_COMPUTED_ASSOC& assoc) {
        return vyr_records::write_counted_vector(stream, assoc.stations);
    }
};

template <>
struct RecordFormat<VYR_STATION_ASSOC> {
    static bool Read(CStm& stream, uint32_t version, VYR_STATION_ASSOC& assoc) {
        return vyr_records::read_value(stream, assoc.first) &&
               vyr_records::read_value(stream, assoc.flags) &&
               vyr_records::read_value(stream, assoc.rover) &&
               RecordFormat<VYR_IONO_COMPUTED_ASSOC>::Read(stream, version, assoc.linkedStations) &&
               vyr_records::read_value(stream, assoc.ionoComputedAssocKey);
    }
    static bool Write(CStm& stream, const VYR_STATION_ASSOC& assoc) {
        return vyr_records::write_value(stream, assoc.first) &&
               vyr_records::write_value(stream, assoc.flags) &&
               vyr_records::write_value(stream, assoc.rover) &&
               RecordFormat<VYR_IONO_COMPUTED_ASSOC>::Write(stream, assoc.linkedStations) &&
               vyr_records::write_value(stream, assoc.ionoComputedAssocKey);
    }
};
