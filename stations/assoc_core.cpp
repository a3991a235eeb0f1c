#include "stations/assoc_core.h"

#include <new>

#include "entry/error_collection.h"
#include "records/hand_out_collection.h"
#include "stations/raw_data.h"
#include "stations/station_key.h"
#include "stations/statistics_format.h"
#include "storage/factories.h"
#include "storage/layout.h"

using namespace vyr_storage;

namespace vyr_stations {

bool is_usable_assoc_key(const VYR_KEY& key) {
    return is_usable_key(key);
}

CVyrAssocCore::CVyrAssocCore(const CVyrPtrSmart<CStg>& project, const VYR_KEY& key, uint32_t kind,
                             uint32_t version)
    : m_project(project), m_key(key), m_kind(kind), m_version(version) {}

bool CVyrAssocCore::OpenOrCreateAssoc(int32_t disposition, CStg& assoc) {
    CFactoryStorage factory(m_project.Get());
    return m_kind == kStorageStationAssoc
               ? factory.OpenOrCreateStationAssoc(m_key, disposition, assoc)
               : factory.OpenOrCreateIonoCompAssoc(m_key, disposition, assoc);
}

bool CVyrAssocCore::DestroyAssoc() {
    CFactoryStorage factory(m_project.Get());
    return m_kind == kStorageStationAssoc ? factory.DestroyStationAssoc(m_key)
                                          : factory.DestroyIonoCompAssoc(m_key);
}

VYR_ERROR CVyrAssocCore::Create(const std::function<VYR_ERROR(CStg&)>& describe) {
    m_assoc.Reset();
    m_result.Reset();
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    if (!is_usable_assoc_key(m_key)) return VYR_E_INVALID_PARAMETER;
    CVyrPtrSmart<CStg> assoc(new (std::nothrow) CStg());
    CVyrPtrSmart<CStg> result(new (std::nothrow) CStg());
    if (!assoc.IsValid() || !result.IsValid()) return VYR_E_INVALID_INTERFACE;
    if (!OpenOrCreateAssoc(vyr::kDispositionCreateNew, *assoc)) return VYR_E_CANNOT_CREATE_ENTRY;
    assoc->SetParent(m_project);
    VYR_ERROR made = describe ? describe(*assoc) : VYR_OK;
    if (made == VYR_OK &&
        !CFactoryStorage(assoc.Get()).OpenOrCreate(m_kind + 1, vyr::kDispositionCreateNew, *result))
        made = VYR_E_CANNOT_CREATE_ENTRY;
    if (made != VYR_OK) {
        // A half-made storage would block its key for good: the next add would meet it.
        result.Reset();
        assoc.Reset();
        DestroyAssoc();
        return made;
    }
    result->SetParent(assoc);
    m_assoc = assoc;
    m_result = result;
    return VYR_OK;
}

VYR_ERROR CVyrAssocCore::Open() {
    m_assoc.Reset();
    m_result.Reset();
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    if (!is_usable_assoc_key(m_key)) return VYR_E_INVALID_PARAMETER;
    CVyrPtrSmart<CStg> assoc(new (std::nothrow) CStg());
    CVyrPtrSmart<CStg> result(new (std::nothrow) CStg());
    if (!assoc.IsValid() || !result.IsValid()) return VYR_E_INVALID_INTERFACE;
    if (!OpenOrCreateAssoc(vyr::kDispositionOpenExisting, *assoc)) return VYR_E_ENTRY_NOT_FOUND;
    assoc->SetParent(m_project);
    if (!CFactoryStorage(assoc.Get())
             .OpenOrCreate(m_kind + 1, vyr::kDispositionOpenExisting, *result))
        return VYR_E_ENTRY_NOT_FOUND;
    result->SetParent(assoc);
    m_assoc = assoc;
    m_result = result;
    return VYR_OK;
}

VYR_ERROR CVyrAssocCore::GetKey(VYR_KEY& key) const {
    if (!IsOpen()) return VYR_E_INVALID_INTERFACE;
    if (!is_usable_assoc_key(m_key)) return VYR_E_INVALID_PARAMETER;
    key = m_key;
    return VYR_OK;
}

template <class Interface>
VYR_ERROR CVyrAssocCore::HandOutErrors(CVyrIPtrSmart<Interface>& errors) {
    errors.Reset();
    if (!IsOpen()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::hand_out_object<CVyrErrors>(errors, &CVyrErrors::Status, m_result,
                                                    m_version);
}

VYR_ERROR CVyrAssocCore::GetErrors(CVyrIPtrSmart<IVyrErrors>& errors) {
    return HandOutErrors(errors);
}

VYR_ERROR CVyrAssocCore::GetErrorsEx(CVyrIPtrSmart<IVyrErrorsEx>& errors) {
    return HandOutErrors(errors);
}

VYR_ERROR CVyrAssocCore::GetRawData(CVyrIPtrSmart<IVyrRawDataEx>& rawData) {
    rawData.Reset();
    if (!IsOpen()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::hand_out_object<CVyrRawData>(rawData, &CVyrRawData::SetupResult, m_result,
                                                     m_version);
}

// Both replace their stream: a shorter map or list must not leave old bytes behind it.
VYR_ERROR CVyrAssocCore::SetObservationStatistics(const vyr::ObservationStatistics& statistics) {
    if (!vyr_stations::is_plausible_system_map(statistics)) return VYR_E_INVALID_PARAMETER;
    return Write(m_result, kStreamObservationStatistics, statistics, vyr::kDispositionCreateAlways);
}

VYR_ERROR CVyrAssocCore::GetObservationStatistics(vyr::ObservationStatistics& statistics) {
    return Read(m_result, kStreamObservationStatistics, statistics);
}

VYR_ERROR CVyrAssocCore::SetComputationIntervals(const std::vector<VYR_INTERVAL>& intervals) {
    return Write(m_result, kStreamComputationIntervals, intervals, vyr::kDispositionCreateAlways);
}

VYR_ERROR CVyrAssocCore::GetComputationIntervals(std::vector<VYR_INTERVAL>& intervals) {
    return Read(m_result, kStreamComputationIntervals, intervals);
}

}  // namespace vyr_stations
