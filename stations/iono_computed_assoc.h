// CVyrIonoComputedAssoc: one computed-ionosphere association of a project: the stations a local
// ionosphere model is estimated from, its parameters and its models. Built like the station
// association, on the same core.
#pragma once

#include <cstdint>

#include <vyr/association.h>

#include "stations/assoc_core.h"

class CVyrIonoComputedAssoc final : public IVyrIonoComputedAssocEx {
public:
    CVyrIonoComputedAssoc(const CVyrPtrSmart<CStg>& project, const VYR_IONO_COMPUTED_ASSOC_KEY& key,
                          uint32_t version);
    CVyrIonoComputedAssoc(const CVyrIonoComputedAssoc&) = delete;
    CVyrIonoComputedAssoc& operator=(const CVyrIonoComputedAssoc&) = delete;

    // A new association; description (may be null) becomes its "IonoCompAssoc". Nothing is
    // left behind on failure.
    VYR_ERROR Create(const VYR_IONO_COMPUTED_ASSOC* description);
    VYR_ERROR Open();

    VYR_ERROR GetIonoComputedAssoc(VYR_IONO_COMPUTED_ASSOC& assoc) override;
    VYR_ERROR GetUsedIonoComputedAssoc(VYR_IONO_COMPUTED_ASSOC& assoc) override;
    VYR_ERROR GetKey(VYR_IONO_COMPUTED_ASSOC_KEY& key) override;
    VYR_ERROR GetProcessingParametersIonoComputed(
        VYR_PROCESSING_PARAMETERS_IONO_COMPUTED& parameters) override;
    VYR_ERROR GetIonoComputedModelCollection(
        CVyrIPtrSmart<IVyrCollectionIonoComputedModel>& models) override;
    VYR_ERROR GetIonoComputedModels(std::vector<VYR_IONO_COMPUTED_MODEL>& models) override;
    VYR_ERROR GetErrors(CVyrIPtrSmart<IVyrErrors>& errors) override;
    void Release() override;

    VYR_ERROR SetUsedIonoComputedAssoc(const VYR_IONO_COMPUTED_ASSOC& assoc) override;
    VYR_ERROR SetProcessingParametersIonoComputed(
        const VYR_PROCESSING_PARAMETERS_IONO_COMPUTED& parameters) override;
    VYR_ERROR AddIonoComputedModels(const std::vector<VYR_IONO_COMPUTED_MODEL>& models) override;
    VYR_ERROR GetIonoComputedModelCollectionEx(
        CVyrIPtrSmart<IVyrCollectionIonoComputedModelEx>& models) override;
    VYR_ERROR GetRawData(CVyrIPtrSmart<IVyrRawDataEx>& rawData) override;
    VYR_ERROR SetObservationStatistics(const vyr::ObservationStatistics& statistics) override;
    VYR_ERROR GetObservationStatistics(vyr::ObservationStatistics& statistics) override;
    VYR_ERROR SetComputationIntervals(const std::vector<VYR_INTERVAL>& intervals) override;
    VYR_ERROR GetComputationIntervals(std::vector<VYR_INTERVAL>& intervals) override;
    VYR_ERROR GetErrorsEx(CVyrIPtrSmart<IVyrErrorsEx>& errors) override;

    ~CVyrIonoComputedAssoc() override = default;

private:
    vyr_stations::CVyrAssocCore m_core;
};
