// Observation files into a project: one station per site, its epochs written while the file is
// read; a site that continues a station goes on it, a repeat is found, an overlap refused.
#pragma once

#include <string>

#include <vyr/file_import.h>
#include <vyr/project.h>

#include "import/import_progress.h"

namespace vyr_import {

// Imports the observation file at path into the project and fills the report's sites,
// otherSystems, warnings and cut. Throws ImportFailure ("FILE:LINE: problem (text)") when the
// file cannot be read or stored; what it wrote is then still in the project, uncommitted.
// expanded: path is a compact file, its lines counted as those of the expanded text. A file cut
// inside an epoch is refused unless options.conversion.salvageCut.
void import_sites(IVyrStorageEx& project, const std::string& path, bool expanded,
                  const VyrImportOptions& options, ImportProgressFeed& progress,
                  VyrFileImportReport& report);

}  // namespace vyr_import
