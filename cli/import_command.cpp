// `vyr import PROJECT FILE...`: creates the project when it is missing and imports each file.
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <vyr/vyr.h>

#include "commands.h"
#include "import_text.h"
#include "interrupt.h"
#include "new_project.h"
#include "progress_bar.h"
#include "project_access.h"

namespace vyr_cli {
namespace {

// Files above this size get a progress bar when stderr is a terminal.
constexpr uintmax_t kProgressBarBytes = 4u << 20;

// The report of one file imported into the project, its warnings and cut notice on stderr. A
// bar is drawn while the file is read when it is large and stderr is a terminal.
VyrFileImportReport import_file(IVyrStorageEx& project, const std::string& path,
                                VyrImportOptions options) {
    std::error_code error;
    const uintmax_t size = std::filesystem::file_size(path, error);
    std::unique_ptr<ProgressBar> bar;
    if (!error && size > kProgressBarBytes && isatty(STDERR_FILENO) == 1)
        options.progress = [&bar](const VyrImportProgress& at) {
            if (at.linesTotal == 0) return;  // lines not counted: no bar
            if (bar == nullptr)
                bar = std::make_unique<ProgressBar>(at.path, at.linesTotal, at.bytesStored);
            bar->at(at.linesRead);
        };
    VyrFileImportReport report;
    Vyr_ImportFile(project, path, options, report);
    bar.reset();
    print_notices(std::cerr, report);
    return report;
}

// Where the files of one command go: the project, or, when it does not exist yet, a new one
// that takes its name with the first file committed into it.
class ImportTarget {
public:
    ImportTarget(const std::string& project, const VyrImportOptions& options)
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
        const VyrFileImportReport report = import_file(project.storage(), file, m_options);
        if (interrupted()) throw CommandFailure{file + ": interrupted; nothing of it imported"};
        if (VyrFailed(report.result)) {
            std::string cause = project.storage_failure();
            // A stored entry that does not read is the project's damage, not the file's.
            if (cause.empty() && report.result == VYR_E_READ_ENTRY_FAILED)
                cause = "damaged: a stored list or record does not read";
            throw CommandFailure{failure_text(report, m_options.conversion.salvageCut) +
                                 (cause.empty() ? "" : " (" + m_project + ": " + cause + ")")};
        }
        // A file the project holds already leaves its bytes alone: nothing is committed. A new
        // project is committed all the same, so that it comes into being.
        if (report.added || !m_exists) project.commit();
        return summary_lines(report);
    }

    std::string m_project;
    VyrImportOptions m_options;
    bool m_exists = false;
    std::unique_ptr<NewProject> m_new;  // the project being made, until it has its name
};

}  // namespace

void add_import_command(CLI::App& app) {
    auto* command = app.add_subcommand(
        "import", "Import files into a project (made when missing): one station per site");
    auto project = std::make_shared<std::string>();
    auto files = std::make_shared<std::vector<std::string>>();
    auto options = std::make_shared<VyrImportOptions>();
    options->cancel = interrupt_flag();
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
