// The observation filter as `vyr obs` and `vyr export` take it on the command line.
#pragma once

#include <string>

#include <vyr/vyr.h>
#include <CLI/CLI.hpp>

namespace vyr_cli {

struct FilterOptions {
    std::string from, to, excludeSystems, onlySystems, excludeSats;
    double interval = 0;
    bool repair = false, windows = false;
};

// --from, --to, --interval, --exclude-system or --only-system, --exclude-sat and --windows;
// repair adds --repair-clock-jumps.
void add_filter_options(CLI::App& command, FilterOptions& options, bool repair);

// Settings with no exclusions at all (SBAS included) unless the options ask for them. Throws
// a usage failure naming the option that holds no time, system or satellite, and when --to lies
// before --from.
VYR_OBSERVATION_FILTER filter_of(const FilterOptions& options);

}  // namespace vyr_cli
