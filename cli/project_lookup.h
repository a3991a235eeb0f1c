// Finding what a command line names in a project: a station or an association by its key text.
#pragma once

#include <string>

#include <vyr/vyr.h>

namespace vyr_cli {

// The project's stations; not valid for a project that never had one.
CVyrIPtrSmart<IVyrCollectionStationEx> stations_of(IVyrStorageEx& storage, const std::string& path);
// Throws CommandFailure "PATH: no station NAME" when no key matches.
VYR_STATION_KEY find_station_key(IVyrStorageEx& storage, const std::string& path,
                                 const std::string& name);
CVyrIPtrSmart<IVyrStationEx> find_station(IVyrStorageEx& storage, const std::string& path,
                                          const std::string& name);

// The project's associations; not valid for a project that never had one.
CVyrIPtrSmart<IVyrCollectionStationAssocEx> assoc_list(IVyrStorageEx& storage,
                                                       const std::string& path);
// The project's association keys in list order; none for a project that never had one.
std::vector<VYR_STATION_ASSOC_KEY> assoc_keys(IVyrStorageEx& storage, const std::string& path);
// Throws CommandFailure "PATH: no association KEY" when no key matches.
VYR_STATION_ASSOC_KEY find_assoc_key(IVyrStorageEx& storage, const std::string& path,
                                     const std::string& name);
CVyrIPtrSmart<IVyrStationAssocEx> find_assoc(IVyrStorageEx& storage, const std::string& path,
                                             const std::string& name);

// A station's statistics per system; empty for a station that never had epochs. Throws
// CommandFailure naming the project when they do not read.
vyr::ObservationStatistics system_statistics(IVyrStationEx& station, const std::string& path);

}  // namespace vyr_cli
