// `vyr import PROJECT FILE...`: creates the project when it is missing and imports each file.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <vyr/vyr.h>

#include "commands.h"
#include "import_common_data.h"
#include "import_observations.h"
#include "project_access.h"

namespace vyr_cli {
namespace {

// Files above this size get a progress bar when stderr is a terminal.
constexpr uintmax_t kProgressBarBytes = 4u << 20;

void create_if_missing(const std::string& project) {
    if (std::filesystem::exists(project)) return;
    CVyrIPtrSmart<IVyr> root = Vyr_GetIVyr();
    CVyrIPtrSmart<IVyrStorage> created;
    check(root.IsValid() ? root->CreateStorage(project.c_str(), created) : VYR_E_INVALID_INTERFACE,
          project);
}

// Files without stations go into the common data; one summary line per list they fed.
void import_records(IVyrStorageEx& project, FileKind kind, const std::string& path) {
    CVyrIPtrSmart<IVyr> root = Vyr_GetIVyr();
    CVyrIPtrSmart<IVyrFileConverter> converter;
    CVyrIPtrSmart<IVyrCommonData> commonData;
    check(root.IsValid() ? root->GetFileConverter(converter) : VYR_E_INVALID_INTERFACE, path);
    check(project.GetCommonData(commonData), path);
    for (const StoredCount& count : import_common_data_file(kind, path, *converter, *commonData))
        std::cout << path << ": " << file_kind_name(kind) << ": " << count.list << ": "
                  << count.added << " added, " << count.present << " already present\n";
}

// A file of the temporary directory with a name no other process picks, removed when this goes.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& suffix) {
        static unsigned made = 0;
        const std::filesystem::path dir = std::filesystem::temp_directory_path();
        for (;;) {
            m_path =
                dir / ("vyr-" + std::to_string(getpid()) + "-" + std::to_string(++made) + suffix);
            std::FILE* file = std::fopen(m_path.c_str(), "wx");  // fails when it exists
            if (file != nullptr) {
                std::fclose(file);
                break;
            }
            if (errno != EEXIST)
                throw CommandFailure{m_path.string() + ": " + std::strerror(errno)};
        }
    }
    ~TemporaryFile() {
        std::error_code ignored;
        std::filesystem::remove(m_path, ignored);
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    std::string path() const { return m_path.string(); }

private:
    std::filesystem::path m_path;
};

// A compact RINEX file is expanded into a temporary plain file and imported from there; every
// message names the compact file.
std::vector<ImportedSite> import_compact_file(IVyrStorageEx& project, const std::string& path,
                                              bool progress) {
    const TemporaryFile expanded(".rnx");
    uint64_t line = 0;
    std::string problem;
    if (!Vyr_ExpandCompactRinex(path.c_str(), expanded.path().c_str(), line, problem))
        throw CommandFailure{path + (line != 0 ? ":" + std::to_string(line) : std::string()) +
                             ": " + problem};
    return import_observation_file(project, expanded.path(), progress, path);
}

// Imports one file; prints its summary lines, or its failure line and returns false.
bool import_file(IVyrStorageEx& project, const std::string& path) {
    std::error_code error;
    const uintmax_t size = std::filesystem::file_size(path, error);
    const bool progress = !error && size > kProgressBarBytes && isatty(STDERR_FILENO) == 1;
    try {
        if (!std::filesystem::is_regular_file(path))
            throw CommandFailure{path + ": File not found."};
        const FileKind kind = detect_file_kind(path);
        if (kind == FileKind::kUnknown)
            throw CommandFailure{path + ": not a kind of file vyr imports"};
        if (kind == FileKind::kRinexObservation || kind == FileKind::kCompactRinexObservation) {
            const std::vector<ImportedSite> sites =
                kind == FileKind::kRinexObservation
                    ? import_observation_file(project, path, progress)
                    : import_compact_file(project, path, progress);
            for (const ImportedSite& site : sites) std::cout << site_summary(path, site) << '\n';
            return true;
        }
        import_records(project, kind, path);
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
    command
        ->add_option("FILE", *files,
                     "RINEX observation (plain or compact) or navigation, SP3 or ionosphere "
                     "model files")
        ->required();
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
