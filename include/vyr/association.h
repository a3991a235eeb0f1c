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
// adds its own after Release. Handed out by its collection, it holds its own storage and its
// result storage (and through them the project) until released; while it lives its storage
// cannot be deleted. One thread at a time. Every operation answers VYR_E_INVALID_INTERFACE when
// the association's storages are not open; reading an entry never written gives
// VYR_E_ENTRY_NOT_FOUND and leaves the output unchanged. A Set replaces its stream in the result
// storage: VYR_E_CANNOT_CREATE_ENTRY in a project opened for reading. Residuals, offsets, slips,
// status, statistics, epoch information and points are uncached result lists (see
// IVyrCollection); model keys and models are cached. A type or band without a stream, or a list
// missing from a project opened for reading, gives VYR_E_ENTRY_NOT_FOUND.
class IVyrStationAssoc {
public:
    // The description given when the association was added.
    virtual VYR_ERROR GetStationAssoc(VYR_STATION_ASSOC& assoc) = 0;
    // The description as the processing used it.
    virtual VYR_ERROR GetUsedStationAssoc(VYR_STATION_ASSOC& assoc) = 0;
    // The kernel's parameters of this association.
    virtual VYR_ERROR GetProcessingParametersKernel(
        VYR_PROCESSING_PARAMETERS_KERNEL& parameters) = 0;
    // Point positions joined with their point descriptions.
    virtual VYR_ERROR GetPointCollection(CVyrIPtrSmart<IVyrCollection<VYR_POINT>>& points) = 0;
    // Every stored ionosphere model key; the vector is emptied first.
    virtual VYR_ERROR GetIonoModelKeys(std::vector<uint16_t>& keys) = 0;
    // The read-only list of ionosphere model keys.
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
    // The per-satellite offsets of a residual offset type (read-only list).
    virtual VYR_ERROR GetResidualOffsets(
        VYR_RESIDUAL_OFFSET_TYPE type, CVyrIPtrSmart<IVyrCollectionResidualOffsetSv>& offsets) = 0;
    // The kernel's statistics of the run.
    virtual VYR_ERROR GetKernelStatistics(VYR_KERNEL_STAT& statistics) = 0;
    // Every satellite statistics record; the vector is emptied first.
    virtual VYR_ERROR GetSvStats(std::vector<VYR_SV_STAT>& statistics) = 0;
    // The read-only list of satellite statistics.
    virtual VYR_ERROR GetSvStatCollection(CVyrIPtrSmart<IVyrCollectionSvStat>& statistics) = 0;
    // The read-only list of cycle slips.
    virtual VYR_ERROR GetCycleSlipCollection(CVyrIPtrSmart<IVyrCollectionCycleSlip>& slips) = 0;
    // The read-only tracking status per satellite of a band.
    virtual VYR_ERROR GetTrackingStatus(VYR_FREQUENCY_BAND band,
                                        CVyrIPtrSmart<IVyrCollectionTrackingStatusSv>& status) = 0;
    // The read-only ambiguity status per satellite of a band.
    virtual VYR_ERROR GetAmbiguityStatus(
        VYR_FREQUENCY_BAND band, CVyrIPtrSmart<IVyrCollectionAmbiguityStatusSv>& status) = 0;
    // The ambiguity resolution statistics of the run.
    virtual VYR_ERROR GetAmbiguityStatistics(VYR_AMBIGUITY_STAT& statistics) = 0;
    // The read-only list of per-epoch satellite information.
    virtual VYR_ERROR GetEpochSvInfoCollection(CVyrIPtrSmart<IVyrCollectionEpochSvInfo>& info) = 0;
    // The association's key. VYR_E_INVALID_PARAMETER for a key of type 0 or a text key that is
    // empty or longer than 16 characters.
    virtual VYR_ERROR GetKey(VYR_STATION_ASSOC_KEY& key) = 0;
    // The processing errors of the association's results.
    virtual VYR_ERROR GetErrors(CVyrIPtrSmart<IVyrErrors>& errors) = 0;
    // Drops the object; the smart pointer holding it calls this.
    virtual void Release() = 0;

protected:
    ~IVyrStationAssoc() = default;  // the object goes through Release
};

class IVyrStationAssocEx : public IVyrStationAssoc {
public:
    // Replaces the kernel's parameters of this association.
    virtual VYR_ERROR SetProcessingParametersKernel(
        const VYR_PROCESSING_PARAMETERS_KERNEL& parameters) = 0;
    // Replaces the description as the processing used it.
    virtual VYR_ERROR SetUsedStationAssoc(const VYR_STATION_ASSOC& assoc) = 0;
    // Replaces the kernel's statistics of the run.
    virtual VYR_ERROR SetKernelStatistics(const VYR_KERNEL_STAT& statistics) = 0;
    // Appends the satellite statistics in order; stops at the first record the list refuses.
    virtual VYR_ERROR AddSvStats(const std::vector<VYR_SV_STAT>& statistics) = 0;
    // The list of point positions, with Add.
    virtual VYR_ERROR GetPointPositionCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_POINT_POSITION>>& positions) = 0;
    // The list of point descriptions of the results, with Add.
    virtual VYR_ERROR GetPointDescResultCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_POINT_DESC>>& descriptions) = 0;
    // As GetResiduals, with Add and without the offsets subtracted.
    virtual VYR_ERROR GetResidualsEx(VYR_RESIDUAL_TYPE type,
                                     CVyrIPtrSmart<IVyrCollectionResidualEx>& residuals) = 0;
    // As GetResidualOffsets, with Add.
    virtual VYR_ERROR GetResidualOffsetsEx(
        VYR_RESIDUAL_OFFSET_TYPE type,
        CVyrIPtrSmart<IVyrCollectionResidualOffsetSvEx>& offsets) = 0;
    // As GetSvStatCollection, with Add.
    virtual VYR_ERROR GetSvStatCollectionEx(CVyrIPtrSmart<IVyrCollectionSvStatEx>& statistics) = 0;
    // As GetCycleSlipCollection, with Add.
    virtual VYR_ERROR GetCycleSlipCollectionEx(CVyrIPtrSmart<IVyrCollectionCycleSlipEx>& slips) = 0;
    // As GetTrackingStatus, with Add.
    virtual VYR_ERROR GetTrackingStatusEx(
        VYR_FREQUENCY_BAND band, CVyrIPtrSmart<IVyrCollectionTrackingStatusSvEx>& status) = 0;
    // As GetAmbiguityStatus, with Add.
    virtual VYR_ERROR GetAmbiguityStatusEx(
        VYR_FREQUENCY_BAND band, CVyrIPtrSmart<IVyrCollectionAmbiguityStatusSvEx>& status) = 0;
    // Replaces the ambiguity resolution statistics.
    virtual VYR_ERROR SetAmbiguityStatistics(const VYR_AMBIGUITY_STAT& statistics) = 0;
    // As GetEpochSvInfoCollection, with Add.
    virtual VYR_ERROR GetEpochSvInfoCollectionEx(
        CVyrIPtrSmart<IVyrCollectionEpochSvInfoEx>& info) = 0;
    // As GetIonoModelKeyCollection, with Add.
    virtual VYR_ERROR GetIonoModelKeyCollectionEx(
        CVyrIPtrSmart<IVyrCollectionIonoModelKeyEx>& keys) = 0;
    // The synchronised raw data of the association's result storage.
    virtual VYR_ERROR GetRawData(CVyrIPtrSmart<IVyrRawDataEx>& rawData) = 0;
    // The statistics of the observations the processing used; the rover's own stay as they are.
    // VYR_E_INVALID_PARAMETER, and the stored statistics stay, for values a reader would take for
    // damage (a day outside the epoch range, a NaN fraction, an unknown system or signal type).
    virtual VYR_ERROR SetObservationStatistics(const vyr::ObservationStatistics& statistics) = 0;
    // The statistics SetObservationStatistics stored.
    virtual VYR_ERROR GetObservationStatistics(vyr::ObservationStatistics& statistics) = 0;
    // The list of satellite availability statistics; its Add refuses with
    // VYR_E_INVALID_PARAMETER a day of 0 or outside the epoch range.
    virtual VYR_ERROR GetSatelliteAvailStatistics(
        CVyrIPtrSmart<IVyrCollection<VYR_SVAVAIL_STAT>>& statistics) = 0;
    // Replaces the intervals the kernel computed, whole.
    virtual VYR_ERROR SetComputationIntervals(const std::vector<VYR_INTERVAL>& intervals) = 0;
    // The intervals SetComputationIntervals stored.
    virtual VYR_ERROR GetComputationIntervals(std::vector<VYR_INTERVAL>& intervals) = 0;
    // As GetErrors, with the reporting operations.
    virtual VYR_ERROR GetErrorsEx(CVyrIPtrSmart<IVyrErrorsEx>& errors) = 0;
    // Replaces the inter-frequency biases.
    virtual VYR_ERROR SetInterFrequencyBias(const VYR_INTERFREQUENCYBIAS_VALUES& values) = 0;
    // The inter-frequency biases SetInterFrequencyBias stored.
    virtual VYR_ERROR GetInterFrequencyBias(VYR_INTERFREQUENCYBIAS_VALUES& values) = 0;
    virtual ~IVyrStationAssocEx() = default;
};

// A computed-ionosphere association: the stations a local ionosphere model is estimated from,
// with the parameters and results of that estimation. Same lifetime and failure rules as the
// station association; IVyrIonoComputedAssocEx adds its own after Release.
class IVyrIonoComputedAssoc {
public:
    // The description given when the association was added.
    virtual VYR_ERROR GetIonoComputedAssoc(VYR_IONO_COMPUTED_ASSOC& assoc) = 0;
    // The description as the processing used it.
    virtual VYR_ERROR GetUsedIonoComputedAssoc(VYR_IONO_COMPUTED_ASSOC& assoc) = 0;
    // The association's key; VYR_E_INVALID_PARAMETER for an unusable one.
    virtual VYR_ERROR GetKey(VYR_IONO_COMPUTED_ASSOC_KEY& key) = 0;
    // How the local model was estimated.
    virtual VYR_ERROR GetProcessingParametersIonoComputed(
        VYR_PROCESSING_PARAMETERS_IONO_COMPUTED& parameters) = 0;
    // The read-only list of the estimated models.
    virtual VYR_ERROR GetIonoComputedModelCollection(
        CVyrIPtrSmart<IVyrCollectionIonoComputedModel>& models) = 0;
    // Every estimated model; the vector is emptied first.
    virtual VYR_ERROR GetIonoComputedModels(std::vector<VYR_IONO_COMPUTED_MODEL>& models) = 0;
    // The processing errors of the association's results.
    virtual VYR_ERROR GetErrors(CVyrIPtrSmart<IVyrErrors>& errors) = 0;
    // Drops the object; the smart pointer holding it calls this.
    virtual void Release() = 0;

protected:
    ~IVyrIonoComputedAssoc() = default;
};

class IVyrIonoComputedAssocEx : public IVyrIonoComputedAssoc {
public:
    // Writes the description the processing used. Exactly one station entry whose key is
    // usable, else VYR_E_INVALID_PARAMETER and nothing is written.
    virtual VYR_ERROR SetUsedIonoComputedAssoc(const VYR_IONO_COMPUTED_ASSOC& assoc) = 0;
    // Replaces how the local model was estimated.
    virtual VYR_ERROR SetProcessingParametersIonoComputed(
        const VYR_PROCESSING_PARAMETERS_IONO_COMPUTED& parameters) = 0;
    // Appends the models in order; stops at the first model the list refuses. None is no call.
    virtual VYR_ERROR AddIonoComputedModels(const std::vector<VYR_IONO_COMPUTED_MODEL>& models) = 0;
    // As GetIonoComputedModelCollection, with Add.
    virtual VYR_ERROR GetIonoComputedModelCollectionEx(
        CVyrIPtrSmart<IVyrCollectionIonoComputedModelEx>& models) = 0;
    // The synchronised raw data of the association's result storage.
    virtual VYR_ERROR GetRawData(CVyrIPtrSmart<IVyrRawDataEx>& rawData) = 0;
    // Replaces the statistics of the observations the processing used, whole;
    // VYR_E_INVALID_PARAMETER, and the stored statistics stay, for values a reader would take for
    // damage (a day outside the epoch range, a NaN fraction, an unknown system or signal type).
    virtual VYR_ERROR SetObservationStatistics(const vyr::ObservationStatistics& statistics) = 0;
    // The statistics SetObservationStatistics stored.
    virtual VYR_ERROR GetObservationStatistics(vyr::ObservationStatistics& statistics) = 0;
    // Replaces the intervals the kernel computed, whole.
    virtual VYR_ERROR SetComputationIntervals(const std::vector<VYR_INTERVAL>& intervals) = 0;
    // The intervals SetComputationIntervals stored.
    virtual VYR_ERROR GetComputationIntervals(std::vector<VYR_INTERVAL>& intervals) = 0;
    // As GetErrors, with the reporting operations.
    virtual VYR_ERROR GetErrorsEx(CVyrIPtrSmart<IVyrErrorsEx>& errors) = 0;
    virtual ~IVyrIonoComputedAssocEx() = default;
};

// The project's station associations, over "StationAssocList". Keys are derived from the
// descriptions; Add and DeleteAll answer VYR_E_NOT_IMPLEMENTED. Delete removes the
// association's storage, then its key: VYR_E_DELETE_FAILED (key kept) while the association is
// open. Handed out by the project and holding it; the associations it opens outlive it. Opening
// fails with VYR_E_ENTRY_NOT_FOUND when the listed storage is missing.
class IVyrCollectionStationAssoc : public IVyrCollection<VYR_STATION_ASSOC_KEY> {
public:
    // Opens the association listed at index (key order); fails as GetAt for a bad index.
    virtual VYR_ERROR GetAssocAt(uint32_t index, CVyrIPtrSmart<IVyrStationAssoc>& assoc) = 0;
    // Opens the association the description's derived key names; VYR_E_ENTRY_NOT_FOUND when that
    // key is not listed.
    virtual VYR_ERROR GetAssocByDescription(const VYR_STATION_ASSOC& description,
                                            CVyrIPtrSmart<IVyrStationAssoc>& assoc) = 0;
    // Opens the association of a listed key. VYR_E_INVALID_PARAMETER for an unusable key,
    // VYR_E_ENTRY_NOT_FOUND when it is not listed.
    virtual VYR_ERROR GetAssoc(const VYR_STATION_ASSOC_KEY& key,
                               CVyrIPtrSmart<IVyrStationAssoc>& assoc) = 0;
    // Opens the first listed association; VYR_E_NO_MORE_ENTRIES when none.
    virtual VYR_ERROR GetFirstAssoc(CVyrIPtrSmart<IVyrStationAssoc>& assoc) = 0;
    // Opens the next one; needs GetFirstAssoc, VYR_E_NO_MORE_ENTRIES after the last.
    virtual VYR_ERROR GetNextAssoc(CVyrIPtrSmart<IVyrStationAssoc>& assoc) = 0;
    // Lists the derived key and creates the association's storages with the description.
    // VYR_E_INVALID_PARAMETER for an unusable rover key, more than one linked station, or a
    // linked entry with an unusable key or an index of -1; VYR_E_ENTRY_EXISTS when the
    // description is listed; VYR_E_CANNOT_CREATE_ENTRY when its storage cannot be made.
    virtual VYR_ERROR AddAssoc(const VYR_STATION_ASSOC& description,
                               CVyrIPtrSmart<IVyrStationAssoc>& assoc) = 0;
    // Deletes the association listed at index, as Delete.
    virtual VYR_ERROR DeleteAt(uint32_t index) = 0;

protected:
    ~IVyrCollectionStationAssoc() = default;
};

class IVyrCollectionStationAssocEx : public IVyrCollectionStationAssoc {
public:
    // As GetAssocAt, with the extended interface.
    virtual VYR_ERROR GetAssocExAt(uint32_t index, CVyrIPtrSmart<IVyrStationAssocEx>& assoc) = 0;
    // As GetAssoc, with the extended interface.
    virtual VYR_ERROR GetAssocEx(const VYR_STATION_ASSOC_KEY& key,
                                 CVyrIPtrSmart<IVyrStationAssocEx>& assoc) = 0;

protected:
    ~IVyrCollectionStationAssocEx() = default;
};

// The project's computed-ionosphere associations, over "IonoCompAssocList". The description is
// the list of station entries; AddAssoc takes exactly one. Otherwise as the station
// association collection.
class IVyrCollectionIonoComputedAssoc : public IVyrCollection<VYR_IONO_COMPUTED_ASSOC_KEY> {
public:
    // Opens the association listed at index (key order); fails as GetAt for a bad index.
    virtual VYR_ERROR GetAssocAt(uint32_t index, CVyrIPtrSmart<IVyrIonoComputedAssoc>& assoc) = 0;
    // Opens the association the description's derived key names; VYR_E_ENTRY_NOT_FOUND when
    // that key is not listed.
    virtual VYR_ERROR GetAssocByDescription(const VYR_IONO_COMPUTED_ASSOC& description,
                                            CVyrIPtrSmart<IVyrIonoComputedAssoc>& assoc) = 0;
    // Opens the association of a listed key. VYR_E_INVALID_PARAMETER for an unusable key,
    // VYR_E_ENTRY_NOT_FOUND when it is not listed.
    virtual VYR_ERROR GetAssoc(const VYR_IONO_COMPUTED_ASSOC_KEY& key,
                               CVyrIPtrSmart<IVyrIonoComputedAssoc>& assoc) = 0;
    // Opens the first listed association; VYR_E_NO_MORE_ENTRIES when none.
    virtual VYR_ERROR GetFirstAssoc(CVyrIPtrSmart<IVyrIonoComputedAssoc>& assoc) = 0;
    // Opens the next one; needs GetFirstAssoc, VYR_E_NO_MORE_ENTRIES after the last.
    virtual VYR_ERROR GetNextAssoc(CVyrIPtrSmart<IVyrIonoComputedAssoc>& assoc) = 0;
    // Lists the derived key and creates the association's storages with the description.
    // VYR_E_INVALID_PARAMETER unless exactly one entry with a usable key and an index other
    // than -1; VYR_E_ENTRY_EXISTS when the description is listed.
    virtual VYR_ERROR AddAssoc(const VYR_IONO_COMPUTED_ASSOC& description,
                               CVyrIPtrSmart<IVyrIonoComputedAssoc>& assoc) = 0;
    // Deletes the association listed at index, as Delete.
    virtual VYR_ERROR DeleteAt(uint32_t index) = 0;

protected:
    ~IVyrCollectionIonoComputedAssoc() = default;
};

class IVyrCollectionIonoComputedAssocEx : public IVyrCollectionIonoComputedAssoc {
public:
    // As GetAssocAt, with the extended interface.
    virtual VYR_ERROR GetAssocExAt(uint32_t index,
                                   CVyrIPtrSmart<IVyrIonoComputedAssocEx>& assoc) = 0;
    // As GetAssoc, with the extended interface.
    virtual VYR_ERROR GetAssocEx(const VYR_IONO_COMPUTED_ASSOC_KEY& key,
                                 CVyrIPtrSmart<IVyrIonoComputedAssocEx>& assoc) = 0;

protected:
    ~IVyrCollectionIonoComputedAssocEx() = default;
};
