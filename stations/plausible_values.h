// What stored epochs and statistics can hold. The writers only ever store such values, so a
// reader that meets anything else has met damage and must not hand it out as data.
#pragma once

#include <cstdint>

#include <vyr/observation_epoch.h>

namespace vyr_stations {

// 0 where no time was set (a reset epoch, a satellite without epochs), else a day writers
// accept; a statistics time rounded to 10 ms may carry into the first day they refuse.
constexpr bool is_plausible_day(uint32_t mjd) {
    return mjd == 0 || (mjd >= vyr::kFirstEpochMjd && mjd <= vyr::kEndEpochMjd);
}

constexpr bool is_plausible_fraction(double fraction) {
    return fraction >= 0.0 && fraction < 1.0;  // a NaN fails both comparisons
}

constexpr bool is_plausible_time(uint32_t mjd, double fraction) {
    return is_plausible_day(mjd) && is_plausible_fraction(fraction);
}

constexpr bool is_known_system(VYR_SATELLITE_SYSTEM system) {
    return system >= VYR_SATSYS_GPS && system <= VYR_SATSYS_COMPASS;
}

constexpr bool is_known_obs_type(VYR_OBSTYPE type) {
    return type >= VYR_OBS_L1CA && type <= VYR_OBS_E6;
}

// Every satellite of a known system, every signal of a known type.
inline bool has_known_signals(const VYR_OBSERVATIONEPOCH& epoch) {
    for (const VYR_OBSERVATIONEPOCH_SV& sv : epoch.satellites) {
        if (!is_known_system(sv.satId.system)) return false;
        for (const VYR_OBSERVATIONEPOCH_SIGNAL& signal : sv.observations)
            if (!is_known_obs_type(signal.obsType)) return false;
    }
    return true;
}

}  // namespace vyr_stations
