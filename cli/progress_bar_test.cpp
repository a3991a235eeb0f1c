#include "progress_bar.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

namespace vyr_cli {
namespace {

const std::string kLongName = "/data/gnss/2021/002/VYRB00XXX_R_20210021200_01D_30S_MO.crx.gz";

struct LineCase {
    const char* what;
    std::string name;
    double done;
    uint64_t bytes;
    double elapsed;
    int columns;
    std::string expected;
};

TEST(ProgressLine, FitsTheTerminalAndTellsShareSpeedAndTimeLeft) {
    const LineCase cases[] = {
        {"short name, 80 columns", "york0440.15o", 0.5, 100'000'000, 2.0, 80,
         "york0440.15o" + std::string(19, ' ') +
             " [##########..........]  50% 25.0 MB/s 0:02 left"},
        {"long name shortened from the left", kLongName, 0.47, 130'212'766, 1.0, 80,
         "...0210021200_01D_30S_MO.crx.gz [#########...........]  47% 61.2 MB/s 0:02 left"},
        {"nothing read yet", "a.rnx", 0.0, 1'000'000, 0.0, 80,
         "a.rnx" + std::string(26, ' ') + " [....................]   0%  -.- MB/s -:-- left"},
        {"read some at no time yet", "a.rnx", 0.3, 1'000'000, 0.0, 80,
         "a.rnx" + std::string(26, ' ') + " [######..............]  30%  -.- MB/s -:-- left"},
        {"all read", "a.rnx", 1.0, 5'000'000, 2.0, 80,
         "a.rnx" + std::string(26, ' ') + " [####################] 100%  2.5 MB/s 0:00 left"},
        {"past the end counts as all", "a.rnx", 1.7, 5'000'000, 2.0, 80,
         "a.rnx" + std::string(26, ' ') + " [####################] 100%  2.5 MB/s 0:00 left"},
        {"hours left", "a.rnx", 0.5, 1'000'000'000, 7384.0, 80,
         "a.rnx" + std::string(23, ' ') + " [##########..........]  50%  0.1 MB/s 2:03:04 left"},
        {"a share that is not exact in binary", "a.rnx", 0.29, 1'000'000, 1.0, 80,
         "a.rnx" + std::string(26, ' ') + " [#####...............]  29%  0.3 MB/s 0:03 left"},
        {"beyond 99 hours", "a.rnx", 0.001, 1'000'000'000, 3600.0, 80,
         "a.rnx" + std::string(26, ' ') + " [....................]   0%  0.0 MB/s >99h left"},
        {"fast: no decimals", "a.rnx", 0.5, 1'000'000'000, 1.0, 80,
         "a.rnx" + std::string(26, ' ') + " [##########..........]  50%  500 MB/s 0:01 left"},
        {"40 columns: no room for the bar", "york0440.15o", 0.5, 100'000'000, 2.0, 40,
         "york0440.15o    50% 25.0 MB/s 0:02 left"},
        {"40 columns, long name", kLongName, 0.5, 100'000'000, 2.0, 40,
         "...S_MO.crx.gz  50% 25.0 MB/s 0:02 left"},
        {"20 columns: the figures alone, cut", kLongName, 0.5, 100'000'000, 2.0, 20,
         " 50% 25.0 MB/s 0:02"},
        {"one column: nothing", "a.rnx", 0.5, 100, 1.0, 1, ""},
        {"UTF-8 name cut between characters", "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9.rnx", 0.5,
         100'000'000, 2.0, 34, "...\xC3\xA9.rnx  50% 25.0 MB/s 0:02 left"},
        {"control characters shown escaped", "a\x1b[2Jb.rnx", 0.5, 100'000'000, 2.0, 80,
         "a\\x1B[2Jb.rnx" + std::string(18, ' ') +
             " [##########..........]  50% 25.0 MB/s 0:02 left"},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string line = progress_line(c.name, c.done, c.bytes, c.elapsed, c.columns);
        EXPECT_EQ(line, c.expected);
        const auto columns = std::count_if(line.begin(), line.end(), [](char ch) {
            return (static_cast<unsigned char>(ch) & 0xC0) != 0x80;
        });
        EXPECT_LT(columns, std::max(c.columns, 1));
    }
}

// Reads what is waiting on a non-blocking descriptor.
std::string drain(int fd) {
    std::string text;
    char buffer[4096];
    ssize_t n = 0;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
    return text;
}

// A pseudo-terminal of the given width: the bar's side and the side that reads what it drew.
class Terminal {
public:
    explicit Terminal(unsigned short columns) {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return;
        slave = open(ptsname(master), O_RDWR | O_NOCTTY);
        if (slave < 0) return;
        termios raw{};
        tcgetattr(slave, &raw);
        cfmakeraw(&raw);
        tcsetattr(slave, TCSANOW, &raw);
        winsize size{};
        size.ws_col = columns;
        size.ws_row = 24;
        ioctl(slave, TIOCSWINSZ, &size);
        fcntl(master, F_SETFL, O_NONBLOCK);
    }
    ~Terminal() {
        if (slave >= 0) close(slave);
        if (master >= 0) close(master);
    }
    bool ok() const { return master >= 0 && slave >= 0; }

    int master = -1;
    int slave = -1;
};

TEST(ProgressBar, DrawsOnATerminalWithinItsWidthAndClearsItsLine) {
    Terminal terminal(50);
    ASSERT_TRUE(terminal.ok());
    EXPECT_EQ(terminal_columns(terminal.slave), 50);
    {
        ProgressBar bar("york0440.15o", 1000, 4'211'135, terminal.slave);
        EXPECT_TRUE(bar.active());
        // Many steps at once: one drawing, not one per step.
        for (uint64_t step = 1; step <= 500; ++step) bar.at(step);
        const std::string drawn = drain(terminal.master);
        EXPECT_EQ(std::count(drawn.begin(), drawn.end(), '\r'), 1) << drawn;
        ASSERT_EQ(drawn.rfind("\033[K"), drawn.size() - 3) << drawn;
        const std::string line = drawn.substr(1, drawn.size() - 4);
        EXPECT_LE(line.size(), 49u);
        EXPECT_EQ(line.find("york0440.15o"), 0u) << line;
        EXPECT_NE(line.find("  0% "), std::string::npos) << line;  // drawn at the first step
    }
    EXPECT_EQ(drain(terminal.master), "\r\033[K");
}

TEST(ProgressBar, DrawsNothingOffATerminalOrWithoutAMeasure) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    fcntl(ends[0], F_SETFL, O_NONBLOCK);
    EXPECT_EQ(terminal_columns(ends[1]), 80);
    {
        ProgressBar bar("york0440.15o", 1000, 4'211'135, ends[1]);
        EXPECT_FALSE(bar.active());
        for (uint64_t step = 0; step <= 1000; step += 100) bar.at(step);
    }
    EXPECT_EQ(drain(ends[0]), "");
    close(ends[0]);
    close(ends[1]);

    Terminal terminal(80);
    ASSERT_TRUE(terminal.ok());
    {
        ProgressBar bar("empty.rnx", 0, 0, terminal.slave);  // no lines counted
        EXPECT_FALSE(bar.active());
        bar.at(1);
    }
    EXPECT_EQ(drain(terminal.master), "");
}

}  // namespace
}  // namespace vyr_cli
