// `vyr results`: what the processing stored for a station association, shown as CSV or JSON,
// and residuals and their GLONASS offsets added from CSV, so that a kernel written in any
// language can store its results without C++.
#include <iostream>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include <vyr/vyr.h>

#include "commands.h"
#include "project_access.h"
#include "project_lookup.h"
#include "result_tables.h"
#include "result_text.h"
#include "station_text.h"

namespace vyr_cli {
namespace {

struct ShowOptions {
    std::string path, assoc, kind, type, ionoFree, difference;
    bool csv = false, json = false;
};

// "L1Code,L2Code" as two residual types.
std::vector<VYR_RESIDUAL_TYPE> type_pair(const std::string& text, const char* option) {
    std::vector<VYR_RESIDUAL_TYPE> types;
    std::stringstream in(text);
    for (std::string name; std::getline(in, name, ',');) {
        const auto type = residual_type_named(name);
        if (!type)
            throw CommandFailure{std::string(option) + ": not a residual type: '" + name +
                                     "'; one of: " + residual_type_names(),
                                 kExitUsage};
        types.push_back(*type);
    }
    if (types.size() != 2)
        throw CommandFailure{std::string(option) + " takes two residual types, e.g. L1Code,L2Code",
                             kExitUsage};
    return types;
}

ResultQuery query_of(const ShowOptions& options) {
    ResultQuery query{options.kind, options.type, std::nullopt, {}};
    const bool ionoFree = !options.ionoFree.empty();
    if (ionoFree || !options.difference.empty()) {
        if (options.kind != "residuals")
            throw CommandFailure{"--iono-free and --difference combine residuals only", kExitUsage};
        query.combination =
            ionoFree ? VYR_RESIDUAL_COMBINATION_IONO_FREE : VYR_RESIDUAL_COMBINATION_DIFFERENCE;
        query.combined = ionoFree ? type_pair(options.ionoFree, "--iono-free")
                                  : type_pair(options.difference, "--difference");
    }
    return query;
}

void show(const ShowOptions& options) {
    const ResultQuery query = query_of(options);
    ReadOnlyProject project(options.path);
    auto& storage = static_cast<IVyrStorageEx&>(project.storage());
    CVyrIPtrSmart<IVyrStationAssocEx> assoc = find_assoc(storage, options.path, options.assoc);
    print_table(result_table(*assoc, query, options.path), options.json);
}

void add_residuals(const std::string& path, const std::string& name, const std::string& typeName,
                   const std::string& file) {
    const auto type = residual_type_named(typeName);
    if (!type)
        throw CommandFailure{
            "--type: not a residual type: '" + typeName + "'; one of: " + residual_type_names(),
            kExitUsage};
    const std::vector<VYR_RESIDUAL> epochs = read_residuals_csv(file);
    WritableProject project(path);
    CVyrIPtrSmart<IVyrStationAssocEx> assoc = find_assoc(project.storage(), path, name);
    CVyrIPtrSmart<IVyrCollectionResidualEx> residuals;
    check(assoc->GetResidualsEx(*type, residuals), path);
    size_t values = 0;
    for (const VYR_RESIDUAL& epoch : epochs) {
        check(residuals->Add(epoch), path);
        values += epoch.residuals.size();
    }
    residuals.Reset();
    assoc.Reset();
    project.commit();
    std::cout << file << ": " << epochs.size() << " epochs, " << values << " residuals added to "
              << typeName << '\n';
}

void add_offsets(const std::string& path, const std::string& name, const std::string& typeName,
                 const std::string& file) {
    const auto type = offset_type_named(typeName);
    if (!type)
        throw CommandFailure{
            "--type: not an offset type: '" + typeName + "'; one of: " + offset_type_names(),
            kExitUsage};
    const std::vector<VYR_RESIDUAL_OFFSET_SV> slots = read_offsets_csv(file);
    WritableProject project(path);
    CVyrIPtrSmart<IVyrStationAssocEx> assoc = find_assoc(project.storage(), path, name);
    CVyrIPtrSmart<IVyrCollectionResidualOffsetSvEx> offsets;
    check(assoc->GetResidualOffsetsEx(*type, offsets), path);
    // Only the first stored record of a slot is applied: a second one would be dead weight.
    std::vector<VYR_RESIDUAL_OFFSET_SV> stored;
    const VYR_ERROR read = offsets->GetAll(stored);
    if (read != VYR_E_NO_MORE_ENTRIES) check(read, path);
    std::set<uint8_t> taken;
    for (const VYR_RESIDUAL_OFFSET_SV& slot : stored) taken.insert(slot.slot);
    size_t intervals = 0;
    for (const VYR_RESIDUAL_OFFSET_SV& slot : slots) {
        if (taken.count(slot.slot) != 0)
            throw CommandFailure{file + ": R" + (slot.slot < 10 ? "0" : "") +
                                 std::to_string(slot.slot) + " has " + typeName +
                                 " offsets stored already; only the first stored record of a "
                                 "slot is applied"};
        intervals += slot.intervals.size();
    }
    for (const VYR_RESIDUAL_OFFSET_SV& slot : slots) check(offsets->Add(slot), path);
    offsets.Reset();
    assoc.Reset();
    project.commit();
    std::cout << file << ": " << slots.size() << " slots, " << intervals << " intervals added to "
              << typeName << '\n';
}

std::string kinds_text() {
    std::string text;
    for (const std::string& kind : result_kinds()) text += (text.empty() ? "" : ", ") + kind;
    return text;
}

}  // namespace

void add_results_commands(CLI::App& app) {
    auto* results = app.add_subcommand(
        "results", "Show the processing results of an association; add residuals and offsets");
    results->require_subcommand(1);
    auto path = std::make_shared<std::string>();
    auto assoc = std::make_shared<std::string>();
    results->add_option("PROJECT", *path, "Project file")->required();
    results->add_option("ASSOC", *assoc, "Association key text (as `vyr assoc list` prints)")
        ->required();

    auto options = std::make_shared<ShowOptions>();
    auto* show_command = results->add_subcommand("show", "Print one kind of result as CSV or JSON");
    show_command->add_option("KIND", options->kind, "One of: " + kinds_text())->required();
    show_command->add_option("--type", options->type,
                             "Residual type (" + residual_type_names() + "), offset type (" +
                                 offset_type_names() + ") or status band (" + status_band_names() +
                                 ")");
    auto* ionoFree =
        show_command->add_option("--iono-free", options->ionoFree,
                                 "Ionosphere-free combination of two types, e.g. L1Code,L2Code");
    show_command
        ->add_option("--difference", options->difference,
                     "Difference of two residual types A,B (A minus B)")
        ->excludes(ionoFree);
    auto* csv = show_command->add_flag("--csv", options->csv, "Print CSV (the default)");
    show_command->add_flag("--json", options->json, "Print JSON")->excludes(csv);
    show_command->callback([=] {
        options->path = *path;
        options->assoc = *assoc;
        show(*options);
    });

    auto* add = results->add_subcommand("add", "Store residuals or offsets from a CSV file");
    auto what = std::make_shared<std::string>();
    auto type = std::make_shared<std::string>();
    auto file = std::make_shared<std::string>();
    add->add_option("WHAT", *what, "residuals (CSV time,sat,value) or offsets (sat,from,to,offset)")
        ->required()
        ->check(CLI::IsMember({"residuals", "offsets"}));
    add->add_option("--type", *type, "Residual type or offset type")->required();
    add->add_option("FILE", *file, "The CSV file")->required();
    add->callback([=] {
        if (*what == "residuals")
            add_residuals(*path, *assoc, *type, *file);
        else
            add_offsets(*path, *assoc, *type, *file);
    });
}

}  // namespace vyr_cli
