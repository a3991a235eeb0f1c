// The cached collections of the common data: orbits, ionosphere data and established points,
// each over its own stream of the project storage.
#pragma once

#include <cstdint>

#include "records/collection.h"
#include "records/collection_keys.h"
#include "records/ephemeris_format.h"
#include "storage/layout.h"

template <class T, class Cache, uint32_t StreamId>
class CVyrCommonDataCollection : public CVyrCollection<T, Cache> {
public:
    CVyrCommonDataCollection(const CVyrPtrSmart<CStg>& project, uint32_t version)
        : CVyrCollection<T, Cache>(project, StreamId, version) {}
};

using CVyrCollectionAlmanachEphemeris =
    CVyrCommonDataCollection<VYR_ALMANACHEPHEMERIS, CCollectionCacheAlmanachEphemeris,
                             vyr_storage::kStreamAlmanachEphemeris>;
using CVyrCollectionAlmanachEphemerisGlo =
    CVyrCommonDataCollection<VYR_ALMANACHEPHEMERIS_GLO, CCollectionCacheAlmanachEphemerisGlo,
                             vyr_storage::kStreamAlmanachEphemerisGlo>;
using CVyrCollectionAlmanachEphemerisGal =
    CVyrCommonDataCollection<VYR_ALMANACHEPHEMERIS_GAL, CCollectionCacheAlmanachEphemerisGal,
                             vyr_storage::kStreamAlmanachEphemerisGal>;
using CVyrCollectionBroadcastEphemeris =
    CVyrCommonDataCollection<VYR_BROADCASTEPHEMERIS, CCollectionCacheBroadcastEphemeris,
                             vyr_storage::kStreamBroadcastEphemeris>;
using CVyrCollectionBroadcastEphemerisGlo =
    CVyrCommonDataCollection<VYR_BROADCASTEPHEMERIS_GLO, CCollectionCacheBroadcastEphemerisGlo,
                             vyr_storage::kStreamBroadcastEphemerisGlo>;
using CVyrCollectionBroadcastEphemerisGal =
    CVyrCommonDataCollection<VYR_BROADCASTEPHEMERIS_GAL, CCollectionCacheBroadcastEphemerisGal,
                             vyr_storage::kStreamBroadcastEphemerisGal>;
using CVyrCollectionPreciseEphemeris =
    CVyrCommonDataCollection<VYR_PRECISEEPHEMERIS, CCollectionCachePreciseEphemeris,
                             vyr_storage::kStreamPreciseEphemeris>;
using CVyrCollectionIonoUtc =
    CVyrCommonDataCollection<VYR_IONOUTC, CCollectionCacheIonoUtc, vyr_storage::kStreamIonoUTC>;
using CVyrCollectionIonoGlobalReg =
    CVyrCommonDataCollection<VYR_IONO_GLOBALREG, CCollectionCacheIonoGlobalReg,
                             vyr_storage::kStreamIonoGlobalRegional>;
using CVyrCollectionEstablishedPoint =
    CVyrCommonDataCollection<VYR_ESTABLISHED_POINT, CCollectionCacheEstablishedPoint,
                             vyr_storage::kStreamEstablishedPoints>;
using CVyrCollectionUseForEstablishingPoint =
    CVyrCommonDataCollection<VYR_USE_FOR_ESTABLISHING_POINT,
                             CCollectionCacheUseForEstablishingPoint,
                             vyr_storage::kStreamUseForEstablishingPoints>;
