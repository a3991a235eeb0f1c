#include "new_project.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

// Writes the empty project document on the file at `path`.
void create_document(const std::string& path, const std::string& shown) {
    ILockBytes* raw = nullptr;
    const HRESULT opened = cfb::create_file_lock_bytes(path.c_str(), STGM_READWRITE, false, &raw);
    if (FAILED(opened)) check(static_cast<VYR_ERROR>(opened), shown);
    CVyrIPtrSmart<IVyr> root = Vyr_GetIVyr();
    CVyrIPtrSmart<IVyrStorage> project;
    const VYR_ERROR made =
        root.IsValid() ? root->CreateStorageOnLockBytes(raw, project) : VYR_E_INVALID_INTERFACE;
    project.Reset();
    raw->Release();
    check(made, shown);
}

}  // namespace

NewProject::NewProject(const std::string& path) : m_path(path) {
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
        ::close(fd);
        m_workPath = name;
        m_named = true;
    }
    create_document(m_workPath, path);
}

NewProject::~NewProject() {
    if (m_named) ::unlink(m_workPath.c_str());
    if (m_fd >= 0) ::close(m_fd);
}

bool NewProject::place() {
    // A hard link never replaces an existing name, unlike rename.
    const int linked = m_named ? ::link(m_workPath.c_str(), m_path.c_str())
                               : ::linkat(AT_FDCWD, m_workPath.c_str(), AT_FDCWD, m_path.c_str(),
                                          AT_SYMLINK_FOLLOW);
    if (linked != 0) {
        if (errno == EEXIST) return false;
        fail_errno(m_path, errno);
    }
    return true;
}

}  // namespace vyr_cli
