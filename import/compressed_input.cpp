#include "import/compressed_input.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

namespace vyr_import {
namespace {

constexpr size_t kBlock = 64 * 1024;

bool starts_with(const unsigned char* bytes, size_t size, const char* magic, size_t length) {
    return size >= length && std::memcmp(bytes, magic, length) == 0;
}

}  // namespace

Packing packing_of(const unsigned char* bytes, size_t size) {
    if (starts_with(bytes, size, "\x1f\x8b", 2)) return Packing::kGzip;
    if (starts_with(bytes, size, "\x1f\x9d", 2)) return Packing::kCompress;
    if (starts_with(bytes, size, "BZh", 3)) return Packing::kBzip2;
    if (starts_with(bytes, size,
                    "\xfd"
                    "7zXZ\0",
                    6))
        return Packing::kXz;
    // A local file header, or the end record of an empty archive.
    if (starts_with(bytes, size, "PK\x03\x04", 4) || starts_with(bytes, size, "PK\x05\x06", 4))
        return Packing::kZip;
    return Packing::kPlain;
}

const char* packing_name(Packing packing) {
    switch (packing) {
        case Packing::kGzip:
            return "gzip";
        case Packing::kCompress:
            return "compress (.Z)";
        case Packing::kBzip2:
            return "bzip2";
        case Packing::kXz:
            return "xz";
        case Packing::kZip:
            return "zip";
        case Packing::kPlain:
            break;
    }
    return "plain";
}

// gzip read with zlib: member after member, each checked against its CRC-32 and length.
struct CompressedInput::Gzip {
    int fd = -1;
    z_stream stream{};
    bool initialised = false;
    bool inMember = false;  // inside a member, its trailer not yet checked
    bool padding = false;   // zero bytes after the last member, as tape blocks leave them
    bool atEnd = false;     // the file has no more bytes
    bool done = false;
    std::string pending;  // a failure found after bytes were produced, told at the next read
    unsigned char in[kBlock];

    ~Gzip() {
        if (initialised) inflateEnd(&stream);
        if (fd >= 0) ::close(fd);
    }
};

CompressedInput::CompressedInput() = default;

CompressedInput::~CompressedInput() {
    if (m_archive != nullptr) archive_read_free(m_archive);
}

bool CompressedInput::fail(const std::string& what) {
    const char* told = m_archive != nullptr ? archive_error_string(m_archive) : nullptr;
    // libarchive's own words name what broke; ours only stand in when it has none.
    m_problem = std::string(packing_name(m_packing)) + " data is damaged: " +
                (told != nullptr && *told != '\0' ? std::string(told) : what);
    return false;
}

// Opens the archive and moves to its first entry.
bool CompressedInput::start(const char* fileName) {
    if (m_archive != nullptr) archive_read_free(m_archive);
    m_archive = archive_read_new();
    if (m_archive == nullptr) {
        m_problem = "out of memory";
        return false;
    }
    archive_read_support_filter_all(m_archive);
    if (m_packing == Packing::kZip)
        archive_read_support_format_zip(m_archive);
    else
        archive_read_support_format_raw(m_archive);
    if (archive_read_open_filename(m_archive, fileName, kBlock) != ARCHIVE_OK)
        return fail("it cannot be opened");
    archive_entry* entry = nullptr;
    const int got = archive_read_next_header(m_archive, &entry);
    if (got == ARCHIVE_EOF) {
        m_problem = "the zip archive holds no file";
        return false;
    }
    if (got < ARCHIVE_WARN) return fail("its header cannot be read");
    return true;
}

bool CompressedInput::open(const char* fileName, Packing packing) {
    m_packing = packing;
    m_problem.clear();
    if (packing == Packing::kGzip) {
        m_gzip = std::make_unique<Gzip>();
        m_gzip->fd = ::open(fileName, O_RDONLY | O_CLOEXEC);
        if (m_gzip->fd < 0) {
            m_problem = std::strerror(errno);
            return false;
        }
        // 16 + the largest window: a gzip wrapper, its trailer checked.
        if (inflateInit2(&m_gzip->stream, 16 + MAX_WBITS) != Z_OK) {
            m_problem = "out of memory";
            return false;
        }
        m_gzip->initialised = true;
        return true;
    }
    if (!start(fileName)) return false;
    if (packing != Packing::kZip) return true;
    // A zip of several files has no one text to read: refused, not read in part. Looking for a
    // second entry skips the first one's data, so the archive is opened again for the reading.
    archive_entry* entry = nullptr;
    const int second = archive_read_next_header(m_archive, &entry);
    if (second == ARCHIVE_OK || second == ARCHIVE_WARN) {
        m_problem = "the zip archive holds more than one file; vyr reads a zip of one file";
        return false;
    }
    if (second != ARCHIVE_EOF) return fail("its list of files cannot be read");
    return start(fileName);
}

ssize_t CompressedInput::read_gzip(char* bytes, size_t size) {
    Gzip& g = *m_gzip;
    if (!g.pending.empty()) {
        fail(g.pending);
        return -1;
    }
    if (!g.initialised) return -1;
    z_stream& z = g.stream;
    const size_t room = std::min<size_t>(size, UINT_MAX);
    z.next_out = reinterpret_cast<Bytef*>(bytes);
    z.avail_out = static_cast<uInt>(room);
    const auto produced = [&]() { return static_cast<ssize_t>(room - z.avail_out); };
    // Bytes already produced are handed out first; the failure comes with the next read.
    const auto failed = [&](const std::string& what) -> ssize_t {
        if (produced() > 0) {
            g.pending = what;
            return produced();
        }
        fail(what);
        return -1;
    };
    while (z.avail_out > 0 && !g.done) {
        if (z.avail_in == 0 && !g.atEnd) {
            ssize_t got = 0;
            do {
                got = ::read(g.fd, g.in, sizeof g.in);
            } while (got < 0 && errno == EINTR);
            if (got < 0)
                return failed(std::string("reading the file failed: ") + std::strerror(errno));
            if (got == 0) g.atEnd = true;
            z.next_in = g.in;
            z.avail_in = static_cast<uInt>(got);
        }
        if (!g.inMember) {
            // Between members: another member, zero padding, or the end.
            if (z.avail_in == 0) {
                if (g.atEnd) g.done = true;
                continue;
            }
            if (g.padding || z.next_in[0] == 0) {
                g.padding = true;
                for (; z.avail_in > 0; ++z.next_in, --z.avail_in)
                    if (*z.next_in != 0)
                        return failed("other bytes follow the zero padding after the gzip data");
                continue;
            }
            if (inflateReset(&z) != Z_OK) return failed("the decompressor cannot be reset");
            g.inMember = true;
        }
        if (z.avail_in == 0 && g.atEnd) return failed("truncated gzip input");
        const int result = inflate(&z, Z_NO_FLUSH);
        if (result == Z_STREAM_END) {
            g.inMember = false;
            continue;
        }
        if (result == Z_OK || result == Z_BUF_ERROR) continue;
        if (result == Z_MEM_ERROR) return failed("out of memory");
        const std::string told = z.msg != nullptr ? z.msg : "inflate failed";
        if (told == "incorrect data check") return failed("CRC mismatch");
        if (told == "incorrect length check") return failed("length mismatch");
        return failed(told);
    }
    return produced();
}

ssize_t CompressedInput::read(char* bytes, size_t size) {
    if (m_gzip != nullptr) return read_gzip(bytes, size);
    if (m_archive == nullptr) return -1;
    for (;;) {
        const la_ssize_t got = archive_read_data(m_archive, bytes, size);
        if (got >= 0) return static_cast<ssize_t>(got);
        if (got == ARCHIVE_RETRY) continue;
        if (got == ARCHIVE_WARN) return 0;
        fail("reading stopped");
        return -1;
    }
}

}  // namespace vyr_import
