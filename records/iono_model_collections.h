// Ionosphere models and model keys, each under its 16-bit model key. The read-only forms are
// handed to callers that only evaluate; the Ex forms to those that store.
#pragma once

#include <cstdint>

#include <vyr/iono_models.h>

#include "records/collection.h"
#include "records/collection_keys.h"
#include "records/read_only_collection.h"

using CVyrCollectionIonoComputedModelEx =
    CVyrCollection<VYR_IONO_COMPUTED_MODEL, CCollectionCacheIonoComputedModel,
                   IVyrCollectionIonoComputedModelEx>;
using CVyrCollectionIonoComputedModel = CVyrCollectionReadOnly<
    CVyrCollection<VYR_IONO_COMPUTED_MODEL, CCollectionCacheIonoComputedModel,
                   IVyrCollectionIonoComputedModel>,
    VYR_IONO_COMPUTED_MODEL>;

using CVyrCollectionIonoKlobucharModelEx =
    CVyrCollection<VYR_IONO_KLOBUCHAR_MODEL, CCollectionCacheIonoKlobucharModel,
                   IVyrCollectionIonoKlobucharModelEx>;
using CVyrCollectionIonoKlobucharModel = CVyrCollectionReadOnly<
    CVyrCollection<VYR_IONO_KLOBUCHAR_MODEL, CCollectionCacheIonoKlobucharModel,
                   IVyrCollectionIonoKlobucharModel>,
    VYR_IONO_KLOBUCHAR_MODEL>;

using CVyrCollectionIonoGlobalRegModelEx =
    CVyrCollection<VYR_IONO_GLOBALREG_MODEL, CCollectionCacheIonoGlobalRegModel,
                   IVyrCollectionIonoGlobalRegModelEx>;
using CVyrCollectionIonoGlobalRegModel = CVyrCollectionReadOnly<
    CVyrCollection<VYR_IONO_GLOBALREG_MODEL, CCollectionCacheIonoGlobalRegModel,
                   IVyrCollectionIonoGlobalRegModel>,
    VYR_IONO_GLOBALREG_MODEL>;

using CVyrCollectionIonoModelKeyEx =
    CVyrCollection<uint16_t, CCollectionCacheIonoModelKey, IVyrCollectionIonoModelKeyEx>;
using CVyrCollectionIonoModelKey = CVyrCollectionReadOnly<
    CVyrCollection<uint16_t, CCollectionCacheIonoModelKey, IVyrCollectionIonoModelKey>, uint16_t>;
