#include "records/collection_assoc.h"

#include "stations/assoc_core.h"
#include "storage/key_text.h"

namespace vyr_records {

bool is_acceptable_assoc_entry(const VYR_ASSOC_STATION& entry) {
    return vyr_stations::is_usable_assoc_key(entry.station) && entry.index != -1;
}

bool destroy_keyed(CStg& project, uint32_t kind, const VYR_KEY& key) {
    char name[vyr_storage::kKeyedNameBufferSize];
    if (!CFactoryStorage::MakeName(kind, key, name, sizeof name)) return false;
    CFactoryStorage factory(&project);
    bool destroyed = false;
    switch (kind) {
        case vyr_storage::kStorageStation:
            destroyed = factory.DestroyStation(key);
            break;
        case vyr_storage::kStorageStationAssoc:
            destroyed = factory.DestroyStationAssoc(key);
            break;
        case vyr_storage::kStorageIonoCompAssoc:
            destroyed = factory.DestroyIonoCompAssoc(key);
            break;
        default:
            return false;
    }
    return destroyed || project.GetLastError() == STG_E_FILENOTFOUND;
}

VYR_ERROR StationAssocTraits::Check(const VYR_STATION_ASSOC& description) {
    if (!vyr_stations::is_usable_assoc_key(description.rover.station))
        return VYR_E_INVALID_PARAMETER;
    if (description.linkedStations.stations.size() > 1) return VYR_E_INVALID_PARAMETER;
    for (const VYR_ASSOC_STATION& entry : description.linkedStations.stations)
        if (!is_acceptable_assoc_entry(entry)) return VYR_E_INVALID_PARAMETER;
    return VYR_OK;
}

VYR_ERROR IonoComputedAssocTraits::Check(const VYR_IONO_COMPUTED_ASSOC& description) {
    if (description.stations.size() != 1) return VYR_E_INVALID_PARAMETER;
    return is_acceptable_assoc_entry(description.stations.front()) ? VYR_OK
                                                                   : VYR_E_INVALID_PARAMETER;
}

}  // namespace vyr_records
