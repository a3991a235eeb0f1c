// The RINEX export of a station: its receiver, antenna, occupations and epochs written as one
// RINEX observation file through the RINEX access library's writer.
#pragma once

#include <string>

#include <vyr/common_data.h>
#include <vyr/station.h>

namespace vyr_import {

// The folder the station's plain ExportRinex writes into: "RINEX_Output" inside base.
std::string rinex_output_folder(const std::string& base);

// The marker name of a station: its key text, else the site name of its first occupation;
// "STAT" when that is empty or holds no letter or digit.
std::string marker_name_of(const VYR_STATION_KEY& key, const std::string& siteName);

// Writes the station's filtered epochs into folder (made when missing, one level). common may
// be null: then no leap seconds and GLONASS slots are written. Failures: 0x80008001 for an
// empty folder or an unknown version; 0x8000900D when no epoch passes the filter (nothing is
// made); 0x80008002 when no writer can be had; 0x80009006 when the file cannot be written
// (nothing is left behind); a failure of reading the station is returned as it is.
VYR_ERROR export_station_rinex(IVyrStationEx& station, IVyrCommonData* common,
                               const std::string& folder, const VYR_RINEX_EXPORT_OPTIONS& options,
                               VYR_RINEX_EXPORT_RESULT& result);

}  // namespace vyr_import
