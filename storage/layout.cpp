#include "storage/layout.h"

#include <iterator>

namespace vyr_storage {
namespace {

constexpr const char* kStorageKindNames[] = {
    "Station",
    "StationResult",
    "StationAssoc",
    "StationAssocResult",
    "IonoCompAssoc",
    "IonoCompAssocResult",
    "IonoKlobucharResult",
    "IonoGlobalRegResult",
    "OrbitBroadcastResult",
    "OrbitPreciseResult",
    "OrbitAlmanachResult",
};

// Identifiers 30 and 31 name streams no operation opens; they keep their places so that every
// later identifier stays what stored projects and callers know.
constexpr const char* kStreamNames[] = {
    "StorageVersion",
    "StorageStatus",
    "ProcessingInfo",
    "ApplicationInfo",
    "ProcessingParameters",
    "IonoUTC",
    "AlmanachEphemeris",
    "BroadcastEphemeris",
    "PreciseEphemeris",
    "IonoGlobalRegional",
    "EstablishedPoints",
    "UseForEstablishingPoints",
    "AutoProcStationList",
    "StationList",
    "StationAssocList",
    "IonoCompAssocList",
    "PointDescriptionIds",
    "Keys",
    "SensorSystem",
    "AprioriPoints",
    "Antenna",
    "Windows",
    "SatelliteWindows",
    "Observations",
    "ObservationStatistics",
    "ObservationSatelliteStatistics",
    "ExpObsSatelliteStatistics",
    "ExpObsSatelliteStatistics0Deg",
    "ObsSatelliteStatisticsComplete",
    "ObservationStatus",
    "BroadcastEphemerisStatus",
    "SatelliteAvailStatistics",
    "PointDescriptions",
    "AposterisoriPoints",
    "StationAssoc",
    "ProcessingErrorsGeneral",
    "ProcessingErrorsInterval",
    "RawData",
    "ComputationIntervals",
    "ProcessingParametersKernel",
    "StationAssoc",
    "IonoModelKeys",
    "PointPositions",
    "ResidualsL1Code",
    "ResidualsL1Phase",
    "ResidualsL2Code",
    "ResidualsL2Phase",
    "ResidualsL5Code",
    "ResidualsL5Phase",
    "ResidualsE5bCode",
    "ResidualsE5bPhase",
    "ResidualsE5abCode",
    "ResidualsE5abPhase",
    "ResidualsE6Code",
    "ResidualsE6Phase",
    "ResidualsL3Code",
    "ResidualsL3Phase",
    "ResidualOffsetL1Code",
    "ResidualOffsetL1Phase",
    "ResidualOffsetL2Code",
    "ResidualOffsetL2Phase",
    "ResidualOffsetL3Code",
    "ResidualOffsetL3Phase",
    "KernelStatistics",
    "SatelliteStatistics",
    "TrackingStatusL1",
    "TrackingStatusL2",
    "TrackingStatusL5E5a",
    "TrackingStatusE5b",
    "TrackingStatusE5ab",
    "CycleSlips",
    "AmbiguityStatistics",
    "AmbiguityStatusL1",
    "AmbiguityStatusL2",
    "AmbiguityStatusL5E5a",
    "AmbiguityStatusE5b",
    "AmbiguityStatusE5ab",
    "EpochSatelliteInfo",
    "InterFrequencyBias",
    "IonoCompAssoc",
    "ProcessingParametersIonoComp",
    "IonoCompAssoc",
    "IonoCompModel",
    "IonoKlobucharModel",
    "IonoGlobalRegModel",
    "ProcessingParametersOrbit",
    "OrbitCoefficientsCoordinates",
    "OrbitCoefficientsClock",
    "BroadcastEphemerisGlo",
    "FrequencyChannelMapGlo",
    "TransformPZ90ToWGS84",
    "UtcLeapSeconds",
    "AlmanachEphemerisGlo",
    "BroadcastEphemerisGal",
    "AlmanachEphemerisGal",
};

static_assert(std::size(kStorageKindNames) == kStorageOrbitAlmanachResult);
static_assert(std::size(kStreamNames) == kStreamAlmanachEphemerisGal);

}  // namespace

const char* storage_kind_name(uint32_t kind) {
    return (kind >= 1 && kind <= std::size(kStorageKindNames)) ? kStorageKindNames[kind - 1]
                                                               : nullptr;
}

const char* stream_name(uint32_t id) {
    return (id >= 1 && id <= std::size(kStreamNames)) ? kStreamNames[id - 1] : nullptr;
}

}  // namespace vyr_storage
