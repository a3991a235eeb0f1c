// The stored processing error intervals of one storage ("ProcessingErrorsInterval"), keyed by
// start, code, payload type and payload value.
#pragma once

#include "records/collection.h"
#include "records/collection_keys.h"
#include "records/processing_error_interval_format.h"
#include "storage/layout.h"

class CVyrCollectionProcessingErrorInterval
    : public CVyrCollection<VYR_PROCESSING_ERROR_INTERVAL,
                            CCollectionCacheProcessingErrorInterval> {
public:
    CVyrCollectionProcessingErrorInterval(const CVyrPtrSmart<CStg>& storage, uint32_t version)
        : CVyrCollection(storage, vyr_storage::kStreamProcessingErrorsInterval, version) {}
};
