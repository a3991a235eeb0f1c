// The data rate of a station: the smallest interval between its epochs, snapped to the rates
// receivers use.
#pragma once

#include <cstdint>

namespace vyr_stations {

// 50 ms to 60 s; a rate between two of them goes to the upper one only past their midpoint.
uint32_t snap_data_rate(uint32_t milliseconds);

// 0 for fewer than two epochs, else the smallest interval (a day fraction) rounded to whole
// milliseconds and snapped.
uint32_t data_rate_from_interval(uint32_t epochs, double smallestInterval);

}  // namespace vyr_stations
