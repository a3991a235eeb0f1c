// `vyr import PROJECT FILE...`: creates the project when it is missing and imports each file.
#include <unistd.h>

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
    const std::vector<StoredCount> counts =
        import_common_data_file(kind, path, *converter, *commonData);
    imported.lines.push_back(path + ": " + file_kind_name(kind) + ": " + counts_summary(counts));
    for (const StoredCount& count : counts) imported.added = imported.added || count.added > 0;
    return imported;
}

// Imports one file into the project; throws CommandFailure when it cannot.
ImportedFile import_file(IVyrStorageEx& project, const std::string& path,
                         ObservationImportOptions options) {
    std::error_code error;
    const uintmax_t size = std::filesystem::file_size(path, error);
    options.progress = !error && size > kProgressBarBytes && isatty(STDERR_FILENO) == 1;
    if (!std::filesystem::is_regular_file(path, error)) {
        const bool missing = !error || error == std::errc::no_such_file_or_directory ||
                             error == std::errc::not_a_directory;
        throw CommandFailure{path + ": " + (missing ? "File not found." : error.message())};
    }
    const FileKind kind = detect_file_kind(path);
    if (kind == FileKind::kUnknown) throw CommandFailure{path + ": not a kind of file vyr imports"};
    if (kind != FileKind::kRinexObservation && kind != FileKind::kCompactRinexObservation)
        return import_records(project, kind, path);
    // A compact file is expanded while it is read; its problems name the expanded line.
    const ImportedObservations observations = import_observation_file(
        project, path, options, kind == FileKind::kCompactRinexObservation ? path : "");
    ImportedFile imported;
    for (const ImportedSite& site : observations.sites) {
        imported.lines.push_back(site_summary(path, site));
        imported.added = imported.added || !site.alreadyPresent;
    }
    const std::string readPast = other_systems_summary(path, observations.otherSystems);
    if (!readPast.empty()) imported.lines.push_back(readPast);
    return imported;
}

// Where the files of one command go: the project, or, when it does not exist yet, a new one
// that takes its name with the first file committed into it.
class ImportTarget {
public:
    ImportTarget(const std::string& project, const ObservationImportOptions& options)
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
    ObservationImportOptions m_options;
    bool m_exists = false;
    std::unique_ptr<NewProject> m_new;  // the project being made, until it has its name
};

}  // namespace

void add_import_command(CLI::App& app) {
    auto* command = app.add_subcommand(
        "import", "Import files into a project (made when missing): one station per site");
    auto project = std::make_shared<std::string>();
    auto files = std::make_shared<std::vector<std::string>>();
    auto options = std::make_shared<ObservationImportOptions>();
    command->add_option("PROJECT", *project, "Project file")->required();
    command
        ->add_option("FILE", *files,
                     "RINEX observation (plain or compact) or navigation, SP3 or ionosphere "
                     "model files; each may be compressed (gzip, .Z, bzip2, xz or a zip of one "
                     "file), told by its content")
        ->required();
    command->footer(
        "An observation file over 4 MiB shows a progress line while stderr is a terminal: the "
        "share of its lines read, MB/s of the file as stored (compressed bytes for a compressed "
        "file; MB = 10^6 bytes) and the time left.");
    command->add_flag("--new-station", options->newStation,
                      "Make a new station of every site, even one that continues a station of "
                      "the project (same marker, receiver and antenna, starting after its last "
                      "epoch)");
    auto asDescribed = std::make_shared<bool>(false);
    command->add_flag("--salvage", options->conversion.salvageCut,
                      "A file cut inside an epoch (a download or compressed data that breaks off): "
                      "import its complete epochs instead of refusing it");
    command->add_flag("--v2-as-described", *asDescribed,
                      "Leave Doppler (D1, D2, ...) and signal strength (S1, S2, ...) of RINEX 2 "
                      "files out of the epochs, as the library does by default");
    command->callback([project, files, options, asDescribed] {
        catch_interrupts();
        if (*asDescribed) options->conversion.v2DopplerAndStrength = false;
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
