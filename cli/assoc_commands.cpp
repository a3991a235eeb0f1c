// `vyr assoc`: a project's station associations (a rover, optionally one reference station, and
// flags) added, listed with the results they hold, and deleted.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>

#include <vyr/vyr.h>
#include <nlohmann/json.hpp>

#include "commands.h"
#include "output_text.h"
#include "project_access.h"
#include "project_lookup.h"
#include "result_tables.h"
#include "station_text.h"

namespace vyr_cli {
namespace {

using nlohmann::ordered_json;

uint32_t flags_option(const std::string& text) {
    // Decimal or 0x hex only: a leading 0 is no octal prefix here (010 is ten).
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    char* end = nullptr;
    const unsigned long long value =
        std::strtoull(text.c_str() + (hex ? 2 : 0), &end, hex ? 16 : 10);
    if (text.empty() || *end != '\0' ||
        !std::isxdigit(static_cast<unsigned char>(text[hex ? 2 : 0])) || value > UINT32_MAX)
        throw CommandFailure{
            "--flags: " + text + " is not a number from 0 to 4294967295 (decimal or 0x hex)",
            kExitUsage};
    return static_cast<uint32_t>(value);
}

// A station taking part: the entry's first value marks it as present, its index is its place.
VYR_ASSOC_STATION participant(const VYR_STATION_KEY& key) {
    return {1, key, 0};
}

CVyrIPtrSmart<IVyrCollectionStationAssocEx> assocs_of(IVyrStorageEx& storage,
                                                      const std::string& path) {
    CVyrIPtrSmart<IVyrCollectionStationAssocEx> assocs;
    check(storage.GetStationAssocsEx(assocs), path);
    return assocs;
}

void add_assoc(const std::string& path, const std::string& rover, const std::string& reference,
               uint32_t flags) {
    if (!reference.empty() && reference == rover)
        throw CommandFailure{"the reference station must differ from the rover", kExitUsage};
    WritableProject project(path);
    IVyrStorageEx& storage = project.storage();
    VYR_STATION_ASSOC description;
    description.flags = flags;
    description.rover = participant(find_station_key(storage, path, rover));
    if (!reference.empty())
        description.linkedStations.stations.push_back(
            participant(find_station_key(storage, path, reference)));
    CVyrIPtrSmart<IVyrCollectionStationAssocEx> assocs = assocs_of(storage, path);
    CVyrIPtrSmart<IVyrStationAssoc> assoc;
    const VYR_ERROR added = assocs->AddAssoc(description, assoc);
    if (added == VYR_E_ENTRY_EXISTS)
        throw CommandFailure{path + ": the association of rover " + rover +
                             (reference.empty() ? "" : " and reference " + reference) +
                             " with these flags exists already"};
    check(added, path);
    VYR_STATION_ASSOC_KEY key{};
    check(assoc->GetKey(key), path);
    assoc.Reset();
    assocs.Reset();
    project.commit();
    std::cout << terminal_text(key_display(key)) << '\n';
}

std::string flags_text(uint32_t flags) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", flags);
    return text;
}

void list_assocs(const std::string& path, bool as_json) {
    ReadOnlyProject project(path);
    auto& storage = static_cast<IVyrStorageEx&>(project.storage());
    // One list for every association, not one lookup each.
    CVyrIPtrSmart<IVyrCollectionStationAssocEx> assocs = assoc_list(storage, path);
    std::vector<VYR_STATION_ASSOC_KEY> keys;
    if (assocs.IsValid()) check(assocs->GetAll(keys), path);
    ordered_json list = ordered_json::array();
    for (const VYR_STATION_ASSOC_KEY& key : keys) {
        CVyrIPtrSmart<IVyrStationAssocEx> assoc;
        check(assocs->GetAssocEx(key, assoc), path);
        VYR_STATION_ASSOC description;
        check(assoc->GetStationAssoc(description), path);
        const auto& linked = description.linkedStations.stations;
        list.push_back(
            {{"key", key_display(key)},
             {"rover", key_display(description.rover.station)},
             {"reference",
              linked.empty() ? ordered_json() : ordered_json(key_display(linked[0].station))},
             {"flags", description.flags},
             {"results", result_counts(*assoc, path)}});
    }
    if (as_json) {
        std::cout << json_text(list) << '\n';
        return;
    }
    for (const ordered_json& entry : list) {
        std::string results;
        for (const auto& [name, count] : entry["results"].items())
            results += (results.empty() ? "" : ",") + name + "=" + count.dump();
        const ordered_json& reference = entry["reference"];
        std::cout << terminal_text(entry["key"].get<std::string>()) << '\t'
                  << terminal_text(entry["rover"].get<std::string>()) << '\t'
                  << (reference.is_null() ? "-" : terminal_text(reference.get<std::string>()))
                  << '\t' << flags_text(entry["flags"].get<uint32_t>()) << '\t'
                  << (results.empty() ? "-" : results) << '\n';
    }
}

void delete_assoc(const std::string& path, const std::string& name) {
    WritableProject project(path);
    IVyrStorageEx& storage = project.storage();
    const VYR_STATION_ASSOC_KEY key = find_assoc_key(storage, path, name);
    CVyrIPtrSmart<IVyrCollectionStationAssocEx> assocs = assocs_of(storage, path);
    check(assocs->Delete(key), path);
    assocs.Reset();
    project.commit();
}

}  // namespace

void add_assoc_commands(CLI::App& app) {
    auto* assoc = app.add_subcommand(
        "assoc", "Add, list and delete station associations (a rover and its reference)");
    assoc->require_subcommand(1);
    auto path = std::make_shared<std::string>();
    assoc->add_option("PROJECT", *path, "Project file")->required();

    auto* add = assoc->add_subcommand("add", "Add an association of ROVER; prints its key");
    auto rover = std::make_shared<std::string>();
    auto reference = std::make_shared<std::string>();
    auto flags = std::make_shared<std::string>("0");
    add->add_option("ROVER", *rover, "The rover station (key text as `vyr info` shows it)")
        ->required();
    add->add_option("--reference", *reference, "One reference station");
    add->add_option("--flags", *flags,
                    "Flags word, decimal or 0x hex; 0x10000 leaves the association out of "
                    "`vyr copy --without-results`");
    add->callback([=] { add_assoc(*path, *rover, *reference, flags_option(*flags)); });

    auto* list = assoc->add_subcommand(
        "list", "One line per association: key, rover, reference, flags, results with counts");
    auto as_json = std::make_shared<bool>(false);
    list->add_flag("--json", *as_json, "Print JSON");
    list->callback([=] { list_assocs(*path, *as_json); });

    auto* remove = assoc->add_subcommand("delete", "Delete an association and its results");
    auto key = std::make_shared<std::string>();
    remove->add_option("KEY", *key, "The association's key text")->required();
    remove->callback([=] { delete_assoc(*path, *key); });
}

}  // namespace vyr_cli
