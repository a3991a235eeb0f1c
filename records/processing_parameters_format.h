// Stored forms of the processing parameters and of their kernel and orbit parts, current and
// older.
//
// Current (version 3): outer block (94 bytes), kernel fields (120), kernel map (count + 8 per
// entry), the first 44 bytes of the orbit fields, orbit satellite set (count + 5 per satellite).
// The standalone kernel and orbit records are their part of that layout.
//
// Versions 1 and 2 interleave the parts: outer bytes 0-11, the old kernel layout (129 or 139
// bytes), outer bytes 12-55, the old orbit layout (168 or 272 bytes), outer bytes 56-80. The old
// kernel and orbit layouts begin with the fields of today's parts; their leading 120 (kernel)
// and 44 (orbit) bytes are taken over, the remainder is read past, and everything the old
// layouts lack keeps its default.
// Stored layout: docs/format.md, section 6.6 (older layouts: section 5).
#pragma once

#include <vyr/processing_parameters.h>

#include "records/record_io.h"

namespace vyr_records {

bool read_kernel_parameters(CStm& stream, uint32_t version,
                            VYR_PROCESSING_PARAMETERS_KERNEL& kernel);
bool write_kernel_parameters(CStm& stream, const VYR_PROCESSING_PARAMETERS_KERNEL& kernel);
bool read_orbit_parameters(CStm& stream, uint32_t version, VYR_PROCESSING_PARAMETERS_ORBIT& orbit);
bool write_orbit_parameters(CStm& stream, const VYR_PROCESSING_PARAMETERS_ORBIT& orbit);
bool read_processing_parameters(CStm& stream, uint32_t version,
                                VYR_PROCESSING_PARAMETERS& parameters);
bool write_processing_parameters(CStm& stream, const VYR_PROCESSING_PARAMETERS& parameters);

}  // namespace vyr_records

template <>
struct RecordFormat<VYR_PROCESSING_PARAMETERS> {
    static bool Read(CStm& stream, uint32_t version, VYR_PROCESSING_PARAMETERS& record) {
        return vyr_records::read_processing_parameters(stream, version, record);
    }
    static bool Write(CStm& stream, const VYR_PROCESSING_PARAMETERS& record) {
        return vyr_records::write_processing_parameters(stream, record);
    }
};

template <>
struct RecordFormat<VYR_PROCESSING_PARAMETERS_KERNEL> {
    static bool Read(CStm& stream, uint32_t version, VYR_PROCESSING_PARAMETERS_KERNEL& record) {
        return vyr_records::read_kernel_parameters(stream, version, record);
    }
    static bool Write(CStm& stream, const VYR_PROCESSING_PARAMETERS_KERNEL& record) {
        return vyr_records::write_kernel_parameters(stream, record);
    }
};

template <>
struct RecordFormat<VYR_PROCESSING_PARAMETERS_ORBIT> {
    static bool Read(CStm& stream, uint32_t version, VYR_PROCESSING_PARAMETERS_ORBIT& record) {
        return vyr_records::read_orbit_parameters(stream, version, record);
    }
    static bool Write(CStm& stream, const VYR_PROCESSING_PARAMETERS_ORBIT& record) {
        return vyr_records::write_orbit_parameters(stream, record);
    }
};
