// `vyr info`: what a project holds, station by station, and its common data counts.
#include <cstring>
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <vyr/vyr.h>
#include <nlohmann/json.hpp>

#include "commands.h"
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

}  // namespace

void add_info_command(CLI::App& app) {
    auto* info_command = app.add_subcommand("info", "Version, stations and common data counts");
    auto info_path = std::make_shared<std::string>();
    auto info_json = std::make_shared<bool>(false);
    info_command->add_option("PROJECT", *info_path, "Project file")->required();
    info_command->add_flag("--json", *info_json, "Print JSON");
    info_command->callback([=] { info(*info_path, *info_json); });
}

}  // namespace vyr_cli
