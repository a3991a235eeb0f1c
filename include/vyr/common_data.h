// The project-wide data that belongs to no station: processing parameters, application and
// processing information, orbits and ionosphere data, established points, the GLONASS channel
// map, the PZ-90 transformation and the UTC leap seconds.
#pragma once

#include <cstdint>
#include <vector>

#include "vyr/common_records.h"
#include "vyr/error.h"
#include "vyr/glonass_map.h"
#include "vyr/processing_parameters.h"
#include "vyr/smart_ptr.h"

struct VYR_ALMANACHEPHEMERIS;
struct VYR_ALMANACHEPHEMERIS_GLO;
struct VYR_ALMANACHEPHEMERIS_GAL;
struct VYR_BROADCASTEPHEMERIS_GAL;
struct VYR_BROADCASTEPHEMERIS_GLO;
struct VYR_BROADCASTEPHEMERIS;
struct VYR_PRECISEEPHEMERIS;
struct VYR_IONOUTC;
struct VYR_IONO_GLOBALREG;
struct VYR_ESTABLISHED_POINT;
struct VYR_USE_FOR_ESTABLISHING_POINT;
template <class T>
class IVyrCollection;
class IVyrOrbit;
class IVyrOrbitEx;
class IVyrIonoKlobuchar;
class IVyrIonoKlobucharEx;
class IVyrIonoGlobalReg;
class IVyrIonoGlobalRegEx;

// Operations in slot order; IVyrCommonDataEx adds its own after Release.
class IVyrCommonData {
public:
    virtual VYR_ERROR SetApplicationInformation(const VYR_APPLICATION_INFORMATION& information) = 0;
    virtual VYR_ERROR SetProcessingParameters(const VYR_PROCESSING_PARAMETERS& parameters) = 0;
    virtual VYR_ERROR AddAlmanachEphemerisRecords(
        const std::vector<VYR_ALMANACHEPHEMERIS>& records) = 0;
    virtual VYR_ERROR AddAlmanachEphemerisGloRecords(
        const std::vector<VYR_ALMANACHEPHEMERIS_GLO>& records) = 0;
    virtual VYR_ERROR AddAlmanachEphemerisGalRecords(
        const std::vector<VYR_ALMANACHEPHEMERIS_GAL>& records) = 0;
    virtual VYR_ERROR AddBroadcastEphemerisGalRecords(
        const std::vector<VYR_BROADCASTEPHEMERIS_GAL>& records) = 0;
    virtual VYR_ERROR AddBroadcastEphemerisGloRecords(
        const std::vector<VYR_BROADCASTEPHEMERIS_GLO>& records) = 0;
    virtual VYR_ERROR AddBroadcastEphemerisRecords(
        const std::vector<VYR_BROADCASTEPHEMERIS>& records) = 0;
    virtual VYR_ERROR AddPreciseEphemerisRecords(
        const std::vector<VYR_PRECISEEPHEMERIS>& records) = 0;
    virtual VYR_ERROR AddIonoUtcRecords(const std::vector<VYR_IONOUTC>& records) = 0;
    virtual VYR_ERROR AddIonoGlobalRegRecords(const std::vector<VYR_IONO_GLOBALREG>& records) = 0;
    virtual VYR_ERROR AddEstablishedPointRecords(
        const std::vector<VYR_ESTABLISHED_POINT>& records) = 0;
    virtual VYR_ERROR AddUseForEstablishingPointRecords(
        const std::vector<VYR_USE_FOR_ESTABLISHING_POINT>& records) = 0;
    // Also hands the map to the process-wide GLONASS channel map store, even when storing fails.
    virtual VYR_ERROR SetFrequencyChannelMapGlo(const VYR_GLONASS_FREQUENCYMAP& map) = 0;
    virtual VYR_ERROR SetTransformPZ90ToWGS84(
        const VYR_TRANSFORMATION_PZ90_TO_WGS84& transform) = 0;
    virtual VYR_ERROR SetUtcLeapSeconds(const VYR_UTC_LEAP_SECONDS& leapSeconds) = 0;
    virtual VYR_ERROR GetProcessingInformation(VYR_PROCESSING_INFORMATION& information) = 0;
    virtual VYR_ERROR GetApplicationInformation(VYR_APPLICATION_INFORMATION& information) = 0;
    // Starts from the defaults; what is stored overwrites them.
    virtual VYR_ERROR GetProcessingParameters(VYR_PROCESSING_PARAMETERS& parameters) = 0;
    virtual VYR_ERROR GetAlmanachEphemerisCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_ALMANACHEPHEMERIS>>& collection) = 0;
    virtual VYR_ERROR GetAlmanachEphemerisRecords(std::vector<VYR_ALMANACHEPHEMERIS>& records) = 0;
    virtual VYR_ERROR GetAlmanachEphemerisGloCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_ALMANACHEPHEMERIS_GLO>>& collection) = 0;
    virtual VYR_ERROR GetAlmanachEphemerisGloRecords(
        std::vector<VYR_ALMANACHEPHEMERIS_GLO>& records) = 0;
    virtual VYR_ERROR GetAlmanachEphemerisGalCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_ALMANACHEPHEMERIS_GAL>>& collection) = 0;
    virtual VYR_ERROR GetAlmanachEphemerisGalRecords(
        std::vector<VYR_ALMANACHEPHEMERIS_GAL>& records) = 0;
    virtual VYR_ERROR GetBroadcastEphemerisGalCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_BROADCASTEPHEMERIS_GAL>>& collection) = 0;
    virtual VYR_ERROR GetBroadcastEphemerisGloCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_BROADCASTEPHEMERIS_GLO>>& collection) = 0;
    virtual VYR_ERROR GetBroadcastEphemerisCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_BROADCASTEPHEMERIS>>& collection) = 0;
    virtual VYR_ERROR GetBroadcastEphemerisGalRecords(
        std::vector<VYR_BROADCASTEPHEMERIS_GAL>& records) = 0;
    virtual VYR_ERROR GetBroadcastEphemerisGloRecords(
        std::vector<VYR_BROADCASTEPHEMERIS_GLO>& records) = 0;
    virtual VYR_ERROR GetBroadcastEphemerisRecords(
        std::vector<VYR_BROADCASTEPHEMERIS>& records) = 0;
    virtual VYR_ERROR GetPreciseEphemerisCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_PRECISEEPHEMERIS>>& collection) = 0;
    virtual VYR_ERROR GetPreciseEphemerisRecords(std::vector<VYR_PRECISEEPHEMERIS>& records) = 0;
    virtual VYR_ERROR GetIonoUtcCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_IONOUTC>>& collection) = 0;
    virtual VYR_ERROR GetIonoUtcRecords(std::vector<VYR_IONOUTC>& records) = 0;
    virtual VYR_ERROR GetIonoGlobalRegCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_IONO_GLOBALREG>>& collection) = 0;
    virtual VYR_ERROR GetIonoGlobalRegRecords(std::vector<VYR_IONO_GLOBALREG>& records) = 0;
    // Orbit kinds 0, 1 and 2.
    virtual VYR_ERROR GetOrbit(uint32_t orbitKind, CVyrIPtrSmart<IVyrOrbit>& orbit) = 0;
    virtual VYR_ERROR GetIonoKlobuchar(CVyrIPtrSmart<IVyrIonoKlobuchar>& klobuchar) = 0;
    virtual VYR_ERROR GetIonoGlobalReg(CVyrIPtrSmart<IVyrIonoGlobalReg>& globalReg) = 0;
    virtual VYR_ERROR GetEstablishedPointCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_ESTABLISHED_POINT>>& collection) = 0;
    virtual VYR_ERROR GetEstablishedPointRecords(std::vector<VYR_ESTABLISHED_POINT>& records) = 0;
    virtual VYR_ERROR GetUseForEstablishingPointCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_USE_FOR_ESTABLISHING_POINT>>& collection) = 0;
    virtual VYR_ERROR GetUseForEstablishingPointRecords(
        std::vector<VYR_USE_FOR_ESTABLISHING_POINT>& records) = 0;
    virtual VYR_ERROR GetFrequencyChannelMapGlo(VYR_GLONASS_FREQUENCYMAP& map) = 0;
    virtual VYR_ERROR GetTransformPZ90ToWGS84(VYR_TRANSFORMATION_PZ90_TO_WGS84& transform) = 0;
    virtual VYR_ERROR GetUtcLeapSeconds(VYR_UTC_LEAP_SECONDS& leapSeconds) = 0;
    virtual void Release() = 0;

protected:
    ~IVyrCommonData() = default;  // the object goes through Release
};

class IVyrCommonDataEx : public IVyrCommonData {
public:
    virtual VYR_ERROR SetProcessingInformation(const VYR_PROCESSING_INFORMATION& information) = 0;
    virtual VYR_ERROR GetOrbitEx(uint32_t orbitKind, CVyrIPtrSmart<IVyrOrbitEx>& orbit) = 0;
    virtual VYR_ERROR GetIonoKlobucharEx(CVyrIPtrSmart<IVyrIonoKlobucharEx>& klobuchar) = 0;
    virtual VYR_ERROR GetIonoGlobalRegEx(CVyrIPtrSmart<IVyrIonoGlobalRegEx>& globalReg) = 0;
    virtual ~IVyrCommonDataEx() = default;
};
