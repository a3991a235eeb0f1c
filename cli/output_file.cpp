#include "output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <vyr/vyr.h>

#include "commands.h"
#include "pending_file.h"

namespace vyr_cli {
namespace {

constexpr unsigned char kCompoundSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

bool same_file(const std::string& a, const std::string& b) {
    struct stat one {};
    struct stat two {};
    return ::stat(a.c_str(), &one) == 0 && ::stat(b.c_str(), &two) == 0 &&
           one.st_dev == two.st_dev && one.st_ino == two.st_ino;
}

bool is_regular(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Read only from a regular file: opening a pipe would wait for a writer.
bool is_compound_document(const std::string& path) {
    if (!is_regular(path)) return false;
    std::ifstream in(path, std::ios::binary);
    char head[sizeof kCompoundSignature] = {};
    in.read(head, sizeof head);
    return in.gcount() == sizeof head && std::memcmp(head, kCompoundSignature, sizeof head) == 0;
}

// A device, a pipe or an open file named through /proc (/dev/stdout, /dev/null) has no earlier
// bytes to keep, and renaming over its name would replace the device or lose the output: it is
// written as it stands.
bool written_in_place(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return true;
    std::filesystem::path at = path;
    std::error_code error;
    for (int links = 0; links < 40 && std::filesystem::is_symlink(at, error); ++links) {
        const std::filesystem::path next = std::filesystem::read_symlink(at, error);
        if (error) return false;
        at = next.is_absolute() ? next : at.parent_path() / next;
        if (at.string().rfind("/proc/", 0) == 0) return true;
    }
    return false;
}

void write_in_place(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    const auto fail = [&](int error) {
        if (fd >= 0) ::close(fd);
        throw CommandFailure{path + ": cannot write: " + std::strerror(error)};
    };
    if (fd < 0) fail(errno);
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) fail(n < 0 ? errno : ENOSPC);
        done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0) throw CommandFailure{path + ": cannot write: " + std::strerror(errno)};
}

// Where the bytes go: a link is written through, as an open of the name would, so that the link
// stays a link.
std::string target_of(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_symlink(path, error)) return path;
    const std::filesystem::path target = std::filesystem::weakly_canonical(path, error);
    return error ? path : target.string();
}

}  // namespace

void refuse_project_output(const std::string& path, const std::string& project,
                           const std::string& command) {
    if (same_file(path, project) || is_compound_document(path))
        throw CommandFailure{path + ": is a project (a compound document); " + command +
                             " will not write over it"};
    if (is_regular(path) && cfb::is_file_locked(path.c_str()))
        throw CommandFailure{path + ": is in use by another program"};
}

void write_output_file(const std::string& path, const std::string& bytes,
                       const std::string& project, const std::string& command) {
    refuse_project_output(path, project, command);
    if (written_in_place(path)) {
        write_in_place(path, bytes);
        return;
    }
    const std::string target = target_of(path);
    PendingFile file(target, true);
    // The picture drawn again keeps the permissions given to the earlier one.
    struct stat earlier {};
    if (::stat(target.c_str(), &earlier) == 0)
        ::chmod(file.work_path().c_str(), earlier.st_mode & 07777);
    file.write(bytes);
    // Asked again just before the file takes the name: a project may have come there meanwhile.
    refuse_project_output(path, project, command);
    file.replace();
}

}  // namespace vyr_cli
