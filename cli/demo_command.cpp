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

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vyr/vyr.h>

#include "commands.h"
#include "import_observations.h"
#include "project_access.h"

extern char** environ;

namespace vyr_cli {
namespace {

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
void create_project(const std::filesystem::path& dir) {
    const std::string path = (dir / "demo.vyr").string();
    std::filesystem::remove(path);
    CVyrIPtrSmart<IVyr> root = Vyr_GetIVyr();
    {
        CVyrIPtrSmart<IVyrStorage> project;
        if (root->CreateStorage(path.c_str(), project) != VYR_OK)
            throw CommandFailure{path + ": cannot create a project"};
    }
    std::cout << "new project " << path << ":\n";
    list_root(path);

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

// The bundled samples: samples/ in the working folder, else beside the source tree the command
// was built in (build/cli/vyr).
std::filesystem::path samples_folder() {
    namespace fs = std::filesystem;
    if (fs::is_directory("samples")) return "samples";
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    const fs::path beside = self.parent_path().parent_path().parent_path() / "samples";
    if (!error && fs::is_directory(beside)) return beside;
    throw CommandFailure{"the bundled samples/ folder was not found"};
}

// Imports the sample observation files into the project, as `vyr import` does.
void import_samples(const std::string& path) {
    const std::filesystem::path samples = samples_folder();
    WritableProject project(path);
    for (const char* name : {"vyra0020.21o", "VYRB00XXX_R_20210021200_06M_30S_MO.rnx"}) {
        const std::string file = (samples / name).string();
        std::cout << "vyr import " << path << ' ' << file << '\n';
        for (const ImportedSite& site :
             import_observation_file(project.storage(), file, false, kImportDefaults))
            std::cout << "  " << site_summary(file, site) << '\n';
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
void export_sample(const std::string& path, const std::filesystem::path& folder) {
    ReadOnlyProject project(path);
    auto& storage = static_cast<IVyrStorageEx&>(project.storage());
    CVyrIPtrSmart<IVyrCollectionStationEx> stations;
    CVyrIPtrSmart<IVyrStationEx> station;
    check(storage.GetStationsEx(stations), path);
    check(stations->GetStationExAt(0, station), path);
    const std::string out = (folder / "rinex").string();
    std::filesystem::create_directories(out);
    VYR_RINEX_EXPORT_RESULT result;
    if (station->ExportRinexEx(out.c_str(), {}, result) != VYR_OK)
        throw CommandFailure{path + ": the export failed: " + result.problem};
    std::cout << "vyr export " << path << " -o " << out << '\n' << result.path << '\n';
    std::ifstream file(result.path);
    std::string line;
    for (int n = 0; n < 24 && std::getline(file, line); ++n) std::cout << "  " << line << '\n';
}

}  // namespace

void add_demo_command(CLI::App& app) {
    auto* command = app.add_subcommand("demo", "Run the library's main road on bundled samples");
    auto dir = std::make_shared<std::string>();
    command->add_option("DIR", *dir, "Folder for the demo's files (default: a new temporary one)");
    command->callback([dir] {
        std::cout << "vyr " << vyr_version() << '\n';
        check_message_table();
        std::string text;
        ErrorToStringDef(VYR_E_FAILED_TO_READ, text);
        std::cout << "example: 0x8000E002 -> " << text << '\n';

        std::filesystem::path folder = *dir;
        if (folder.empty()) {
            char pattern[] = "/tmp/vyr-demo-XXXXXX";
            if (mkdtemp(pattern) == nullptr) throw CommandFailure{"cannot make a temporary folder"};
            folder = pattern;
        }
        std::filesystem::create_directories(folder);
        create_project(folder);
        const std::string project = (folder / "demo.vyr").string();
        import_samples(project);
        show_info(project);
        export_sample(project, folder);
    });
}

}  // namespace vyr_cli
