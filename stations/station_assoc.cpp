#include "stations/station_assoc.h"

#include "records/association_format.h"
#include "records/hand_out_collection.h"
#include "records/iono_model_collections.h"
#include "records/point_collections.h"
#include "records/processing_parameters_format.h"
#include "records/result_collections.h"
#include "stations/statistics_avail_collection.h"
#include "storage/layout.h"

using namespace vyr_storage;

namespace {

bool has_channel(const VYR_GLONASS_FREQUENCYMAP& map) {
    for (int16_t channel : map.channel)
        if (channel != VYR_GLONASS_FREQUENCYMAP::kNotSet) return true;
    return false;
}

}  // namespace

CVyrStationAssoc::CVyrStationAssoc(const CVyrPtrSmart<CStg>& project,
                                   const VYR_STATION_ASSOC_KEY& key, uint32_t version)
    : m_core(project, key, kStorageStationAssoc, version) {}

void CVyrStationAssoc::Release() {
    delete this;
}

VYR_ERROR CVyrStationAssoc::Create(const VYR_STATION_ASSOC* description) {
    if (description == nullptr) return m_core.Create({});
    return m_core.Create([description](CStg& assoc) {
        return vyr_records::write_single_record(assoc, kStreamStationAssoc, *description,
                                                {vyr::kDispositionCreateNew, true});
    });
}

VYR_ERROR CVyrStationAssoc::Open() {
    return m_core.Open();
}

bool CVyrStationAssoc::GlonassMapForCombination(VYR_GLONASS_FREQUENCYMAP& map) {
    if (m_glonassMap) {
        map = *m_glonassMap;
        return true;
    }
    if (!m_core.Project().IsValid()) return false;
    VYR_GLONASS_FREQUENCYMAP stored{};
    if (vyr_records::read_single_record(*m_core.Project(), kStreamFrequencyChannelMapGlo,
                                        m_core.Version(), stored) != VYR_OK ||
        !has_channel(stored))
        return false;
    map = stored;
    return true;
}

VYR_ERROR CVyrStationAssoc::GetStationAssoc(VYR_STATION_ASSOC& assoc) {
    return m_core.Read(m_core.Assoc(), kStreamStationAssoc, assoc);
}

VYR_ERROR CVyrStationAssoc::GetUsedStationAssoc(VYR_STATION_ASSOC& assoc) {
    return m_core.Read(m_core.Result(), kStreamStationAssoc, assoc);
}

VYR_ERROR CVyrStationAssoc::SetUsedStationAssoc(const VYR_STATION_ASSOC& assoc) {
    return m_core.Write(m_core.Result(), kStreamStationAssoc, assoc, vyr::kDispositionCreateAlways);
}

VYR_ERROR CVyrStationAssoc::GetProcessingParametersKernel(
    VYR_PROCESSING_PARAMETERS_KERNEL& parameters) {
    return m_core.Read(m_core.Result(), kStreamProcessingParametersKernel, parameters);
}

VYR_ERROR CVyrStationAssoc::SetProcessingParametersKernel(
    const VYR_PROCESSING_PARAMETERS_KERNEL& parameters) {
    return m_core.Write(m_core.Result(), kStreamProcessingParametersKernel, parameters,
                        vyr::kDispositionCreateAlways);
}

VYR_ERROR CVyrStationAssoc::SetInterFrequencyBias(const VYR_INTERFREQUENCYBIAS_VALUES& values) {
    return m_core.Write(m_core.Result(), kStreamInterFrequencyBias, values,
                        vyr::kDispositionOpenAlways);
}

VYR_ERROR CVyrStationAssoc::GetInterFrequencyBias(VYR_INTERFREQUENCYBIAS_VALUES& values) {
    return m_core.Read(m_core.Result(), kStreamInterFrequencyBias, values);
}

VYR_ERROR CVyrStationAssoc::GetIonoModelKeys(std::vector<uint16_t>& keys) {
    keys.clear();
    if (!m_core.IsOpen()) return VYR_E_INVALID_INTERFACE;
    CVyrCollectionIonoModelKeyEx collection(m_core.Result(), kStreamIonoModelKeys,
                                            m_core.Version());
    if (VyrFailed(collection.OpenResult()))
        return vyr_records::handed_out_status(collection.OpenResult());
    return collection.GetAll(keys);
}

VYR_ERROR CVyrStationAssoc::GetIonoModelKeyCollection(
    CVyrIPtrSmart<IVyrCollectionIonoModelKey>& keys) {
    keys.Reset();
    if (!m_core.IsOpen()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::hand_out_collection<CVyrCollectionIonoModelKey>(
        keys, m_core.Result(), kStreamIonoModelKeys, m_core.Version());
}

VYR_ERROR CVyrStationAssoc::GetIonoModelKeyCollectionEx(
    CVyrIPtrSmart<IVyrCollectionIonoModelKeyEx>& keys) {
    keys.Reset();
    if (!m_core.IsOpen()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::hand_out_collection<CVyrCollectionIonoModelKeyEx>(
        keys, m_core.Result(), kStreamIonoModelKeys, m_core.Version());
}

VYR_ERROR CVyrStationAssoc::GetPointDescResultCollection(
    CVyrIPtrSmart<IVyrCollection<VYR_POINT_DESC>>& descriptions) {
    descriptions.Reset();
    if (!m_core.IsOpen()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::hand_out_collection<CVyrCollectionPointDescResult>(
        descriptions, m_core.Result(), kStreamPointDescriptions, m_core.Version());
}

VYR_ERROR CVyrStationAssoc::GetSatelliteAvailStatistics(
    CVyrIPtrSmart<IVyrCollection<VYR_SVAVAIL_STAT>>& statistics) {
    statistics.Reset();
    if (!m_core.IsOpen()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::hand_out_collection<CVyrCollectionSvAvailStat>(statistics, m_core.Result(),
                                                                       m_core.Version());
}

VYR_ERROR CVyrStationAssoc::GetKey(VYR_STATION_ASSOC_KEY& key) {
    return m_core.GetKey(key);
}

VYR_ERROR CVyrStationAssoc::GetErrors(CVyrIPtrSmart<IVyrErrors>& errors) {
    return m_core.GetErrors(errors);
}

VYR_ERROR CVyrStationAssoc::GetErrorsEx(CVyrIPtrSmart<IVyrErrorsEx>& errors) {
    return m_core.GetErrorsEx(errors);
}

VYR_ERROR CVyrStationAssoc::GetRawData(CVyrIPtrSmart<IVyrRawDataEx>& rawData) {
    return m_core.GetRawData(rawData);
}

VYR_ERROR CVyrStationAssoc::SetObservationStatistics(const vyr::ObservationStatistics& statistics) {
    return m_core.SetObservationStatistics(statistics);
}

VYR_ERROR CVyrStationAssoc::GetObservationStatistics(vyr::ObservationStatistics& statistics) {
    return m_core.GetObservationStatistics(statistics);
}

VYR_ERROR CVyrStationAssoc::SetComputationIntervals(const std::vector<VYR_INTERVAL>& intervals) {
    return m_core.SetComputationIntervals(intervals);
}

VYR_ERROR CVyrStationAssoc::GetComputationIntervals(std::vector<VYR_INTERVAL>& intervals) {
    return m_core.GetComputationIntervals(intervals);
}

template <class Collection, class Interface, class... Args>
VYR_ERROR CVyrStationAssoc::HandOut(CVyrIPtrSmart<Interface>& out, Args&&... args) {
    out.Reset();
    if (!m_core.IsOpen()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::hand_out_collection<Collection>(out, m_core.Result(), m_core.Version(),
                                                        std::forward<Args>(args)...);
}

VYR_ERROR CVyrStationAssoc::GetPointCollection(CVyrIPtrSmart<IVyrCollection<VYR_POINT>>& points) {
    return HandOut<CVyrCollectionPoint>(points);
}

VYR_ERROR CVyrStationAssoc::GetPointPositionCollection(
    CVyrIPtrSmart<IVyrCollection<VYR_POINT_POSITION>>& positions) {
    return HandOut<CVyrCollectionPointPosition>(positions);
}

VYR_ERROR CVyrStationAssoc::GetResiduals(VYR_RESIDUAL_TYPE type,
                                         CVyrIPtrSmart<IVyrCollectionResidual>& residuals) {
    return HandOut<CVyrCollectionResidual>(residuals, type);
}

VYR_ERROR CVyrStationAssoc::GetResidualsEx(VYR_RESIDUAL_TYPE type,
                                           CVyrIPtrSmart<IVyrCollectionResidualEx>& residuals) {
    return HandOut<CVyrCollectionResidualEx>(residuals, type);
}

VYR_ERROR CVyrStationAssoc::GetResidualLinearCombination(
    int32_t kind, const std::vector<VYR_RESIDUAL_TYPE>& types,
    CVyrIPtrSmart<IVyrCollectionResidual>& residuals) {
    residuals.Reset();
    if (!m_core.IsOpen()) return VYR_E_INVALID_INTERFACE;
    VYR_GLONASS_FREQUENCYMAP map{};
    const bool haveMap = GlonassMapForCombination(map);
    return vyr_records::hand_out_collection<CVyrCollectionResidualLinearCombination>(
        residuals, m_core.Result(), kind, types, m_core.Version(), haveMap ? &map : nullptr);
}

VYR_ERROR CVyrStationAssoc::GetResidualOffsets(
    VYR_RESIDUAL_OFFSET_TYPE type, CVyrIPtrSmart<IVyrCollectionResidualOffsetSv>& offsets) {
    return HandOut<CVyrCollectionResidualOffsetSv>(offsets, type);
}

VYR_ERROR CVyrStationAssoc::GetResidualOffsetsEx(
    VYR_RESIDUAL_OFFSET_TYPE type, CVyrIPtrSmart<IVyrCollectionResidualOffsetSvEx>& offsets) {
    return HandOut<CVyrCollectionResidualOffsetSvEx>(offsets, type);
}

VYR_ERROR CVyrStationAssoc::GetKernelStatistics(VYR_KERNEL_STAT& statistics) {
    return m_core.Read(m_core.Result(), kStreamKernelStatistics, statistics);
}

VYR_ERROR CVyrStationAssoc::SetKernelStatistics(const VYR_KERNEL_STAT& statistics) {
    return m_core.Write(m_core.Result(), kStreamKernelStatistics, statistics,
                        vyr::kDispositionOpenAlways);
}

VYR_ERROR CVyrStationAssoc::GetAmbiguityStatistics(VYR_AMBIGUITY_STAT& statistics) {
    return m_core.Read(m_core.Result(), kStreamAmbiguityStatistics, statistics);
}

VYR_ERROR CVyrStationAssoc::SetAmbiguityStatistics(const VYR_AMBIGUITY_STAT& statistics) {
    return m_core.Write(m_core.Result(), kStreamAmbiguityStatistics, statistics,
                        vyr::kDispositionCreateAlways);
}

VYR_ERROR CVyrStationAssoc::GetSvStats(std::vector<VYR_SV_STAT>& statistics) {
    statistics.clear();
    if (!m_core.IsOpen()) return VYR_E_INVALID_INTERFACE;
    CVyrCollectionSvStatEx collection(m_core.Result(), m_core.Version());
    if (VyrFailed(collection.OpenResult()))
        return vyr_records::handed_out_status(collection.OpenResult());
    return collection.GetAll(statistics);
}

VYR_ERROR CVyrStationAssoc::AddSvStats(const std::vector<VYR_SV_STAT>& statistics) {
    if (!m_core.IsOpen()) return VYR_E_INVALID_INTERFACE;
    CVyrCollectionSvStatEx collection(m_core.Result(), m_core.Version());
    if (VyrFailed(collection.OpenResult()))
        return vyr_records::handed_out_status(collection.OpenResult());
    for (const VYR_SV_STAT& record : statistics) {
        const VYR_ERROR added = collection.Add(record);
        if (VyrFailed(added)) return added;
    }
    return VYR_OK;
}

VYR_ERROR CVyrStationAssoc::GetSvStatCollection(CVyrIPtrSmart<IVyrCollectionSvStat>& statistics) {
    return HandOut<CVyrCollectionSvStat>(statistics);
}

VYR_ERROR CVyrStationAssoc::GetSvStatCollectionEx(
    CVyrIPtrSmart<IVyrCollectionSvStatEx>& statistics) {
    return HandOut<CVyrCollectionSvStatEx>(statistics);
}

VYR_ERROR CVyrStationAssoc::GetCycleSlipCollection(CVyrIPtrSmart<IVyrCollectionCycleSlip>& slips) {
    return HandOut<CVyrCollectionCycleSlip>(slips);
}

VYR_ERROR CVyrStationAssoc::GetCycleSlipCollectionEx(
    CVyrIPtrSmart<IVyrCollectionCycleSlipEx>& slips) {
    return HandOut<CVyrCollectionCycleSlipEx>(slips);
}

VYR_ERROR CVyrStationAssoc::GetTrackingStatus(
    VYR_FREQUENCY_BAND band, CVyrIPtrSmart<IVyrCollectionTrackingStatusSv>& status) {
    return HandOut<CVyrCollectionTrackingStatusSv>(status, band);
}

VYR_ERROR CVyrStationAssoc::GetTrackingStatusEx(
    VYR_FREQUENCY_BAND band, CVyrIPtrSmart<IVyrCollectionTrackingStatusSvEx>& status) {
    return HandOut<CVyrCollectionTrackingStatusSvEx>(status, band);
}

VYR_ERROR CVyrStationAssoc::GetAmbiguityStatus(
    VYR_FREQUENCY_BAND band, CVyrIPtrSmart<IVyrCollectionAmbiguityStatusSv>& status) {
    return HandOut<CVyrCollectionAmbiguityStatusSv>(status, band);
}

VYR_ERROR CVyrStationAssoc::GetAmbiguityStatusEx(
    VYR_FREQUENCY_BAND band, CVyrIPtrSmart<IVyrCollectionAmbiguityStatusSvEx>& status) {
    return HandOut<CVyrCollectionAmbiguityStatusSvEx>(status, band);
}

VYR_ERROR CVyrStationAssoc::GetEpochSvInfoCollection(
    CVyrIPtrSmart<IVyrCollectionEpochSvInfo>& info) {
    return HandOut<CVyrCollectionEpochSvInfo>(info);
}

VYR_ERROR CVyrStationAssoc::GetEpochSvInfoCollectionEx(
    CVyrIPtrSmart<IVyrCollectionEpochSvInfoEx>& info) {
    return HandOut<CVyrCollectionEpochSvInfoEx>(info);
}
