// `vyr create` and `vyr copy`: making and copying projects.
#include <filesystem>
#include <memory>
#include <string>

#include <vyr/vyr.h>

#include "commands.h"
#include "new_project.h"
#include "project_access.h"

namespace vyr_cli {

void add_project_commands(CLI::App& app) {
    auto* create = app.add_subcommand("create", "Create a new, empty project");
    auto create_path = std::make_shared<std::string>();
    create->add_option("PROJECT", *create_path, "Project file to create")->required();
    create->callback([create_path] {
        if (!NewProject(*create_path).place())
            throw CommandFailure{*create_path + ": already exists; not replaced"};
    });

    auto* copy =
        app.add_subcommand("copy", "Copy a project, optionally without results or measurements");
    auto source = std::make_shared<std::string>();
    auto destination = std::make_shared<std::string>();
    auto without_results = std::make_shared<bool>(false);
    auto without_measurements = std::make_shared<bool>(false);
    copy->add_option("PROJECT", *source, "Project to copy")->required();
    copy->add_option("DEST", *destination, "New project file (never replaced)")->required();
    auto* results_flag = copy->add_flag("--without-results", *without_results,
                                        "Leave out results, processing information and errors");
    copy->add_flag("--without-measurements", *without_measurements,
                   "Leave out observations, ephemerides and statistics")
        ->excludes(results_flag);
    copy->callback([=] {
        ReadOnlyProject project(*source);
        const int32_t mode = *without_results        ? VYR_COPY_WITHOUT_RESULTS
                             : *without_measurements ? VYR_COPY_WITHOUT_MEASUREMENTS
                                                     : VYR_COPY_ALL;
        const auto refuse = [&] {
            throw CommandFailure{*destination + ": already exists; not replaced"};
        };
        std::error_code error;
        if (std::filesystem::exists(*destination, error)) refuse();  // before the work of copying
        NewProject copied(*destination, [&](IStorage& document) {
            return project.storage().SaveAs(&document, mode);
        });
        if (!copied.place()) refuse();
    });
}

}  // namespace vyr_cli
