// The sample files `vyr demo` runs on, built into the command (from samples/, by
// cmake/VyrEmbedFiles.cmake) so that it needs no file beside it wherever it is run or installed.
#pragma once

#include <cstddef>
#include <span>

namespace vyr_cli {

struct EmbeddedFile {
    const char* name;  // the file's name, without a folder
    const unsigned char* bytes;
    size_t size;
};

// The RINEX 2 sample first, then the RINEX 3 one.
std::span<const EmbeddedFile> demo_samples();

}  // namespace vyr_cli
