// Preloaded into `vyr` by the fault tests: makes the file system fail underneath the command.
// VYR_FAIL_CALL=k      the k-th write, resize or flush of the process fails (a write or resize
//                      with "no space left on device", a flush with an I/O error)
// VYR_FAIL_SPACE=n     every write reaching past byte n of its file fails: a disk that is full
//                      once a file holds n bytes
// VYR_INTERRUPT_CALL=k the k-th write, resize or flush is preceded by a SIGINT to the process,
//                      as if Ctrl-C were pressed just then
// VYR_KILL_CALL=k      the process is killed (SIGKILL) instead of making its k-th call
// VYR_STOP_CALL=k      the process stops (SIGSTOP) before its k-th call, holding what it has
//                      open, until a SIGCONT
// VYR_NO_TMPFILE=1     folders take no unnamed files (O_TMPFILE), as FAT or network shares
// VYR_FAIL_PLACE=1     the first link or rename into place fails with an I/O error
// VYR_COUNT_FILE=path  the number of writes, resizes and flushes is written there at exit
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace {

long calls = 0;

template <class F>
F next_definition(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

long number_in(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr ? std::atol(value) : 0;
}

// Counts the call; true when it is to fail.
bool fails_now() {
    static const long fail_at = number_in("VYR_FAIL_CALL");
    static const long interrupt_at = number_in("VYR_INTERRUPT_CALL");
    static const long kill_at = number_in("VYR_KILL_CALL");
    static const long stop_at = number_in("VYR_STOP_CALL");
    if (++calls == stop_at) std::raise(SIGSTOP);
    if (calls == interrupt_at) std::raise(SIGINT);
    if (calls == kill_at) std::raise(SIGKILL);
    return calls == fail_at;
}

bool beyond_space(off_t offset, size_t count) {
    const char* space = std::getenv("VYR_FAIL_SPACE");
    return space != nullptr &&
           static_cast<unsigned long long>(offset) + count > std::strtoull(space, nullptr, 10);
}

}  // namespace

// The library is built with hidden symbols by default; these must replace the C library's.
#define EXPORTED __attribute__((visibility("default")))

extern "C" {

EXPORTED ssize_t pwrite64(int fd, const void* buf, size_t count, off_t offset) {
    using Pwrite = ssize_t (*)(int, const void*, size_t, off_t);
    static const Pwrite real = next_definition<Pwrite>("pwrite64");
    if (fails_now() || beyond_space(offset, count)) {
        errno = ENOSPC;
        return -1;
    }
    return real(fd, buf, count, offset);
}

EXPORTED ssize_t pwrite(int fd, const void* buf, size_t count, off_t offset) {
    return pwrite64(fd, buf, count, offset);
}

EXPORTED int ftruncate64(int fd, off_t length) {
    using Ftruncate = int (*)(int, off_t);
    static const Ftruncate real = next_definition<Ftruncate>("ftruncate64");
    if (fails_now()) {
        errno = ENOSPC;
        return -1;
    }
    return real(fd, length);
}

EXPORTED int ftruncate(int fd, off_t length) {
    return ftruncate64(fd, length);
}

EXPORTED int fdatasync(int fd) {
    using Fdatasync = int (*)(int);
    static const Fdatasync real = next_definition<Fdatasync>("fdatasync");
    if (fails_now()) {
        errno = EIO;
        return -1;
    }
    return real(fd);
}

using Open = int (*)(const char*, int, ...);

int open_file(const char* name, const char* path, int flags, mode_t mode) {
    static const Open real_open = next_definition<Open>("open");
    static const Open real_open64 = next_definition<Open>("open64");
    if ((flags & O_TMPFILE) == O_TMPFILE && number_in("VYR_NO_TMPFILE") != 0) {
        errno = EOPNOTSUPP;
        return -1;
    }
    return (name[4] == '6' ? real_open64 : real_open)(path, flags, mode);
}

// True for the first link or rename into place when that is to fail.
bool placing_fails() {
    static bool failed = false;
    if (failed || number_in("VYR_FAIL_PLACE") == 0) return false;
    failed = true;
    errno = EIO;
    return true;
}

EXPORTED int open(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) != 0 ? va_arg(args, mode_t) : 0;
    va_end(args);
    return open_file("open", path, flags, mode);
}

EXPORTED int open64(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) != 0 ? va_arg(args, mode_t) : 0;
    va_end(args);
    return open_file("open64", path, flags, mode);
}

EXPORTED int linkat(int from_dir, const char* from, int to_dir, const char* to, int flags) {
    using Linkat = int (*)(int, const char*, int, const char*, int);
    static const Linkat real = next_definition<Linkat>("linkat");
    return placing_fails() ? -1 : real(from_dir, from, to_dir, to, flags);
}

EXPORTED int renameat2(int from_dir, const char* from, int to_dir, const char* to, unsigned flags) {
    using Renameat2 = int (*)(int, const char*, int, const char*, unsigned);
    static const Renameat2 real = next_definition<Renameat2>("renameat2");
    return placing_fails() ? -1 : real(from_dir, from, to_dir, to, flags);
}

}  // extern "C"

namespace {

__attribute__((destructor)) void report_count() {
    const char* path = std::getenv("VYR_COUNT_FILE");
    std::FILE* out = path != nullptr ? std::fopen(path, "w") : nullptr;
    if (out == nullptr) return;
    std::fprintf(out, "%ld\n", calls);
    std::fclose(out);
}

}  // namespace
