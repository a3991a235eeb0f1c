// The failure lines of project access: what the engine and the library answer, in words.
#include "project_access.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "commands.h"

namespace {

std::string failure_of(void (*fail)()) {
    try {
        fail();
    } catch (const vyr_cli::CommandFailure& failure) {
        return failure.message;
    }
    return "(no failure)";
}

// A compound document's signature is all the check of a refused open looks at.
const std::string& project_path() {
    static const std::string path = [] {
        const auto file = std::filesystem::temp_directory_path() /
                          ("vyr_project_access_" + std::to_string(::getpid()) + ".vyr");
        std::ofstream(file, std::ios::binary) << "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
        return file.string();
    }();
    return path;
}

// A read-only project was "failed (0x80030005)"; a list cut inside a record "Read entry failed.".
TEST(ProjectAccess, RefusedWritesAndDamagedRecordsAreSaidInWords) {
    struct Row {
        const char* what;
        void (*fail)();
        const char* said;
    };
    const Row rows[] = {
        {"write refused",
         [] {
             vyr_cli::check_project_open(static_cast<VYR_ERROR>(STG_E_ACCESSDENIED), project_path(),
                                         STG_E_ACCESSDENIED, "p.vyr");
         },
         "p.vyr: cannot be written (permission denied)"},
        {"record that does not read", [] { vyr_cli::check(VYR_E_READ_ENTRY_FAILED, "p.vyr"); },
         "p.vyr: damaged: a stored list or record does not read (0x80009005)"},
        {"named list",
         [] {
             vyr_cli::check_read(VYR_E_READ_ENTRY_FAILED, "p.vyr",
                                 "the station list (StationList)");
         },
         "p.vyr: damaged: the station list (StationList) does not read (0x80009005)"},
        {"other failure of a named read",
         [] { vyr_cli::check_read(VYR_E_ENTRY_NOT_FOUND, "p.vyr", "the station list"); }, nullptr},
    };
    for (const Row& row : rows) {
        const std::string message = failure_of(row.fail);
        if (row.said != nullptr) {
            EXPECT_EQ(message, row.said) << row.what;
        } else {
            EXPECT_EQ(message, Vyr_FailureText(VYR_E_ENTRY_NOT_FOUND, "p.vyr")) << row.what;
        }
    }
    EXPECT_EQ(vyr_cli::storage_failure_text(STG_E_DOCFILETOOLARGE),
              "the file would grow past the size limit for files");
    std::filesystem::remove(project_path());
}

}  // namespace
