#include "interrupt.h"

#include <csignal>

namespace vyr_cli {
namespace {

volatile std::sig_atomic_t g_signal = 0;

extern "C" void on_signal(int signal) {
    g_signal = signal;
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

}  // namespace

void catch_interrupts() {
    std::signal(SIGINT, on_signal);
    std::signal(SIGTERM, on_signal);
}

bool interrupted() {
    return g_signal != 0;
}

int interrupted_status() {
    return 128 + static_cast<int>(g_signal);
}

}  // namespace vyr_cli
