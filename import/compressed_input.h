// Compressed files, told by their first bytes and decompressed while they are read: gzip through
// zlib (which checks each member's CRC-32 and length; libarchive does not), Unix compress (.Z),
// bzip2, xz and a zip archive of one file through libarchive.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <memory>
#include <string>

struct archive;

namespace vyr_import {

enum class Packing { kPlain, kGzip, kCompress, kBzip2, kXz, kZip };

// The packing the first bytes of a file show; kPlain for anything else.
Packing packing_of(const unsigned char* bytes, size_t size);
// "gzip", "compress (.Z)", ...: the name a problem gives the packing.
const char* packing_name(Packing packing);

class CompressedInput {
public:
    CompressedInput();
    ~CompressedInput();
    CompressedInput(const CompressedInput&) = delete;
    CompressedInput& operator=(const CompressedInput&) = delete;

    // False when the file cannot be decompressed from its start (a zip of several files, a
    // damaged header): problem() tells why.
    bool open(const char* fileName, Packing packing);
    // Decompressed bytes into bytes[0, size): their number, 0 at the end, -1 on damage
    // (problem() tells what broke).
    ssize_t read(char* bytes, size_t size);
    const std::string& problem() const { return m_problem; }

private:
    struct Gzip;

    bool fail(const std::string& what);
    bool start(const char* fileName);
    ssize_t read_gzip(char* bytes, size_t size);

    struct archive* m_archive = nullptr;
    std::unique_ptr<Gzip> m_gzip;
    Packing m_packing = Packing::kPlain;
    std::string m_problem;
};

}  // namespace vyr_import
