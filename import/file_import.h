// The import of one file as the list import and Vyr_ImportFile share it.
#pragma once

#include <cstddef>
#include <string>

#include <vyr/file_import.h>
#include <vyr/project.h>

namespace vyr_import {

// Vyr_ImportFile with the file's place in its list, for the progress calls.
VYR_ERROR import_one(IVyrStorageEx& project, const std::string& path, size_t index,
                     const VyrImportOptions& options, VyrFileImportReport& report);

}  // namespace vyr_import
