// `vyr import PROJECT FILE...`: creates the project when it is missing and imports each file.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <vyr/vyr.h>

#include "commands.h"
#include "import_observations.h"
#include "project_access.h"

namespace vyr_cli {
namespace {

// Files above this size get a progress bar when stderr is a terminal.
constexpr uintmax_t kProgressBarBytes = 4u << 20;

// A RINEX observation file names itself in its first line: type 'O' in column 21 of the
// "RINEX VERSION / TYPE" line.
bool is_rinex_observation_file(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    char line[256] = {};
    const bool read = std::fgets(line, sizeof line, file) != nullptr;
    std::fclose(file);
    return read && std::strstr(line, "RINEX VERSION / TYPE") != nullptr && std::strlen(line) > 20 &&
           line[20] == 'O';
}

void create_if_missing(const std::string& project) {
    if (std::filesystem::exists(project)) return;
    CVyrIPtrSmart<IVyr> root = Vyr_GetIVyr();
    CVyrIPtrSmart<IVyrStorage> created;
    check(root.IsValid() ? root->CreateStorage(project.c_str(), created) : VYR_E_INVALID_INTERFACE,
          project);
}

// Imports one file; prints its summary lines, or its failure line and returns false.
bool import_file(IVyrStorageEx& project, const std::string& path) {
    std::error_code error;
    const uintmax_t size = std::filesystem::file_size(path, error);
    const bool progress = !error && size > kProgressBarBytes && isatty(STDERR_FILENO) == 1;
    try {
        if (!std::filesystem::is_regular_file(path))
            throw CommandFailure{path + ": File not found."};
        if (!is_rinex_observation_file(path))
            throw CommandFailure{path + ": not a RINEX observation file"};
        for (const ImportedSite& site : import_observation_file(project, path, progress))
            std::cout << site_summary(path, site) << '\n';
        return true;
    } catch (const CommandFailure& failure) {
        std::cerr << "vyr: " << failure.message << '\n';
        return false;
    }
}

}  // namespace

void add_import_command(CLI::App& app) {
    auto* command = app.add_subcommand(
        "import", "Import files into a project (made when missing): one station per site");
    auto project = std::make_shared<std::string>();
    auto files = std::make_shared<std::vector<std::string>>();
    command->add_option("PROJECT", *project, "Project file")->required();
    command->add_option("FILE", *files, "RINEX observation files")->required();
    command->callback([project, files] {
        const bool created = !std::filesystem::exists(*project);
        create_if_missing(*project);
        int failed = 0;
        {
            WritableProject open(*project);
            for (const std::string& file : *files)
                failed += import_file(open.storage(), file) ? 0 : 1;
        }
        // A project this command made and nothing went into is not left behind.
        if (created && failed == static_cast<int>(files->size())) std::filesystem::remove(*project);
        if (failed != 0)
            throw CommandFailure{std::to_string(failed) + " of " + std::to_string(files->size()) +
                                 " files not imported"};
    });
}

}  // namespace vyr_cli
