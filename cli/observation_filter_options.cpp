#include "observation_filter_options.h"

#include <cmath>
#include <optional>
#include <sstream>
#include <vector>

#include "commands.h"
#include "number_options.h"
#include "station_text.h"

namespace vyr_cli {
namespace {

std::vector<std::string> split(const std::string& text) {
    std::vector<std::string> parts;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, ',');)
        if (!part.empty()) parts.push_back(part);
    return parts;
}

}  // namespace

double time_option(const std::string& text, const char* name) {
    const std::optional<double> time = parse_iso_time(text);
    if (!time) throw CommandFailure{std::string(name) + ": not a time: " + text, kExitUsage};
    return *time;
}

void add_filter_options(CLI::App& command, FilterOptions& options, bool repair) {
    command.add_option("--from", options.from, "First time (ISO)");
    command.add_option("--to", options.to, "Last time (ISO)");
    command.add_option("--interval", options.interval, "Sampling interval in seconds")
        ->check(interval_seconds());
    command.add_option("--exclude-system", options.excludeSystems, "Systems, e.g. G,R,E,S");
    command.add_option("--exclude-sat", options.excludeSats, "Satellites, e.g. G05,R12");
    if (repair)
        command.add_flag("--repair-clock-jumps", options.repair,
                         "Repair millisecond clock jumps (GPS, GLONASS, Galileo)");
    command.add_flag("--windows", options.windows, "Apply the exclusion windows");
}

VYR_OBSERVATION_FILTER filter_of(const FilterOptions& options) {
    VYR_OBSERVATION_FILTER filter;
    if (!options.from.empty() || !options.to.empty()) {
        filter.startTime = options.from.empty() ? 1.0 : time_option(options.from, "--from");
        filter.endTime = options.to.empty() ? 1e9 : time_option(options.to, "--to");
    }
    filter.samplingInterval = static_cast<int32_t>(std::llround(options.interval * 1000.0));
    for (const std::string& letter : split(options.excludeSystems)) {
        switch (letter.size() == 1 ? vyr::system_from_letter(letter[0]) : VYR_SATSYS_NONE) {
            case VYR_SATSYS_GPS:
                filter.excludeGps = 1;
                break;
            case VYR_SATSYS_GLONASS:
                filter.excludeGlonass = 1;
                break;
            case VYR_SATSYS_GALILEO:
                filter.excludeGalileo = 1;
                break;
            case VYR_SATSYS_SBAS:
                filter.excludeSbas = 1;
                break;
            default:
                throw CommandFailure{"--exclude-system: not a system: " + letter, kExitUsage};
        }
    }
    for (const std::string& name : split(options.excludeSats)) {
        const std::optional<VYR_SATID> satellite = parse_satellite(name);
        if (!satellite) throw CommandFailure{"--exclude-sat: not a satellite: " + name, kExitUsage};
        filter.excludedSatellites.insert(*satellite);
    }
    filter.applyWindows = filter.applySatelliteWindows = options.windows ? 1 : 0;
    const uint8_t repair = options.repair ? 1 : 0;
    filter.clockJumpGps = filter.clockJumpGlonass = filter.clockJumpGalileo = repair;
    return filter;
}

}  // namespace vyr_cli
