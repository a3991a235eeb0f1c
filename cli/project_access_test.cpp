// The failure lines of project access: what the engine and the library answer, in words.
#include "project_access.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "commands.h"

namespace {

template <class Fail>
std::string failure_of(Fail fail) {
    try {
        fail();
    } catch (const vyr_cli::CommandFailure& failure) {
        return failure.message;
    }
    return "(no failure)";
}

// A read-only project was "failed (0x80030005)"; a damaged record "Read entry failed.".
TEST(ProjectAccess, RefusedWritesAndDamagedRecordsAreSaidInWords) {
    // A compound document's signature is all the check of a refused open looks at.
    const auto file = std::filesystem::temp_directory_path() /
                      ("vyr_project_access_" + std::to_string(::getpid()) + ".vyr");
    std::ofstream(file, std::ios::binary) << "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
    EXPECT_EQ(failure_of([&] {
                  vyr_cli::check_project_open(static_cast<VYR_ERROR>(STG_E_ACCESSDENIED),
                                              file.string(), STG_E_ACCESSDENIED, "p.vyr");
              }),
              "p.vyr: cannot be written (permission denied)");
    std::filesystem::remove(file);
    EXPECT_EQ(failure_of([] { vyr_cli::check(VYR_E_READ_ENTRY_FAILED, "p.vyr"); }),
              "p.vyr: damaged: a stored list or record does not read (0x80009005)");
}

}  // namespace
