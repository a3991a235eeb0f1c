// The first words of a command line before they are parsed: `vyr help [COMMAND]`, and a word
// that names no command (a typo, or the project given before the command).
#pragma once

#include <string>
#include <vector>

#include "commands.h"

namespace vyr_cli {

// Rewrites `vyr help` to `vyr --help` and `vyr help COMMAND...` to `vyr COMMAND... --help`. Throws
// CommandFailure with kExitUsage when the first word is no command: "unknown command 'imprt';
// did you mean 'import'?", or, when the second word is a command and the first a file, that the
// words are swapped.
std::vector<std::string> checked_words(const CLI::App& app, std::vector<std::string> words);

}  // namespace vyr_cli
