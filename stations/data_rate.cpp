#include "stations/data_rate.h"

#include <array>
#include <cmath>

#include <vyr/mjd_time.h>

namespace vyr_stations {

namespace {
constexpr std::array<uint32_t, 16> kStandardRates = {50,    100,   200,   500,  1000,  2000,
                                                     3000,  4000,  5000,  6000, 10000, 12000,
                                                     15000, 20000, 30000, 60000};
}  // namespace

uint32_t snap_data_rate(uint32_t milliseconds) {
    if (milliseconds <= kStandardRates.front()) return kStandardRates.front();
    if (milliseconds >= kStandardRates.back()) return kStandardRates.back();
    for (size_t i = 1; i < kStandardRates.size(); ++i) {
        const uint32_t lo = kStandardRates[i - 1], hi = kStandardRates[i];
        if (milliseconds == hi) return hi;
        if (milliseconds < hi) return milliseconds > (lo + hi) / 2 ? hi : lo;
    }
    return kStandardRates.back();
}

uint32_t data_rate_from_interval(uint32_t epochs, double smallestInterval) {
    if (epochs < 2) return 0;
    const double ms = std::round(smallestInterval * mjd::kMillisecondsPerDay);
    if (!(ms >= 0.0)) return snap_data_rate(0);
    return snap_data_rate(ms >= 4294967295.0 ? UINT32_MAX : static_cast<uint32_t>(ms));
}

}  // namespace vyr_stations
