// `vyr export`: one station of a project as a RINEX observation file.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <system_error>

#include <vyr/vyr.h>

#include "commands.h"
#include "observation_filter_options.h"
#include "output_text.h"
#include "project_access.h"
#include "project_lookup.h"

namespace vyr_cli {
namespace {

struct ExportOptions {
    std::string path, station, folder = ".", version = "3.04";
    FilterOptions filter;
};

std::string code_text(VYR_ERROR code) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<uint32_t>(code));
    return hex;
}

void export_station(const ExportOptions& options) {
    VYR_RINEX_EXPORT_OPTIONS settings;
    settings.rinexVersion = std::stod(options.version);
    settings.filter = filter_of(options.filter);
    std::error_code error;
    std::filesystem::create_directories(options.folder, error);
    if (error)
        throw CommandFailure{options.folder + ": cannot make the folder: " + error.message()};

    ReadOnlyProject project(options.path);
    // Every project this library opens is the extended storage object.
    auto& storage = static_cast<IVyrStorageEx&>(project.storage());
    CVyrIPtrSmart<IVyrStationEx> station = find_station(storage, options.path, options.station);
    VYR_RINEX_EXPORT_RESULT result;
    const VYR_ERROR code = station->ExportRinexEx(options.folder.c_str(), settings, result);
    const std::string named = options.path + ": station " + terminal_text(options.station);
    if (code == VYR_E_ITERATOR_AT_END)
        throw CommandFailure{named + " has no epochs to export" +
                             (options.filter.from.empty() && options.filter.to.empty() &&
                                      options.filter.interval == 0 &&
                                      options.filter.excludeSystems.empty() &&
                                      options.filter.onlySystems.empty() &&
                                      options.filter.excludeSats.empty() && !options.filter.windows
                                  ? ""
                                  : " through the filter")};
    if (code < 0)
        throw CommandFailure{named + ": not exported: " +
                             (result.problem.empty() ? "failed" : terminal_text(result.problem)) +
                             " (" + code_text(code) + ")"};
    if (result.valuesNotWritten > 0)
        std::cerr << "vyr: " << result.valuesNotWritten
                  << " values were left out: this RINEX version has no column for their signal, "
                     "or they do not fit its fields\n";
    std::cout << terminal_text(result.path) << '\n';
}

}  // namespace

void add_export_command(CLI::App& app) {
    auto* command = app.add_subcommand("export", "Write a station as a RINEX observation file");
    auto options = std::make_shared<ExportOptions>();
    command->add_option("PROJECT", options->path, "Project file")->required();
    command->add_option("STATION", options->station, "Station key text or display text")
        ->required();
    command->add_option("-o,--output", options->folder,
                        "Folder for the file (made when missing; default: the current folder)");
    command->add_option("--rinex-version", options->version, "3.04 (default), 3.05, 4.01 or 2.11")
        ->check(CLI::IsMember({"3.04", "3.05", "4.01", "2.11"}));
    add_filter_options(*command, options->filter, false);
    command->callback([options] { export_station(*options); });
}

}  // namespace vyr_cli
