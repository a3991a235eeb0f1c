// CVyrStationAssoc: one station association of a project. It keeps nothing in memory but its
// key and an optional GLONASS channel map: every operation opens an entry of the association
// storage or its result storage, moves one record or hands out an object, and closes it again.
#pragma once

#include <cstdint>
#include <optional>

#include <vyr/association.h>
#include <vyr/glonass_map.h>

#include "stations/assoc_core.h"

class CVyrStationAssoc final : public IVyrStationAssocEx {
public:
    CVyrStationAssoc(const CVyrPtrSmart<CStg>& project, const VYR_STATION_ASSOC_KEY& key,
                     uint32_t version);
    CVyrStationAssoc(const CVyrStationAssoc&) = delete;
    CVyrStationAssoc& operator=(const CVyrStationAssoc&) = delete;

    // A new association; description (may be null) becomes its "StationAssoc". Nothing is left
    // behind on failure.
    VYR_ERROR Create(const VYR_STATION_ASSOC* description);
    VYR_ERROR Open();

    // The channel map handed to the residual linear combination in place of the project's.
    void SetGlonassFrequencyMap(const VYR_GLONASS_FREQUENCYMAP& map) { m_glonassMap = map; }
    // The map the linear combination gets: the one set here, else the project's stored map
    // ("FrequencyChannelMapGlo") when one with at least one channel is stored, else none (false).
    // The project's map is read afresh on every call, so a map stored after the association was
    // opened is used too; the process-wide store is not consulted, as it may hold the map of
    // another project opened in the same process.
    bool GlonassMapForCombination(VYR_GLONASS_FREQUENCYMAP& map);

    VYR_ERROR GetStationAssoc(VYR_STATION_ASSOC& assoc) override;
    VYR_ERROR GetUsedStationAssoc(VYR_STATION_ASSOC& assoc) override;
    VYR_ERROR GetProcessingParametersKernel(VYR_PROCESSING_PARAMETERS_KERNEL& parameters) override;
    VYR_ERROR GetPointCollection(CVyrIPtrSmart<IVyrCollection<VYR_POINT>>& points) override;
    VYR_ERROR GetIonoModelKeys(std::vector<uint16_t>& keys) override;
    VYR_ERROR GetIonoModelKeyCollection(CVyrIPtrSmart<IVyrCollectionIonoModelKey>& keys) override;
    VYR_ERROR GetResiduals(VYR_RESIDUAL_TYPE type,
                           CVyrIPtrSmart<IVyrCollectionResidual>& residuals) override;
    VYR_ERROR GetResidualLinearCombination(
        int32_t kind, const std::vector<VYR_RESIDUAL_TYPE>& types,
        CVyrIPtrSmart<IVyrCollectionResidual>& residuals) override;
    VYR_ERROR GetResidualOffsets(VYR_RESIDUAL_OFFSET_TYPE type,
                                 CVyrIPtrSmart<IVyrCollectionResidualOffsetSv>& offsets) override;
    VYR_ERROR GetKernelStatistics(VYR_KERNEL_STAT& statistics) override;
    VYR_ERROR GetSvStats(std::vector<VYR_SV_STAT>& statistics) override;
    VYR_ERROR GetSvStatCollection(CVyrIPtrSmart<IVyrCollectionSvStat>& statistics) override;
    VYR_ERROR GetCycleSlipCollection(CVyrIPtrSmart<IVyrCollectionCycleSlip>& slips) override;
    VYR_ERROR GetTrackingStatus(VYR_FREQUENCY_BAND band,
                                CVyrIPtrSmart<IVyrCollectionTrackingStatusSv>& status) override;
    VYR_ERROR GetAmbiguityStatus(VYR_FREQUENCY_BAND band,
                                 CVyrIPtrSmart<IVyrCollectionAmbiguityStatusSv>& status) override;
    VYR_ERROR GetAmbiguityStatistics(VYR_AMBIGUITY_STAT& statistics) override;
    VYR_ERROR GetEpochSvInfoCollection(CVyrIPtrSmart<IVyrCollectionEpochSvInfo>& info) override;
    VYR_ERROR GetKey(VYR_STATION_ASSOC_KEY& key) override;
    VYR_ERROR GetErrors(CVyrIPtrSmart<IVyrErrors>& errors) override;
    void Release() override;

    VYR_ERROR SetProcessingParametersKernel(
        const VYR_PROCESSING_PARAMETERS_KERNEL& parameters) override;
    VYR_ERROR SetUsedStationAssoc(const VYR_STATION_ASSOC& assoc) override;
    VYR_ERROR SetKernelStatistics(const VYR_KERNEL_STAT& statistics) override;
    VYR_ERROR AddSvStats(const std::vector<VYR_SV_STAT>& statistics) override;
    VYR_ERROR GetPointPositionCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_POINT_POSITION>>& positions) override;
    VYR_ERROR GetPointDescResultCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_POINT_DESC>>& descriptions) override;
    VYR_ERROR GetResidualsEx(VYR_RESIDUAL_TYPE type,
                             CVyrIPtrSmart<IVyrCollectionResidualEx>& residuals) override;
    VYR_ERROR GetResidualOffsetsEx(
        VYR_RESIDUAL_OFFSET_TYPE type,
        CVyrIPtrSmart<IVyrCollectionResidualOffsetSvEx>& offsets) override;
    VYR_ERROR GetSvStatCollectionEx(CVyrIPtrSmart<IVyrCollectionSvStatEx>& statistics) override;
    VYR_ERROR GetCycleSlipCollectionEx(CVyrIPtrSmart<IVyrCollectionCycleSlipEx>& slips) override;
    VYR_ERROR GetTrackingStatusEx(VYR_FREQUENCY_BAND band,
                                  CVyrIPtrSmart<IVyrCollectionTrackingStatusSvEx>& status) override;
    VYR_ERROR GetAmbiguityStatusEx(
        VYR_FREQUENCY_BAND band, CVyrIPtrSmart<IVyrCollectionAmbiguityStatusSvEx>& status) override;
    VYR_ERROR SetAmbiguityStatistics(const VYR_AMBIGUITY_STAT& statistics) override;
    VYR_ERROR GetEpochSvInfoCollectionEx(CVyrIPtrSmart<IVyrCollectionEpochSvInfoEx>& info) override;
    VYR_ERROR GetIonoModelKeyCollectionEx(
        CVyrIPtrSmart<IVyrCollectionIonoModelKeyEx>& keys) override;
    VYR_ERROR GetRawData(CVyrIPtrSmart<IVyrRawDataEx>& rawData) override;
    VYR_ERROR SetObservationStatistics(const vyr::ObservationStatistics& statistics) override;
    VYR_ERROR GetObservationStatistics(vyr::ObservationStatistics& statistics) override;
    VYR_ERROR GetSatelliteAvailStatistics(
        CVyrIPtrSmart<IVyrCollection<VYR_SVAVAIL_STAT>>& statistics) override;
    VYR_ERROR SetComputationIntervals(const std::vector<VYR_INTERVAL>& intervals) override;
    VYR_ERROR GetComputationIntervals(std::vector<VYR_INTERVAL>& intervals) override;
    VYR_ERROR GetErrorsEx(CVyrIPtrSmart<IVyrErrorsEx>& errors) override;
    VYR_ERROR SetInterFrequencyBias(const VYR_INTERFREQUENCYBIAS_VALUES& values) override;
    VYR_ERROR GetInterFrequencyBias(VYR_INTERFREQUENCYBIAS_VALUES& values) override;

    ~CVyrStationAssoc() override = default;

private:
    // Hands out a collection of the result storage; args follow the storage and the version.
    template <class Collection, class Interface, class... Args>
    VYR_ERROR HandOut(CVyrIPtrSmart<Interface>& out, Args&&... args);

    vyr_stations::CVyrAssocCore m_core;
    std::optional<VYR_GLONASS_FREQUENCYMAP> m_glonassMap;
};
