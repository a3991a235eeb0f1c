#include "time_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>

#include <vyr/vyr.h>

#include "commands.h"
#include "output_text.h"

namespace vyr_cli {
namespace {

// Walks a time text from left to right; every read either takes what it wants or fails.
class Cursor {
public:
    explicit Cursor(std::string_view text) : m_text(text) {}

    bool done() const { return m_at == m_text.size(); }
    char peek() const { return done() ? '\0' : m_text[m_at]; }
    bool take(char c) {
        if (done() || m_text[m_at] != c) return false;
        ++m_at;
        return true;
    }
    // How many digits follow.
    size_t digits_ahead() const {
        size_t n = 0;
        while (m_at + n < m_text.size() && m_text[m_at + n] >= '0' && m_text[m_at + n] <= '9') ++n;
        return n;
    }
    // Exactly count digits (no sign, no blank).
    bool number(size_t count, int& value) {
        if (digits_ahead() < count) return false;
        value = 0;
        for (size_t i = 0; i < count; ++i) value = value * 10 + (m_text[m_at++] - '0');
        return true;
    }
    // Digits with an optional fraction ("12", "12.5"); width digits before the point when given.
    bool decimal(size_t width, double& value) {
        const size_t whole = digits_ahead();
        if (whole == 0 || (width != 0 && whole != width)) return false;
        size_t end = m_at + whole;
        if (end < m_text.size() && m_text[end] == '.') {
            Cursor fraction(m_text);
            fraction.m_at = end + 1;
            const size_t decimals = fraction.digits_ahead();
            if (decimals == 0) return false;
            end += 1 + decimals;
        }
        const auto [stop, error] =
            std::from_chars(m_text.data() + m_at, m_text.data() + end, value);
        if (error != std::errc() || stop != m_text.data() + end) return false;
        m_at = end;
        return true;
    }

private:
    std::string_view m_text;
    size_t m_at = 0;
};

bool is_leap_year(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int days_in_month(int year, int month) {
    constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && is_leap_year(year) ? 29 : kDays[month - 1];
}

struct Clock {
    int hour = 0, minute = 0;
    double seconds = 0;
};

// HH:MM[:SS[.s]]. GPS time has no leap seconds, so second 60 is no time.
bool read_clock(Cursor& in, Clock& clock) {
    if (!in.number(2, clock.hour) || !in.take(':') || !in.number(2, clock.minute)) return false;
    if (in.take(':') && !in.decimal(2, clock.seconds)) return false;
    return clock.hour <= 23 && clock.minute <= 59 && clock.seconds < 60.0;
}

// What may follow a date: nothing (midnight), or a separator, a clock and an optional Z. The
// colon separates the clock of a day-of-year date only ("2017:097:12:30").
bool read_time_of_day(Cursor& in, bool colon, Clock& clock) {
    if (in.done()) return true;
    if (!in.take('T') && !in.take(' ') && !(colon && in.take(':'))) return false;
    if (!read_clock(in, clock)) return false;
    if (!in.take('Z')) in.take('z');
    return in.done();
}

// Years before 1900 lie before any GNSS and near the MJD origin; four digits bound the rest.
constexpr int kFirstYear = 1900;

double mjd_of(int year, int month, int day, const Clock& clock) {
    uint32_t mjd = 0;
    double milliseconds = 0;
    CalendarToMjd(year, month, day, clock.hour, clock.minute, clock.seconds, mjd, milliseconds);
    return mjd + milliseconds / mjd::kMillisecondsPerDay;
}

// gps:WEEK:SECONDS, the week counted from 1980-01-06 without the 1024-week roll-over.
std::optional<double> parse_gps_time(Cursor& in) {
    int week = 0;
    double seconds = 0;
    const size_t week_digits = in.digits_ahead();
    if (week_digits == 0 || week_digits > 5 || !in.number(week_digits, week) || !in.take(':') ||
        !in.decimal(0, seconds) || !in.done() || seconds >= mjd::kSecondsPerWeek)
        return std::nullopt;
    const double days = std::floor(seconds / mjd::kSecondsPerDay);
    return mjd::kGpsOriginMjd + 7.0 * week + days +
           (seconds - days * mjd::kSecondsPerDay) / mjd::kSecondsPerDay;
}

}  // namespace

std::string iso_time(uint32_t mjd, double fraction) {
    auto ms = static_cast<int64_t>(std::llround(fraction * mjd::kMillisecondsPerDay));
    const int64_t day = mjd + ms / kMsPerDay;
    ms %= kMsPerDay;
    int year = 0, month = 0, dom = 0, hour = 0, minute = 0;
    double seconds = 0;
    MjdToCalendar(static_cast<uint32_t>(day), 0.0, year, month, dom, hour, minute, seconds);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", year, month, dom,
                  static_cast<int>(ms / 3600000), static_cast<int>(ms / 60000 % 60),
                  static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000));
    return text;
}

std::string iso_time(double mjd) {
    const double day = std::floor(mjd);
    return iso_time(static_cast<uint32_t>(day), mjd - day);
}

std::optional<double> parse_time(const std::string& text) {
    Cursor in(text);
    if (text.size() > 4 && (text.compare(0, 4, "gps:") == 0 || text.compare(0, 4, "GPS:") == 0)) {
        for (int i = 0; i < 4; ++i) in.take(text[static_cast<size_t>(i)]);
        return parse_gps_time(in);
    }
    int year = 0;
    if (in.digits_ahead() != 4 || !in.number(4, year) || year < kFirstYear) return std::nullopt;
    Clock clock;
    // Year and day of year: three digits after the year ("2017:097", "2017-097").
    const char separator = in.peek();
    if (separator != ':' && separator != '-') return std::nullopt;
    in.take(separator);
    if (in.digits_ahead() == 3) {
        int day = 0;
        in.number(3, day);
        if (day < 1 || day > (is_leap_year(year) ? 366 : 365) || !read_time_of_day(in, true, clock))
            return std::nullopt;
        return mjd_of(year, 1, 1, clock) + (day - 1);
    }
    int month = 0, day = 0;
    if (separator != '-' || !in.number(2, month) || !in.take('-') || !in.number(2, day) ||
        month < 1 || month > 12 || day < 1 || day > days_in_month(year, month) ||
        !read_time_of_day(in, false, clock))
        return std::nullopt;
    return mjd_of(year, month, day, clock);
}

double time_option(const std::string& text, const std::string& name) {
    const std::optional<double> time = parse_time(text);
    if (!time)
        throw CommandFailure{
            name + ": not a time: '" + terminal_text(text) + "'; accepted: " + kTimeForms,
            kExitUsage};
    return *time;
}

}  // namespace vyr_cli
