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
#include "interrupt.h"
#include "new_project.h"
#include "project_access.h"

namespace vyr_cli {
namespace {

// Files above this size get a progress bar when stderr is a terminal.
constexpr uintmax_t kProgressBarBytes = 4u << 20;

// What one file did: its summary lines, and whether it added anything to the project.
struct ImportedFile {
    std::vector<std::string> lines;
    bool added = false;
};

// Files without stations go into the common data; one summary line per list they fed.
ImportedFile import_records(IVyrStorageEx& project, FileKind kind, const std::string& path) {
    CVyrIPtrSmart<IVyr> root = Vyr_GetIVyr();
    CVyrIPtrSmart<IVyrFileConverter> converter;
    CVyrIPtrSmart<IVyrCommonData> commonData;
    check(root.IsValid() ? root->GetFileConverter(converter) : VYR_E_INVALID_INTERFACE, path);
    check(project.GetCommonData(commonData), path);
    ImportedFile imported;
    for (const StoredCount& count : import_common_data_file(kind, path, *converter, *commonData)) {
        imported.lines.push_back(path + ": " + file_kind_name(kind) + ": " + count.list + ": " +
                                 std::to_string(count.added) + " added, " +
                                 std::to_string(count.present) + " already present");
        for (const std::string& note : count.notes) imported.lines.push_back(path + ": " + note);
        imported.added = imported.added || count.added > 0;
    }
    return imported;
}

// A file of the temporary directory with a name no other process picks, removed when this goes.
class TemporaryFile {
public:
    // shown: the file the temporary one stands for, named in messages.
    TemporaryFile(const std::string& suffix, const std::string& shown) {
        static unsigned made = 0;
        std::error_code error;
        const std::filesystem::path dir = std::filesystem::temp_directory_path(error);
        if (error)
            throw CommandFailure{shown +
                                 ": no folder for temporary files (TMPDIR): " + error.message()};
        for (;;) {
            m_path =
                dir / ("vyr-" + std::to_string(getpid()) + "-" + std::to_string(++made) + suffix);
            std::FILE* file = std::fopen(m_path.c_str(), "wx");  // fails when it exists
            if (file != nullptr) {
                std::fclose(file);
                break;
            }
            if (errno != EEXIST)
                throw CommandFailure{shown + ": temporary file " + m_path.string() + ": " +
                                     std::strerror(errno)};
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
                                              bool progress,
                                              const VyrObsConversionOptions& options) {
    const TemporaryFile expanded(".rnx", path);
    uint64_t line = 0;
    std::string problem;
    if (!Vyr_ExpandCompactRinex(path.c_str(), expanded.path().c_str(), line, problem))
        throw CommandFailure{path + (line != 0 ? ":" + std::to_string(line) : std::string()) +
                             ": " + problem};
    return import_observation_file(project, expanded.path(), progress, options, path);
}

// Imports one file into the project; throws CommandFailure when it cannot.
ImportedFile import_file(IVyrStorageEx& project, const std::string& path,
                         const VyrObsConversionOptions& options) {
    std::error_code error;
    const uintmax_t size = std::filesystem::file_size(path, error);
    const bool progress = !error && size > kProgressBarBytes && isatty(STDERR_FILENO) == 1;
    if (!std::filesystem::is_regular_file(path, error)) {
        const bool missing = !error || error == std::errc::no_such_file_or_directory ||
                             error == std::errc::not_a_directory;
        throw CommandFailure{path + ": " + (missing ? "File not found." : error.message())};
    }
    const FileKind kind = detect_file_kind(path);
    if (kind == FileKind::kUnknown) throw CommandFailure{path + ": not a kind of file vyr imports"};
    if (kind != FileKind::kRinexObservation && kind != FileKind::kCompactRinexObservation)
        return import_records(project, kind, path);
    const std::vector<ImportedSite> sites =
        kind == FileKind::kRinexObservation
            ? import_observation_file(project, path, progress, options)
            : import_compact_file(project, path, progress, options);
    ImportedFile imported;
    for (const ImportedSite& site : sites) {
        imported.lines.push_back(site_summary(path, site));
        imported.added = imported.added || !site.alreadyPresent;
    }
    return imported;
}

// Where the files of one command go: the project, or, when it does not exist yet, a new one
// that takes its name with the first file committed into it.
class ImportTarget {
public:
    ImportTarget(const std::string& project, const VyrObsConversionOptions& options)
        : m_project(project), m_options(options) {
        std::error_code error;
        m_exists = std::filesystem::exists(project, error);
        if (error) throw CommandFailure{project + ": " + error.message()};
    }

    // One file as one unit of work: its summary lines once it is committed, or nothing of it
    // in the project and its failure line on stderr.
    bool import(const std::string& file) {
        try {
            for (;;) {
                std::vector<std::string> lines = import_committed(file);
                if (m_exists || place()) {
                    for (const std::string& line : lines) std::cout << line << '\n';
                    return true;
                }
                // Another command made the project meanwhile: this file goes into that one.
            }
        } catch (const CommandFailure& failure) {
            std::cerr << "vyr: " << failure.message << '\n';
            return false;
        }
    }

    bool exists() const { return m_exists; }

private:
    // Gives the new project its name; a project that could not be named is dropped whole, and
    // the next file starts a new one.
    bool place() {
        const std::unique_ptr<NewProject> made = std::move(m_new);
        const bool placed = made->place();
        m_exists = true;  // placed, or made by another command
        return placed;
    }

    std::vector<std::string> import_committed(const std::string& file) {
        if (!m_exists && m_new == nullptr) m_new = std::make_unique<NewProject>(m_project);
        WritableProject project(m_exists ? m_project : m_new->work_path(), m_project);
        ImportedFile imported;
        try {
            imported = import_file(project.storage(), file, m_options);
        } catch (const CommandFailure& failure) {
            if (interrupted()) throw CommandFailure{file + ": interrupted; nothing of it imported"};
            const std::string cause = project.storage_failure();
            throw CommandFailure{failure.message +
                                 (cause.empty() ? "" : " (" + m_project + ": " + cause + ")")};
        }
        if (interrupted()) throw CommandFailure{file + ": interrupted; nothing of it imported"};
        // A file the project holds already leaves its bytes alone: nothing is committed. A new
        // project is committed all the same, so that it comes into being.
        if (imported.added || !m_exists) project.commit();
        return imported.lines;
    }

    std::string m_project;
    VyrObsConversionOptions m_options;
    bool m_exists = false;
    std::unique_ptr<NewProject> m_new;  // the project being made, until it has its name
};

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
    auto options = std::make_shared<VyrObsConversionOptions>(kImportDefaults);
    auto asDescribed = std::make_shared<bool>(false);
    command->add_flag("--salvage", options->salvageCut,
                      "A file cut inside an epoch (a download or compressed data that breaks off): "
                      "import its complete epochs instead of refusing it");
    command->add_flag("--v2-as-described", *asDescribed,
                      "Leave Doppler (D1, D2, ...) and signal strength (S1, S2, ...) of RINEX 2 "
                      "files out of the epochs, as the library does by default");
    command->callback([project, files, options, asDescribed] {
        catch_interrupts();
        if (*asDescribed) options->v2DopplerAndStrength = false;
        ImportTarget target(*project, *options);
        size_t failed = 0;
        for (const std::string& file : *files) {
            if (interrupted()) break;
            failed += target.import(file) ? 0 : 1;
        }
        if (interrupted())
            throw CommandFailure{
                "interrupted; " + (target.exists() ? *project + " holds the files imported before"
                                                   : "nothing imported"),
                interrupted_status()};
        if (failed != 0)
            throw CommandFailure{std::to_string(failed) + " of " + std::to_string(files->size()) +
                                 " files not imported"};
    });
}

}  // namespace vyr_cli
