// `vyr info`: what a project holds, station by station, and its common data counts.
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
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
#include "time_text.h"

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

// What `vyr info` tells of one system: satellites with epochs, the types they carried, and per
// type the kinds counted (bit 0 code, 1 phase, 2 Doppler; strengths are not counted).
struct SystemSummary {
    int satellites = 0;
    std::map<int, unsigned> types;
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
            if (type == 0) continue;
            unsigned& kinds = summary.types[type];
            if (record.codeCount[slot] != 0) kinds |= 1u;
            if (record.phaseCount[slot] != 0) kinds |= 2u;
            if (record.dopplerCount[slot] != 0) kinds |= 4u;
        }
    }
    return systems;
}

// The RINEX observation codes of a type's counted kinds ("C1C", "L1C"); none for a type that
// has no RINEX code in its system.
std::vector<std::string> rinex_codes(char letter, int type, unsigned kinds) {
    const auto system = static_cast<eSATSYS>(vyr::system_from_letter(letter));
    const std::string signal = Vyr_RnxSignalText(system, static_cast<VYR_OBSTYPE>(type));
    std::vector<std::string> codes;
    if (signal.empty()) return codes;
    for (int kind = 0; kind < 3; ++kind)
        if (kinds & (1u << kind)) codes.push_back("CLD"[kind] + signal);
    return codes;
}

// A stored MJD as an ISO time; null for a value no time can hold (damage).
json stored_time(double mjd) {
    if (!(mjd >= 0.0 && mjd < 4294967296.0)) return nullptr;
    return iso_time(mjd);
}

// A number rounded to the given decimals, so that JSON prints no float noise.
double rounded(double value, double decimals) {
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

// Latitude and longitude (degrees) and ellipsoidal height (metres) on WGS-84 of a position on or
// near the earth; nothing for one that is not (an unset position is 0 0 0).
std::optional<std::array<double, 3>> geodetic(double x, double y, double z) {
    constexpr double kA = 6378137.0;
    constexpr double kF = 1.0 / 298.257223563;
    constexpr double kE2 = kF * (2.0 - kF);
    const double r = std::sqrt(x * x + y * y + z * z);
    if (!(r > 6.0e6 && r < 1.0e8)) return std::nullopt;
    const double p = std::hypot(x, y);
    double lat = std::atan2(z, p * (1.0 - kE2));
    for (int i = 0; i < 10; ++i) {
        const double n = kA / std::sqrt(1.0 - kE2 * std::sin(lat) * std::sin(lat));
        lat = std::atan2(z + kE2 * n * std::sin(lat), p);
    }
    const double s = std::sin(lat);
    const double height = p * std::cos(lat) + z * s - kA * std::sqrt(1.0 - kE2 * s * s);
    constexpr double kDegrees = 180.0 / 3.14159265358979323846;
    return std::array<double, 3>{lat * kDegrees, std::atan2(y, x) * kDegrees, height};
}

// The a-priori position of the station's first point, as the file's header gave it.
json position_of(IVyrStationEx& station, const std::string& path) {
    std::vector<VYR_APRIORI_POINT> points;
    const VYR_ERROR got = station.GetAprioriPoints(points);
    if (got != VYR_E_ENTRY_NOT_FOUND) check(got, path);
    if (points.empty()) return nullptr;
    const VYR_APRIORI_POINT& point = points.front();
    const double x = point.x, y = point.y, z = point.z;  // copies: the record is packed
    json position = {{"x", x}, {"y", y}, {"z", z}};
    if (const auto llh = geodetic(x, y, z)) {
        position["latitude"] = rounded((*llh)[0], 9);
        position["longitude"] = rounded((*llh)[1], 9);
        position["height"] = rounded((*llh)[2], 4);
    }
    return position;
}

// Static and kinematic occupations, kept as point descriptions of types 1 and 2.
json occupations_of(IVyrStationEx& station, const std::string& path) {
    json list = json::array();
    CVyrIPtrSmart<IVyrCollectionPointDesc> descriptions;
    VYR_ERROR got = station.GetPointDescriptions(descriptions);
    std::vector<VYR_POINT_DESC> stored;
    if (got == VYR_OK) got = descriptions->GetAll(stored);
    if (got != VYR_E_ENTRY_NOT_FOUND) check(got, path);
    for (const VYR_POINT_DESC& description : stored) {
        VYR_OCCUPATION occupation;
        std::memcpy(&occupation, &description.description, sizeof occupation);
        if (occupation.mode != VYR_OCCUPATION::MODE_STATIC &&
            occupation.mode != VYR_OCCUPATION::MODE_KINEMATIC)
            continue;
        list.push_back({
            {"mode", occupation.mode == VYR_OCCUPATION::MODE_STATIC ? "static" : "kinematic"},
            {"first", stored_time(occupation.start)},
            {"last", stored_time(occupation.end)},
            {"antenna_height", +occupation.antennaHeight},  // a copy: the record is packed
            {"marker", text_field(occupation.markerName, sizeof occupation.markerName)},
        });
    }
    return list;
}

std::string fixed(const json& value, int decimals) {
    if (!value.is_number()) return "-";
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value.get<double>());
    return text;
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
        info["antenna"] = {
            {"type", text_field(antenna.fields.type, sizeof antenna.fields.type)},
            {"number", text_field(antenna.fields.serialNumber, sizeof antenna.fields.serialNumber)},
            {"east", rounded(antenna.fields.offsetEast, 4)},
            {"north", rounded(antenna.fields.offsetNorth, 4)}};
    info["position"] = position_of(station, path);
    info["occupations"] = occupations_of(station, path);

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
        for (const auto& [letter, summary] : systems_of(*satellites)) {
            std::vector<int> types;
            json codes = json::object();
            for (const auto& [type, kinds] : summary.types) {
                types.push_back(type);
                std::vector<std::string> rinex = rinex_codes(letter, type, kinds);
                if (!rinex.empty()) codes[std::to_string(type)] = rinex;
            }
            systems[std::string(1, letter)] = {
                {"satellites", summary.satellites}, {"types", types}, {"rinex", codes}};
        }
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
    std::cout << "time_scale\t" << info["time_scale"].get<std::string>() << '\n';
    for (const json& station : info["stations"]) {
        std::cout << "station\t" << text(station["key"]) << '\n';
        for (const char* part : {"receiver", "antenna"})
            if (station.contains(part))
                std::cout << part << '\t' << text(station[part]["type"]) << '\t'
                          << text(station[part]["number"]) << '\n';
        // Height, east, north as the RINEX header's antenna delta; the height is the first
        // occupation's.
        const json& occupations = station["occupations"];
        const json antenna = station.value("antenna", json::object());
        if (!antenna.empty() || !occupations.empty())
            std::cout << "antenna_delta\t"
                      << fixed(occupations.empty() ? json() : occupations[0]["antenna_height"], 4)
                      << '\t' << fixed(antenna.value("east", json()), 4) << '\t'
                      << fixed(antenna.value("north", json()), 4) << '\n';
        const json& position = station["position"];
        if (!position.is_null()) {
            std::cout << "position\t" << fixed(position["x"], 4) << '\t' << fixed(position["y"], 4)
                      << '\t' << fixed(position["z"], 4) << '\n';
            if (position.contains("latitude"))
                std::cout << "geodetic\t" << fixed(position["latitude"], 9) << '\t'
                          << fixed(position["longitude"], 9) << '\t' << fixed(position["height"], 4)
                          << '\n';
        }
        for (const json& occupation : occupations)
            std::cout << "occupation\t" << occupation["mode"].get<std::string>() << '\t'
                      << value_text(occupation["first"]) << '\t' << value_text(occupation["last"])
                      << '\t' << fixed(occupation["antenna_height"], 4) << '\t'
                      << text(occupation["marker"]) << '\n';
        for (const char* field : {"epochs", "first", "last", "rate_ms"})
            std::cout << field << '\t' << value_text(station[field]) << '\n';
        for (const auto& [letter, system] : station["systems"].items()) {
            std::cout << "system\t" << letter << '\t' << system["satellites"].get<int>() << '\t'
                      << join(system["types"].get<std::vector<int>>()) << '\n';
            std::string codes;
            for (const int type : system["types"].get<std::vector<int>>())
                for (const json& code : system["rinex"].value(std::to_string(type), json::array()))
                    codes += (codes.empty() ? "" : " ") + code.get<std::string>();
            if (!codes.empty()) std::cout << "signals\t" << letter << '\t' << codes << '\n';
        }
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
                   {"time_scale", kTimeScale},
                   {"stations", json::array()}};
    CVyrIPtrSmart<IVyrCollectionStationEx> stations = stations_of(storage, path);
    std::vector<VYR_STATION_KEY> keys;
    if (stations.IsValid())
        check_read(stations->GetAll(keys), path, "the station list (StationList)");
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
    auto* info_command = app.add_subcommand("info",
                                            "Version, time scale, stations (position, antenna, "
                                            "occupations, signals) and common data counts");
    auto info_path = std::make_shared<std::string>();
    auto info_json = std::make_shared<bool>(false);
    info_command->add_option("PROJECT", *info_path, "Project file")->required();
    info_command->add_flag("--json", *info_json, "Print JSON");
    info_command->callback([=] { info(*info_path, *info_json); });
}

}  // namespace vyr_cli
