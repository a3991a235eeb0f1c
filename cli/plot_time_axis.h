// Time along the x axis of every plot: times as whole milliseconds since MJD 0, a span mapped
// onto pixels, and ticks at round times chosen from the span.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "time_text.h"

namespace vyr_cli {

int64_t milliseconds_of(uint32_t mjd, double fraction);
// An MJD with its fraction in one number, as results keep their times.
int64_t milliseconds_of(double mjd);
// "YYYY-MM-DDTHH:MM:SS.sss", as `vyr obs` prints epochs.
std::string iso_of(int64_t ms);

// The span [first, last] over [left, left + width] pixels. A span shorter than a minute is
// widened around its middle, so a single epoch still has room.
class TimeScale {
public:
    TimeScale(int64_t first, int64_t last, double left, double width);
    double x(int64_t ms) const { return m_left + double(ms - m_first) * m_perMs; }
    int64_t first() const { return m_first; }
    int64_t last() const { return m_last; }
    double left() const { return m_left; }
    double right() const { return m_left + m_width; }

private:
    int64_t m_first, m_last;
    double m_left, m_width, m_perMs;
};

struct TimeTick {
    int64_t ms;
    std::string label;
};

// Ticks at every multiple of the smallest round step (1 s ... 12 h, whole days beyond) that
// leaves at most max_ticks of them in [first, last]. Labels are "HH:MM", "HH:MM:SS" for steps
// under a minute; a tick at midnight of a span over more than one day shows the date instead.
std::vector<TimeTick> time_ticks(int64_t first, int64_t last, int max_ticks);

}  // namespace vyr_cli
