// `vyr obs`, `vyr windows` and `vyr upgrade`: a station's observations through the library's
// iterator, its exclusion windows, and the conversion of older projects.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <vyr/vyr.h>
#include <nlohmann/json.hpp>

#include "commands.h"
#include "obs_rows.h"
#include "observation_filter_options.h"
#include "output_text.h"
#include "project_access.h"
#include "project_lookup.h"
#include "station_text.h"
#include "time_text.h"

namespace vyr_cli {
namespace {

using nlohmann::json;

// Every open-for-reading project of this library is the extended storage object.
IVyrStorageEx& extended(IVyrStorage& storage) {
    return static_cast<IVyrStorageEx&>(storage);
}

struct ObsOptions {
    std::string path, station;
    FilterOptions filter;
    bool align = false, csv = false, json = false;
};

void obs(const ObsOptions& options) {
    const VYR_OBSERVATION_FILTER filter = filter_of(options.filter);
    ReadOnlyProject project(options.path);
    CVyrIPtrSmart<IVyrStationEx> station =
        find_station(extended(project.storage()), options.path, options.station);
    // The alignment grid follows the station's data rate.
    uint32_t rate = 0;
    const vyr::ObservationStatistics statistics = system_statistics(*station, options.path);
    if (!statistics.empty()) rate = statistics.begin()->second.dataRate;
    CVyrIPtrSmart<IVyrObservations> observations;
    check(station->GetObservations(observations), options.path);

    ObsRowPrinter rows(options.json);
    VYR_OBSERVATIONEPOCH epoch;
    VYR_ERROR result = observations->StartAndGetFirst(epoch, &filter, options.align, rate);
    for (; result == VYR_OK; result = observations->GetNext(epoch, options.align))
        rows.print(epoch);
    if (result != VYR_E_ITERATOR_AT_END) check(result, options.path);
    rows.finish();
}

// A stored window time as text; a time no window can hold (not finite, before MJD 0 or past
// what a day number holds) is damage, reported as such.
std::string window_time(double mjd, const std::string& path) {
    if (!(mjd >= 0.0 && mjd < 4294967296.0))
        throw CommandFailure{path +
                             ": a stored window holds no valid time; the project is damaged"};
    return iso_time(static_cast<uint32_t>(mjd), mjd - std::floor(mjd));
}

json windows_json(const std::vector<VYR_INTERVAL>& windows, const std::string& path) {
    json list = json::array();
    for (const VYR_INTERVAL& w : windows)
        list.push_back({{"from", window_time(w.start, path)}, {"to", window_time(w.end, path)}});
    return list;
}

// The satellite windows are kept for GPS and GLONASS satellites only.
uint8_t window_satellite(const std::string& name) {
    const std::optional<VYR_SATID> satellite = parse_satellite(name);
    if (!satellite ||
        (satellite->system != VYR_SATSYS_GPS && satellite->system != VYR_SATSYS_GLONASS))
        throw CommandFailure{"--sat: not a GPS or GLONASS satellite: " + name, kExitUsage};
    return vyr::compact_satellite_number(*satellite);
}

// A list the station never received is empty.
template <class T>
T stored_or_empty(IVyrStationEx& station, VYR_ERROR (IVyrStation::*get)(T&),
                  const std::string& path) {
    T value{};
    const VYR_ERROR result = (station.*get)(value);
    if (result != VYR_E_ENTRY_NOT_FOUND) check(result, path);
    return value;
}

void list_windows(const std::string& path, const std::string& name, bool as_json) {
    ReadOnlyProject project(path);
    CVyrIPtrSmart<IVyrStationEx> station = find_station(extended(project.storage()), path, name);
    const VYR_WINDOWS windows = stored_or_empty(*station, &IVyrStation::GetWindows, path);
    const VYR_SV_WINDOWS sv = stored_or_empty(*station, &IVyrStation::GetSatelliteWindows, path);
    json result = {{"station", windows_json(windows, path)}, {"satellites", json::object()}};
    for (uint8_t n = 1; n <= vyr::kCompactSatelliteMax; ++n)
        if (!sv[n].empty())
            result["satellites"][satellite_name(vyr::satellite_from_compact_number(n))] =
                windows_json(sv[n], path);
    if (as_json) {
        std::cout << json_text(result) << '\n';
        return;
    }
    for (const json& w : result["station"])
        std::cout << "station\t" << w["from"].get<std::string>() << '\t'
                  << w["to"].get<std::string>() << '\n';
    for (const auto& [sat, list] : result["satellites"].items())
        for (const json& w : list)
            std::cout << sat << '\t' << w["from"].get<std::string>() << '\t'
                      << w["to"].get<std::string>() << '\n';
}

void edit_windows(const std::string& path, const std::string& name, const std::string& sat,
                  const std::optional<VYR_INTERVAL>& added) {
    const uint8_t satellite = sat.empty() ? 0 : window_satellite(sat);
    WritableProject project(path);
    CVyrIPtrSmart<IVyrStationEx> station = find_station(project.storage(), path, name);
    const auto edit = [&](std::vector<VYR_INTERVAL>& windows) {
        if (!added) {
            windows.clear();
            return;
        }
        windows.push_back(*added);
        std::sort(windows.begin(), windows.end(),
                  [](const VYR_INTERVAL& a, const VYR_INTERVAL& b) { return a.start < b.start; });
    };
    if (satellite == 0) {
        VYR_WINDOWS windows = stored_or_empty(*station, &IVyrStation::GetWindows, path);
        edit(windows);
        check(station->SetWindows(windows), path);
    } else {
        VYR_SV_WINDOWS windows = stored_or_empty(*station, &IVyrStation::GetSatelliteWindows, path);
        edit(windows[satellite]);
        check(station->SetSatelliteWindows(windows), path);
    }
    station.Reset();
    project.commit();
}

void upgrade(const std::string& path) {
    // A project the user may not write is only read: at the current version it is told so, as
    // a writable one is (which stays a writer, refused while others read it).
    if (::access(path.c_str(), W_OK) != 0 && (errno == EACCES || errno == EROFS)) {
        ReadOnlyProject current(path);
        VYR_VERSION version{};
        check(current.storage().GetVersion(version), path);
        if (version.major == 3 && version.minor == 0) {
            std::cout << path << ": already at version 3.0\n";
            return;
        }
    }
    WritableProject project(path);
    VYR_VERSION before{};
    check(project.storage().GetVersion(before), path);
    const VYR_ERROR result = project.storage().Upgrade();
    if (result == VYR_E_NO_MATCH) {
        std::cout << path << ": already at version 3.0\n";
        return;
    }
    check(result, path);
    project.commit();
    std::cout << path << ": upgraded from " << before.major << '.' << before.minor << " to 3.0\n";
}

void add_windows_command(CLI::App& app) {
    auto* windows = app.add_subcommand("windows", "Edit and show a station's exclusion windows");
    windows->require_subcommand(1);
    auto path = std::make_shared<std::string>();
    auto station = std::make_shared<std::string>();
    windows->add_option("PROJECT", *path, "Project file")->required();
    windows->add_option("STATION", *station, "Station key text or display text")->required();

    auto* add = windows->add_subcommand("add", "Add a window FROM TO (GPS time)");
    auto from = std::make_shared<std::string>();
    auto to = std::make_shared<std::string>();
    auto add_sat = std::make_shared<std::string>();
    add->add_option("FROM", *from,
                    "Start, GPS time: 2021-01-02T12:05:30[.5][Z], 2021-01-02, 2021:002[:12:05:30], "
                    "gps:2138:561930")
        ->required();
    add->add_option("TO", *to, "End, not before FROM, in the same forms")->required();
    add->add_option("--sat", *add_sat, "One GPS or GLONASS satellite, e.g. G05");
    add->callback([=] {
        const VYR_INTERVAL window{time_option(*from, "FROM"), time_option(*to, "TO")};
        if (window.end < window.start) throw CommandFailure{"TO lies before FROM", kExitUsage};
        edit_windows(*path, *station, *add_sat, window);
    });

    auto* list = windows->add_subcommand("list", "Show the windows");
    auto as_json = std::make_shared<bool>(false);
    list->add_flag("--json", *as_json, "Print JSON");
    list->callback([=] { list_windows(*path, *station, *as_json); });

    auto* clear =
        windows->add_subcommand("clear", "Remove the station's (or a satellite's) windows");
    auto clear_sat = std::make_shared<std::string>();
    clear->add_option("--sat", *clear_sat, "One GPS or GLONASS satellite, e.g. G05");
    clear->callback([=] { edit_windows(*path, *station, *clear_sat, std::nullopt); });
}

}  // namespace

void add_station_commands(CLI::App& app) {
    auto* obs_command = app.add_subcommand("obs", "A station's epochs through the iterator");
    obs_command->footer(kObsColumnsHelp);
    auto options = std::make_shared<ObsOptions>();
    obs_command->add_option("PROJECT", options->path, "Project file")->required();
    obs_command->add_option("STATION", options->station, "Station key text or display text")
        ->required();
    add_filter_options(*obs_command, options->filter, true);
    obs_command->add_flag("--align", options->align, "Align time tags to the data-rate grid");
    auto* csv = obs_command->add_flag("--csv", options->csv, "Print CSV (the default)");
    obs_command->add_flag("--json", options->json, "Print JSON")->excludes(csv);
    obs_command->callback([=] { obs(*options); });

    add_windows_command(app);

    auto* upgrade_command = app.add_subcommand("upgrade", "Convert a version 1 or 2 project");
    auto upgrade_path = std::make_shared<std::string>();
    upgrade_command->add_option("PROJECT", *upgrade_path, "Project file")->required();
    upgrade_command->callback([=] { upgrade(*upgrade_path); });
}

}  // namespace vyr_cli
