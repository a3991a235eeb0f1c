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
// Handed out by the root's create and open calls. Every object it hands out holds the document,
// which stays open until the last of them and the project are released; releasing the project
// object itself saves the key lists when it was opened for writing. One thread at a time uses a
// project and everything handed out from it. VYR_E_INVALID_INTERFACE when the document is gone or
// memory runs out.
class IVyrStorage {
public:
    // The version read at open (or 3.0 after Create and Upgrade).
    virtual VYR_ERROR GetVersion(VYR_VERSION& version) = 0;
    // Reads "StorageStatus"; VYR_E_ENTRY_NOT_FOUND when the stream is missing.
    virtual VYR_ERROR GetStorageStatus(VYR_STORAGE_STATUS& status) = 0;
    // The project-wide data: orbits, ionosphere, parameters, time and frame values.
    virtual VYR_ERROR GetCommonData(CVyrIPtrSmart<IVyrCommonData>& commonData) = 0;
    // The keyed list of stations ("StationList"); VYR_E_ENTRY_NOT_FOUND when a project opened
    // for reading has no list.
    virtual VYR_ERROR GetStations(CVyrIPtrSmart<IVyrCollectionStation>& stations) = 0;
    // The keyed list of station associations; fails as GetStations.
    virtual VYR_ERROR GetStationAssocs(CVyrIPtrSmart<IVyrCollectionStationAssoc>& assocs) = 0;
    // The keyed list of computed-ionosphere associations; fails as GetStations.
    virtual VYR_ERROR GetIonoComputedAssocs(
        CVyrIPtrSmart<IVyrCollectionIonoComputedAssoc>& assocs) = 0;
    // The project-wide error collection; it keeps its general-error stream open while it lives.
    virtual VYR_ERROR GetErrors(CVyrIPtrSmart<IVyrErrors>& errors) = 0;
    // Copies the project into the caller's storage, or into a new compound file at path (an
    // existing file is never replaced). The copy mode is a VYR_COPY_MODE; other values copy all.
    // VYR_E_INVALID_PARAMETER for a null destination or empty path, VYR_E_STORAGE_NOT_CREATED
    // when the destination cannot be made, VYR_E_CANNOT_CREATE_ENTRY when the copy fails.
    virtual VYR_ERROR SaveAs(IStorage* destination, int32_t copyMode) = 0;
    virtual VYR_ERROR SaveAs(const char* path, int32_t copyMode) = 0;
    // The keys of the stations the kernel processes automatically.
    virtual VYR_ERROR GetAutoProcStations(
        CVyrIPtrSmart<IVyrCollection<VYR_STATION_KEY>>& stations) = 0;
    // Drops the object; the smart pointer holding it calls this.
    virtual void Release() = 0;
    virtual ~IVyrStorage() = default;
};

// The same project with the extended interfaces of what it hands out; each Ex call fails as its
// base call.
class IVyrStorageEx : public IVyrStorage {
public:
    // As GetCommonData.
    virtual VYR_ERROR GetCommonDataEx(CVyrIPtrSmart<IVyrCommonDataEx>& commonData) = 0;
    // As GetStations.
    virtual VYR_ERROR GetStationsEx(CVyrIPtrSmart<IVyrCollectionStationEx>& stations) = 0;
    // As GetStationAssocs.
    virtual VYR_ERROR GetStationAssocsEx(CVyrIPtrSmart<IVyrCollectionStationAssocEx>& assocs) = 0;
    // As GetIonoComputedAssocs.
    virtual VYR_ERROR GetIonoComputedAssocsEx(
        CVyrIPtrSmart<IVyrCollectionIonoComputedAssocEx>& assocs) = 0;
    // As GetErrors, with the reporting operations.
    virtual VYR_ERROR GetErrorsEx(CVyrIPtrSmart<IVyrErrorsEx>& errors) = 0;
    // Converts a project of version 1 or 2 to 3.0: common data, each station, then the version.
    // VYR_E_NO_MATCH when already 3.0, VYR_E_WRONG_KERNEL_VERSION when newer; needs a project
    // opened for writing.
    virtual VYR_ERROR Upgrade() = 0;
};
