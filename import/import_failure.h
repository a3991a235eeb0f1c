// The failure that ends the import of one file, thrown inside the import road and turned into
// the file's report at its edge: no exception leaves the library.
#pragma once

#include <string>

#include "vyr/error.h"

namespace vyr_import {

struct ImportFailure {
    VYR_ERROR code;
    std::string text;  // "FILE:LINE: problem (text of the code)"
};

// Throws ImportFailure "PATH: text (0xCODE)" when code is a failure.
void check(VYR_ERROR code, const std::string& path);

}  // namespace vyr_import
