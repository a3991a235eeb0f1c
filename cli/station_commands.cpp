// `vyr info`, `vyr obs`, `vyr windows` and `vyr upgrade`: what a project's stations hold, their
// observations through the library's iterator, their exclusion windows, and the conversion of
// older projects.
#include <algorithm>
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

namespace vyr_cli {
namespace {

using nlohmann::json;

// Every open-for-reading project of this library is the extended storage object.
IVyrStorageEx& extended(IVyrStorage& storage) {
    return static_cast<IVyrStorageEx&>(storage);
}

std::string text_field(const char* field, size_t size) {
    return std::string(field, strnlen(field, size));
}

std::string join(const std::vector<int>& values) {
    std::string text;
    for (int value : values) text += (text.empty() ? "" : ",") + std::to_string(value);
    return text;
}

// What `vyr info` tells of one system: satellites with epochs and the types they carried.
struct SystemSummary {
    int satellites = 0;
    std::set<int> types;
};

std::map<char, SystemSummary> systems_of(const VYR_OBSERVATION_SVSTAT& statistics) {
    std::map<char, SystemSummary> systems;
    for (uint8_t n = 1; n <= vyr::kCompactSatelliteMax; ++n) {
        const VYR_OBSERVATION_STAT& record = statistics.satellites[n];
        if (record.satelliteEpochs == 0) continue;
        SystemSummary& summary =
            systems[vyr::system_letter(vyr::satellite_from_compact_number(n).system)];
        ++summary.satellites;
        for (int slot = 0; slot < vyr::kStatisticsSignalSlots; ++slot) {
            const int type = record.obsType[slot];
            if (type != 0) summary.types.insert(type);
        }
    }
    return systems;
}

// Whether the station holds an epoch at all.
bool has_epochs(IVyrStationEx& station, const std::string& path) {
    CVyrIPtrSmart<IVyrObservations> observations;
    check(station.GetObservations(observations), path);
    VYR_OBSERVATIONEPOCH epoch;
    const VYR_ERROR first = observations->StartAndGetFirst(epoch, nullptr, false, 0);
    if (first != VYR_E_ITERATOR_AT_END) check(first, path);
    return first == VYR_OK;
}

// The statistics per system; empty for a station that never had epochs. Resetting a station's
// observations leaves an empty entry, which does not read; with epochs that is damage.
vyr::ObservationStatistics system_statistics(IVyrStationEx& station, const std::string& path) {
    vyr::ObservationStatistics statistics;
    const VYR_ERROR got = station.GetObservationStatistics(statistics);
    if (got == VYR_E_ENTRY_NOT_FOUND) return {};
    if (got != VYR_E_READ_ENTRY_FAILED || has_epochs(station, path)) check(got, path);
    return statistics;
}

json station_info(IVyrStationEx& station, const VYR_STATION_KEY& key, const std::string& path) {
    json info = {{"key", key_display(key)}};
    VYR_SENSORSYSTEM sensor{};
    if (station.GetSensorSystem(sensor) == VYR_OK)
        info["receiver"] = {
            {"type", text_field(sensor.receiverName, sizeof sensor.receiverName)},
            {"number", text_field(sensor.serialNumber, sizeof sensor.serialNumber)}};
    VYR_ANTENNA antenna;
    if (station.GetAntenna(antenna) == VYR_OK)
        info["antenna"] = {{"type", text_field(antenna.fields.type, sizeof antenna.fields.type)},
                           {"number", text_field(antenna.fields.serialNumber,
                                                 sizeof antenna.fields.serialNumber)}};

    const vyr::ObservationStatistics statistics = system_statistics(station, path);
    info["epochs"] = 0;
    info["first"] = nullptr;
    info["last"] = nullptr;
    info["rate_ms"] = 0;
    if (!statistics.empty()) {
        const VYR_OBSERVATION_STAT record = statistics.begin()->second;
        info["epochs"] = record.stationEpochs;
        if (record.firstMjd != 0) {
            info["first"] = iso_time(record.firstMjd, record.firstFraction);
            info["last"] = iso_time(record.lastMjd, record.lastFraction);
        }
        info["rate_ms"] = record.dataRate;
    }
    auto satellites = std::make_unique<VYR_OBSERVATION_SVSTAT>();
    json systems = json::object();
    const VYR_ERROR got = station.GetObservationSatelliteStatistics(*satellites);
    if (got != VYR_E_ENTRY_NOT_FOUND) check(got, path);
    if (got == VYR_OK) {
        for (const auto& [letter, summary] : systems_of(*satellites))
            systems[std::string(1, letter)] = {
                {"satellites", summary.satellites},
                {"types", std::vector<int>(summary.types.begin(), summary.types.end())}};
    }
    info["systems"] = systems;
    return info;
}

template <class T>
size_t count_of(IVyrCommonData& common, VYR_ERROR (IVyrCommonData::*get)(std::vector<T>&),
                const std::string& path) {
    std::vector<T> records;
    const VYR_ERROR got = (common.*get)(records);
    if (got != VYR_E_ENTRY_NOT_FOUND) check(got, path);
    return records.size();
}

json common_info(IVyrCommonData& common, const std::string& path) {
    return {
        {"broadcast_gps", count_of(common, &IVyrCommonData::GetBroadcastEphemerisRecords, path)},
        {"broadcast_glo", count_of(common, &IVyrCommonData::GetBroadcastEphemerisGloRecords, path)},
        {"broadcast_gal", count_of(common, &IVyrCommonData::GetBroadcastEphemerisGalRecords, path)},
        {"precise", count_of(common, &IVyrCommonData::GetPreciseEphemerisRecords, path)},
        {"iono_utc", count_of(common, &IVyrCommonData::GetIonoUtcRecords, path)},
        {"iono_models", count_of(common, &IVyrCommonData::GetIonoGlobalRegRecords, path)},
    };
}

std::string value_text(const json& value) {
    if (value.is_null()) return "-";
    if (value.is_string()) return value.get<std::string>();
    return value.dump();
}

void print_info_lines(const json& info) {
    const auto text = [](const json& value) { return terminal_text(value.get<std::string>()); };
    std::cout << "version\t" << info["version"].get<std::string>() << '\n';
    for (const json& station : info["stations"]) {
        std::cout << "station\t" << text(station["key"]) << '\n';
        for (const char* part : {"receiver", "antenna"})
            if (station.contains(part))
                std::cout << part << '\t' << text(station[part]["type"]) << '\t'
                          << text(station[part]["number"]) << '\n';
        for (const char* field : {"epochs", "first", "last", "rate_ms"})
            std::cout << field << '\t' << value_text(station[field]) << '\n';
        for (const auto& [letter, system] : station["systems"].items())
            std::cout << "system\t" << letter << '\t' << system["satellites"].get<int>() << '\t'
                      << join(system["types"].get<std::vector<int>>()) << '\n';
    }
    for (const auto& [name, count] : info["common"].items())
        std::cout << "common\t" << name << '\t' << count.get<size_t>() << '\n';
}

void info(const std::string& path, bool as_json) {
    ReadOnlyProject project(path);
    IVyrStorageEx& storage = extended(project.storage());
    VYR_VERSION version{};
    check(storage.GetVersion(version), path);
    json result = {{"version", std::to_string(version.major) + "." + std::to_string(version.minor)},
                   {"stations", json::array()}};
    CVyrIPtrSmart<IVyrCollectionStationEx> stations = stations_of(storage, path);
    std::vector<VYR_STATION_KEY> keys;
    if (stations.IsValid()) check(stations->GetAll(keys), path);
    for (const VYR_STATION_KEY& key : keys) {
        CVyrIPtrSmart<IVyrStationEx> station;
        check(stations->GetStationEx(key, station), path);
        result["stations"].push_back(station_info(*station, key, path));
    }
    result["common"] = common_info(project.common_data(), path);
    if (as_json)
        std::cout << json_text(result) << '\n';
    else
        print_info_lines(result);
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

    auto* add = windows->add_subcommand("add", "Add a window FROM TO (ISO times)");
    auto from = std::make_shared<std::string>();
    auto to = std::make_shared<std::string>();
    auto add_sat = std::make_shared<std::string>();
    add->add_option("FROM", *from, "Start, e.g. 2024-03-01T10:00:00")->required();
    add->add_option("TO", *to, "End")->required();
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
    auto* info_command = app.add_subcommand("info", "Version, stations and common data counts");
    auto info_path = std::make_shared<std::string>();
    auto info_json = std::make_shared<bool>(false);
    info_command->add_option("PROJECT", *info_path, "Project file")->required();
    info_command->add_flag("--json", *info_json, "Print JSON");
    info_command->callback([=] { info(*info_path, *info_json); });

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
