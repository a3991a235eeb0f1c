// The satellite availability statistics of a station ("SatelliteAvailStatistics"): a cached
// collection keyed by MJD day, changed in memory and written back as a whole by Flush.
#pragma once

#include <cstdint>

#include <vyr/collection.h>
#include <vyr/statistics.h>

#include "records/collection.h"
#include "stations/statistics_format.h"

namespace vyr_stations {
struct SvAvailDayKey {
    uint32_t operator()(const VYR_SVAVAIL_STAT& record) const { return record.mjd; }
};
}  // namespace vyr_stations

class CVyrCollectionSvAvailStat
    : public CVyrCollection<VYR_SVAVAIL_STAT, CCollectionCacheMapDWord<
                                                  VYR_SVAVAIL_STAT, vyr_stations::SvAvailDayKey>> {
public:
    // Opens or creates the stream in the station storage; OpenResult() tells how that went.
    CVyrCollectionSvAvailStat(const CVyrPtrSmart<CStg>& stationStorage, uint32_t version);

    // 0x80008001 for a day no epoch can have (the reader would take it for damage).
    VYR_ERROR Add(const VYR_SVAVAIL_STAT& record) override;
    // True when the record of the day is cached (the cache is loaded on first use).
    bool GetByKey(uint32_t mjd, VYR_SVAVAIL_STAT& record);
    // Inserts or replaces the record of its day in the cache only; false when the cache fails.
    bool Store(const VYR_SVAVAIL_STAT& record);
    // Rewrites the stream with every cached record when something was stored; 0 otherwise.
    VYR_ERROR Flush();

private:
    bool m_modified = false;
};
