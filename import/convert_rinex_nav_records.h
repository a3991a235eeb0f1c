// Navigation messages as the library delivers them, turned into the stored ephemeris records.
// The version-2 text readers fill the same message structures, so both roads store alike.
#pragma once

#include <rinex/rnx_nav_types.h>

#include <cstdint>

#include "vyr/ephemeris.h"

namespace vyr_import {

// Seconds of the GPS week of a calendar time, truncated.
uint32_t gps_seconds_of_week(const RNX_TIME& time);

VYR_BROADCASTEPHEMERIS gps_record_from_message(const RNX_NAV_GPS& message);

// frameTimeOfDay: the message frame time as stored; the library road takes it modulo one day,
// the version-2 text reader rounds the file's seconds of the day.
VYR_BROADCASTEPHEMERIS_GLO glonass_record_from_message(const RNX_NAV_GLO& message,
                                                       uint32_t frameTimeOfDay);
uint32_t glonass_frame_time_modulo_day(double frameTime);

VYR_BROADCASTEPHEMERIS_GAL galileo_record_from_message(const RNX_NAV_GAL& message);

}  // namespace vyr_import
