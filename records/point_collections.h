// A station's point lists and point descriptions, and the lists of established points.
#pragma once

#include <cstdint>

#include <vyr/points.h>

#include "records/collection.h"
#include "records/collection_keys.h"
#include "records/collection_uncached.h"
#include "records/read_only_collection.h"
#include "storage/create_key.h"

using CVyrCollectionAprioriPoint =
    CVyrCollection<VYR_APRIORI_POINT, CCollectionCachePoint<VYR_APRIORI_POINT>>;
using CVyrCollectionAposterioriPointEx =
    CVyrCollection<VYR_APOSTERIORI_POINT, CCollectionCachePoint<VYR_APOSTERIORI_POINT>,
                   IVyrCollectionAposterioriPointEx>;
using CVyrCollectionAposterioriPoint = CVyrCollectionReadOnly<
    CVyrCollection<VYR_APOSTERIORI_POINT, CCollectionCachePoint<VYR_APOSTERIORI_POINT>,
                   IVyrCollectionAposterioriPoint>,
    VYR_APOSTERIORI_POINT>;

// The point descriptions of an association's results: written once, read in order.
using CVyrCollectionPointDescResult = CVyrCollectionUncached<VYR_POINT_DESC>;

using CVyrCollectionPointDescBase =
    CVyrCollection<VYR_POINT_DESC, CCollectionCachePointDesc, IVyrCollectionPointDesc>;

// Descriptions get their ids from the project's key generator.
class CVyrCollectionPointDesc : public CVyrCollectionPointDescBase {
public:
    CVyrCollectionPointDesc(const CVyrPtrSmart<CStg>& storage, uint32_t streamId,
                            const CVyrPtrSmart<CCreateKey>& keys, uint32_t version)
        : CVyrCollectionPointDescBase(storage, streamId, version), m_keys(keys) {}

    VYR_ERROR Add(const VYR_POINT_DESC& /*record*/) override { return VYR_E_NOT_IMPLEMENTED; }
    VYR_ERROR DeleteAll() override { return VYR_E_NOT_IMPLEMENTED; }
    VYR_ERROR GetById(uint32_t id, VYR_POINT_DESC& record) override;
    VYR_ERROR AddPointDesc(const VYR_POINT_DESCRIPTION& description,
                           VYR_POINT_DESC& record) override;

private:
    CVyrPtrSmart<CCreateKey> m_keys;
};

namespace vyr_records {

// An MJD time rounded to 10 ms; rounding up at the end of a day gives the next day.
double round_to_10_ms(double time);

}  // namespace vyr_records
