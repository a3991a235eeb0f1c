#include "progress_bar.h"

#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>

#include "output_text.h"

namespace vyr_cli {
namespace {

constexpr int kDefaultColumns = 80;
constexpr int kBarCells = 20;
// The bar is drawn only when the name keeps at least this many columns beside it.
constexpr size_t kNameBesideBar = 24;
// Below this the name is left out: a stub of a name tells nothing.
constexpr size_t kShortestName = 8;
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);

// Columns taken by UTF-8 text, one per character (terminal_text leaves no control bytes).
size_t text_columns(std::string_view text) {
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// The last columns of text, after "...", when it is wider than columns.
std::string shortened(std::string_view text, size_t columns) {
    size_t width = text_columns(text);
    if (width <= columns) return std::string(text);
    if (columns <= 3) return std::string(columns, '.');
    size_t from = 0;
    // Drops whole characters from the left until the rest and "..." fit.
    while (width > columns - 3 && from < text.size()) {
        ++from;
        while (from < text.size() && (static_cast<unsigned char>(text[from]) & 0xC0) == 0x80)
            ++from;
        --width;
    }
    return "..." + std::string(text.substr(from));
}

std::string speed_text(double done, uint64_t bytes, double elapsed) {
    if (!(elapsed > 0.0) || !(done > 0.0)) return " -.-";
    const double megabytesPerSecond = done * static_cast<double>(bytes) / 1e6 / elapsed;
    char text[32];
    std::snprintf(text, sizeof text, megabytesPerSecond < 99.95 ? "%4.1f" : "%4.0f",
                  megabytesPerSecond);
    return text;
}

std::string time_left_text(double done, double elapsed) {
    if (done >= 1.0) return "0:00";
    if (!(elapsed > 0.0) || !(done > 0.0)) return "-:--";
    const double left = std::ceil(elapsed * (1.0 - done) / done);
    if (left >= 100.0 * 3600.0) return ">99h";
    const auto seconds = static_cast<long>(left);
    char text[32];
    if (seconds < 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld", seconds / 60, seconds % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", seconds / 3600, seconds / 60 % 60,
                      seconds % 60);
    return text;
}

}  // namespace

int terminal_columns(int fd) {
    winsize size{};
    if (ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return kDefaultColumns;
}

std::string progress_line(std::string_view name, double done, uint64_t bytes, double elapsed,
                          int columns) {
    done = std::isnan(done) ? 0.0 : std::clamp(done, 0.0, 1.0);
    const size_t usable = columns > 1 ? static_cast<size_t>(columns - 1) : 0;
    // A hair added: 0.29 * 100 is 28.999... in binary.
    char percent[8];
    std::snprintf(percent, sizeof percent, "%3d%%",
                  static_cast<int>(std::floor(done * 100.0 + 1e-9)));
    const std::string tail = std::string(percent) + " " + speed_text(done, bytes, elapsed) +
                             " MB/s " + time_left_text(done, elapsed) + " left";
    if (usable < tail.size() + 1 + kShortestName) return tail.substr(0, usable);

    const auto filled = static_cast<size_t>(std::floor(done * kBarCells + 1e-9));
    const std::string bar =
        " [" + std::string(filled, '#') + std::string(kBarCells - filled, '.') + "]";
    size_t nameColumns = usable - tail.size() - 1;
    const bool withBar = nameColumns >= bar.size() + kNameBesideBar;
    if (withBar) nameColumns -= bar.size();
    std::string shown = shortened(terminal_text(name), nameColumns);
    shown += std::string(nameColumns - text_columns(shown), ' ');
    return shown + (withBar ? bar : "") + " " + tail;
}

ProgressBar::ProgressBar(std::string name, uint64_t total, uint64_t bytes, int fd)
    : m_name(std::move(name)),
      m_total(total),
      m_bytes(bytes),
      m_fd(fd),
      m_active(total > 0 && isatty(fd) == 1),
      m_start(Clock::now()) {}

ProgressBar::~ProgressBar() {
    if (m_drawn) write_out("\r\033[K");
}

void ProgressBar::at(uint64_t step) {
    if (!m_active) return;
    const Clock::time_point now = Clock::now();
    if (m_drawn && now - m_lastDraw < kRedrawEvery) return;
    m_drawn = true;
    m_lastDraw = now;
    const double done = static_cast<double>(std::min(step, m_total)) / static_cast<double>(m_total);
    const double elapsed = std::chrono::duration<double>(now - m_start).count();
    write_out("\r" + progress_line(m_name, done, m_bytes, elapsed, terminal_columns(m_fd)) +
              "\033[K");
}

void ProgressBar::write_out(const std::string& text) const {
    // A bar that cannot be drawn is no reason to stop the import.
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(m_fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        written += static_cast<size_t>(n);
    }
}

}  // namespace vyr_cli
