// What `vyr import` does with a RINEX observation file: one station per site, its epochs written
// while the file is read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <vyr/vyr.h>

namespace vyr_cli {

// One site of a file, as the summary line tells it.
struct ImportedSite {
    std::string key;     // display text of the station's key
    std::string marker;  // the marker name of the site's first occupation
    uint64_t epochs = 0;
    uint32_t firstMjd = 0;
    double firstFraction = 0.0;
    uint32_t lastMjd = 0;
    double lastFraction = 0.0;
    std::string systems;          // letters of the systems seen, in the order G R E S
    bool alreadyPresent = false;  // the project held this site already; nothing was written
};

// Imports the file into the project. Throws CommandFailure "FILE:LINE: problem" when the file
// cannot be read or stored; what it wrote is then still in the project, uncommitted, for the
// caller to abandon. progress: draw a bar on stderr while the file is read.
// expandedFrom: the compact file path was expanded from; messages then name that file and give
// line numbers as lines of the expanded text.
// The conversion `vyr import` runs unless told otherwise: version-2 Doppler and strength kept.
inline constexpr VyrObsConversionOptions kImportDefaults{true, false};

// options: the conversion's choices; a file cut inside an epoch is refused unless
// options.salvageCut, and then named on stderr with the epochs imported.
std::vector<ImportedSite> import_observation_file(IVyrStorageEx& project, const std::string& path,
                                                  bool progress,
                                                  const VyrObsConversionOptions& options,
                                                  const std::string& expandedFrom = {});

// The summary line of one site.
std::string site_summary(const std::string& path, const ImportedSite& site);

}  // namespace vyr_cli
