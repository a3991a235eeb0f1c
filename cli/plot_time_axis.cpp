#include "plot_time_axis.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "time_text.h"

namespace vyr_cli {

int64_t milliseconds_of(uint32_t mjd, double fraction) {
    return int64_t(mjd) * kMsPerDay + std::llround(fraction * double(kMsPerDay));
}

int64_t milliseconds_of(double mjd) {
    const double day = std::floor(mjd);
    return milliseconds_of(static_cast<uint32_t>(day), mjd - day);
}

std::string iso_of(int64_t ms) {
    return iso_time(static_cast<uint32_t>(ms / kMsPerDay), double(ms % kMsPerDay) / kMsPerDay);
}

TimeScale::TimeScale(int64_t first, int64_t last, double left, double width)
    : m_first(first), m_last(std::max(first, last)), m_left(left), m_width(width) {
    constexpr int64_t kShortest = 60000;
    if (m_last - m_first < kShortest) {
        const int64_t middle = m_first + (m_last - m_first) / 2;
        m_first = middle - kShortest / 2;
        m_last = middle + kShortest / 2;
    }
    m_perMs = m_width / double(m_last - m_first);
}

std::vector<TimeTick> time_ticks(int64_t first, int64_t last, int max_ticks) {
    static constexpr int64_t kSteps[] = {1,   2,   5,    10,   15,   30,    60,    120,   300,
                                         600, 900, 1800, 3600, 7200, 10800, 21600, 43200, 86400};
    if (last < first) std::swap(first, last);
    max_ticks = std::max(max_ticks, 2);
    int64_t step = 0;
    for (const int64_t seconds : kSteps) {
        step = seconds * 1000;
        if ((last - first) / step + 1 <= max_ticks) break;
    }
    // Beyond a day: whole days, as many as it takes.
    while ((last - first) / step + 1 > max_ticks) step += kMsPerDay;
    const bool manyDays = first / kMsPerDay != last / kMsPerDay;
    std::vector<TimeTick> ticks;
    for (int64_t t = (first + step - 1) / step * step; t <= last; t += step) {
        const int64_t ms = t % kMsPerDay;
        char text[24];
        if (manyDays && ms == 0)
            std::snprintf(text, sizeof text, "%.10s", iso_of(t).c_str());
        else if (step < 60000)
            std::snprintf(text, sizeof text, "%02d:%02d:%02d", int(ms / 3600000),
                          int(ms / 60000 % 60), int(ms / 1000 % 60));
        else
            std::snprintf(text, sizeof text, "%02d:%02d", int(ms / 3600000), int(ms / 60000 % 60));
        ticks.push_back({t, text});
    }
    return ticks;
}

}  // namespace vyr_cli
