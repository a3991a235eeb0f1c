#include "records/result_collections.h"

#include "storage/layout.h"

using namespace vyr_storage;

CVyrCollectionCycleSlipBase::CVyrCollectionCycleSlipBase(const CVyrPtrSmart<CStg>& resultStorage,
                                                         uint32_t version)
    : CVyrCollectionUncached(resultStorage, kStreamCycleSlips, version) {}

CVyrCollectionEpochSvInfoBase::CVyrCollectionEpochSvInfoBase(
    const CVyrPtrSmart<CStg>& resultStorage, uint32_t version)
    : CVyrCollectionUncached(resultStorage, kStreamEpochSatelliteInfo, version) {}

CVyrCollectionSvStatBase::CVyrCollectionSvStatBase(const CVyrPtrSmart<CStg>& resultStorage,
                                                   uint32_t version)
    : CVyrCollectionUncached(resultStorage, kStreamSatelliteStatistics, version) {}

CVyrCollectionAmbiguityStat::CVyrCollectionAmbiguityStat(const CVyrPtrSmart<CStg>& resultStorage,
                                                         uint32_t version)
    : CVyrCollectionUncached(resultStorage, kStreamAmbiguityStatistics, version) {}

CVyrCollectionPointPosition::CVyrCollectionPointPosition(const CVyrPtrSmart<CStg>& resultStorage,
                                                         uint32_t version)
    : CVyrCollectionUncached(resultStorage, kStreamPointPositions, version) {}
