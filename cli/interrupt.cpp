#include "interrupt.h"

#include <atomic>
#include <csignal>

namespace vyr_cli {
namespace {

volatile std::sig_atomic_t g_signal = 0;
// Lock-free, so a signal handler may set it; the library's import reads it between epochs.
std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void on_signal(int signal) {
    g_signal = signal;
    g_interrupted.store(true);
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

const std::atomic<bool>* interrupt_flag() {
    return &g_interrupted;
}

int interrupted_status() {
    return 128 + static_cast<int>(g_signal);
}

}  // namespace vyr_cli
