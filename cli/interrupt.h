// Ctrl-C and termination requests during a long command: the work in hand is abandoned at the
// next point where that is safe, and the command ends as interrupted.
#pragma once

#include <atomic>

namespace vyr_cli {

// From now on SIGINT and SIGTERM set a flag instead of ending the process; a second signal
// ends it at once (the document is still at its last commit).
void catch_interrupts();
bool interrupted();
// Set once a signal came: the cancel flag of the library's import.
const std::atomic<bool>* interrupt_flag();
// Exit status of an interrupted command: 128 + the signal.
int interrupted_status();

}  // namespace vyr_cli
