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
// Handed out by the project; holds its document and opens the stream it needs for each call.
// VYR_E_INVALID_INTERFACE once the document is gone. Every Set writes its single-record stream
// whole: VYR_E_CANNOT_CREATE_ENTRY when the stream cannot be made (a project opened for
// reading), VYR_E_WRITE_ENTRY_FAILED when the write fails. Every single-record Get gives
// VYR_E_ENTRY_NOT_FOUND when the record was never written and VYR_E_READ_ENTRY_FAILED when it
// is cut short. A list missing from a project opened for reading gives VYR_E_ENTRY_NOT_FOUND.
// One thread at a time.
class IVyrCommonData {
public:
    // Writes the application's own record; fails as every Set.
    virtual VYR_ERROR SetApplicationInformation(const VYR_APPLICATION_INFORMATION& information) = 0;
    // Writes the project's processing parameters; fails as every Set.
    virtual VYR_ERROR SetProcessingParameters(const VYR_PROCESSING_PARAMETERS& parameters) = 0;
    // Adds the GPS almanacs one by one as Add of their list does; stops at the first failure.
    virtual VYR_ERROR AddAlmanachEphemerisRecords(
        const std::vector<VYR_ALMANACHEPHEMERIS>& records) = 0;
    // Adds the GLONASS almanacs one by one as Add of their list does; stops at the first failure.
    virtual VYR_ERROR AddAlmanachEphemerisGloRecords(
        const std::vector<VYR_ALMANACHEPHEMERIS_GLO>& records) = 0;
    // Adds the Galileo almanacs one by one as Add of their list does; stops at the first failure.
    virtual VYR_ERROR AddAlmanachEphemerisGalRecords(
        const std::vector<VYR_ALMANACHEPHEMERIS_GAL>& records) = 0;
    // Adds the Galileo broadcast ephemerides one by one as Add of their list does; stops at the
    // first failure.
    virtual VYR_ERROR AddBroadcastEphemerisGalRecords(
        const std::vector<VYR_BROADCASTEPHEMERIS_GAL>& records) = 0;
    // Adds the GLONASS broadcast ephemerides one by one as Add of their list does; stops at the
    // first failure.
    virtual VYR_ERROR AddBroadcastEphemerisGloRecords(
        const std::vector<VYR_BROADCASTEPHEMERIS_GLO>& records) = 0;
    // Adds the GPS broadcast ephemerides one by one as Add of their list does; stops at the first
    // failure.
    virtual VYR_ERROR AddBroadcastEphemerisRecords(
        const std::vector<VYR_BROADCASTEPHEMERIS>& records) = 0;
    // Adds the precise ephemeris positions one by one as Add of their list does; stops at the first
    // failure.
    virtual VYR_ERROR AddPreciseEphemerisRecords(
        const std::vector<VYR_PRECISEEPHEMERIS>& records) = 0;
    // Adds the Klobuchar coefficient sets one by one as Add of their list does; stops at the first
    // failure.
    virtual VYR_ERROR AddIonoUtcRecords(const std::vector<VYR_IONOUTC>& records) = 0;
    // Adds the global/regional ionosphere models one by one as Add of their list does; stops at the
    // first failure.
    virtual VYR_ERROR AddIonoGlobalRegRecords(const std::vector<VYR_IONO_GLOBALREG>& records) = 0;
    // Adds the established points one by one as Add of their list does; stops at the first failure.
    virtual VYR_ERROR AddEstablishedPointRecords(
        const std::vector<VYR_ESTABLISHED_POINT>& records) = 0;
    // Adds the points used for establishing others one by one as Add of their list does; stops at
    // the first failure.
    virtual VYR_ERROR AddUseForEstablishingPointRecords(
        const std::vector<VYR_USE_FOR_ESTABLISHING_POINT>& records) = 0;
    // Writes the map and hands it to the process-wide GLONASS channel map store, even when
    // storing fails (as every Set).
    virtual VYR_ERROR SetFrequencyChannelMapGlo(const VYR_GLONASS_FREQUENCYMAP& map) = 0;
    // Writes the PZ-90 to WGS-84 transformation; fails as every Set.
    virtual VYR_ERROR SetTransformPZ90ToWGS84(
        const VYR_TRANSFORMATION_PZ90_TO_WGS84& transform) = 0;
    // Writes the UTC leap seconds; fails as every Set.
    virtual VYR_ERROR SetUtcLeapSeconds(const VYR_UTC_LEAP_SECONDS& leapSeconds) = 0;
    // Reads the kernel's processing information; fails as every single-record Get.
    virtual VYR_ERROR GetProcessingInformation(VYR_PROCESSING_INFORMATION& information) = 0;
    // Reads the application's record; fails as every single-record Get.
    virtual VYR_ERROR GetApplicationInformation(VYR_APPLICATION_INFORMATION& information) = 0;
    // Starts from the defaults; what is stored overwrites them. Fails as every single-record Get.
    virtual VYR_ERROR GetProcessingParameters(VYR_PROCESSING_PARAMETERS& parameters) = 0;
    // The cached list of GPS almanacs; fails as the class comment says.
    virtual VYR_ERROR GetAlmanachEphemerisCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_ALMANACHEPHEMERIS>>& collection) = 0;
    // Every stored one of the GPS almanacs; emptied first, fails as its list.
    virtual VYR_ERROR GetAlmanachEphemerisRecords(std::vector<VYR_ALMANACHEPHEMERIS>& records) = 0;
    // The cached list of GLONASS almanacs; fails as the class comment says.
    virtual VYR_ERROR GetAlmanachEphemerisGloCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_ALMANACHEPHEMERIS_GLO>>& collection) = 0;
    // Every stored one of the GLONASS almanacs; emptied first, fails as its list.
    virtual VYR_ERROR GetAlmanachEphemerisGloRecords(
        std::vector<VYR_ALMANACHEPHEMERIS_GLO>& records) = 0;
    // The cached list of Galileo almanacs; fails as the class comment says.
    virtual VYR_ERROR GetAlmanachEphemerisGalCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_ALMANACHEPHEMERIS_GAL>>& collection) = 0;
    // Every stored one of the Galileo almanacs; emptied first, fails as its list.
    virtual VYR_ERROR GetAlmanachEphemerisGalRecords(
        std::vector<VYR_ALMANACHEPHEMERIS_GAL>& records) = 0;
    // The cached list of Galileo broadcast ephemerides; fails as the class comment says.
    virtual VYR_ERROR GetBroadcastEphemerisGalCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_BROADCASTEPHEMERIS_GAL>>& collection) = 0;
    // The cached list of GLONASS broadcast ephemerides; fails as the class comment says.
    virtual VYR_ERROR GetBroadcastEphemerisGloCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_BROADCASTEPHEMERIS_GLO>>& collection) = 0;
    // The cached list of GPS broadcast ephemerides; fails as the class comment says.
    virtual VYR_ERROR GetBroadcastEphemerisCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_BROADCASTEPHEMERIS>>& collection) = 0;
    // Every stored one of the Galileo broadcast ephemerides; emptied first, fails as its list.
    virtual VYR_ERROR GetBroadcastEphemerisGalRecords(
        std::vector<VYR_BROADCASTEPHEMERIS_GAL>& records) = 0;
    // Every stored one of the GLONASS broadcast ephemerides; emptied first, fails as its list.
    virtual VYR_ERROR GetBroadcastEphemerisGloRecords(
        std::vector<VYR_BROADCASTEPHEMERIS_GLO>& records) = 0;
    // Every stored one of the GPS broadcast ephemerides; emptied first, fails as its list.
    virtual VYR_ERROR GetBroadcastEphemerisRecords(
        std::vector<VYR_BROADCASTEPHEMERIS>& records) = 0;
    // The cached list of precise ephemeris positions; fails as the class comment says.
    virtual VYR_ERROR GetPreciseEphemerisCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_PRECISEEPHEMERIS>>& collection) = 0;
    // Every stored one of the precise ephemeris positions; emptied first, fails as its list.
    virtual VYR_ERROR GetPreciseEphemerisRecords(std::vector<VYR_PRECISEEPHEMERIS>& records) = 0;
    // The cached list of Klobuchar coefficient sets; fails as the class comment says.
    virtual VYR_ERROR GetIonoUtcCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_IONOUTC>>& collection) = 0;
    // Every stored one of the Klobuchar coefficient sets; emptied first, fails as its list.
    virtual VYR_ERROR GetIonoUtcRecords(std::vector<VYR_IONOUTC>& records) = 0;
    // The cached list of global/regional ionosphere models; fails as the class comment says.
    virtual VYR_ERROR GetIonoGlobalRegCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_IONO_GLOBALREG>>& collection) = 0;
    // Every stored one of the global/regional ionosphere models; emptied first, fails as its list.
    virtual VYR_ERROR GetIonoGlobalRegRecords(std::vector<VYR_IONO_GLOBALREG>& records) = 0;
    // Access to the orbit results of a kind: 0 broadcast, 1 precise, 2 almanac. Other kinds give
    // VYR_E_INVALID_PARAMETER; a missing result storage fails as GetIonoKlobuchar.
    virtual VYR_ERROR GetOrbit(uint32_t orbitKind, CVyrIPtrSmart<IVyrOrbit>& orbit) = 0;
    // Access to the Klobuchar model results ("IonoKlobucharResult" storage, made when missing
    // in a project opened for writing); VYR_E_ENTRY_NOT_FOUND when missing from a read-only
    // project.
    virtual VYR_ERROR GetIonoKlobuchar(CVyrIPtrSmart<IVyrIonoKlobuchar>& klobuchar) = 0;
    // Access to the global/regional model results; fails as GetIonoKlobuchar.
    virtual VYR_ERROR GetIonoGlobalReg(CVyrIPtrSmart<IVyrIonoGlobalReg>& globalReg) = 0;
    // The cached list of established points; fails as the class comment says.
    virtual VYR_ERROR GetEstablishedPointCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_ESTABLISHED_POINT>>& collection) = 0;
    // Every stored one of the established points; emptied first, fails as its list.
    virtual VYR_ERROR GetEstablishedPointRecords(std::vector<VYR_ESTABLISHED_POINT>& records) = 0;
    // The cached list of points used for establishing others; fails as the class comment says.
    virtual VYR_ERROR GetUseForEstablishingPointCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_USE_FOR_ESTABLISHING_POINT>>& collection) = 0;
    // Every stored one of the points used for establishing others; emptied first, fails as its
    // list.
    virtual VYR_ERROR GetUseForEstablishingPointRecords(
        std::vector<VYR_USE_FOR_ESTABLISHING_POINT>& records) = 0;
    // Reads the stored GLONASS channel map; fails as every single-record Get.
    virtual VYR_ERROR GetFrequencyChannelMapGlo(VYR_GLONASS_FREQUENCYMAP& map) = 0;
    // Reads the PZ-90 to WGS-84 transformation; fails as every single-record Get.
    virtual VYR_ERROR GetTransformPZ90ToWGS84(VYR_TRANSFORMATION_PZ90_TO_WGS84& transform) = 0;
    // Reads the UTC leap seconds; fails as every single-record Get.
    virtual VYR_ERROR GetUtcLeapSeconds(VYR_UTC_LEAP_SECONDS& leapSeconds) = 0;
    // Drops the object; the smart pointer holding it calls this.
    virtual void Release() = 0;

protected:
    ~IVyrCommonData() = default;  // the object goes through Release
};

class IVyrCommonDataEx : public IVyrCommonData {
public:
    // Writes the kernel's processing information; fails as every Set.
    virtual VYR_ERROR SetProcessingInformation(const VYR_PROCESSING_INFORMATION& information) = 0;
    // As GetOrbit, with the extended interface.
    virtual VYR_ERROR GetOrbitEx(uint32_t orbitKind, CVyrIPtrSmart<IVyrOrbitEx>& orbit) = 0;
    // As GetIonoKlobuchar, with the extended interface.
    virtual VYR_ERROR GetIonoKlobucharEx(CVyrIPtrSmart<IVyrIonoKlobucharEx>& klobuchar) = 0;
    // As GetIonoGlobalReg, with the extended interface.
    virtual VYR_ERROR GetIonoGlobalRegEx(CVyrIPtrSmart<IVyrIonoGlobalRegEx>& globalReg) = 0;
    virtual ~IVyrCommonDataEx() = default;
};
