#include "cfb/file_lock_bytes.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "cfb/document.h"

namespace cfb {

namespace {

HRESULT from_errno(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return STG_E_FILENOTFOUND;
        case EACCES:
        case EPERM:
        case EROFS:
            return STG_E_ACCESSDENIED;
        case EEXIST:
            return STG_E_FILEALREADYEXISTS;
        case ENOSPC:
            return STG_E_MEDIUMFULL;
        // The file may not grow past a limit (the process's file-size limit, the file system's
        // largest file) though the medium has room: the document is too large, not the disk full.
        case EFBIG:
            return STG_E_DOCFILETOOLARGE;
        case EMFILE:
        case ENFILE:
            return STG_E_TOOMANYOPENFILES;
        case ENAMETOOLONG:
            return STG_E_INVALIDNAME;
        default:
            return STG_E_ACCESSDENIED;
    }
}

class FileLockBytes final : public ILockBytes {
public:
    FileLockBytes(int fd, bool writable) : fd_(fd), writable_(writable) {}
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT ReadAt(uint64_t offset, void* pv, ULONG cb, ULONG* pcbRead) override {
        ULONG done = 0;
        while (done < cb) {
            const ssize_t n = ::pread(fd_, static_cast<char*>(pv) + done, cb - done,
                                      static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return STG_E_READFAULT;
            if (n == 0) break;
            done += static_cast<ULONG>(n);
        }
        if (pcbRead != nullptr) *pcbRead = done;
        return S_OK;
    }
    HRESULT WriteAt(uint64_t offset, const void* pv, ULONG cb, ULONG* pcbWritten) override {
        if (pcbWritten != nullptr) *pcbWritten = 0;
        if (!writable_) return STG_E_ACCESSDENIED;
        ULONG done = 0;
        while (done < cb) {
            const ssize_t n = ::pwrite(fd_, static_cast<const char*>(pv) + done, cb - done,
                                       static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && (errno == ENOSPC || errno == EFBIG)) return from_errno(errno);
            if (n <= 0) return STG_E_WRITEFAULT;
            done += static_cast<ULONG>(n);
        }
        if (pcbWritten != nullptr) *pcbWritten = done;
        return S_OK;
    }
    HRESULT Flush() override {
        if (!writable_) return S_OK;
        return ::fdatasync(fd_) == 0 ? S_OK : STG_E_WRITEFAULT;
    }
    HRESULT SetSize(uint64_t cb) override {
        if (!writable_) return STG_E_ACCESSDENIED;
        return ::ftruncate(fd_, static_cast<off_t>(cb)) == 0 ? S_OK : from_errno(errno);
    }
    HRESULT Stat(STATSTG* pstatstg, DWORD) override {
        if (pstatstg == nullptr) return STG_E_INVALIDPOINTER;
        struct stat st {};
        if (::fstat(fd_, &st) != 0) return STG_E_ACCESSDENIED;
        *pstatstg = STATSTG{};
        pstatstg->type = STGTY_LOCKBYTES;
        pstatstg->cbSize = static_cast<uint64_t>(st.st_size);
        return S_OK;
    }

private:
    ~FileLockBytes() override { ::close(fd_); }  // closing drops the lock
    int fd_;
    bool writable_;
    ULONG refs_ = 1;
};

}  // namespace

HRESULT open_file_lock_bytes(const char* path, bool writable, FileOpen how, ILockBytes** out) {
    if (out == nullptr) return STG_E_INVALIDPOINTER;
    *out = nullptr;
    if (path == nullptr || *path == 0) return STG_E_INVALIDNAME;
    int flags = (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC;
    if (how == FileOpen::create_new) flags |= O_CREAT | O_EXCL;
    if (how == FileOpen::replace) flags |= O_CREAT;
    const int fd = ::open(path, flags, 0666);
    if (fd < 0) return from_errno(errno);
    const int lock = how == FileOpen::existing_shared && !writable ? LOCK_SH : LOCK_EX;
    if (::flock(fd, lock | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        // Another opener holds the file: a sharing conflict, as the platform names it when a
        // document is opened; its lock violation is for byte-range locks.
        return error == EWOULDBLOCK ? STG_E_SHAREVIOLATION : from_errno(error);
    }
    if (how == FileOpen::replace && ::ftruncate(fd, 0) != 0) {
        const int error = errno;
        ::close(fd);
        return from_errno(error);
    }
    *out = new FileLockBytes(fd, writable);
    return S_OK;
}

HRESULT create_file_lock_bytes(const char* path, DWORD grfMode, bool create, ILockBytes** out) {
    const bool writable = (grfMode & 3u) != STGM_READ;
    if (create && !writable) return STG_E_INVALIDFLAG;
    const bool shared = !writable && (grfMode & 0x70u) == STGM_SHARE_DENY_WRITE;
    return open_file_lock_bytes(path, writable,
                                create   ? FileOpen::replace
                                : shared ? FileOpen::existing_shared
                                         : FileOpen::existing,
                                out);
}

bool is_file_locked(const char* path) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    // An exclusive probe conflicts with writers and with readers that share the document; it is
    // dropped again at once by the close.
    const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return locked;
}

}  // namespace cfb
