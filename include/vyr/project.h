// One open project: its version and status, the objects it hands out, copies and upgrades.
#pragma once

#include <cstdint>

#include "cfb/interfaces.h"
#include "vyr/error.h"
#include "vyr/key.h"
#include "vyr/smart_ptr.h"

#pragma pack(push, 1)
// "StorageVersion": 3.0 in projects written by this library; 1.x and 2.x are read and upgraded.
struct VYR_VERSION {
    uint16_t major;
    uint16_t minor;
};
#pragma pack(pop)
static_assert(sizeof(VYR_VERSION) == 4);

// "StorageStatus": a new project gets 0; the library writes no other value.
enum VYR_STORAGE_STATUS : uint32_t {
    VYR_STORAGE_STATUS_NONE = 0,
};
static_assert(sizeof(VYR_STORAGE_STATUS) == 4);

// Copy modes of SaveAs.
enum VYR_COPY_MODE : int32_t {
    VYR_COPY_ALL = 0,
    VYR_COPY_WITHOUT_RESULTS = 1,       // no results, processing information or errors
    VYR_COPY_WITHOUT_MEASUREMENTS = 2,  // no observations, ephemerides or statistics
};

class IVyrCommonData;
class IVyrCommonDataEx;
class IVyrCollectionStation;
class IVyrCollectionStationEx;
class IVyrCollectionStationAssoc;
class IVyrCollectionStationAssocEx;
class IVyrCollectionIonoComputedAssoc;
class IVyrCollectionIonoComputedAssocEx;
class IVyrErrors;
class IVyrErrorsEx;
template <class T>
class IVyrCollection;

// Operations in slot order; IVyrStorageEx adds its own after Release.
class IVyrStorage {
public:
    virtual VYR_ERROR GetVersion(VYR_VERSION& version) = 0;
    virtual VYR_ERROR GetStorageStatus(VYR_STORAGE_STATUS& status) = 0;
    virtual VYR_ERROR GetCommonData(CVyrIPtrSmart<IVyrCommonData>& commonData) = 0;
    virtual VYR_ERROR GetStations(CVyrIPtrSmart<IVyrCollectionStation>& stations) = 0;
    virtual VYR_ERROR GetStationAssocs(CVyrIPtrSmart<IVyrCollectionStationAssoc>& assocs) = 0;
    virtual VYR_ERROR GetIonoComputedAssocs(
        CVyrIPtrSmart<IVyrCollectionIonoComputedAssoc>& assocs) = 0;
    virtual VYR_ERROR GetErrors(CVyrIPtrSmart<IVyrErrors>& errors) = 0;
    // Copies the project into the caller's storage, or into a new compound file at path (an
    // existing file is never replaced). The copy mode is a VYR_COPY_MODE; other values copy all.
    virtual VYR_ERROR SaveAs(IStorage* destination, int32_t copyMode) = 0;
    virtual VYR_ERROR SaveAs(const char* path, int32_t copyMode) = 0;
    virtual VYR_ERROR GetAutoProcStations(
        CVyrIPtrSmart<IVyrCollection<VYR_STATION_KEY>>& stations) = 0;
    virtual void Release() = 0;
    virtual ~IVyrStorage() = default;
};

class IVyrStorageEx : public IVyrStorage {
public:
    virtual VYR_ERROR GetCommonDataEx(CVyrIPtrSmart<IVyrCommonDataEx>& commonData) = 0;
    virtual VYR_ERROR GetStationsEx(CVyrIPtrSmart<IVyrCollectionStationEx>& stations) = 0;
    virtual VYR_ERROR GetStationAssocsEx(CVyrIPtrSmart<IVyrCollectionStationAssocEx>& assocs) = 0;
    virtual VYR_ERROR GetIonoComputedAssocsEx(
        CVyrIPtrSmart<IVyrCollectionIonoComputedAssocEx>& assocs) = 0;
    virtual VYR_ERROR GetErrorsEx(CVyrIPtrSmart<IVyrErrorsEx>& errors) = 0;
    // Converts a project of version 1 or 2 to 3.0; 0x80009014 ("No match.") when already 3.0.
    virtual VYR_ERROR Upgrade() = 0;
};
