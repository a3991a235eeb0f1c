// Numbers on the command line, checked against the range a command can use and refused in
// words ("--interval: 1e400 is not a number of seconds from 0 to 2147483"), not with the limits
// of a double written out in 309 digits.
#pragma once

#include <optional>
#include <string>

#include <CLI/CLI.hpp>

namespace vyr_cli {

// A finite decimal number from lowest to highest; nullopt for text, NaN, infinity, a number out
// of that range or too large for a double.
std::optional<double> number_in_range(const std::string& text, double lowest, double highest);

// The check of a number option: what names the number ("a number of seconds"); the message is
// "VALUE is not WHAT from LOWEST to HIGHEST".
CLI::Validator number_range(double lowest, double highest, const std::string& what);

// --interval as the observation filter takes it: whole milliseconds in a signed 32-bit word.
CLI::Validator interval_seconds();

}  // namespace vyr_cli
