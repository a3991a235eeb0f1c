// Ionosphere models kept per association or access object, each under a 16-bit model key (its
// first two bytes).
#pragma once

#include <cstdint>

#include "vyr/ephemeris.h"

#pragma pack(push, 1)
struct VYR_IONO_COMPUTED_MODEL {
    uint16_t key;
    uint8_t data[258];
};

struct VYR_IONO_KLOBUCHAR_MODEL {
    uint16_t key;
    uint8_t data[80];
};

struct VYR_IONO_GLOBALREG_MODEL {
    uint16_t key;
    VYR_IONO_GLOBALREG model;
};
#pragma pack(pop)

static_assert(sizeof(VYR_IONO_COMPUTED_MODEL) == 260);
static_assert(sizeof(VYR_IONO_KLOBUCHAR_MODEL) == 82);
static_assert(sizeof(VYR_IONO_GLOBALREG_MODEL) == 6071);

#include "vyr/collection.h"

// Read-only interfaces answer VYR_E_NOT_IMPLEMENTED to Add, Delete and DeleteAll; their Ex forms
// work in full.
class IVyrCollectionIonoComputedModel : public IVyrCollection<VYR_IONO_COMPUTED_MODEL> {
protected:
    ~IVyrCollectionIonoComputedModel() = default;
};
class IVyrCollectionIonoComputedModelEx : public IVyrCollectionIonoComputedModel {
protected:
    ~IVyrCollectionIonoComputedModelEx() = default;
};

class IVyrCollectionIonoKlobucharModel : public IVyrCollection<VYR_IONO_KLOBUCHAR_MODEL> {
protected:
    ~IVyrCollectionIonoKlobucharModel() = default;
};
class IVyrCollectionIonoKlobucharModelEx : public IVyrCollectionIonoKlobucharModel {
protected:
    ~IVyrCollectionIonoKlobucharModelEx() = default;
};

class IVyrCollectionIonoGlobalRegModel : public IVyrCollection<VYR_IONO_GLOBALREG_MODEL> {
protected:
    ~IVyrCollectionIonoGlobalRegModel() = default;
};
class IVyrCollectionIonoGlobalRegModelEx : public IVyrCollectionIonoGlobalRegModel {
protected:
    ~IVyrCollectionIonoGlobalRegModelEx() = default;
};

// Ionosphere model keys, stored as unsigned 16-bit values.
class IVyrCollectionIonoModelKey : public IVyrCollection<uint16_t> {
protected:
    ~IVyrCollectionIonoModelKey() = default;
};
class IVyrCollectionIonoModelKeyEx : public IVyrCollectionIonoModelKey {
protected:
    ~IVyrCollectionIonoModelKeyEx() = default;
};
