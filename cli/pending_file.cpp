#include "pending_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "commands.h"

namespace vyr_cli {
namespace {

std::string folder_of(const std::string& path) {
    const std::string parent = std::filesystem::path(path).parent_path().string();
    return parent.empty() ? "." : parent;
}

[[noreturn]] void fail_errno(const std::string& path, int error) {
    throw CommandFailure{path + ": " + std::strerror(error)};
}

[[noreturn]] void fail_write(const std::string& path, int error) {
    throw CommandFailure{path + ": cannot write: " + std::strerror(error)};
}

// A free hidden name beside path, made as an empty private file; -1 and errno on failure.
int make_hidden(const std::string& path, std::string& name) {
    name = (std::filesystem::path(folder_of(path)) /
            ("." + std::filesystem::path(path).filename().string() + ".new-XXXXXX"))
               .string();
    return ::mkstemp(name.data());
}

}  // namespace

PendingFile::PendingFile(const std::string& path, bool cannot_write) : m_path(path) {
    const auto fail = [&](int error) {
        if (cannot_write) fail_write(path, error);
        fail_errno(path, error);
    };
    m_fd = ::open(folder_of(path).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (m_fd >= 0) {
        m_workPath = "/proc/self/fd/" + std::to_string(m_fd);
        struct stat st {};
        if (::stat(m_workPath.c_str(), &st) != 0) {  // no /proc: the file cannot be reopened
            ::close(m_fd);
            m_fd = -1;
        }
    }
    if (m_fd >= 0) return;
    // Folders that take no unnamed files get a hidden name, removed again by this object.
    std::string name;
    m_fd = make_hidden(path, name);
    if (m_fd < 0) fail(errno);
    m_workPath = name;
    m_named = true;
    // mkstemp makes the file private; the file gets the permissions any new file gets.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (::fchmod(m_fd, 0666 & ~mask) != 0) {
        const int error = errno;
        discard();
        fail(error);
    }
}

PendingFile::~PendingFile() {
    discard();
}

void PendingFile::discard() {
    if (m_named) ::unlink(m_workPath.c_str());
    m_named = false;
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

void PendingFile::write(const std::string& bytes) {
    const char* at = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::pwrite(m_fd, at, left, static_cast<off_t>(m_size));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) fail_write(m_path, n < 0 ? errno : ENOSPC);
        at += n;
        left -= static_cast<size_t>(n);
        m_size += n;
    }
}

void PendingFile::flush_folder() const {
    const int folder = ::open(folder_of(m_path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

bool PendingFile::place() {
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
    flush_folder();
    return true;
}

void PendingFile::replace() {
    // A rename that replaces a file before the new bytes are on the disk can leave it empty
    // after a crash.
    if (::fdatasync(m_fd) != 0) fail_write(m_path, errno);
    if (!m_named) {
        // Only a named file can be renamed over another: the unnamed one takes a free hidden
        // name first (mkstemp finds one; its empty file gives way to the link).
        std::string name;
        for (int tries = 0; !m_named; ++tries) {
            const int made = make_hidden(m_path, name);
            if (made < 0) fail_write(m_path, errno);
            ::close(made);
            ::unlink(name.c_str());
            if (::linkat(AT_FDCWD, m_workPath.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) ==
                0) {
                m_workPath = name;
                m_named = true;
            } else if (errno != EEXIST || tries == 10) {
                fail_write(m_path, errno);
            }
        }
    }
    if (::renameat2(AT_FDCWD, m_workPath.c_str(), AT_FDCWD, m_path.c_str(), 0) != 0)
        fail_write(m_path, errno);
    m_named = false;
    flush_folder();
}

}  // namespace vyr_cli
