// CVyrStorage: one open project on a compound document. It writes and checks the version and
// status, keeps the project's key generator and saves what it handed out when the project is
// closed, hands out the project's top-level objects and copies the project.
#pragma once

#include <vyr/project.h>

#include "storage/create_key.h"
#include "storage/stg.h"

class CVyrStorage final : public IVyrStorageEx {
public:
    explicit CVyrStorage(const CVyrPtrSmart<CStg>& document);
    // Saves the key lists when the project was created or opened for writing.
    ~CVyrStorage() override;

    // A new project: version 3.0 and status 0.
    VYR_ERROR Create();
    // An existing project: checks the version, reads the status and the key lists.
    VYR_ERROR Open();

    VYR_ERROR GetVersion(VYR_VERSION& version) override;
    VYR_ERROR GetStorageStatus(VYR_STORAGE_STATUS& status) override;
    VYR_ERROR GetCommonData(CVyrIPtrSmart<IVyrCommonData>& commonData) override;
    VYR_ERROR GetStations(CVyrIPtrSmart<IVyrCollectionStation>& stations) override;
    VYR_ERROR GetStationAssocs(CVyrIPtrSmart<IVyrCollectionStationAssoc>& assocs) override;
    VYR_ERROR GetIonoComputedAssocs(
        CVyrIPtrSmart<IVyrCollectionIonoComputedAssoc>& assocs) override;
    VYR_ERROR GetErrors(CVyrIPtrSmart<IVyrErrors>& errors) override;
    VYR_ERROR SaveAs(IStorage* destination, int32_t copyMode) override;
    VYR_ERROR SaveAs(const char* path, int32_t copyMode) override;
    VYR_ERROR GetAutoProcStations(
        CVyrIPtrSmart<IVyrCollection<VYR_STATION_KEY>>& stations) override;
    void Release() override;

    VYR_ERROR GetCommonDataEx(CVyrIPtrSmart<IVyrCommonDataEx>& commonData) override;
    VYR_ERROR GetStationsEx(CVyrIPtrSmart<IVyrCollectionStationEx>& stations) override;
    VYR_ERROR GetStationAssocsEx(CVyrIPtrSmart<IVyrCollectionStationAssocEx>& assocs) override;
    VYR_ERROR GetIonoComputedAssocsEx(
        CVyrIPtrSmart<IVyrCollectionIonoComputedAssocEx>& assocs) override;
    VYR_ERROR GetErrorsEx(CVyrIPtrSmart<IVyrErrorsEx>& errors) override;
    VYR_ERROR Upgrade() override;

    // The version as handed to readers: the four stored bytes read as one 32-bit number.
    uint32_t VersionValue() const;

private:
    template <class Interface>
    VYR_ERROR HandOutCommonData(CVyrIPtrSmart<Interface>& commonData);
    template <class Interface>
    VYR_ERROR HandOutErrors(CVyrIPtrSmart<Interface>& errors);
    template <class Interface>
    VYR_ERROR HandOutStations(CVyrIPtrSmart<Interface>& stations);
    template <class Collection, class Interface>
    VYR_ERROR HandOutAssocs(CVyrIPtrSmart<Interface>& assocs);
    // Runs step on every station in index order; stops at the first failure.
    template <class Step>
    VYR_ERROR ForEachStation(Step step);
    VYR_ERROR CopyInto(const CVyrPtrSmart<CStg>& destination, int32_t copyMode);
    // Copy without results: drops the associations marked kWithoutResultsCopy from the copy.
    VYR_ERROR RemoveMarkedAssocs(const CVyrPtrSmart<CStg>& copy);
    void SaveKeyLists();

    CVyrPtrSmart<CStg> m_document;
    CVyrPtrSmart<CCreateKey> m_keys;
    VYR_VERSION m_version{};
    // Set once Create or Open succeeded: a project refused at open is closed untouched.
    bool m_ready = false;
};
