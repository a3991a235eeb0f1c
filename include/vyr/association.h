// The descriptions of station associations and computed-ionosphere associations: which stations
// take part in a processing run. Their keys are derived from them.
#pragma once

#include <cstdint>
#include <vector>

#include "vyr/collection.h"
#include "vyr/error.h"
#include "vyr/iono_models.h"
#include "vyr/key.h"
#include "vyr/points.h"
#include "vyr/processing_errors.h"
#include "vyr/processing_parameters.h"
#include "vyr/raw_data.h"
#include "vyr/results.h"
#include "vyr/smart_ptr.h"
#include "vyr/statistics.h"

#pragma pack(push, 1)
// One station taking part in an association.
struct VYR_ASSOC_STATION {
    uint32_t value;  // 0 when the entry is empty
    VYR_STATION_KEY station;
    int32_t index;  // -1 when the entry is empty
};
#pragma pack(pop)
static_assert(sizeof(VYR_ASSOC_STATION) == 29);

// Stored as a 32-bit count followed by the 29-byte entries.
struct VYR_IONO_COMPUTED_ASSOC {
    std::vector<VYR_ASSOC_STATION> stations;
};

// Stored field by field in this order.
struct VYR_STATION_ASSOC {
    // Enters the derived key; not otherwise interpreted.
    uint32_t first = 0;
    // Bit kWithoutResultsCopy marks an association a copy without results leaves out; the other
    // bits belong to the processing application.
    uint32_t flags = 0;
    VYR_ASSOC_STATION rover{};
    VYR_IONO_COMPUTED_ASSOC linkedStations;
    VYR_IONO_COMPUTED_ASSOC_KEY ionoComputedAssocKey{};

    static constexpr uint32_t kWithoutResultsCopy = 0x10000;
};

#pragma pack(push, 1)
// "ProcessingParametersIonoComp": how the local ionosphere model of a computed-ionosphere
// association was estimated.
struct VYR_PROCESSING_PARAMETERS_IONO_COMPUTED {
    uint32_t modelType;  // the kernel's model kind
    uint32_t degree;     // of the expansion
    uint32_t order;
    uint32_t minStations;  // stations needed for a model
    uint32_t flags;        // the kernel's
    double elevationMask;  // degrees
    double shellHeight;    // metres
    double modelInterval;  // seconds one model covers
};

// "InterFrequencyBias": the biases the kernel estimated, one per satellite and band pair.
struct VYR_INTERFREQUENCYBIAS_VALUES {
    static constexpr int kValues = 150;
    uint16_t count;        // values in use, from the first
    double bias[kValues];  // metres
};
#pragma pack(pop)
static_assert(sizeof(VYR_PROCESSING_PARAMETERS_IONO_COMPUTED) == 44);
static_assert(sizeof(VYR_INTERFREQUENCYBIAS_VALUES) == 1202);

// A station association: one rover and its linked stations, the unit the processing kernel
// works on, with everything the kernel stores for it. Operations in slot order; IVyrStationAssocEx
// adds its own after Release. Every operation answers 0x80008002 when the association's storages
// are not open; reading an entry never written gives 0x80009004 and leaves the output unchanged.
class IVyrStationAssoc {
public:
    // The description given when the association was added.
    virtual VYR_ERROR GetStationAssoc(VYR_STATION_ASSOC& assoc) = 0;
    // The description as the processing used it.
    virtual VYR_ERROR GetUsedStationAssoc(VYR_STATION_ASSOC& assoc) = 0;
    virtual VYR_ERROR GetProcessingParametersKernel(
        VYR_PROCESSING_PARAMETERS_KERNEL& parameters) = 0;
    // Point positions joined with their point descriptions.
    virtual VYR_ERROR GetPointCollection(CVyrIPtrSmart<IVyrCollection<VYR_POINT>>& points) = 0;
    virtual VYR_ERROR GetIonoModelKeys(std::vector<uint16_t>& keys) = 0;
    virtual VYR_ERROR GetIonoModelKeyCollection(
        CVyrIPtrSmart<IVyrCollectionIonoModelKey>& keys) = 0;
    // Residuals of a type with the GLONASS offsets of that type subtracted.
    virtual VYR_ERROR GetResiduals(VYR_RESIDUAL_TYPE type,
                                   CVyrIPtrSmart<IVyrCollectionResidual>& residuals) = 0;
    // The residual types combined satellite by satellite (kind: a VYR_RESIDUAL_COMBINATION). The
    // ionosphere-free kind covers GLONASS only when a channel map is known (see the class).
    virtual VYR_ERROR GetResidualLinearCombination(
        int32_t kind, const std::vector<VYR_RESIDUAL_TYPE>& types,
        CVyrIPtrSmart<IVyrCollectionResidual>& residuals) = 0;
    virtual VYR_ERROR GetResidualOffsets(
        VYR_RESIDUAL_OFFSET_TYPE type, CVyrIPtrSmart<IVyrCollectionResidualOffsetSv>& offsets) = 0;
    virtual VYR_ERROR GetKernelStatistics(VYR_KERNEL_STAT& statistics) = 0;
    virtual VYR_ERROR GetSvStats(std::vector<VYR_SV_STAT>& statistics) = 0;
    virtual VYR_ERROR GetSvStatCollection(CVyrIPtrSmart<IVyrCollectionSvStat>& statistics) = 0;
    virtual VYR_ERROR GetCycleSlipCollection(CVyrIPtrSmart<IVyrCollectionCycleSlip>& slips) = 0;
    virtual VYR_ERROR GetTrackingStatus(VYR_FREQUENCY_BAND band,
                                        CVyrIPtrSmart<IVyrCollectionTrackingStatusSv>& status) = 0;
    virtual VYR_ERROR GetAmbiguityStatus(
        VYR_FREQUENCY_BAND band, CVyrIPtrSmart<IVyrCollectionAmbiguityStatusSv>& status) = 0;
    virtual VYR_ERROR GetAmbiguityStatistics(VYR_AMBIGUITY_STAT& statistics) = 0;
    virtual VYR_ERROR GetEpochSvInfoCollection(CVyrIPtrSmart<IVyrCollectionEpochSvInfo>& info) = 0;
    // 0x80008001 for a key of type 0 or a text key that is empty or longer than 16 characters.
    virtual VYR_ERROR GetKey(VYR_STATION_ASSOC_KEY& key) = 0;
    // The processing errors of the association's results.
    virtual VYR_ERROR GetErrors(CVyrIPtrSmart<IVyrErrors>& errors) = 0;
    virtual void Release() = 0;

protected:
    ~IVyrStationAssoc() = default;  // the object goes through Release
};

class IVyrStationAssocEx : public IVyrStationAssoc {
public:
    virtual VYR_ERROR SetProcessingParametersKernel(
        const VYR_PROCESSING_PARAMETERS_KERNEL& parameters) = 0;
    virtual VYR_ERROR SetUsedStationAssoc(const VYR_STATION_ASSOC& assoc) = 0;
    virtual VYR_ERROR SetKernelStatistics(const VYR_KERNEL_STAT& statistics) = 0;
    // In order; stops at the first record the collection refuses.
    virtual VYR_ERROR AddSvStats(const std::vector<VYR_SV_STAT>& statistics) = 0;
    virtual VYR_ERROR GetPointPositionCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_POINT_POSITION>>& positions) = 0;
    virtual VYR_ERROR GetPointDescResultCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_POINT_DESC>>& descriptions) = 0;
    virtual VYR_ERROR GetResidualsEx(VYR_RESIDUAL_TYPE type,
                                     CVyrIPtrSmart<IVyrCollectionResidualEx>& residuals) = 0;
    virtual VYR_ERROR GetResidualOffsetsEx(
        VYR_RESIDUAL_OFFSET_TYPE type,
        CVyrIPtrSmart<IVyrCollectionResidualOffsetSvEx>& offsets) = 0;
    virtual VYR_ERROR GetSvStatCollectionEx(CVyrIPtrSmart<IVyrCollectionSvStatEx>& statistics) = 0;
    virtual VYR_ERROR GetCycleSlipCollectionEx(CVyrIPtrSmart<IVyrCollectionCycleSlipEx>& slips) = 0;
    virtual VYR_ERROR GetTrackingStatusEx(
        VYR_FREQUENCY_BAND band, CVyrIPtrSmart<IVyrCollectionTrackingStatusSvEx>& status) = 0;
    virtual VYR_ERROR GetAmbiguityStatusEx(
        VYR_FREQUENCY_BAND band, CVyrIPtrSmart<IVyrCollectionAmbiguityStatusSvEx>& status) = 0;
    virtual VYR_ERROR SetAmbiguityStatistics(const VYR_AMBIGUITY_STAT& statistics) = 0;
    virtual VYR_ERROR GetEpochSvInfoCollectionEx(
        CVyrIPtrSmart<IVyrCollectionEpochSvInfoEx>& info) = 0;
    virtual VYR_ERROR GetIonoModelKeyCollectionEx(
        CVyrIPtrSmart<IVyrCollectionIonoModelKeyEx>& keys) = 0;
    virtual VYR_ERROR GetRawData(CVyrIPtrSmart<IVyrRawDataEx>& rawData) = 0;
    // The statistics of the observations the processing used; the rover's own stay as they are.
    virtual VYR_ERROR SetObservationStatistics(const vyr::ObservationStatistics& statistics) = 0;
    virtual VYR_ERROR GetObservationStatistics(vyr::ObservationStatistics& statistics) = 0;
    virtual VYR_ERROR GetSatelliteAvailStatistics(
        CVyrIPtrSmart<IVyrCollection<VYR_SVAVAIL_STAT>>& statistics) = 0;
    virtual VYR_ERROR SetComputationIntervals(const std::vector<VYR_INTERVAL>& intervals) = 0;
    virtual VYR_ERROR GetComputationIntervals(std::vector<VYR_INTERVAL>& intervals) = 0;
    virtual VYR_ERROR GetErrorsEx(CVyrIPtrSmart<IVyrErrorsEx>& errors) = 0;
    virtual VYR_ERROR SetInterFrequencyBias(const VYR_INTERFREQUENCYBIAS_VALUES& values) = 0;
    virtual VYR_ERROR GetInterFrequencyBias(VYR_INTERFREQUENCYBIAS_VALUES& values) = 0;
    virtual ~IVyrStationAssocEx() = default;
};

// A computed-ionosphere association: the stations a local ionosphere model is estimated from,
// with the parameters and results of that estimation. Same rules as the station association.
class IVyrIonoComputedAssoc {
public:
    virtual VYR_ERROR GetIonoComputedAssoc(VYR_IONO_COMPUTED_ASSOC& assoc) = 0;
    virtual VYR_ERROR GetUsedIonoComputedAssoc(VYR_IONO_COMPUTED_ASSOC& assoc) = 0;
    virtual VYR_ERROR GetKey(VYR_IONO_COMPUTED_ASSOC_KEY& key) = 0;
    virtual VYR_ERROR GetProcessingParametersIonoComputed(
        VYR_PROCESSING_PARAMETERS_IONO_COMPUTED& parameters) = 0;
    virtual VYR_ERROR GetIonoComputedModelCollection(
        CVyrIPtrSmart<IVyrCollectionIonoComputedModel>& models) = 0;
    virtual VYR_ERROR GetIonoComputedModels(std::vector<VYR_IONO_COMPUTED_MODEL>& models) = 0;
    virtual VYR_ERROR GetErrors(CVyrIPtrSmart<IVyrErrors>& errors) = 0;
    virtual void Release() = 0;

protected:
    ~IVyrIonoComputedAssoc() = default;
};

class IVyrIonoComputedAssocEx : public IVyrIonoComputedAssoc {
public:
    // Exactly one station entry whose key is usable, else 0x80008001 and nothing is written.
    virtual VYR_ERROR SetUsedIonoComputedAssoc(const VYR_IONO_COMPUTED_ASSOC& assoc) = 0;
    virtual VYR_ERROR SetProcessingParametersIonoComputed(
        const VYR_PROCESSING_PARAMETERS_IONO_COMPUTED& parameters) = 0;
    // In order; stops at the first model the collection refuses.
    virtual VYR_ERROR AddIonoComputedModels(const std::vector<VYR_IONO_COMPUTED_MODEL>& models) = 0;
    virtual VYR_ERROR GetIonoComputedModelCollectionEx(
        CVyrIPtrSmart<IVyrCollectionIonoComputedModelEx>& models) = 0;
    virtual VYR_ERROR GetRawData(CVyrIPtrSmart<IVyrRawDataEx>& rawData) = 0;
    virtual VYR_ERROR SetObservationStatistics(const vyr::ObservationStatistics& statistics) = 0;
    virtual VYR_ERROR GetObservationStatistics(vyr::ObservationStatistics& statistics) = 0;
    virtual VYR_ERROR SetComputationIntervals(const std::vector<VYR_INTERVAL>& intervals) = 0;
    virtual VYR_ERROR GetComputationIntervals(std::vector<VYR_INTERVAL>& intervals) = 0;
    virtual VYR_ERROR GetErrorsEx(CVyrIPtrSmart<IVyrErrorsEx>& errors) = 0;
    virtual ~IVyrIonoComputedAssocEx() = default;
};

// The project's station associations, over "StationAssocList". Keys are derived from the
// descriptions; Add and DeleteAll answer 0x80008003. Delete removes the association's storage,
// then its key.
class IVyrCollectionStationAssoc : public IVyrCollection<VYR_STATION_ASSOC_KEY> {
public:
    virtual VYR_ERROR GetAssocAt(uint32_t index, CVyrIPtrSmart<IVyrStationAssoc>& assoc) = 0;
    // 0x80009004 when the description's key is not listed.
    virtual VYR_ERROR GetAssocByDescription(const VYR_STATION_ASSOC& description,
                                            CVyrIPtrSmart<IVyrStationAssoc>& assoc) = 0;
    virtual VYR_ERROR GetAssoc(const VYR_STATION_ASSOC_KEY& key,
                               CVyrIPtrSmart<IVyrStationAssoc>& assoc) = 0;
    virtual VYR_ERROR GetFirstAssoc(CVyrIPtrSmart<IVyrStationAssoc>& assoc) = 0;
    virtual VYR_ERROR GetNextAssoc(CVyrIPtrSmart<IVyrStationAssoc>& assoc) = 0;
    // 0x80008001 for an unusable rover key, more than one linked station, or a linked entry
    // with an unusable key or an index of -1; 0x8000900C when the description is listed.
    virtual VYR_ERROR AddAssoc(const VYR_STATION_ASSOC& description,
                               CVyrIPtrSmart<IVyrStationAssoc>& assoc) = 0;
    virtual VYR_ERROR DeleteAt(uint32_t index) = 0;

protected:
    ~IVyrCollectionStationAssoc() = default;
};

class IVyrCollectionStationAssocEx : public IVyrCollectionStationAssoc {
public:
    virtual VYR_ERROR GetAssocExAt(uint32_t index, CVyrIPtrSmart<IVyrStationAssocEx>& assoc) = 0;
    virtual VYR_ERROR GetAssocEx(const VYR_STATION_ASSOC_KEY& key,
                                 CVyrIPtrSmart<IVyrStationAssocEx>& assoc) = 0;

protected:
    ~IVyrCollectionStationAssocEx() = default;
};

// The project's computed-ionosphere associations, over "IonoCompAssocList". The description is
// the list of station entries; AddAssoc takes exactly one.
class IVyrCollectionIonoComputedAssoc : public IVyrCollection<VYR_IONO_COMPUTED_ASSOC_KEY> {
public:
    virtual VYR_ERROR GetAssocAt(uint32_t index, CVyrIPtrSmart<IVyrIonoComputedAssoc>& assoc) = 0;
    virtual VYR_ERROR GetAssocByDescription(const VYR_IONO_COMPUTED_ASSOC& description,
                                            CVyrIPtrSmart<IVyrIonoComputedAssoc>& assoc) = 0;
    virtual VYR_ERROR GetAssoc(const VYR_IONO_COMPUTED_ASSOC_KEY& key,
                               CVyrIPtrSmart<IVyrIonoComputedAssoc>& assoc) = 0;
    virtual VYR_ERROR GetFirstAssoc(CVyrIPtrSmart<IVyrIonoComputedAssoc>& assoc) = 0;
    virtual VYR_ERROR GetNextAssoc(CVyrIPtrSmart<IVyrIonoComputedAssoc>& assoc) = 0;
    virtual VYR_ERROR AddAssoc(const VYR_IONO_COMPUTED_ASSOC& description,
                               CVyrIPtrSmart<IVyrIonoComputedAssoc>& assoc) = 0;
    virtual VYR_ERROR DeleteAt(uint32_t index) = 0;

protected:
    ~IVyrCollectionIonoComputedAssoc() = default;
};

class IVyrCollectionIonoComputedAssocEx : public IVyrCollectionIonoComputedAssoc {
public:
    virtual VYR_ERROR GetAssocExAt(uint32_t index,
                                   CVyrIPtrSmart<IVyrIonoComputedAssocEx>& assoc) = 0;
    virtual VYR_ERROR GetAssocEx(const VYR_IONO_COMPUTED_ASSOC_KEY& key,
                                 CVyrIPtrSmart<IVyrIonoComputedAssocEx>& assoc) = 0;

protected:
    ~IVyrCollectionIonoComputedAssocEx() = default;
};
