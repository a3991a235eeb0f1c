// What the time, satellite and channel fields of a RINEX file can hold: the readers and the
// system's own version-2 parser refuse the same values.
#pragma once

#include <cstdint>
#include <string>

// Why year-month-day hour:minute:seconds names no moment ("February 2018 has 28 days"); empty
// when it names one. A second 60 is a leap second; 61 and above are refused.
std::string RnxCalendarProblem(int32_t year, int32_t month, int32_t day, int32_t hour,
                               int32_t minute, double seconds);

// The satellite numbers a system's letter can carry in an observation or navigation file:
// the numbers the system itself can broadcast, not only those in use today. Letters the
// library does not convert allow every two-digit number.
struct RNX_SATELLITE_RANGE {
    int32_t first;
    int32_t last;
    const char* systemName;  // "GPS", ...; "satellite system X" for the others
};
RNX_SATELLITE_RANGE RnxSatelliteRange(char letter);

// The GLONASS frequency channel of a navigation message's field, -7 to +13 (+7 to +13 were used
// before 2005). Some producers wrote the negative channels as unsigned bytes, 249 to 255: read
// as -7 to -1. False for any other value.
bool RnxGlonassChannel(double value, int32_t& channel);
