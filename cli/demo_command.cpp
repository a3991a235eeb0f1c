// `vyr demo`: the road through the library on what it can do so far, with a self-check of
// what it reports.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vyr/vyr.h>

#include "commands.h"
#include "demo_samples.h"
#include "import_text.h"
#include "new_project.h"
#include "pending_file.h"
#include "project_access.h"

extern char** environ;

namespace vyr_cli {
namespace {

// What the demo made, removed again (the last made first) unless it is kept. Only what the demo
// made is listed: a folder given with other files in it keeps them.
class MadePaths {
public:
    MadePaths() = default;
    MadePaths(const MadePaths&) = delete;
    MadePaths& operator=(const MadePaths&) = delete;
    ~MadePaths() {
        if (m_keep) return;
        for (auto made = m_made.rbegin(); made != m_made.rend(); ++made) {
            std::error_code error;
            std::filesystem::remove_all(*made, error);
            if (error)
                std::cerr << "vyr: " << made->string() << ": not removed: " << error.message()
                          << '\n';
        }
    }

    void keep() { m_keep = true; }
    // A path the demo is about to make; everything below it is then the demo's too.
    void add(const std::filesystem::path& path) { m_made.push_back(path); }

    // The folder and the folders above it that are missing; a folder there already is used as
    // it is.
    void make_folder(const std::filesystem::path& folder) {
        namespace fs = std::filesystem;
        std::vector<fs::path> missing;
        fs::path start = fs::absolute(folder).lexically_normal();
        if (!start.has_filename()) start = start.parent_path();  // "dir/" names dir
        for (fs::path at = start; !at.empty(); at = at.parent_path()) {
            std::error_code error;
            if (fs::exists(fs::symlink_status(at, error)) || at == at.parent_path()) break;
            missing.push_back(at);
        }
        for (auto at = missing.rbegin(); at != missing.rend(); ++at) {
            std::error_code error;
            if (!fs::create_directory(*at, error) || error)
                throw CommandFailure{at->string() + ": cannot make the folder" +
                                     (error ? ": " + error.message() : "")};
            add(*at);
        }
        if (!fs::is_directory(folder)) throw CommandFailure{folder.string() + ": not a folder"};
    }

    // A failure says why ("PATH: cannot write: No space left on device") and leaves nothing.
    void write_file(const std::filesystem::path& path, const unsigned char* bytes, size_t size) {
        PendingFile file(path.string(), true);
        file.write(std::string(reinterpret_cast<const char*>(bytes), size));
        if (!file.place()) throw CommandFailure{path.string() + ": exists; not replaced"};
        add(path);
    }

private:
    std::vector<std::filesystem::path> m_made;
    bool m_keep = false;
};

// The names the demo makes in a folder given to it: none may be there already, so that nothing
// of the folder's is overwritten or, later, removed.
void check_names_free(const std::filesystem::path& folder) {
    for (const char* name : {"demo.vyr", "samples", "rinex"}) {
        std::error_code error;
        if (std::filesystem::exists(std::filesystem::symlink_status(folder / name, error)))
            throw CommandFailure{(folder / name).string() +
                                     " exists; the demo makes demo.vyr, samples/ and rinex/ in its "
                                     "folder and overwrites nothing: give another folder",
                                 kExitUsage};
    }
}

// Walks every message identifier, counts the texts of each block and checks that the root's
// two lookups agree with the free function.
void check_message_table() {
    CVyrIPtrSmart<IVyr> root = Vyr_GetIVyr();
    if (!root.IsValid()) throw CommandFailure{"could not make a root object"};

    std::map<uint32_t, int> texts_per_block;
    int disagreements = 0;
    for (uint32_t low = 0; low <= 0xFFFF; ++low) {
        const auto code = static_cast<VYR_ERROR>(0x80000000u | low);
        std::string text, root_text;
        char buffer[500];
        const VYR_ERROR found = ErrorToStringDef(code, text);
        if (root->GetErrorText(code, root_text) != found || root_text != text) ++disagreements;
        if (found == VYR_OK &&
            (root->GetErrorTextBuffer(code, buffer, sizeof buffer) != VYR_OK || text != buffer))
            ++disagreements;
        if (found == VYR_OK) ++texts_per_block[low & 0xF000];
    }

    int total = 0;
    std::cout << "message table:";
    for (const auto& [block, count] : texts_per_block) {
        char label[16];
        std::snprintf(label, sizeof label, " 0x%04X:", block);
        std::cout << label << count;
        total += count;
    }
    std::cout << "\n  " << total << " texts, lookups "
              << (disagreements == 0 ? "agree" : "DISAGREE") << '\n';
    if (disagreements != 0) throw CommandFailure{"message lookups disagree"};
}

// Lists the entries directly below a document's root with their sizes.
void list_root(const std::string& path) {
    std::u16string name;
    IStorage* document = nullptr;
    if (!cfb::utf8_to_utf16(path, name) ||
        FAILED(StgOpenStorage(name.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0,
                              &document)))
        throw CommandFailure{path + ": cannot open the new project"};
    IEnumSTATSTG* elements = nullptr;
    if (SUCCEEDED(document->EnumElements(0, nullptr, 0, &elements))) {
        STATSTG element{};
        ULONG fetched = 0;
        while (elements->Next(1, &element, &fetched) == S_OK && fetched == 1) {
            std::string entry;
            cfb::utf16_to_utf8(element.pwcsName, entry);
            std::cout << "  " << entry << "  " << element.cbSize << " bytes\n";
            CoTaskMemFree(element.pwcsName);
        }
        elements->Release();
    }
    document->Release();
}

// Creates a project and reads its default records back.
void create_project(const std::string& path, MadePaths& made) {
    // As `vyr create` makes it: named only once whole, and a failure says why.
    if (!NewProject(path).place()) throw CommandFailure{path + ": already exists; not replaced"};
    made.add(path);
    std::cout << "new project " << path << ":\n";
    list_root(path);

    CVyrIPtrSmart<IVyr> root = Vyr_GetIVyr();
    CVyrIPtrSmart<IVyrStorage> project;
    CVyrIPtrSmart<IVyrCommonData> common;
    VYR_VERSION version{};
    VYR_UTC_LEAP_SECONDS leap{};
    VYR_PROCESSING_PARAMETERS parameters;
    if (root->OpenStorage(path.c_str(), project) != VYR_OK ||
        project->GetVersion(version) != VYR_OK || project->GetCommonData(common) != VYR_OK ||
        common->GetUtcLeapSeconds(leap) != VYR_OK ||
        common->GetProcessingParameters(parameters) != VYR_OK)
        throw CommandFailure{path + ": cannot read the project back"};
    std::cout << "  version " << version.major << "." << version.minor << ", "
              << int{leap.leapSeconds} << " leap seconds from MJD " << leap.mjd
              << ", processing parameters read back\n";
}

// Imports the built-in samples, written out to the samples folder, into the project, as
// `vyr import` does.
void import_samples(const std::string& path, const std::filesystem::path& samples,
                    MadePaths& made) {
    WritableProject project(path);
    for (const EmbeddedFile& sample : demo_samples()) {
        const std::filesystem::path file = samples / sample.name;
        made.write_file(file, sample.bytes, sample.size);
        std::cout << "vyr import " << path << ' ' << file.string() << '\n';
        VyrFileImportReport report;
        Vyr_ImportFile(project.storage(), file.string(), {}, report);
        print_notices(std::cerr, report);
        if (VyrFailed(report.result)) throw CommandFailure{failure_text(report, false)};
        for (const VyrImportedSite& site : report.sites)
            std::cout << "  " << site_summary(file.string(), site) << '\n';
    }
    project.commit();
}

// What `vyr info` says of the project: the command itself, run as a child.
void show_info(const std::string& path) {
    std::cout << "vyr info " << path << '\n' << std::flush;
    std::string self = "/proc/self/exe";
    std::string info = "info";
    std::string project = path;
    char* argv[] = {self.data(), info.data(), project.data(), nullptr};
    pid_t child = 0;
    int status = 0;
    if (posix_spawn(&child, self.c_str(), nullptr, nullptr, argv, environ) != 0 ||
        waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw CommandFailure{path + ": vyr info failed"};
}

// Writes the first imported station as a RINEX file, as `vyr export` does, and shows the
// start of it.
void export_sample(const std::string& path, const std::filesystem::path& out, MadePaths& made) {
    ReadOnlyProject project(path);
    auto& storage = static_cast<IVyrStorageEx&>(project.storage());
    CVyrIPtrSmart<IVyrCollectionStationEx> stations;
    CVyrIPtrSmart<IVyrStationEx> station;
    check(storage.GetStationsEx(stations), path);
    check(stations->GetStationExAt(0, station), path);
    made.make_folder(out);
    VYR_RINEX_EXPORT_RESULT result;
    const VYR_ERROR exported = station->ExportRinexEx(out.string().c_str(), {}, result);
    if (!result.path.empty()) made.add(result.path);
    if (exported != VYR_OK) throw CommandFailure{path + ": the export failed: " + result.problem};
    std::cout << "vyr export " << path << " -o " << out.string() << '\n' << result.path << '\n';
    std::ifstream file(result.path);
    std::string line;
    for (int n = 0; n < 24 && std::getline(file, line); ++n) std::cout << "  " << line << '\n';
}

}  // namespace

void add_demo_command(CLI::App& app) {
    auto* command = app.add_subcommand(
        "demo",
        "Run the library's main road on samples built into the command, in a folder of "
        "its own that is removed afterwards");
    auto dir = std::make_shared<std::string>();
    auto keep = std::make_shared<bool>(false);
    command->add_option("DIR", *dir,
                        "Folder for the demo's files: demo.vyr, samples/ and rinex/, none of "
                        "which may exist there (default: a new temporary folder)");
    command->add_flag("--keep", *keep, "Leave the files the demo made, and say where");
    command->callback([dir, keep] {
        namespace fs = std::filesystem;
        MadePaths made;
        if (*keep) made.keep();  // a demo that fails half way leaves its files too, to be looked at
        fs::path folder = *dir;
        if (folder.empty()) {
            fs::path pattern = fs::temp_directory_path() / "vyr-demo-XXXXXX";
            std::string name = pattern.string();
            if (mkdtemp(name.data()) == nullptr)
                throw CommandFailure{name + ": cannot make a temporary folder"};
            folder = name;
            made.add(folder);
        } else {
            std::error_code error;
            if (fs::exists(fs::symlink_status(folder, error)) && !fs::is_directory(folder))
                throw CommandFailure{folder.string() + ": not a folder", kExitUsage};
            check_names_free(folder);
            made.make_folder(folder);
        }

        std::cout << "vyr " << vyr_version() << '\n';
        check_message_table();
        std::string text;
        ErrorToStringDef(VYR_E_FAILED_TO_READ, text);
        std::cout << "example: 0x8000E002 -> " << text << '\n';

        const std::string project = (folder / "demo.vyr").string();
        create_project(project, made);
        made.make_folder(folder / "samples");
        import_samples(project, folder / "samples", made);
        show_info(project);
        export_sample(project, folder / "rinex", made);
        if (*keep) {
            std::cout << "the demo's files are kept in " << folder.string() << '\n';
        } else {
            std::cout << "the demo's files are removed (--keep leaves them)\n";
        }
    });
}

}  // namespace vyr_cli
