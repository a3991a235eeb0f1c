#include "observation_filter_options.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <optional>
#include <set>
#include <sstream>
#include <vector>

#include "commands.h"
#include "number_options.h"
#include "station_text.h"
#include "time_text.h"

namespace vyr_cli {
namespace {

std::vector<std::string> split(const std::string& text) {
    std::vector<std::string> parts;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, ',');)
        if (!part.empty()) parts.push_back(part);
    return parts;
}

// The systems the filter can leave out.
constexpr VYR_SATELLITE_SYSTEM kFilteredSystems[] = {VYR_SATSYS_GPS, VYR_SATSYS_GLONASS,
                                                     VYR_SATSYS_GALILEO, VYR_SATSYS_SBAS};

// A list of system letters; a usage failure naming the option for any other word.
std::set<VYR_SATELLITE_SYSTEM> systems_of(const std::string& text, const char* option) {
    std::set<VYR_SATELLITE_SYSTEM> systems;
    for (const std::string& letter : split(text)) {
        const VYR_SATELLITE_SYSTEM system =
            letter.size() == 1 ? vyr::system_from_letter(letter[0]) : VYR_SATSYS_NONE;
        if (std::find(std::begin(kFilteredSystems), std::end(kFilteredSystems), system) ==
            std::end(kFilteredSystems))
            throw CommandFailure{
                std::string(option) + ": not a system: " + letter + " (one of G, R, E, S)",
                kExitUsage};
        systems.insert(system);
    }
    return systems;
}

}  // namespace

void add_filter_options(CLI::App& command, FilterOptions& options, bool repair) {
    command.add_option("--from", options.from,
                       "First epoch, GPS time: 2021-01-02T12:05:30[.5][Z], \"2021-01-02 12:05\", "
                       "2021-01-02, 2021:002[:12:05:30], 2021-002, gps:2138:561930");
    command.add_option("--to", options.to, "Last epoch, GPS time, not before --from; same forms");
    command.add_option("--interval", options.interval, "Sampling interval in seconds")
        ->check(interval_seconds());
    auto* exclude = command.add_option("--exclude-system", options.excludeSystems,
                                       "Leave out these systems, e.g. G,R,E,S");
    command.add_option("--only-system", options.onlySystems, "Keep only these systems, e.g. G,E")
        ->excludes(exclude);
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
        // The iterator takes no span at all when it ends before it starts: every epoch would
        // come out.
        if (filter.endTime < filter.startTime)
            throw CommandFailure{"--to " + iso_time(filter.endTime) + " lies before --from " +
                                     iso_time(filter.startTime),
                                 kExitUsage};
    }
    filter.samplingInterval = static_cast<int32_t>(std::llround(options.interval * 1000.0));
    std::set<VYR_SATELLITE_SYSTEM> excluded =
        systems_of(options.excludeSystems, "--exclude-system");
    if (!options.onlySystems.empty()) {
        const std::set<VYR_SATELLITE_SYSTEM> kept =
            systems_of(options.onlySystems, "--only-system");
        if (kept.empty()) throw CommandFailure{"--only-system: no system given", kExitUsage};
        for (VYR_SATELLITE_SYSTEM system : kFilteredSystems)
            if (kept.count(system) == 0) excluded.insert(system);
    }
    filter.excludeGps = excluded.count(VYR_SATSYS_GPS) != 0;
    filter.excludeGlonass = excluded.count(VYR_SATSYS_GLONASS) != 0;
    filter.excludeGalileo = excluded.count(VYR_SATSYS_GALILEO) != 0;
    filter.excludeSbas = excluded.count(VYR_SATSYS_SBAS) != 0;
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
