// What `vyr import` does with a RINEX observation file: one station per site, its epochs written
// while the file is read.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
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
    bool appended = false;        // the epochs went on a station that held earlier ones
};

// The conversion `vyr import` runs unless told otherwise: version-2 Doppler and strength kept.
inline constexpr VyrObsConversionOptions kImportDefaults{true, false};

// How `vyr import` takes observation files.
struct ObservationImportOptions {
    bool progress = false;    // draw a bar on stderr while the file is read
    bool newStation = false;  // every site makes a station, even one continuing a stored one
    VyrObsConversionOptions conversion = kImportDefaults;
};

// What an observation file gave: its sites, and the satellite-epochs of systems a project does
// not keep that were read past, by system letter in letter order.
struct ImportedObservations {
    std::vector<ImportedSite> sites;
    std::vector<std::pair<char, uint64_t>> otherSystems;
};

// Imports the file into the project. Throws CommandFailure "FILE:LINE: problem" when the file
// cannot be read or stored; what it wrote is then still in the project, uncommitted, for the
// caller to abandon. expandedFrom: the compact file path stands for (path itself, expanded while
// it is read); messages then name that file and give line numbers as lines of the expanded text.
// A file cut inside an epoch is refused unless options.conversion.salvageCut, and then named on
// stderr with the epochs imported.
ImportedObservations import_observation_file(IVyrStorageEx& project, const std::string& path,
                                             const ObservationImportOptions& options,
                                             const std::string& expandedFrom = {});

// The summary line of one site.
std::string site_summary(const std::string& path, const ImportedSite& site);
// The line telling what satellites of other systems were read past; empty when none were.
std::string other_systems_summary(const std::string& path,
                                  const std::vector<std::pair<char, uint64_t>>& otherSystems);

}  // namespace vyr_cli
