// `vyr show`: one kind of record a project holds, as lines or JSON.
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
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

using nlohmann::json;

// One line "name<TAB>value" per field, or one JSON object.
class FieldPrinter {
public:
    explicit FieldPrinter(bool as_json) : m_json(as_json) {}
    ~FieldPrinter() {
        if (m_json) std::cout << json_text(m_object) << '\n';
    }
    template <class T>
    void field(const std::string& name, T value) {  // by value: fields may be packed
        if (m_json) {
            m_object[name] = value;
        } else {
            std::cout << name << '\t' << text_of(value) << '\n';
        }
    }

private:
    static std::string text_of(double value) {
        char text[32];
        std::snprintf(text, sizeof text, "%.17g", value);
        return text;
    }
    template <class T>
    static std::string text_of(const T& value) {
        if constexpr (std::is_same_v<T, std::string>)
            return terminal_text(value);
        else
            return std::to_string(value);
    }

    bool m_json;
    json m_object = json::object();
};

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

void print_block(FieldPrinter& out, const char* block, const void* fields,
                 const std::vector<FieldOf>& table) {
    const auto* bytes = static_cast<const uint8_t*>(fields);
    for (const FieldOf& f : table) {
        const std::string name = std::string(block) + "." + f.name;
        if (f.floating) {
            double value = 0;
            std::memcpy(&value, bytes + f.offset, sizeof value);
            out.field(name, value);
        } else {
            uint64_t value = 0;  // little-endian: the low bytes hold the field
            std::memcpy(&value, bytes + f.offset, f.size);
            out.field(name, value);
        }
    }
}

void show_processing_parameters(IVyrCommonData& common, const std::string& path, bool as_json) {
    VYR_PROCESSING_PARAMETERS parameters;
    check(common.GetProcessingParameters(parameters), path);
    FieldPrinter out(as_json);
    print_block(out, "outer", &parameters.outer, kOuterFields);
    print_block(out, "kernel", &parameters.kernel.fields, kKernelFields);
    for (const auto& [key, value] : parameters.kernel.values)
        out.field("kernel.values." + std::to_string(key), value);
    print_block(out, "orbit", &parameters.orbit.fields, kOrbitFields);
    std::string satellites;
    for (const VYR_SATID& satellite : parameters.orbit.satellites)
        satellites += (satellites.empty() ? "" : ",") + satellite_name(satellite);
    out.field("orbit.satellites", satellites);
}

// One record per line; a list the project never received is empty.
template <class T>
void show_list(IVyrCommonData& common, VYR_ERROR (IVyrCommonData::*get)(std::vector<T>&),
               const std::string& path, bool as_json) {
    std::vector<T> records;
    const VYR_ERROR got = (common.*get)(records);
    if (got != VYR_E_ENTRY_NOT_FOUND) check(got, path);
    RecordLines out(as_json);
    for (const T& record : records) out.add(fields_of(record));
}

using ListShower = void (*)(IVyrCommonData&, const std::string&, bool);

template <class T, VYR_ERROR (IVyrCommonData::*Get)(std::vector<T>&)>
void shower(IVyrCommonData& common, const std::string& path, bool as_json) {
    show_list(common, Get, path, as_json);
}

const std::vector<std::pair<std::string, ListShower>> kLists = {
    {"broadcast-gps",
     shower<VYR_BROADCASTEPHEMERIS, &IVyrCommonData::GetBroadcastEphemerisRecords>},
    {"broadcast-glo",
     shower<VYR_BROADCASTEPHEMERIS_GLO, &IVyrCommonData::GetBroadcastEphemerisGloRecords>},
    {"broadcast-gal",
     shower<VYR_BROADCASTEPHEMERIS_GAL, &IVyrCommonData::GetBroadcastEphemerisGalRecords>},
    {"precise", shower<VYR_PRECISEEPHEMERIS, &IVyrCommonData::GetPreciseEphemerisRecords>},
    {"iono-utc", shower<VYR_IONOUTC, &IVyrCommonData::GetIonoUtcRecords>},
    {"iono-models", shower<VYR_IONO_GLOBALREG, &IVyrCommonData::GetIonoGlobalRegRecords>},
    {"almanac-gps", shower<VYR_ALMANACHEPHEMERIS, &IVyrCommonData::GetAlmanachEphemerisRecords>},
    {"almanac-glo",
     shower<VYR_ALMANACHEPHEMERIS_GLO, &IVyrCommonData::GetAlmanachEphemerisGloRecords>},
    {"almanac-gal",
     shower<VYR_ALMANACHEPHEMERIS_GAL, &IVyrCommonData::GetAlmanachEphemerisGalRecords>},
    {"established-points",
     shower<VYR_ESTABLISHED_POINT, &IVyrCommonData::GetEstablishedPointRecords>},
    {"points-for-establishing",
     shower<VYR_USE_FOR_ESTABLISHING_POINT, &IVyrCommonData::GetUseForEstablishingPointRecords>},
};

void show(const std::string& path, const std::string& what, bool as_json) {
    ReadOnlyProject project(path);
    IVyrCommonData& common = project.common_data();
    for (const auto& [name, show_records] : kLists) {
        if (name == what) {
            show_records(common, path, as_json);
            return;
        }
    }
    if (what == "version") {
        VYR_VERSION version{};
        check(project.storage().GetVersion(version), path);
        FieldPrinter out(as_json);
        out.field("major", version.major);
        out.field("minor", version.minor);
    } else if (what == "status") {
        VYR_STORAGE_STATUS status{};
        check(project.storage().GetStorageStatus(status), path);
        FieldPrinter(as_json).field("status", static_cast<uint32_t>(status));
    } else if (what == "processing-parameters") {
        show_processing_parameters(common, path, as_json);
    } else if (what == "leap-seconds") {
        VYR_UTC_LEAP_SECONDS leap{};
        check(common.GetUtcLeapSeconds(leap), path);
        FieldPrinter out(as_json);
        out.field("mjd", leap.mjd);
        out.field("fractionOfDay", leap.fractionOfDay);
        out.field("leapSeconds", leap.leapSeconds);
    } else if (what == "pz90") {
        VYR_TRANSFORMATION_PZ90_TO_WGS84 transform{};
        check(common.GetTransformPZ90ToWGS84(transform), path);
        FieldPrinter out(as_json);
        for (int i = 0; i < 9; ++i) out.field("value" + std::to_string(i), transform.value[i]);
    } else if (what == "glonass-map") {
        VYR_GLONASS_FREQUENCYMAP map{};
        check(common.GetFrequencyChannelMapGlo(map), path);
        FieldPrinter out(as_json);
        for (int slot = 1; slot <= VYR_GLONASS_FREQUENCYMAP::kSlots; ++slot) {
            const int16_t channel = map.channel[slot - 1];
            char name[8];
            std::snprintf(name, sizeof name, "R%02d", slot);
            if (channel == VYR_GLONASS_FREQUENCYMAP::kNotSet)
                out.field(name, std::string("not set"));
            else
                out.field(name, static_cast<int>(channel));
        }
    }
}

std::vector<std::string> showable() {
    std::vector<std::string> names = {"version",      "status", "processing-parameters",
                                      "leap-seconds", "pz90",   "glonass-map"};
    for (const auto& list : kLists) names.push_back(list.first);
    return names;
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
    show_command->callback([=] { show(*show_path, *what, *as_json); });
}

}  // namespace vyr_cli
