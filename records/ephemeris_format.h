// The GLONASS broadcast ephemeris is read by the storage version: projects of versions 1 and 2
// stored the slot 32 higher (the old one-byte satellite number).
// Stored layout: docs/format.md, section 5.
#pragma once

#include <vyr/ephemeris.h>

#include "records/record_io.h"

template <>
struct RecordFormat<VYR_BROADCASTEPHEMERIS_GLO> {
    static bool Read(CStm& stream, uint32_t version, VYR_BROADCASTEPHEMERIS_GLO& record) {
        if (version < 1 || version > kStorageVersionCurrent) return false;
        if (!stream.Read(&record, sizeof record)) return false;
        if (version < kStorageVersionCurrent) record.slot = static_cast<uint8_t>(record.slot - 32);
        return true;
    }
    static bool Write(CStm& stream, const VYR_BROADCASTEPHEMERIS_GLO& record) {
        return stream.Write(&record, sizeof record);
    }
};
