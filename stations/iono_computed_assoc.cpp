#include "stations/iono_computed_assoc.h"

#include "records/association_format.h"
#include "records/hand_out_collection.h"
#include "records/iono_model_collections.h"
#include "storage/layout.h"

using namespace vyr_storage;

CVyrIonoComputedAssoc::CVyrIonoComputedAssoc(const CVyrPtrSmart<CStg>& project,
                                             const VYR_IONO_COMPUTED_ASSOC_KEY& key,
                                             uint32_t version)
    : m_core(project, key, kStorageIonoCompAssoc, version) {}

void CVyrIonoComputedAssoc::Release() {
    delete this;
}

VYR_ERROR CVyrIonoComputedAssoc::Create(const VYR_IONO_COMPUTED_ASSOC* description) {
    if (description == nullptr) return m_core.Create({});
    return m_core.Create([description](CStg& assoc) {
        return vyr_records::write_single_record(assoc, kStreamIonoCompAssoc, *description,
                                                {vyr::kDispositionCreateNew, true});
    });
}

VYR_ERROR CVyrIonoComputedAssoc::Open() {
    return m_core.Open();
}

VYR_ERROR CVyrIonoComputedAssoc::GetIonoComputedAssoc(VYR_IONO_COMPUTED_ASSOC& assoc) {
    return m_core.Read(m_core.Assoc(), kStreamIonoCompAssoc, assoc);
}

VYR_ERROR CVyrIonoComputedAssoc::GetUsedIonoComputedAssoc(VYR_IONO_COMPUTED_ASSOC& assoc) {
    return m_core.Read(m_core.Result(), kStreamIonoCompAssoc, assoc);
}

VYR_ERROR CVyrIonoComputedAssoc::SetUsedIonoComputedAssoc(const VYR_IONO_COMPUTED_ASSOC& assoc) {
    if (!m_core.IsOpen()) return VYR_E_INVALID_INTERFACE;
    if (assoc.stations.size() != 1) return VYR_E_INVALID_PARAMETER;
    for (const VYR_ASSOC_STATION& entry : assoc.stations)
        if (!vyr_stations::is_usable_assoc_key(entry.station)) return VYR_E_INVALID_PARAMETER;
    return m_core.Write(m_core.Result(), kStreamIonoCompAssoc, assoc,
                        vyr::kDispositionCreateAlways);
}

VYR_ERROR CVyrIonoComputedAssoc::GetProcessingParametersIonoComputed(
    VYR_PROCESSING_PARAMETERS_IONO_COMPUTED& parameters) {
    return m_core.Read(m_core.Result(), kStreamProcessingParametersIonoComp, parameters);
}

VYR_ERROR CVyrIonoComputedAssoc::SetProcessingParametersIonoComputed(
    const VYR_PROCESSING_PARAMETERS_IONO_COMPUTED& parameters) {
    return m_core.Write(m_core.Result(), kStreamProcessingParametersIonoComp, parameters,
                        vyr::kDispositionOpenAlways);
}

VYR_ERROR CVyrIonoComputedAssoc::GetIonoComputedModelCollection(
    CVyrIPtrSmart<IVyrCollectionIonoComputedModel>& models) {
    models.Reset();
    if (!m_core.IsOpen()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::hand_out_collection<CVyrCollectionIonoComputedModel>(
        models, m_core.Result(), kStreamIonoCompModel, m_core.Version());
}

VYR_ERROR CVyrIonoComputedAssoc::GetIonoComputedModelCollectionEx(
    CVyrIPtrSmart<IVyrCollectionIonoComputedModelEx>& models) {
    models.Reset();
    if (!m_core.IsOpen()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::hand_out_collection<CVyrCollectionIonoComputedModelEx>(
        models, m_core.Result(), kStreamIonoCompModel, m_core.Version());
}

VYR_ERROR CVyrIonoComputedAssoc::GetIonoComputedModels(
    std::vector<VYR_IONO_COMPUTED_MODEL>& models) {
    models.clear();
    if (!m_core.IsOpen()) return VYR_E_INVALID_INTERFACE;
    CVyrCollectionIonoComputedModelEx collection(m_core.Result(), kStreamIonoCompModel,
                                                 m_core.Version());
    if (VyrFailed(collection.OpenResult()))
        return vyr_records::handed_out_status(collection.OpenResult());
    return collection.GetAll(models);
}

VYR_ERROR CVyrIonoComputedAssoc::AddIonoComputedModels(
    const std::vector<VYR_IONO_COMPUTED_MODEL>& models) {
    if (!m_core.IsOpen()) return VYR_E_INVALID_INTERFACE;
    if (models.empty()) return VYR_OK;
    CVyrCollectionIonoComputedModelEx collection(m_core.Result(), kStreamIonoCompModel,
                                                 m_core.Version());
    if (VyrFailed(collection.OpenResult()))
        return vyr_records::handed_out_status(collection.OpenResult());
    for (const VYR_IONO_COMPUTED_MODEL& model : models) {
        const VYR_ERROR added = collection.Add(model);
        if (VyrFailed(added)) return added;
    }
    return VYR_OK;
}

VYR_ERROR CVyrIonoComputedAssoc::GetKey(VYR_IONO_COMPUTED_ASSOC_KEY& key) {
    return m_core.GetKey(key);
}

VYR_ERROR CVyrIonoComputedAssoc::GetErrors(CVyrIPtrSmart<IVyrErrors>& errors) {
    return m_core.GetErrors(errors);
}

VYR_ERROR CVyrIonoComputedAssoc::GetErrorsEx(CVyrIPtrSmart<IVyrErrorsEx>& errors) {
    return m_core.GetErrorsEx(errors);
}

VYR_ERROR CVyrIonoComputedAssoc::GetRawData(CVyrIPtrSmart<IVyrRawDataEx>& rawData) {
    return m_core.GetRawData(rawData);
}

VYR_ERROR CVyrIonoComputedAssoc::SetObservationStatistics(
    const vyr::ObservationStatistics& statistics) {
    return m_core.SetObservationStatistics(statistics);
}

VYR_ERROR CVyrIonoComputedAssoc::GetObservationStatistics(vyr::ObservationStatistics& statistics) {
    return m_core.GetObservationStatistics(statistics);
}

VYR_ERROR CVyrIonoComputedAssoc::SetComputationIntervals(
    const std::vector<VYR_INTERVAL>& intervals) {
    return m_core.SetComputationIntervals(intervals);
}

VYR_ERROR CVyrIonoComputedAssoc::GetComputationIntervals(std::vector<VYR_INTERVAL>& intervals) {
    return m_core.GetComputationIntervals(intervals);
}
