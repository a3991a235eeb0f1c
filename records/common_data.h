// CVyrCommonData: the project-wide records, reached through the project storage. It keeps no
// stream open between calls: each call opens what it needs and closes it again.
#pragma once

#include <vyr/collection.h>
#include <vyr/common_data.h>
#include <vyr/ephemeris.h>
#include <vyr/points.h>

#include "storage/stg.h"

class CVyrCommonData final : public IVyrCommonDataEx {
public:
    CVyrCommonData(const CVyrPtrSmart<CStg>& project, uint32_t version);

    VYR_ERROR SetApplicationInformation(const VYR_APPLICATION_INFORMATION& information) override;
    VYR_ERROR SetProcessingParameters(const VYR_PROCESSING_PARAMETERS& parameters) override;
    VYR_ERROR AddAlmanachEphemerisRecords(
        const std::vector<VYR_ALMANACHEPHEMERIS>& records) override;
    VYR_ERROR AddAlmanachEphemerisGloRecords(
        const std::vector<VYR_ALMANACHEPHEMERIS_GLO>& records) override;
    VYR_ERROR AddAlmanachEphemerisGalRecords(
        const std::vector<VYR_ALMANACHEPHEMERIS_GAL>& records) override;
    VYR_ERROR AddBroadcastEphemerisGalRecords(
        const std::vector<VYR_BROADCASTEPHEMERIS_GAL>& records) override;
    VYR_ERROR AddBroadcastEphemerisGloRecords(
        const std::vector<VYR_BROADCASTEPHEMERIS_GLO>& records) override;
    VYR_ERROR AddBroadcastEphemerisRecords(
        const std::vector<VYR_BROADCASTEPHEMERIS>& records) override;
    VYR_ERROR AddPreciseEphemerisRecords(const std::vector<VYR_PRECISEEPHEMERIS>& records) override;
    VYR_ERROR AddIonoUtcRecords(const std::vector<VYR_IONOUTC>& records) override;
    VYR_ERROR AddIonoGlobalRegRecords(const std::vector<VYR_IONO_GLOBALREG>& records) override;
    VYR_ERROR AddEstablishedPointRecords(
        const std::vector<VYR_ESTABLISHED_POINT>& records) override;
    VYR_ERROR AddUseForEstablishingPointRecords(
        const std::vector<VYR_USE_FOR_ESTABLISHING_POINT>& records) override;
    VYR_ERROR SetFrequencyChannelMapGlo(const VYR_GLONASS_FREQUENCYMAP& map) override;
    VYR_ERROR SetTransformPZ90ToWGS84(const VYR_TRANSFORMATION_PZ90_TO_WGS84& transform) override;
    VYR_ERROR SetUtcLeapSeconds(const VYR_UTC_LEAP_SECONDS& leapSeconds) override;
    VYR_ERROR GetProcessingInformation(VYR_PROCESSING_INFORMATION& information) override;
    VYR_ERROR GetApplicationInformation(VYR_APPLICATION_INFORMATION& information) override;
    VYR_ERROR GetProcessingParameters(VYR_PROCESSING_PARAMETERS& parameters) override;
    VYR_ERROR GetAlmanachEphemerisCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_ALMANACHEPHEMERIS>>& collection) override;
    VYR_ERROR GetAlmanachEphemerisRecords(std::vector<VYR_ALMANACHEPHEMERIS>& records) override;
    VYR_ERROR GetAlmanachEphemerisGloCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_ALMANACHEPHEMERIS_GLO>>& collection) override;
    VYR_ERROR GetAlmanachEphemerisGloRecords(
        std::vector<VYR_ALMANACHEPHEMERIS_GLO>& records) override;
    VYR_ERROR GetAlmanachEphemerisGalCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_ALMANACHEPHEMERIS_GAL>>& collection) override;
    VYR_ERROR GetAlmanachEphemerisGalRecords(
        std::vector<VYR_ALMANACHEPHEMERIS_GAL>& records) override;
    VYR_ERROR GetBroadcastEphemerisGalCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_BROADCASTEPHEMERIS_GAL>>& collection) override;
    VYR_ERROR GetBroadcastEphemerisGloCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_BROADCASTEPHEMERIS_GLO>>& collection) override;
    VYR_ERROR GetBroadcastEphemerisCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_BROADCASTEPHEMERIS>>& collection) override;
    VYR_ERROR GetBroadcastEphemerisGalRecords(
        std::vector<VYR_BROADCASTEPHEMERIS_GAL>& records) override;
    VYR_ERROR GetBroadcastEphemerisGloRecords(
        std::vector<VYR_BROADCASTEPHEMERIS_GLO>& records) override;
    VYR_ERROR GetBroadcastEphemerisRecords(std::vector<VYR_BROADCASTEPHEMERIS>& records) override;
    VYR_ERROR GetPreciseEphemerisCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_PRECISEEPHEMERIS>>& collection) override;
    VYR_ERROR GetPreciseEphemerisRecords(std::vector<VYR_PRECISEEPHEMERIS>& records) override;
    VYR_ERROR GetIonoUtcCollection(CVyrIPtrSmart<IVyrCollection<VYR_IONOUTC>>& collection) override;
    VYR_ERROR GetIonoUtcRecords(std::vector<VYR_IONOUTC>& records) override;
    VYR_ERROR GetIonoGlobalRegCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_IONO_GLOBALREG>>& collection) override;
    VYR_ERROR GetIonoGlobalRegRecords(std::vector<VYR_IONO_GLOBALREG>& records) override;
    VYR_ERROR GetOrbit(uint32_t orbitKind, CVyrIPtrSmart<IVyrOrbit>& orbit) override;
    VYR_ERROR GetIonoKlobuchar(CVyrIPtrSmart<IVyrIonoKlobuchar>& klobuchar) override;
    VYR_ERROR GetIonoGlobalReg(CVyrIPtrSmart<IVyrIonoGlobalReg>& globalReg) override;
    VYR_ERROR GetEstablishedPointCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_ESTABLISHED_POINT>>& collection) override;
    VYR_ERROR GetEstablishedPointRecords(std::vector<VYR_ESTABLISHED_POINT>& records) override;
    VYR_ERROR GetUseForEstablishingPointCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_USE_FOR_ESTABLISHING_POINT>>& collection) override;
    VYR_ERROR GetUseForEstablishingPointRecords(
        std::vector<VYR_USE_FOR_ESTABLISHING_POINT>& records) override;
    VYR_ERROR GetFrequencyChannelMapGlo(VYR_GLONASS_FREQUENCYMAP& map) override;
    VYR_ERROR GetTransformPZ90ToWGS84(VYR_TRANSFORMATION_PZ90_TO_WGS84& transform) override;
    VYR_ERROR GetUtcLeapSeconds(VYR_UTC_LEAP_SECONDS& leapSeconds) override;
    void Release() override;
    VYR_ERROR SetProcessingInformation(const VYR_PROCESSING_INFORMATION& information) override;
    VYR_ERROR GetOrbitEx(uint32_t orbitKind, CVyrIPtrSmart<IVyrOrbitEx>& orbit) override;
    VYR_ERROR GetIonoKlobucharEx(CVyrIPtrSmart<IVyrIonoKlobucharEx>& klobuchar) override;
    VYR_ERROR GetIonoGlobalRegEx(CVyrIPtrSmart<IVyrIonoGlobalRegEx>& globalReg) override;

private:
    // The project storage (its root CStg); every call checks it is still there.
    CVyrPtrSmart<CStg> m_project;
    uint32_t m_version;
};
