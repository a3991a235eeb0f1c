// The ranges of RINEX time, satellite and channel fields.
#include "rinex/rnx_checks.h"

#include <cmath>
#include <cstdio>

namespace {

bool is_leap_year(int32_t year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int32_t days_in_month(int32_t year, int32_t month) {
    static constexpr int32_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && is_leap_year(year) ? 29 : kDays[month - 1];
}

}  // namespace

std::string RnxCalendarProblem(int32_t year, int32_t month, int32_t day, int32_t hour,
                               int32_t minute, double seconds) {
    static constexpr const char* kMonths[] = {"January",   "February", "March",    "April",
                                              "May",       "June",     "July",     "August",
                                              "September", "October",  "November", "December"};
    char text[80];
    if (month < 1 || month > 12) {
        std::snprintf(text, sizeof text, "there is no month %d", month);
    } else if (day < 1 || day > days_in_month(year, month)) {
        std::snprintf(text, sizeof text, "%s %d has %d days", kMonths[month - 1], year,
                      days_in_month(year, month));
    } else if (hour < 0 || hour > 23) {
        std::snprintf(text, sizeof text, "there is no hour %d in a day", hour);
    } else if (minute < 0 || minute > 59) {
        std::snprintf(text, sizeof text, "there is no minute %d in an hour", minute);
    } else if (!(seconds >= 0.0 && seconds < 61.0)) {
        std::snprintf(text, sizeof text, "there is no second %.7g in a minute", seconds);
    } else {
        return {};
    }
    return text;
}

RNX_SATELLITE_RANGE RnxSatelliteRange(char letter) {
    switch (letter) {
        case 'G':
            return {1, 63, "GPS"};  // the PRN codes the signals define
        case 'R':
            return {1, 31, "GLONASS"};  // the five-bit slot number of the almanac
        case 'E':
            return {1, 63, "Galileo"};  // the six-bit satellite id
        case 'S':
            return {1, 58, "SBAS"};  // PRN 120-158 as 20-58; lower numbers are an older habit
        default:
            return {1, 99, "another satellite system"};
    }
}

bool RnxGlonassChannel(double value, int32_t& channel) {
    if (!std::isfinite(value) || value < -1000.0 || value > 1000.0) return false;
    int32_t n = static_cast<int32_t>(std::lround(value));
    if (n >= 249 && n <= 255) n -= 256;
    if (n < -7 || n > 13) return false;
    channel = n;
    return true;
}
