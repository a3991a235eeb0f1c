#include "records/common_data.h"

#include <new>
#include <utility>

#include "records/common_data_collections.h"
#include "records/hand_out_collection.h"
#include "records/orbit_results.h"
#include "records/processing_parameters_format.h"
#include "records/single_record.h"
#include "storage/layout.h"

using namespace vyr_storage;

namespace {

// Each record is added through the collection, so a record whose key is stored already is
// skipped: importing the same data twice stores it once. Stops at the first failure.
template <class Collection, class T>
VYR_ERROR add_records(const CVyrPtrSmart<CStg>& project, uint32_t version,
                      const std::vector<T>& records) {
    Collection collection(project, version);
    for (const T& record : records) {
        const VYR_ERROR added = collection.Add(record);
        if (VyrFailed(added)) return added;
    }
    return VYR_OK;
}

template <class Collection, class T>
VYR_ERROR get_records(const CVyrPtrSmart<CStg>& project, uint32_t version,
                      std::vector<T>& records) {
    Collection collection(project, version);
    if (VyrFailed(collection.OpenResult()))
        return vyr_records::handed_out_status(collection.OpenResult());
    return collection.GetAll(records);
}

// An access object that cannot bind to its result storage is destroyed and its failure
// returned.
template <class Object, class Interface, class... Args>
VYR_ERROR hand_out_access_object(CVyrIPtrSmart<Interface>& out, Args&&... args) {
    out.Reset();
    auto* object = new (std::nothrow) Object(std::forward<Args>(args)...);
    if (object == nullptr) return VYR_E_INVALID_INTERFACE;
    const VYR_ERROR bound = object->Init();
    if (VyrFailed(bound)) {
        object->Release();
        return bound;
    }
    out = static_cast<Interface*>(object);
    if (!out.IsValid()) {
        object->Release();
        return VYR_E_INVALID_INTERFACE;
    }
    return VYR_OK;
}

}  // namespace

CVyrCommonData::CVyrCommonData(const CVyrPtrSmart<CStg>& project, uint32_t version)
    : m_project(project), m_version(version) {}

void CVyrCommonData::Release() {
    delete this;
}

VYR_ERROR CVyrCommonData::SetFrequencyChannelMapGlo(const VYR_GLONASS_FREQUENCYMAP& map) {
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    // The process-wide store follows the caller's map even when storing it fails.
    if (CGlonassChannelMapStore* store = CGlonassChannelMapStore::Instance()) store->Set(map);
    return vyr_records::write_single_record(*m_project, kStreamFrequencyChannelMapGlo, map);
}

VYR_ERROR CVyrCommonData::GetProcessingParameters(VYR_PROCESSING_PARAMETERS& parameters) {
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    parameters = VYR_PROCESSING_PARAMETERS{};
    return vyr_records::read_single_record(*m_project, kStreamProcessingParameters, m_version,
                                           parameters);
}

VYR_ERROR CVyrCommonData::SetApplicationInformation(
    const VYR_APPLICATION_INFORMATION& information) {
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::write_single_record(*m_project, kStreamApplicationInfo, information);
}

VYR_ERROR CVyrCommonData::SetProcessingParameters(const VYR_PROCESSING_PARAMETERS& parameters) {
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::write_single_record(*m_project, kStreamProcessingParameters, parameters);
}

VYR_ERROR CVyrCommonData::AddAlmanachEphemerisRecords(
    const std::vector<VYR_ALMANACHEPHEMERIS>& records) {
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return add_records<CVyrCollectionAlmanachEphemeris>(m_project, m_version, records);
}

VYR_ERROR CVyrCommonData::AddAlmanachEphemerisGloRecords(
    const std::vector<VYR_ALMANACHEPHEMERIS_GLO>& records) {
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return add_records<CVyrCollectionAlmanachEphemerisGlo>(m_project, m_version, records);
}

VYR_ERROR CVyrCommonData::AddAlmanachEphemerisGalRecords(
    const std::vector<VYR_ALMANACHEPHEMERIS_GAL>& records) {
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return add_records<CVyrCollectionAlmanachEphemerisGal>(m_project, m_version, records);
}

VYR_ERROR CVyrCommonData::AddBroadcastEphemerisGalRecords(
    const std::vector<VYR_BROADCASTEPHEMERIS_GAL>& records) {
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return add_records<CVyrCollectionBroadcastEphemerisGal>(m_project, m_version, records);
}

VYR_ERROR CVyrCommonData::AddBroadcastEphemerisGloRecords(
    const std::vector<VYR_BROADCASTEPHEMERIS_GLO>& records) {
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return add_records<CVyrCollectionBroadcastEphemerisGlo>(m_project, m_version, records);
}

VYR_ERROR CVyrCommonData::AddBroadcastEphemerisRecords(
    const std::vector<VYR_BROADCASTEPHEMERIS>& records) {
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return add_records<CVyrCollectionBroadcastEphemeris>(m_project, m_version, records);
}

VYR_ERROR CVyrCommonData::AddPreciseEphemerisRecords(
    const std::vector<VYR_PRECISEEPHEMERIS>& records) {
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return add_records<CVyrCollectionPreciseEphemeris>(m_project, m_version, records);
}

VYR_ERROR CVyrCommonData::AddIonoUtcRecords(const std::vector<VYR_IONOUTC>& records) {
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return add_records<CVyrCollectionIonoUtc>(m_project, m_version, records);
}

VYR_ERROR CVyrCommonData::AddIonoGlobalRegRecords(const std::vector<VYR_IONO_GLOBALREG>& records) {
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return add_records<CVyrCollectionIonoGlobalReg>(m_project, m_version, records);
}

VYR_ERROR CVyrCommonData::AddEstablishedPointRecords(
    const std::vector<VYR_ESTABLISHED_POINT>& records) {
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return add_records<CVyrCollectionEstablishedPoint>(m_project, m_version, records);
}

VYR_ERROR CVyrCommonData::AddUseForEstablishingPointRecords(
    const std::vector<VYR_USE_FOR_ESTABLISHING_POINT>& records) {
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return add_records<CVyrCollectionUseForEstablishingPoint>(m_project, m_version, records);
}

VYR_ERROR CVyrCommonData::SetTransformPZ90ToWGS84(
    const VYR_TRANSFORMATION_PZ90_TO_WGS84& transform) {
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::write_single_record(*m_project, kStreamTransformPZ90ToWGS84, transform);
}

VYR_ERROR CVyrCommonData::SetUtcLeapSeconds(const VYR_UTC_LEAP_SECONDS& leapSeconds) {
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::write_single_record(*m_project, kStreamUtcLeapSeconds, leapSeconds);
}

VYR_ERROR CVyrCommonData::GetProcessingInformation(VYR_PROCESSING_INFORMATION& information) {
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::read_single_record(*m_project, kStreamProcessingInfo, m_version,
                                           information);
}

VYR_ERROR CVyrCommonData::GetApplicationInformation(VYR_APPLICATION_INFORMATION& information) {
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::read_single_record(*m_project, kStreamApplicationInfo, m_version,
                                           information);
}

VYR_ERROR CVyrCommonData::GetAlmanachEphemerisCollection(
    CVyrIPtrSmart<IVyrCollection<VYR_ALMANACHEPHEMERIS>>& collection) {
    collection.Reset();
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::hand_out_collection<CVyrCollectionAlmanachEphemeris>(collection, m_project,
                                                                             m_version);
}

VYR_ERROR CVyrCommonData::GetAlmanachEphemerisRecords(std::vector<VYR_ALMANACHEPHEMERIS>& records) {
    records.clear();
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return get_records<CVyrCollectionAlmanachEphemeris>(m_project, m_version, records);
}

VYR_ERROR CVyrCommonData::GetAlmanachEphemerisGloCollection(
    CVyrIPtrSmart<IVyrCollection<VYR_ALMANACHEPHEMERIS_GLO>>& collection) {
    collection.Reset();
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::hand_out_collection<CVyrCollectionAlmanachEphemerisGlo>(
        collection, m_project, m_version);
}

VYR_ERROR CVyrCommonData::GetAlmanachEphemerisGloRecords(
    std::vector<VYR_ALMANACHEPHEMERIS_GLO>& records) {
    records.clear();
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return get_records<CVyrCollectionAlmanachEphemerisGlo>(m_project, m_version, records);
}

VYR_ERROR CVyrCommonData::GetAlmanachEphemerisGalCollection(
    CVyrIPtrSmart<IVyrCollection<VYR_ALMANACHEPHEMERIS_GAL>>& collection) {
    collection.Reset();
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::hand_out_collection<CVyrCollectionAlmanachEphemerisGal>(
        collection, m_project, m_version);
}

VYR_ERROR CVyrCommonData::GetAlmanachEphemerisGalRecords(
    std::vector<VYR_ALMANACHEPHEMERIS_GAL>& records) {
    records.clear();
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return get_records<CVyrCollectionAlmanachEphemerisGal>(m_project, m_version, records);
}

VYR_ERROR CVyrCommonData::GetBroadcastEphemerisGalCollection(
    CVyrIPtrSmart<IVyrCollection<VYR_BROADCASTEPHEMERIS_GAL>>& collection) {
    collection.Reset();
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::hand_out_collection<CVyrCollectionBroadcastEphemerisGal>(
        collection, m_project, m_version);
}

VYR_ERROR CVyrCommonData::GetBroadcastEphemerisGloCollection(
    CVyrIPtrSmart<IVyrCollection<VYR_BROADCASTEPHEMERIS_GLO>>& collection) {
    collection.Reset();
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::hand_out_collection<CVyrCollectionBroadcastEphemerisGlo>(
        collection, m_project, m_version);
}

VYR_ERROR CVyrCommonData::GetBroadcastEphemerisCollection(
    CVyrIPtrSmart<IVyrCollection<VYR_BROADCASTEPHEMERIS>>& collection) {
    collection.Reset();
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::hand_out_collection<CVyrCollectionBroadcastEphemeris>(collection, m_project,
                                                                              m_version);
}

VYR_ERROR CVyrCommonData::GetBroadcastEphemerisGalRecords(
    std::vector<VYR_BROADCASTEPHEMERIS_GAL>& records) {
    records.clear();
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return get_records<CVyrCollectionBroadcastEphemerisGal>(m_project, m_version, records);
}

VYR_ERROR CVyrCommonData::GetBroadcastEphemerisGloRecords(
    std::vector<VYR_BROADCASTEPHEMERIS_GLO>& records) {
    records.clear();
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return get_records<CVyrCollectionBroadcastEphemerisGlo>(m_project, m_version, records);
}

VYR_ERROR CVyrCommonData::GetBroadcastEphemerisRecords(
    std::vector<VYR_BROADCASTEPHEMERIS>& records) {
    records.clear();
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return get_records<CVyrCollectionBroadcastEphemeris>(m_project, m_version, records);
}

VYR_ERROR CVyrCommonData::GetPreciseEphemerisCollection(
    CVyrIPtrSmart<IVyrCollection<VYR_PRECISEEPHEMERIS>>& collection) {
    collection.Reset();
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::hand_out_collection<CVyrCollectionPreciseEphemeris>(collection, m_project,
                                                                            m_version);
}

VYR_ERROR CVyrCommonData::GetPreciseEphemerisRecords(std::vector<VYR_PRECISEEPHEMERIS>& records) {
    records.clear();
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return get_records<CVyrCollectionPreciseEphemeris>(m_project, m_version, records);
}

VYR_ERROR CVyrCommonData::GetIonoUtcCollection(
    CVyrIPtrSmart<IVyrCollection<VYR_IONOUTC>>& collection) {
    collection.Reset();
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::hand_out_collection<CVyrCollectionIonoUtc>(collection, m_project,
                                                                   m_version);
}

VYR_ERROR CVyrCommonData::GetIonoUtcRecords(std::vector<VYR_IONOUTC>& records) {
    records.clear();
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return get_records<CVyrCollectionIonoUtc>(m_project, m_version, records);
}

VYR_ERROR CVyrCommonData::GetIonoGlobalRegCollection(
    CVyrIPtrSmart<IVyrCollection<VYR_IONO_GLOBALREG>>& collection) {
    collection.Reset();
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::hand_out_collection<CVyrCollectionIonoGlobalReg>(collection, m_project,
                                                                         m_version);
}

VYR_ERROR CVyrCommonData::GetIonoGlobalRegRecords(std::vector<VYR_IONO_GLOBALREG>& records) {
    records.clear();
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return get_records<CVyrCollectionIonoGlobalReg>(m_project, m_version, records);
}

VYR_ERROR CVyrCommonData::GetOrbit(uint32_t orbitKind, CVyrIPtrSmart<IVyrOrbit>& orbit) {
    orbit.Reset();
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return hand_out_access_object<CVyrOrbit>(orbit, m_project, m_version, orbitKind);
}

VYR_ERROR CVyrCommonData::GetIonoKlobuchar(CVyrIPtrSmart<IVyrIonoKlobuchar>& klobuchar) {
    klobuchar.Reset();
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return hand_out_access_object<CVyrIonoKlobuchar>(klobuchar, m_project, m_version);
}

VYR_ERROR CVyrCommonData::GetIonoGlobalReg(CVyrIPtrSmart<IVyrIonoGlobalReg>& globalReg) {
    globalReg.Reset();
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return hand_out_access_object<CVyrIonoGlobalReg>(globalReg, m_project, m_version);
}

VYR_ERROR CVyrCommonData::GetEstablishedPointCollection(
    CVyrIPtrSmart<IVyrCollection<VYR_ESTABLISHED_POINT>>& collection) {
    collection.Reset();
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::hand_out_collection<CVyrCollectionEstablishedPoint>(collection, m_project,
                                                                            m_version);
}

VYR_ERROR CVyrCommonData::GetEstablishedPointRecords(std::vector<VYR_ESTABLISHED_POINT>& records) {
    records.clear();
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return get_records<CVyrCollectionEstablishedPoint>(m_project, m_version, records);
}

VYR_ERROR CVyrCommonData::GetUseForEstablishingPointCollection(
    CVyrIPtrSmart<IVyrCollection<VYR_USE_FOR_ESTABLISHING_POINT>>& collection) {
    collection.Reset();
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::hand_out_collection<CVyrCollectionUseForEstablishingPoint>(
        collection, m_project, m_version);
}

VYR_ERROR CVyrCommonData::GetUseForEstablishingPointRecords(
    std::vector<VYR_USE_FOR_ESTABLISHING_POINT>& records) {
    records.clear();
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return get_records<CVyrCollectionUseForEstablishingPoint>(m_project, m_version, records);
}

VYR_ERROR CVyrCommonData::GetFrequencyChannelMapGlo(VYR_GLONASS_FREQUENCYMAP& map) {
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::read_single_record(*m_project, kStreamFrequencyChannelMapGlo, m_version,
                                           map);
}

VYR_ERROR CVyrCommonData::GetTransformPZ90ToWGS84(VYR_TRANSFORMATION_PZ90_TO_WGS84& transform) {
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::read_single_record(*m_project, kStreamTransformPZ90ToWGS84, m_version,
                                           transform);
}

VYR_ERROR CVyrCommonData::GetUtcLeapSeconds(VYR_UTC_LEAP_SECONDS& leapSeconds) {
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::read_single_record(*m_project, kStreamUtcLeapSeconds, m_version,
                                           leapSeconds);
}

VYR_ERROR CVyrCommonData::SetProcessingInformation(const VYR_PROCESSING_INFORMATION& information) {
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::write_single_record(*m_project, kStreamProcessingInfo, information);
}

VYR_ERROR CVyrCommonData::GetOrbitEx(uint32_t orbitKind, CVyrIPtrSmart<IVyrOrbitEx>& orbit) {
    orbit.Reset();
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return hand_out_access_object<CVyrOrbit>(orbit, m_project, m_version, orbitKind);
}

VYR_ERROR CVyrCommonData::GetIonoKlobucharEx(CVyrIPtrSmart<IVyrIonoKlobucharEx>& klobuchar) {
    klobuchar.Reset();
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return hand_out_access_object<CVyrIonoKlobuchar>(klobuchar, m_project, m_version);
}

VYR_ERROR CVyrCommonData::GetIonoGlobalRegEx(CVyrIPtrSmart<IVyrIonoGlobalRegEx>& globalReg) {
    globalReg.Reset();
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    return hand_out_access_object<CVyrIonoGlobalReg>(globalReg, m_project, m_version);
}
