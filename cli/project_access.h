// Opening projects for the subcommands, and turning result codes into one-line failures.
#pragma once

#include <string>

#include <vyr/vyr.h>

namespace vyr_cli {

// Throws CommandFailure "PATH: text (0xCODE)" when code is a failure; stored data that does
// not read (VYR_E_READ_ENTRY_FAILED) is "PATH: damaged: a stored list or record does not read
// (0xCODE)".
void check(VYR_ERROR code, const std::string& path);

// Like check, naming what was read when it does not read: "PATH: damaged: WHAT does not read
// (0xCODE)"; WHAT such as "the station list (StationList)".
void check_read(VYR_ERROR code, const std::string& path, const std::string& what);

// Like check, for the opening of a project at path: a file that is missing, in use, a folder,
// or no compound document (a RINEX file given in its place) is named in words instead of the
// library's "Storage not found". opened: what the engine's open answered; shown: the name
// messages give the file (path when empty).
void check_project_open(VYR_ERROR code, const std::string& path, HRESULT opened,
                        const std::string& shown = {});

// What a failed write, flush or commit of the compound-file engine means, in a user's words:
// "no space left on device".
std::string storage_failure_text(HRESULT code);

// A project opened read-only beside other readers (deny-write): a writer is refused while it is
// open, and nothing is written when it closes.
class ReadOnlyProject {
public:
    explicit ReadOnlyProject(const std::string& path);
    ReadOnlyProject(const ReadOnlyProject&) = delete;
    ReadOnlyProject& operator=(const ReadOnlyProject&) = delete;
    ~ReadOnlyProject();

    IVyrStorageEx& storage() { return *m_project; }
    IVyrCommonData& common_data() { return *m_common; }

private:
    CVyrIPtrSmart<IVyrStorageEx> m_project;
    CVyrIPtrSmart<IVyrCommonData> m_common;
};

// A project opened for writing as one unit of work. `commit` makes the changes durable or throws
// naming the cause; a project let go without a commit (a failure, an interrupt) is put back byte
// for byte, as is one whose commit failed.
class WritableProject {
public:
    // path: the file opened; shown: the name messages give it (path when empty).
    explicit WritableProject(const std::string& path, const std::string& shown = {});
    WritableProject(const WritableProject&) = delete;
    WritableProject& operator=(const WritableProject&) = delete;
    ~WritableProject();

    IVyrStorageEx& storage() { return *m_project; }
    // Throws CommandFailure "PROJECT: not saved: cause" when any write, flush or the commit
    // failed; the project is then as it was before.
    void commit();
    // What went wrong underneath, as a reason to add to a failure ("no space left on device");
    // empty when every write succeeded.
    std::string storage_failure() const;

private:
    std::string m_shown;
    cfb::UndoLockBytes* m_bytes = nullptr;
    CVyrIPtrSmart<IVyrStorageEx> m_project;
};

}  // namespace vyr_cli
