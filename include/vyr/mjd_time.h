// Time as a Modified Julian Date: the day and the milliseconds of that day, and the comparison
// with a chosen resolution that every time-keyed cache uses.
#pragma once

#include <rinex/rnx_types.h>

#include <cmath>
#include <cstdint>

#include "vyr/export.h"

namespace mjd {

constexpr double kSecondsPerDay = 86400.0;
constexpr double kMillisecondsPerDay = 86400000.0;
// Integer, for week arithmetic in whole seconds.
constexpr int64_t kSecondsPerWeek = 604800;
// 6 January 1980, where GPS weeks start counting (no 1024-week roll-over here).
constexpr uint32_t kGpsOriginMjd = 44244;

struct time {
    uint32_t day = 0;           // MJD day
    double milliseconds = 0.0;  // of the day, 0 to below 86400000
};

// Orders by day, then by the milliseconds of the day; times closer than the resolution count
// as equal:
//   1: more than 1e-6 ms apart     4: more than 1 s apart
//   2: more than 0.001 ms apart    5: more than 1 min apart
//   3: at least 1 whole ms apart   6: more than 1 h apart
//   any other: any difference
class CMP_TIME_MILLISECONDS {
public:
    explicit CMP_TIME_MILLISECONDS(int resolution = 3) : m_resolution(resolution) {}

    bool operator()(const time& a, const time& b) const {
        if (a.day != b.day) return static_cast<int32_t>(a.day) < static_cast<int32_t>(b.day);
        const double d = b.milliseconds - a.milliseconds;
        switch (m_resolution) {
            case 1:
                return d > 1e-6;
            case 2:
                return d > 0.001;
            case 3:
                return std::trunc(d) >= 1.0;
            case 4:
                return d > 1000.0;
            case 5:
                return d > 60000.0;
            case 6:
                return d > 3.6e6;
            default:
                return d > 0.0;
        }
    }

    int resolution() const { return m_resolution; }

private:
    int m_resolution;
};

}  // namespace mjd

// Calendar date and time to MJD day and milliseconds of day. Times at or past midnight (a second
// 60, or seconds rounded up to the next day) carry into the next day, so the milliseconds stay
// below 86400000.
VYR_API void CalendarToMjd(int year, int month, int day, int hour, int minute, double seconds,
                           uint32_t& mjd, double& milliseconds);

// MJD day and milliseconds of day to calendar date and time. Milliseconds of a whole day or more
// carry into the following days.
VYR_API void MjdToCalendar(uint32_t mjd, double milliseconds, int& year, int& month, int& day,
                           int& hour, int& minute, double& seconds);

// MJD day and fraction of day to a RINEX time tag of the given time system.
VYR_API RNX_TIME Mjd2RnxTime(const uint32_t& mjd, const double& fraction,
                             const eTIMESYS& timeSystem);
