#include "storage/project_storage.h"

#include <cstring>
#include <new>
#include <vector>

#include "entry/error_collection.h"
#include "records/collection_assoc.h"
#include "records/collection_station.h"
#include "records/common_data.h"
#include "records/hand_out_collection.h"
#include "records/key_collections.h"
#include "records/single_record.h"
#include "storage/layout.h"
#include "storage/project_upgrade.h"

using namespace vyr_storage;

namespace {

constexpr VYR_VERSION kCurrentVersion = {3, 0};

bool is_newer_than_current(const VYR_VERSION& version) {
    return version.major > kCurrentVersion.major ||
           (version.major == kCurrentVersion.major && version.minor > kCurrentVersion.minor);
}

bool is_writable(const CStg& storage) {
    return storage.GetAccessMode() == vyr::kAccessWrite ||
           storage.GetAccessMode() == vyr::kAccessReadWrite;
}

// A list of 32- or 64-bit values end to end; a missing stream is an empty list.
template <class T>
std::vector<T> read_list(CStg& storage, uint32_t streamId, uint32_t version) {
    std::vector<T> values;
    CStm stream;
    if (CFactoryStream(&storage).Open(streamId, stream)) ReadAllRecords(stream, version, values);
    return values;
}

// Emptied first, then written record by record; failures are ignored by the caller.
template <class T>
void write_list(CStg& storage, uint32_t streamId, const std::vector<T>& values) {
    CStm stream;
    if (!CFactoryStream(&storage).OpenOrCreate(streamId, vyr::kDispositionOpenAlways, stream))
        return;
    WriteAllRecords(stream, values);
    stream.Close();
}

}  // namespace

CVyrStorage::CVyrStorage(const CVyrPtrSmart<CStg>& document)
    : m_document(document), m_keys(new (std::nothrow) CCreateKey()) {}

CVyrStorage::~CVyrStorage() {
    if (m_ready && m_keys.IsValid() && m_document.IsValid() && is_writable(*m_document))
        SaveKeyLists();
}

void CVyrStorage::Release() {
    delete this;
}

uint32_t CVyrStorage::VersionValue() const {
    uint32_t value = 0;
    std::memcpy(&value, &m_version, sizeof value);
    return value;
}

VYR_ERROR CVyrStorage::Create() {
    if (!m_document.IsValid()) return VYR_E_INVALID_INTERFACE;
    m_version = kCurrentVersion;
    const vyr_records::WriteDisposition createNew{vyr::kDispositionCreateNew, true};
    VYR_ERROR result =
        vyr_records::write_single_record(*m_document, kStreamStorageVersion, m_version, createNew);
    if (result != VYR_OK) return result;
    const VYR_STORAGE_STATUS status = VYR_STORAGE_STATUS_NONE;
    result = vyr_records::write_single_record(*m_document, kStreamStorageStatus, status, createNew);
    m_ready = result == VYR_OK;
    return result;
}

VYR_ERROR CVyrStorage::Open() {
    if (!m_document.IsValid()) return VYR_E_INVALID_INTERFACE;
    VYR_VERSION stored{};
    VYR_ERROR result = vyr_records::read_single_record(*m_document, kStreamStorageVersion,
                                                       kStorageVersionCurrent, stored);
    if (result != VYR_OK) return result;
    if (is_newer_than_current(stored)) return VYR_E_WRONG_KERNEL_VERSION;
    m_version = stored;

    VYR_STORAGE_STATUS status{};
    result =
        vyr_records::read_single_record(*m_document, kStreamStorageStatus, VersionValue(), status);
    if (m_keys.IsValid()) {
        m_keys->RegisterIds(
            read_list<uint32_t>(*m_document, kStreamPointDescriptionIds, VersionValue()));
        m_keys->RegisterKeys(read_list<uint64_t>(*m_document, kStreamKeys, VersionValue()));
    }
    m_ready = result == VYR_OK;
    return result;
}

void CVyrStorage::SaveKeyLists() {
    std::vector<uint32_t> ids;
    std::vector<uint64_t> keys;
    m_keys->GetIds(ids);
    m_keys->GetKeys(keys);
    write_list(*m_document, kStreamPointDescriptionIds, ids);
    write_list(*m_document, kStreamKeys, keys);
}

VYR_ERROR CVyrStorage::GetVersion(VYR_VERSION& version) {
    if (!m_document.IsValid()) return VYR_E_INVALID_INTERFACE;
    version = m_version;
    return VYR_OK;
}

VYR_ERROR CVyrStorage::GetStorageStatus(VYR_STORAGE_STATUS& status) {
    if (!m_document.IsValid()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::read_single_record(*m_document, kStreamStorageStatus, VersionValue(),
                                           status);
}

template <class Interface>
VYR_ERROR CVyrStorage::HandOutCommonData(CVyrIPtrSmart<Interface>& commonData) {
    commonData.Reset();
    if (!m_document.IsValid()) return VYR_E_INVALID_INTERFACE;
    auto* object = new (std::nothrow) CVyrCommonData(m_document, VersionValue());
    if (object == nullptr) return VYR_E_INVALID_INTERFACE;
    commonData = static_cast<Interface*>(object);
    if (!commonData.IsValid()) {
        object->Release();
        return VYR_E_INVALID_INTERFACE;
    }
    return VYR_OK;
}

VYR_ERROR CVyrStorage::GetCommonData(CVyrIPtrSmart<IVyrCommonData>& commonData) {
    return HandOutCommonData(commonData);
}

VYR_ERROR CVyrStorage::GetCommonDataEx(CVyrIPtrSmart<IVyrCommonDataEx>& commonData) {
    return HandOutCommonData(commonData);
}

template <class Interface>
VYR_ERROR CVyrStorage::HandOutStations(CVyrIPtrSmart<Interface>& stations) {
    stations.Reset();
    if (!m_document.IsValid() || !m_keys.IsValid()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::hand_out_collection<CVyrCollectionStation>(stations, m_document, m_keys,
                                                                   VersionValue());
}

VYR_ERROR CVyrStorage::GetStations(CVyrIPtrSmart<IVyrCollectionStation>& stations) {
    return HandOutStations(stations);
}

template <class Collection, class Interface>
VYR_ERROR CVyrStorage::HandOutAssocs(CVyrIPtrSmart<Interface>& assocs) {
    assocs.Reset();
    if (!m_document.IsValid() || !m_keys.IsValid()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::hand_out_collection<Collection>(assocs, m_document, m_keys, VersionValue());
}

VYR_ERROR CVyrStorage::GetStationAssocs(CVyrIPtrSmart<IVyrCollectionStationAssoc>& assocs) {
    return HandOutAssocs<CVyrCollectionStationAssoc>(assocs);
}

VYR_ERROR CVyrStorage::GetIonoComputedAssocs(
    CVyrIPtrSmart<IVyrCollectionIonoComputedAssoc>& assocs) {
    return HandOutAssocs<CVyrCollectionIonoComputedAssoc>(assocs);
}

VYR_ERROR CVyrStorage::GetStationsEx(CVyrIPtrSmart<IVyrCollectionStationEx>& stations) {
    return HandOutStations(stations);
}

VYR_ERROR CVyrStorage::GetStationAssocsEx(CVyrIPtrSmart<IVyrCollectionStationAssocEx>& assocs) {
    return HandOutAssocs<CVyrCollectionStationAssoc>(assocs);
}

VYR_ERROR CVyrStorage::GetIonoComputedAssocsEx(
    CVyrIPtrSmart<IVyrCollectionIonoComputedAssocEx>& assocs) {
    return HandOutAssocs<CVyrCollectionIonoComputedAssoc>(assocs);
}

template <class Interface>
VYR_ERROR CVyrStorage::HandOutErrors(CVyrIPtrSmart<Interface>& errors) {
    errors.Reset();
    if (!m_document.IsValid()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::hand_out_object<CVyrErrors>(errors, &CVyrErrors::Status, m_document,
                                                    VersionValue());
}

VYR_ERROR CVyrStorage::GetErrors(CVyrIPtrSmart<IVyrErrors>& errors) {
    return HandOutErrors(errors);
}

VYR_ERROR CVyrStorage::GetErrorsEx(CVyrIPtrSmart<IVyrErrorsEx>& errors) {
    return HandOutErrors(errors);
}

VYR_ERROR CVyrStorage::GetAutoProcStations(
    CVyrIPtrSmart<IVyrCollection<VYR_STATION_KEY>>& stations) {
    stations.Reset();
    if (!m_document.IsValid()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::hand_out_collection<CVyrCollectionAutoProcStation>(stations, m_document,
                                                                           VersionValue());
}

VYR_ERROR CVyrStorage::CopyInto(const CVyrPtrSmart<CStg>& destination, int32_t copyMode) {
    const int32_t mode =
        (copyMode == VYR_COPY_WITHOUT_RESULTS || copyMode == VYR_COPY_WITHOUT_MEASUREMENTS)
            ? copyMode
            : VYR_COPY_ALL;
    if (!m_document->CopyTo(destination, mode)) return VYR_E_CANNOT_CREATE_ENTRY;
    if (mode != VYR_COPY_WITHOUT_RESULTS) return VYR_OK;
    return RemoveMarkedAssocs(destination);
}

// The copy is opened as a project of its own and loses, through its association collection,
// every association whose description carries the without-results mark.
VYR_ERROR CVyrStorage::RemoveMarkedAssocs(const CVyrPtrSmart<CStg>& copy) {
    CVyrPtrSmart<CVyrStorage> project(new (std::nothrow) CVyrStorage(copy));
    if (!project.IsValid()) return VYR_E_INVALID_INTERFACE;
    VYR_ERROR result = project->Open();
    if (VyrFailed(result)) return result;
    CVyrIPtrSmart<IVyrCollectionStationAssoc> assocs;
    result = project->GetStationAssocs(assocs);
    if (VyrFailed(result)) return result;
    std::vector<VYR_STATION_ASSOC_KEY> keys;
    result = assocs->GetAll(keys);
    if (VyrFailed(result)) return result;
    for (const VYR_STATION_ASSOC_KEY& key : keys) {
        CVyrIPtrSmart<IVyrStationAssoc> assoc;
        result = assocs->GetAssoc(key, assoc);
        VYR_STATION_ASSOC description;
        if (result == VYR_OK) result = assoc->GetStationAssoc(description);
        if (VyrFailed(result)) return result;
        // An open association holds its storage, which could then not be destroyed.
        assoc.Reset();
        if ((description.flags & VYR_STATION_ASSOC::kWithoutResultsCopy) == 0) continue;
        result = assocs->Delete(key);
        if (VyrFailed(result)) return result;
    }
    return VYR_OK;
}

VYR_ERROR CVyrStorage::SaveAs(IStorage* destination, int32_t copyMode) {
    if (!m_document.IsValid()) return VYR_E_INVALID_INTERFACE;
    if (destination == nullptr) return VYR_E_INVALID_PARAMETER;
    CVyrPtrSmart<CStg> copy(new (std::nothrow) CStg());
    if (!copy.IsValid()) return VYR_E_INVALID_INTERFACE;
    if (!copy->Attach(destination)) return VYR_E_STORAGE_NOT_CREATED;
    return CopyInto(copy, copyMode);
}

VYR_ERROR CVyrStorage::SaveAs(const char* path, int32_t copyMode) {
    if (!m_document.IsValid()) return VYR_E_INVALID_INTERFACE;
    if (path == nullptr || *path == '\0') return VYR_E_INVALID_PARAMETER;
    CVyrPtrSmart<CStg> copy(new (std::nothrow) CStg());
    if (!copy.IsValid()) return VYR_E_INVALID_INTERFACE;
    if (!copy->CreateDocument(path)) return VYR_E_STORAGE_NOT_CREATED;
    return CopyInto(copy, copyMode);
}

template <class Step>
VYR_ERROR CVyrStorage::ForEachStation(Step step) {
    CVyrIPtrSmart<IVyrCollectionStationEx> stations;
    VYR_ERROR result = GetStationsEx(stations);
    uint32_t count = 0;
    if (result == VYR_OK) result = stations->GetCount(count);
    for (uint32_t i = 0; i < count && result == VYR_OK; ++i) {
        CVyrIPtrSmart<IVyrStationEx> station;
        result = stations->GetStationExAt(i, station);
        if (result == VYR_OK) result = step(*station);
    }
    return result;
}

VYR_ERROR CVyrStorage::Upgrade() {
    if (!m_document.IsValid()) return VYR_E_INVALID_INTERFACE;
    if (is_newer_than_current(m_version)) return VYR_E_WRONG_KERNEL_VERSION;
    if (m_version.major == kCurrentVersion.major) return VYR_E_NO_MATCH;

    CVyrIPtrSmart<IVyrCommonDataEx> common;
    VYR_ERROR result = GetCommonDataEx(common);
    if (result == VYR_OK) result = vyr_storage::upgrade_common_data(*common);
    if (VyrFailed(result)) return result;
    common.Reset();

    // Each station is released before the next is opened: an open station holds its storage.
    std::vector<vyr::ObservationStatistics> kept;
    result = ForEachStation([&](IVyrStationEx& station) {
        kept.emplace_back();
        return vyr_storage::upgrade_station(station, kept.back());
    });
    if (VyrFailed(result)) return result;

    if (!m_document.IsValid()) return VYR_E_INVALID_INTERFACE;
    m_version = kCurrentVersion;
    result = vyr_records::write_single_record(*m_document, kStreamStorageVersion, m_version,
                                              {vyr::kDispositionOpenAlways, true});
    if (VyrFailed(result)) return result;

    // Read again under the new version: the statistics were written in the current layout.
    size_t index = 0;
    return ForEachStation([&](IVyrStationEx& station) {
        return index < kept.size() ? vyr_storage::restore_statistics_flags(station, kept[index++])
                                   : VYR_OK;
    });
}
