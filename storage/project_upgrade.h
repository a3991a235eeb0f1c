// The steps of converting a version 1 or 2 project to the current layout: each reads what it
// converts through the old layout (the version the objects were handed out with) and writes it
// back in the current one.
// Stored layout: docs/format.md, section 5.
#pragma once

#include <vyr/common_data.h>
#include <vyr/station.h>

namespace vyr_storage {

// Processing parameters and GLONASS broadcast ephemerides, rewritten through the common data.
VYR_ERROR upgrade_common_data(IVyrCommonDataEx& common);

// One station: its observations are read into memory, emptied and written again in the current
// encoding, which builds new statistics; the old system statistics are returned in kept. Entries
// of older layouts that are not rebuilt (satellite windows, the callers' satellite statistics)
// are rewritten in the current layout. Nothing is emptied before every epoch was read.
VYR_ERROR upgrade_station(IVyrStationEx& station, vyr::ObservationStatistics& kept);

// After the version is stamped: the three one-byte flags of each system record (source tag,
// reserved, clock-jump correction) are taken over from the kept statistics.
VYR_ERROR restore_statistics_flags(IVyrStationEx& station, const vyr::ObservationStatistics& kept);

}  // namespace vyr_storage
