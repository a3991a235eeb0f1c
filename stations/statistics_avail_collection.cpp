#include "stations/statistics_avail_collection.h"

#include "storage/layout.h"

CVyrCollectionSvAvailStat::CVyrCollectionSvAvailStat(const CVyrPtrSmart<CStg>& stationStorage,
                                                     uint32_t version)
    : CVyrCollection(stationStorage, vyr_storage::kStreamSatelliteAvailStatistics, version) {}

VYR_ERROR CVyrCollectionSvAvailStat::Add(const VYR_SVAVAIL_STAT& record) {
    if (!vyr_stations::is_plausible_availability(record)) return VYR_E_INVALID_PARAMETER;
    return CVyrCollection::Add(record);
}

bool CVyrCollectionSvAvailStat::GetByKey(uint32_t mjd, VYR_SVAVAIL_STAT& record) {
    if (LoadIfNeeded() != VYR_OK) return false;
    return m_cache.FindByKey(mjd, record);
}

bool CVyrCollectionSvAvailStat::Store(const VYR_SVAVAIL_STAT& record) {
    if (LoadIfNeeded() != VYR_OK) return false;
    const bool stored = m_cache.Contains(record) ? m_cache.Update(record) : m_cache.Insert(record);
    if (stored) {
        m_cacheLoaded = true;
        m_modified = true;
    }
    return stored;
}

VYR_ERROR CVyrCollectionSvAvailStat::Flush() {
    if (!m_modified) return VYR_OK;
    std::vector<VYR_SVAVAIL_STAT> records;
    if (!m_cache.GetAll(records)) return VYR_E_CACHE_CONTAINER;
    const VYR_ERROR result = m_stream.RewriteAll(records);
    if (result == VYR_OK) m_modified = false;
    return result;
}
