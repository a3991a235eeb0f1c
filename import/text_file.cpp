#include "import/text_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

namespace vyr_import {
namespace {

// The descriptor under a stream of LF line ends, and the stream's buffer: glibc's default for a
// stream without a descriptor of its own is 8 KiB, which costs a call per 8 KiB.
struct Source {
    int fd = -1;
    bool afterCr = false;
    char buffer[64 * 1024];
};

ssize_t read_lf(void* cookie, char* bytes, size_t size) {
    Source& source = *static_cast<Source*>(cookie);
    for (;;) {
        const ssize_t got = ::read(source.fd, bytes, size);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return got;
        // A read of nothing but the LF of a CR LF gives no byte: the stream would take 0 for its
        // end, so read on.
        const size_t kept = to_lf_line_ends(bytes, static_cast<size_t>(got), source.afterCr);
        if (kept > 0) return static_cast<ssize_t>(kept);
    }
}

int close_source(void* cookie) {
    Source* source = static_cast<Source*>(cookie);
    const int closed = ::close(source->fd);
    delete source;
    return closed;
}

}  // namespace

size_t to_lf_line_ends(char* bytes, size_t size, bool& afterCr) {
    size_t in = afterCr && size > 0 && bytes[0] == '\n' ? 1 : 0;
    afterCr = false;
    size_t out = 0;
    while (in < size) {
        const void* cr = std::memchr(bytes + in, '\r', size - in);
        const size_t stop = cr != nullptr ? static_cast<const char*>(cr) - bytes : size;
        if (out != in) std::memmove(bytes + out, bytes + in, stop - in);
        out += stop - in;
        if (cr == nullptr) break;
        bytes[out++] = '\n';
        in = stop + 1;
        if (in == size) {
            afterCr = true;
        } else if (bytes[in] == '\n') {
            ++in;
        }
    }
    return out;
}

bool read_line(FILE* file, char* buffer, size_t size, bool& ended) {
    size_t length = 0;
    int c = 0;
    while ((c = getc_unlocked(file)) != EOF && c != '\n') {
        if (length + 1 < size) buffer[length++] = static_cast<char>(c);
    }
    buffer[length] = '\0';
    ended = c == '\n';
    return ended || length > 0;
}

TextFile open_text_file(const char* fileName) {
    if (fileName == nullptr) return nullptr;
    const int fd = ::open(fileName, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    Source* source = new (std::nothrow) Source;
    if (source == nullptr) {
        ::close(fd);
        return nullptr;
    }
    source->fd = fd;
    FILE* file =
        fopencookie(source, "r", cookie_io_functions_t{read_lf, nullptr, nullptr, close_source});
    if (file == nullptr) {
        close_source(source);
        return nullptr;
    }
    std::setvbuf(file, source->buffer, _IOFBF, sizeof source->buffer);
    return TextFile(file);
}

}  // namespace vyr_import
