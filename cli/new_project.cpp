#include "new_project.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <vyr/vyr.h>

#include "commands.h"
#include "project_access.h"

namespace vyr_cli {
namespace {

std::string folder_of(const std::string& path) {
    const std::string parent = std::filesystem::path(path).parent_path().string();
    return parent.empty() ? "." : parent;
}

[[noreturn]] void fail_errno(const std::string& path, int error) {
    throw CommandFailure{path + ": " + std::strerror(error)};
}

// Writes a document on the file at `path` with `fill` and commits it.
void write_document(const std::string& path, const std::string& shown, const DocumentFill& fill) {
    ILockBytes* file = nullptr;
    HRESULT hr = cfb::create_file_lock_bytes(path.c_str(), STGM_READWRITE, false, &file);
    if (FAILED(hr)) check(static_cast<VYR_ERROR>(hr), shown);
    // Only to see every failed write: a commit on release reports to no one.
    cfb::UndoLockBytes* bytes = nullptr;
    hr = cfb::UndoLockBytes::wrap(file, &bytes);
    file->Release();
    if (FAILED(hr)) check(static_cast<VYR_ERROR>(hr), shown);
    IStorage* document = nullptr;
    hr = StgCreateDocfileOnILockBytes(bytes, STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE, 0,
                                      &document);
    VYR_ERROR filled = VYR_OK;
    if (SUCCEEDED(hr)) {
        filled = fill(*document);
        if (VyrSucceeded(filled)) hr = document->Commit(0);
        document->Release();
    }
    const HRESULT failure = FAILED(bytes->first_failure()) ? bytes->first_failure() : hr;
    bytes->Release();
    check(filled, shown);
    if (FAILED(failure))
        throw CommandFailure{shown + ": not saved: " + storage_failure_text(failure)};
}

}  // namespace

VYR_ERROR empty_project(IStorage& document) {
    CVyrIPtrSmart<IVyr> root = Vyr_GetIVyr();
    CVyrIPtrSmart<IVyrStorage> project;
    return root.IsValid() ? root->CreateStorageOnStorage(&document, project)
                          : VYR_E_INVALID_INTERFACE;
}

NewProject::NewProject(const std::string& path, const DocumentFill& fill) : m_path(path) {
    const std::string folder = folder_of(path);
    m_fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (m_fd >= 0) {
        m_workPath = "/proc/self/fd/" + std::to_string(m_fd);
        struct stat st {};
        if (::stat(m_workPath.c_str(), &st) != 0) {  // no /proc: the file cannot be reopened
            ::close(m_fd);
            m_fd = -1;
        }
    }
    if (m_fd < 0) {
        // Folders that take no unnamed files get a hidden name, removed again by this object.
        std::string name = (std::filesystem::path(folder) /
                            ("." + std::filesystem::path(path).filename().string() + ".new-XXXXXX"))
                               .string();
        const int fd = ::mkstemp(name.data());
        if (fd < 0) fail_errno(path, errno);
        // mkstemp makes the file private; a project gets the permissions any new file gets.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        const int made = ::fchmod(fd, 0666 & ~mask);
        const int error = errno;
        ::close(fd);
        m_workPath = name;
        m_named = true;
        if (made != 0) {
            discard();
            fail_errno(path, error);
        }
    }
    try {
        write_document(m_workPath, path, fill);
    } catch (...) {
        discard();
        throw;
    }
}

NewProject::~NewProject() {
    discard();
}

void NewProject::discard() {
    if (m_named) ::unlink(m_workPath.c_str());
    m_named = false;
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

bool NewProject::place() {
    // Neither a hard link nor a rename without replacing ever takes the place of a file that
    // appeared meanwhile. Folders without hard links (FAT, many network shares) rename.
    int placed = -1;
    if (!m_named) {
        placed =
            ::linkat(AT_FDCWD, m_workPath.c_str(), AT_FDCWD, m_path.c_str(), AT_SYMLINK_FOLLOW);
    } else {
        placed =
            ::renameat2(AT_FDCWD, m_workPath.c_str(), AT_FDCWD, m_path.c_str(), RENAME_NOREPLACE);
        if (placed != 0 && (errno == EINVAL || errno == ENOSYS)) {
            placed = ::link(m_workPath.c_str(), m_path.c_str());
            if (placed == 0) ::unlink(m_workPath.c_str());
        }
        if (placed == 0) m_named = false;
    }
    if (placed != 0) {
        if (errno == EEXIST) return false;
        fail_errno(m_path, errno);
    }
    // The new name is durable only once its folder is.
    const int folder = ::open(folder_of(m_path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

}  // namespace vyr_cli
