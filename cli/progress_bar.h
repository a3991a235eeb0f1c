// The progress line of a long import, drawn on a terminal and nowhere else.
#pragma once

#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace vyr_cli {

// The width of the terminal on fd when it tells one, else 80.
int terminal_columns(int fd);

// One line of the bar, at most columns - 1 characters wide (a line filling the last column
// wraps on some terminals): the name, shortened from the left with "..." when it does not fit,
// a bar where there is room, the share done, MB/s and the time left
// ("...0021200_01D_30S_MO.crx.gz [######..............]  47% 61.2 MB/s 0:03 left").
// done: the share of the work done, 0 to 1; bytes: the size of the whole file as stored, of
// which done is taken as read (MB = 10^6 bytes); elapsed: seconds since the work began.
// Speed and time left show as "-.-" and "-:--" until they can be told.
std::string progress_line(std::string_view name, double done, uint64_t bytes, double elapsed,
                          int columns);

// A bar over work of total steps (the lines of a file), for a file of bytes stored bytes. It
// draws on fd only when fd is a terminal, at most ten times a second, and clears its line when
// it goes.
class ProgressBar {
public:
    ProgressBar(std::string name, uint64_t total, uint64_t bytes, int fd = STDERR_FILENO);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // step: the steps done so far.
    void at(uint64_t step);
    bool active() const { return m_active; }

private:
    using Clock = std::chrono::steady_clock;
    void write_out(const std::string& text) const;

    std::string m_name;
    uint64_t m_total;
    uint64_t m_bytes;
    int m_fd;
    bool m_active;
    bool m_drawn = false;
    Clock::time_point m_start;
    Clock::time_point m_lastDraw;
};

}  // namespace vyr_cli
