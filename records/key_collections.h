// Lists of station and association keys, and the stations chosen for automatic processing.
#pragma once

#include <cstdint>

#include <vyr/key.h>

#include "records/collection.h"
#include "records/collection_keys.h"
#include "storage/layout.h"

// Over the stream the user names ("StationList" for the station collection).
using CVyrCollectionStationKey =
    CVyrCollection<VYR_STATION_KEY, CCollectionCacheKey<VYR_STATION_KEY>>;
using CVyrCollectionStationAssocKey =
    CVyrCollectionStream<VYR_STATION_ASSOC_KEY, CCollectionCacheStreamKey<VYR_STATION_ASSOC_KEY>>;
using CVyrCollectionIonoComputedAssocKey =
    CVyrCollection<VYR_IONO_COMPUTED_ASSOC_KEY, CCollectionCacheKey<VYR_IONO_COMPUTED_ASSOC_KEY>>;

class CVyrCollectionAutoProcStation : public CVyrCollectionStationKey {
public:
    CVyrCollectionAutoProcStation(const CVyrPtrSmart<CStg>& project, uint32_t version)
        : CVyrCollectionStationKey(project, vyr_storage::kStreamAutoProcStationList, version) {}
};
