// `vyr show`: one kind of record a project holds, as lines or JSON.
#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <vyr/vyr.h>
#include <nlohmann/json.hpp>

#include "commands.h"
#include "output_text.h"
#include "project_access.h"
#include "record_fields.h"
#include "record_lines.h"
#include "station_text.h"

namespace vyr_cli {
namespace {

// A single record: one line "name<TAB>value" per field, or one JSON object.
void print_single(const Fields& fields, bool as_json) {
    if (as_json) {
        std::cout << json_text(fields) << '\n';
        return;
    }
    for (const auto& [name, value] : fields.items())
        std::cout << name << '\t' << RecordLines::value_text(value) << '\n';
}

// The processing parameters' fields, named by type and offset within their block.
struct FieldOf {
    const char* name;
    size_t offset;
    size_t size;
    bool floating;
};

#define VYR_FIELD(Block, member)                                 \
    FieldOf {                                                    \
#member, offsetof(Block, member), sizeof(Block::member), \
            std::is_floating_point_v < decltype(Block::member)>  \
    }

const std::vector<FieldOf> kOuterFields = {
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_OUTER_FIELDS, u32_0),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_OUTER_FIELDS, u32_4),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_OUTER_FIELDS, u32_8),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_OUTER_FIELDS, u32_12),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_OUTER_FIELDS, u32_16),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_OUTER_FIELDS, u32_20),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_OUTER_FIELDS, u32_24),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_OUTER_FIELDS, u32_28),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_OUTER_FIELDS, f64_32),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_OUTER_FIELDS, f64_40),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_OUTER_FIELDS, f64_48),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_OUTER_FIELDS, u32_56),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_OUTER_FIELDS, u32_60),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_OUTER_FIELDS, u8_64),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_OUTER_FIELDS, f64_65),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_OUTER_FIELDS, f64_73),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_OUTER_FIELDS, u8_81),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_OUTER_FIELDS, u32_82),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_OUTER_FIELDS, u32_86),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_OUTER_FIELDS, u32_90),
};

const std::vector<FieldOf> kKernelFields = {
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_KERNEL_FIELDS, u8_0),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_KERNEL_FIELDS, u16_1),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_KERNEL_FIELDS, f64_3),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_KERNEL_FIELDS, u32_11),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_KERNEL_FIELDS, u32_15),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_KERNEL_FIELDS, f64_19),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_KERNEL_FIELDS, f64_27),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_KERNEL_FIELDS, u32_35),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_KERNEL_FIELDS, u8_39),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_KERNEL_FIELDS, f64_40),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_KERNEL_FIELDS, f64_48),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_KERNEL_FIELDS, u32_56),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_KERNEL_FIELDS, f64_60),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_KERNEL_FIELDS, f64_68),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_KERNEL_FIELDS, u32_76),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_KERNEL_FIELDS, u32_80),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_KERNEL_FIELDS, u32_84),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_KERNEL_FIELDS, u16_88),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_KERNEL_FIELDS, u32_90),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_KERNEL_FIELDS, u16_94),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_KERNEL_FIELDS, u32_96),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_KERNEL_FIELDS, u32_100),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_KERNEL_FIELDS, u32_104),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_KERNEL_FIELDS, u32_108),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_KERNEL_FIELDS, f64_112),
};

const std::vector<FieldOf> kOrbitFields = {
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_ORBIT_FIELDS, u32_0),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_ORBIT_FIELDS, u8_4),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_ORBIT_FIELDS, f64_5),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_ORBIT_FIELDS, f64_13),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_ORBIT_FIELDS, u32_21),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_ORBIT_FIELDS, u8_25),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_ORBIT_FIELDS, f64_26),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_ORBIT_FIELDS, u8_34),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_ORBIT_FIELDS, f64_35),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_ORBIT_FIELDS, u8_43),
    VYR_FIELD(VYR_PROCESSING_PARAMETERS_ORBIT_FIELDS, u8_44),
};

#undef VYR_FIELD

void put_block(Fields& out, const char* block, const void* fields,
               const std::vector<FieldOf>& table) {
    const auto* bytes = static_cast<const uint8_t*>(fields);
    for (const FieldOf& f : table) {
        const std::string name = std::string(block) + "." + f.name;
        if (f.floating) {
            double value = 0;
            std::memcpy(&value, bytes + f.offset, sizeof value);
            out[name] = tidy(value);
        } else {
            uint64_t value = 0;  // little-endian: the low bytes hold the field
            std::memcpy(&value, bytes + f.offset, f.size);
            out[name] = value;
        }
    }
}

// The fields have no meaning of their own to the library: they keep their offset names.
Fields processing_parameters(const VYR_PROCESSING_PARAMETERS& parameters) {
    Fields out;
    put_block(out, "outer", &parameters.outer, kOuterFields);
    put_block(out, "kernel", &parameters.kernel.fields, kKernelFields);
    for (const auto& [key, value] : parameters.kernel.values)
        out["kernel.values." + std::to_string(key)] = value;
    put_block(out, "orbit", &parameters.orbit.fields, kOrbitFields);
    std::string satellites;
    for (const VYR_SATID& satellite : parameters.orbit.satellites)
        satellites += (satellites.empty() ? "" : ",") + satellite_name(satellite);
    out["orbit.satellites"] = satellites;
    return out;
}

// One record per line; a list the project never received is empty.
template <class T>
void show_list(IVyrCommonData& common, VYR_ERROR (IVyrCommonData::*get)(std::vector<T>&),
               const std::string& path, bool as_json) {
    std::vector<T> records;
    const VYR_ERROR got = (common.*get)(records);
    if (got != VYR_E_ENTRY_NOT_FOUND) check(got, path);
    RecordLines out(as_json);
    for (const T& record : records) out.add(fields_of(record, as_json));
}

using ListShower = void (*)(IVyrCommonData&, const std::string&, bool);

template <class T, VYR_ERROR (IVyrCommonData::*Get)(std::vector<T>&)>
void shower(IVyrCommonData& common, const std::string& path, bool as_json) {
    show_list(common, Get, path, as_json);
}

// A single record: its fields, or nothing when the project never stored it.
using SingleReader = std::optional<Fields> (*)(ReadOnlyProject&, const std::string&, bool);

// Single records written only by some imports or programs are missing from other projects.
std::optional<Fields> unless_missing(VYR_ERROR got, const std::string& path) {
    if (got == VYR_E_ENTRY_NOT_FOUND) return std::nullopt;
    check(got, path);
    return Fields::object();
}

std::optional<Fields> version(ReadOnlyProject& project, const std::string& path, bool) {
    VYR_VERSION version{};
    check(project.storage().GetVersion(version), path);
    return Fields{{"major", +version.major}, {"minor", +version.minor}};
}

std::optional<Fields> status(ReadOnlyProject& project, const std::string& path, bool) {
    VYR_STORAGE_STATUS status{};
    check(project.storage().GetStorageStatus(status), path);
    return Fields{{"status", static_cast<uint32_t>(status)}};
}

std::optional<Fields> parameters(ReadOnlyProject& project, const std::string& path, bool) {
    VYR_PROCESSING_PARAMETERS stored;
    if (!unless_missing(project.common_data().GetProcessingParameters(stored), path))
        return std::nullopt;
    return processing_parameters(stored);
}

std::optional<Fields> leap_seconds(ReadOnlyProject& project, const std::string& path,
                                   bool as_json) {
    VYR_UTC_LEAP_SECONDS leap{};
    std::optional<Fields> fields =
        unless_missing(project.common_data().GetUtcLeapSeconds(leap), path);
    if (!fields) return fields;
    const double fraction = leap.fractionOfDay;
    put_time(*fields, "since", leap.mjd + fraction, as_json);
    (*fields)["leap_seconds_s"] = leap.leapSeconds;
    return fields;
}

// The nine values have no meaning given beyond their order: named by their index.
std::optional<Fields> pz90(ReadOnlyProject& project, const std::string& path, bool) {
    VYR_TRANSFORMATION_PZ90_TO_WGS84 transform{};
    std::optional<Fields> fields =
        unless_missing(project.common_data().GetTransformPZ90ToWGS84(transform), path);
    for (int i = 0; fields && i < 9; ++i)
        (*fields)["value" + std::to_string(i)] = tidy(double{transform.value[i]});
    return fields;
}

std::optional<Fields> glonass_map(ReadOnlyProject& project, const std::string& path, bool as_json) {
    VYR_GLONASS_FREQUENCYMAP map{};
    std::optional<Fields> fields =
        unless_missing(project.common_data().GetFrequencyChannelMapGlo(map), path);
    for (int slot = 1; fields && slot <= VYR_GLONASS_FREQUENCYMAP::kSlots; ++slot) {
        const int16_t channel = map.channel[slot - 1];
        const std::string name = satellite_name(VYR_SATID{VYR_SATSYS_GLONASS, uint8_t(slot)});
        if (channel == VYR_GLONASS_FREQUENCYMAP::kNotSet)
            (*fields)[name] = as_json ? Fields() : Fields("not set");
        else
            (*fields)[name] = channel;
    }
    return fields;
}

struct Kind {
    const char* name;
    const char* what;
    ListShower list = nullptr;
    SingleReader single = nullptr;
    const char* missing = "";  // what a single record's absence is called
};

const Kind kKinds[] = {
    {"version", "project file version (major, minor)", nullptr, version, "version"},
    {"status", "project status word", nullptr, status, "status"},
    {"processing-parameters", "processing parameters, fields named by block and offset", nullptr,
     parameters, "processing parameters"},
    {"leap-seconds", "GPS-UTC leap seconds and the time since when they count", nullptr,
     leap_seconds, "leap seconds"},
    {"pz90", "PZ-90 to WGS-84 transformation, nine values", nullptr, pz90, "PZ-90 transformation"},
    {"glonass-map", "GLONASS frequency channel of each slot R01-R24 (null: not set)", nullptr,
     glonass_map, "GLONASS channel map"},
    {"broadcast-gps", "GPS broadcast ephemerides, one message per line",
     shower<VYR_BROADCASTEPHEMERIS, &IVyrCommonData::GetBroadcastEphemerisRecords>},
    {"broadcast-glo", "GLONASS broadcast ephemerides, one message per line",
     shower<VYR_BROADCASTEPHEMERIS_GLO, &IVyrCommonData::GetBroadcastEphemerisGloRecords>},
    {"broadcast-gal", "Galileo broadcast ephemerides, one message per line",
     shower<VYR_BROADCASTEPHEMERIS_GAL, &IVyrCommonData::GetBroadcastEphemerisGalRecords>},
    {"precise", "precise (SP3) positions and clocks, one satellite and epoch per line",
     shower<VYR_PRECISEEPHEMERIS, &IVyrCommonData::GetPreciseEphemerisRecords>},
    {"iono-utc", "Klobuchar ionosphere coefficients of navigation files",
     shower<VYR_IONOUTC, &IVyrCommonData::GetIonoUtcRecords>},
    {"iono-models", "spherical-harmonic ionosphere models, one per line",
     shower<VYR_IONO_GLOBALREG, &IVyrCommonData::GetIonoGlobalRegRecords>},
    {"almanac-gps", "GPS almanacs: satellite and time",
     shower<VYR_ALMANACHEPHEMERIS, &IVyrCommonData::GetAlmanachEphemerisRecords>},
    {"almanac-glo", "GLONASS almanacs: satellite and time",
     shower<VYR_ALMANACHEPHEMERIS_GLO, &IVyrCommonData::GetAlmanachEphemerisGloRecords>},
    {"almanac-gal", "Galileo almanacs: satellite and time",
     shower<VYR_ALMANACHEPHEMERIS_GAL, &IVyrCommonData::GetAlmanachEphemerisGalRecords>},
    {"established-points", "names of the established points",
     shower<VYR_ESTABLISHED_POINT, &IVyrCommonData::GetEstablishedPointRecords>},
    {"points-for-establishing", "names of the points used for establishing",
     shower<VYR_USE_FOR_ESTABLISHING_POINT, &IVyrCommonData::GetUseForEstablishingPointRecords>},
};

void show(const std::string& path, const std::string& what, bool as_json) {
    ReadOnlyProject project(path);
    for (const Kind& kind : kKinds) {
        if (what != kind.name) continue;
        if (kind.list != nullptr) return kind.list(project.common_data(), path, as_json);
        const std::optional<Fields> fields = kind.single(project, path, as_json);
        if (fields)
            print_single(*fields, as_json);
        else if (as_json)
            std::cout << "null\n";
        else
            std::cout << "no " << kind.missing << " stored\n";
        return;
    }
}

std::vector<std::string> showable() {
    std::vector<std::string> names;
    for (const Kind& kind : kKinds) names.push_back(kind.name);
    return names;
}

// One line per kind for --help.
std::string kinds_help() {
    std::string text = "WHAT is one of:\n";
    for (const Kind& kind : kKinds) {
        std::string name = kind.name;
        name.resize(std::max<size_t>(name.size() + 2, 25), ' ');
        text += "  " + name + kind.what + "\n";
    }
    return text +
           "Units are part of the field names (_m metres, _s seconds, _rad radians, _m05 square "
           "root of metres, ...); times are ISO, with NAME_mjd beside them in --json.";
}

}  // namespace

void add_show_command(CLI::App& app) {
    auto* show_command = app.add_subcommand("show", "Show one kind of record a project holds");
    auto show_path = std::make_shared<std::string>();
    auto what = std::make_shared<std::string>();
    auto as_json = std::make_shared<bool>(false);
    show_command->add_option("PROJECT", *show_path, "Project file")->required();
    show_command->add_option("WHAT", *what, "What to show")
        ->required()
        ->check(CLI::IsMember(showable()));
    show_command->add_flag("--json", *as_json, "Print JSON");
    show_command->footer(kinds_help());
    show_command->callback([=] { show(*show_path, *what, *as_json); });
}

}  // namespace vyr_cli
