// Stored MJD times (day with fraction) as the day and milliseconds that time keys compare.
#pragma once

#include <cmath>

#include <vyr/mjd_time.h>

namespace vyr_records {

// Day = the time truncated toward zero, milliseconds = the fraction times 86 400 000. A value
// that is no time at all (not finite, or beyond the 32-bit day range) becomes day 0, so that a
// damaged record still has a key and orders consistently.
inline mjd::time to_mjd_time(double value) {
    if (!std::isfinite(value) || value <= -4294967296.0 || value >= 4294967296.0) return {};
    const double day = std::trunc(value);
    mjd::time time;
    time.day = static_cast<uint32_t>(static_cast<int64_t>(day));
    time.milliseconds = (value - day) * mjd::kMillisecondsPerDay;
    return time;
}

}  // namespace vyr_records
