#include "import/compressed_input.h"

#include <archive.h>
#include <archive_entry.h>

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

ssize_t CompressedInput::read(char* bytes, size_t size) {
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
