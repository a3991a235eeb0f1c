#include <cmath>
#include <cstdint>

#include <vyr/mjd_time.h>

namespace {

// Beyond this (about 30000 years) a millisecond count is garbage, not a time; it is read as 0
// so that no conversion to an integer can overflow.
constexpr double kMaxMilliseconds = 1e15;

double sane_milliseconds(double milliseconds) {
    return std::isfinite(milliseconds) && std::fabs(milliseconds) <= kMaxMilliseconds ? milliseconds
                                                                                      : 0.0;
}

// Moves whole days out of the milliseconds so that they lie in [0, 86400000).
void carry_whole_days(int64_t& day, double& milliseconds) {
    const double whole = std::floor(milliseconds / mjd::kMillisecondsPerDay);
    day += static_cast<int64_t>(whole);
    milliseconds -= whole * mjd::kMillisecondsPerDay;
}

}  // namespace

void CalendarToMjd(int year, int month, int day, int hour, int minute, double seconds,
                   uint32_t& mjd, double& milliseconds) {
    int64_t y = year;
    int64_t m = month;
    if (m < 3) {
        y -= 1;
        m += 12;
    }
    int64_t dayNumber = static_cast<int64_t>(365.25 * static_cast<double>(y)) +
                        static_cast<int64_t>(30.6001 * static_cast<double>(m + 1)) + y / 400 -
                        y / 100 + day - 679004;
    double ms = sane_milliseconds((hour * 3600.0 + minute * 60.0 + seconds) * 1000.0);
    carry_whole_days(dayNumber, ms);
    mjd = static_cast<uint32_t>(dayNumber);
    milliseconds = ms;
}

void MjdToCalendar(uint32_t mjd, double milliseconds, int& year, int& month, int& day, int& hour,
                   int& minute, double& seconds) {
    int64_t dayNumber = mjd;
    double ms = sane_milliseconds(milliseconds);
    carry_whole_days(dayNumber, ms);

    // The civil day's Julian day number, shifted as the month arithmetic below wants it. The
    // Gregorian century correction is computed rather than taken as the constant 12 that holds
    // from March 1900 to February 2100, so days outside that span get their true dates too.
    const double julianDay = std::trunc(ms / mjd::kMillisecondsPerDay +
                                        static_cast<double>(dayNumber) + 2400000.5 + 0.5);
    const double centuries = std::trunc((julianDay - 1867216.25) / 36524.25);
    const double b = julianDay + centuries - std::trunc(centuries / 4.0) + 1525.0;
    const double c = std::trunc((b - 122.1) / 365.25);
    const double d = std::trunc(365.25 * c);
    const double e = std::trunc((b - d) / 30.6001);
    const double dayOfMonth = b - std::trunc(30.6001 * e) - d;
    const double monthOfYear = e - 1.0 - 12.0 * std::trunc(e / 14.0);
    year = static_cast<int>(c - 4715.0 - std::trunc((7.0 + monthOfYear) / 10.0));
    month = static_cast<int>(monthOfYear);
    day = static_cast<int>(dayOfMonth);

    double s = ms / 1000.0;
    const double h = std::trunc(s / 3600.0);
    s -= 3600.0 * h;
    const double min = std::trunc(s / 60.0);
    hour = static_cast<int>(h);
    minute = static_cast<int>(min);
    seconds = s - 60.0 * min;
}

RNX_TIME Mjd2RnxTime(const uint32_t& mjd, const double& fraction, const eTIMESYS& timeSystem) {
    RNX_TIME time{};
    time.timeSystem = timeSystem;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
    double seconds = 0.0;
    MjdToCalendar(mjd, fraction * mjd::kMillisecondsPerDay, year, month, day, hour, minute,
                  seconds);
    time.year = static_cast<uint16_t>(year);
    time.month = static_cast<uint8_t>(month);
    time.day = static_cast<uint8_t>(day);
    time.hour = static_cast<uint8_t>(hour);
    time.minute = static_cast<uint8_t>(minute);
    time.seconds = seconds;
    return time;
}
