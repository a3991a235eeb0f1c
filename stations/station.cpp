#include "stations/station.h"

#include <filesystem>
#include <new>
#include <string>
#include <system_error>

#include "import/station_export.h"
#include "records/common_data.h"
#include "records/hand_out_collection.h"
#include "records/point_collections.h"
#include "records/single_record.h"
#include "stations/observations.h"
#include "stations/station_format.h"
#include "stations/station_key.h"
#include "stations/statistics_avail_collection.h"
#include "stations/statistics_format.h"
#include "storage/factories.h"
#include "storage/layout.h"

using namespace vyr_storage;

namespace {

// Each point goes through the collection, so a point whose number is stored already is skipped.
template <class Collection, class T>
VYR_ERROR add_points(const CVyrPtrSmart<CStg>& storage, uint32_t streamId, uint32_t version,
                     const std::vector<T>& points) {
    Collection collection(storage, streamId, version);
    for (const T& point : points) {
        const VYR_ERROR added = collection.Add(point);
        if (VyrFailed(added)) return added;
    }
    return VYR_OK;
}

template <class Collection, class T>
VYR_ERROR get_points(const CVyrPtrSmart<CStg>& storage, uint32_t streamId, uint32_t version,
                     std::vector<T>& points) {
    points.clear();
    Collection collection(storage, streamId, version);
    if (VyrFailed(collection.OpenResult()))
        return vyr_records::handed_out_status(collection.OpenResult());
    return collection.GetAll(points);
}

}  // namespace

CVyrStation::CVyrStation(const CVyrPtrSmart<CStg>& project, const VYR_STATION_KEY& key,
                         const CVyrPtrSmart<CCreateKey>& keys, uint32_t version)
    : m_project(project), m_key(key), m_keys(keys), m_version(version) {}

void CVyrStation::Release() {
    delete this;
}

bool CVyrStation::IsOpen() const {
    return m_station.IsValid() && m_result.IsValid();
}

VYR_ERROR CVyrStation::Create() {
    return OpenStorages(vyr::kDispositionCreateNew, VYR_E_CANNOT_CREATE_ENTRY);
}

VYR_ERROR CVyrStation::Open() {
    return OpenStorages(vyr::kDispositionOpenExisting, VYR_E_ENTRY_NOT_FOUND);
}

VYR_ERROR CVyrStation::OpenStorages(int32_t disposition, VYR_ERROR failure) {
    m_station.Reset();
    m_result.Reset();
    if (!m_project.IsValid()) return VYR_E_INVALID_INTERFACE;
    if (!vyr_stations::is_usable_key(m_key)) return VYR_E_INVALID_PARAMETER;
    CVyrPtrSmart<CStg> station(new (std::nothrow) CStg());
    CVyrPtrSmart<CStg> result(new (std::nothrow) CStg());
    if (!station.IsValid() || !result.IsValid()) return VYR_E_INVALID_INTERFACE;
    if (!CFactoryStorage(m_project.Get()).OpenOrCreateStation(m_key, disposition, *station))
        return failure;
    station->SetParent(m_project);
    if (!CFactoryStorage(station.Get()).OpenOrCreate(kStorageStationResult, disposition, *result)) {
        // A station storage made here without its result storage would block the key for good.
        station.Reset();
        if (disposition == vyr::kDispositionCreateNew)
            CFactoryStorage(m_project.Get()).DestroyStation(m_key);
        return failure;
    }
    result->SetParent(station);
    m_station = station;
    m_result = result;
    return VYR_OK;
}

template <class T>
VYR_ERROR CVyrStation::WriteEntry(uint32_t streamId, const T& record, int32_t disposition) {
    if (!IsOpen()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::write_single_record(*m_station, streamId, record, {disposition, true});
}

template <class T>
VYR_ERROR CVyrStation::ReadEntry(uint32_t streamId, T& record) {
    if (!IsOpen()) return VYR_E_INVALID_INTERFACE;
    T read{};
    const VYR_ERROR result = vyr_records::read_single_record(*m_station, streamId, m_version, read);
    if (result == VYR_OK) record = std::move(read);
    return result;
}

VYR_ERROR CVyrStation::SetSensorSystem(const VYR_SENSORSYSTEM& sensorSystem) {
    return WriteEntry(kStreamSensorSystem, sensorSystem, vyr::kDispositionOpenAlways);
}

VYR_ERROR CVyrStation::SetAntenna(const VYR_ANTENNA& antenna) {
    return WriteEntry(kStreamAntenna, antenna, vyr::kDispositionOpenAlways);
}

VYR_ERROR CVyrStation::SetWindows(const VYR_WINDOWS& windows) {
    return WriteEntry(kStreamWindows, windows, vyr::kDispositionOpenAlways);
}

VYR_ERROR CVyrStation::SetSatelliteWindows(const VYR_SV_WINDOWS& windows) {
    return WriteEntry(kStreamSatelliteWindows, windows, vyr::kDispositionOpenAlways);
}

VYR_ERROR CVyrStation::SetObservationStatistics(const vyr::ObservationStatistics& statistics) {
    // Refused before the stream is replaced: the reader would take it for damage.
    if (!vyr_stations::is_plausible_system_map(statistics)) return VYR_E_INVALID_PARAMETER;
    return WriteEntry(kStreamObservationStatistics, statistics, vyr::kDispositionCreateAlways);
}

VYR_ERROR CVyrStation::SetObservationSatelliteStatistics(const VYR_OBSERVATION_SVSTAT& statistics) {
    if (!vyr_stations::is_plausible_svstat(statistics)) return VYR_E_INVALID_PARAMETER;
    return WriteEntry(kStreamObservationSatelliteStatistics, statistics,
                      vyr::kDispositionCreateAlways);
}

VYR_ERROR CVyrStation::SetObsSatelliteStatisticsComplete(const VYR_OBSERVATION_SVSTAT& statistics) {
    if (!vyr_stations::is_plausible_svstat(statistics)) return VYR_E_INVALID_PARAMETER;
    return WriteEntry(kStreamObsSatelliteStatisticsComplete, statistics,
                      vyr::kDispositionCreateAlways);
}

VYR_ERROR CVyrStation::SetExpObsSatelliteStatistics(const VYR_OBSERVATION_SVSTAT& statistics) {
    if (!vyr_stations::is_plausible_svstat(statistics)) return VYR_E_INVALID_PARAMETER;
    return WriteEntry(kStreamExpObsSatelliteStatistics, statistics, vyr::kDispositionCreateAlways);
}

VYR_ERROR CVyrStation::SetExpObsSatelliteStatistics0Deg(const VYR_OBSERVATION_SVSTAT& statistics) {
    if (!vyr_stations::is_plausible_svstat(statistics)) return VYR_E_INVALID_PARAMETER;
    return WriteEntry(kStreamExpObsSatelliteStatistics0Deg, statistics,
                      vyr::kDispositionCreateAlways);
}

VYR_ERROR CVyrStation::GetSensorSystem(VYR_SENSORSYSTEM& sensorSystem) {
    return ReadEntry(kStreamSensorSystem, sensorSystem);
}

VYR_ERROR CVyrStation::GetAntenna(VYR_ANTENNA& antenna) {
    return ReadEntry(kStreamAntenna, antenna);
}

VYR_ERROR CVyrStation::GetWindows(VYR_WINDOWS& windows) {
    return ReadEntry(kStreamWindows, windows);
}

VYR_ERROR CVyrStation::GetSatelliteWindows(VYR_SV_WINDOWS& windows) {
    return ReadEntry(kStreamSatelliteWindows, windows);
}

VYR_ERROR CVyrStation::GetObservationStatistics(vyr::ObservationStatistics& statistics) {
    return ReadEntry(kStreamObservationStatistics, statistics);
}

VYR_ERROR CVyrStation::GetObservationSatelliteStatistics(VYR_OBSERVATION_SVSTAT& statistics) {
    return ReadEntry(kStreamObservationSatelliteStatistics, statistics);
}

VYR_ERROR CVyrStation::GetObsSatelliteStatisticsComplete(VYR_OBSERVATION_SVSTAT& statistics) {
    return ReadEntry(kStreamObsSatelliteStatisticsComplete, statistics);
}

VYR_ERROR CVyrStation::GetExpObsSatelliteStatistics(VYR_OBSERVATION_SVSTAT& statistics) {
    return ReadEntry(kStreamExpObsSatelliteStatistics, statistics);
}

VYR_ERROR CVyrStation::GetExpObsSatelliteStatistics0Deg(VYR_OBSERVATION_SVSTAT& statistics) {
    return ReadEntry(kStreamExpObsSatelliteStatistics0Deg, statistics);
}

VYR_ERROR CVyrStation::AddAprioriPoints(const std::vector<VYR_APRIORI_POINT>& points) {
    if (!IsOpen()) return VYR_E_INVALID_INTERFACE;
    return add_points<CVyrCollectionAprioriPoint>(m_station, kStreamAprioriPoints, m_version,
                                                  points);
}

VYR_ERROR CVyrStation::GetAprioriPoints(std::vector<VYR_APRIORI_POINT>& points) {
    if (!IsOpen()) return VYR_E_INVALID_INTERFACE;
    return get_points<CVyrCollectionAprioriPoint>(m_station, kStreamAprioriPoints, m_version,
                                                  points);
}

VYR_ERROR CVyrStation::AddAposterioriPoints(const std::vector<VYR_APOSTERIORI_POINT>& points) {
    if (!IsOpen()) return VYR_E_INVALID_INTERFACE;
    return add_points<CVyrCollectionAposterioriPointEx>(m_result, kStreamAposterisoriPoints,
                                                        m_version, points);
}

VYR_ERROR CVyrStation::GetAposterioriPoints(std::vector<VYR_APOSTERIORI_POINT>& points) {
    if (!IsOpen()) return VYR_E_INVALID_INTERFACE;
    return get_points<CVyrCollectionAposterioriPointEx>(m_result, kStreamAposterisoriPoints,
                                                        m_version, points);
}

VYR_ERROR CVyrStation::GetAprioriPointCollection(
    CVyrIPtrSmart<IVyrCollection<VYR_APRIORI_POINT>>& points) {
    points.Reset();
    if (!IsOpen()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::hand_out_collection<CVyrCollectionAprioriPoint>(
        points, m_station, kStreamAprioriPoints, m_version);
}

VYR_ERROR CVyrStation::GetPointDescriptions(CVyrIPtrSmart<IVyrCollectionPointDesc>& descriptions) {
    descriptions.Reset();
    if (!IsOpen()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::hand_out_collection<CVyrCollectionPointDesc>(
        descriptions, m_station, kStreamPointDescriptions, m_keys, m_version);
}

VYR_ERROR CVyrStation::GetAposterioriPointCollection(
    CVyrIPtrSmart<IVyrCollectionAposterioriPoint>& points) {
    points.Reset();
    if (!IsOpen()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::hand_out_collection<CVyrCollectionAposterioriPoint>(
        points, m_result, kStreamAposterisoriPoints, m_version);
}

VYR_ERROR CVyrStation::GetAposterioriPointCollectionEx(
    CVyrIPtrSmart<IVyrCollectionAposterioriPointEx>& points) {
    points.Reset();
    if (!IsOpen()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::hand_out_collection<CVyrCollectionAposterioriPointEx>(
        points, m_result, kStreamAposterisoriPoints, m_version);
}

VYR_ERROR CVyrStation::GetSatelliteAvailStatistics(
    CVyrIPtrSmart<IVyrCollection<VYR_SVAVAIL_STAT>>& statistics) {
    statistics.Reset();
    if (!IsOpen()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::hand_out_collection<CVyrCollectionSvAvailStat>(statistics, m_station,
                                                                       m_version);
}

VYR_ERROR CVyrStation::GetObservations(CVyrIPtrSmart<IVyrObservations>& observations) {
    observations.Reset();
    if (!IsOpen()) return VYR_E_INVALID_INTERFACE;
    auto* object = new (std::nothrow) CVyrObservations(m_station, m_version);
    if (object == nullptr) return VYR_E_INVALID_INTERFACE;
    const VYR_ERROR setup = object->SetupResult();
    if (VyrFailed(setup)) {
        object->Release();
        return vyr_records::handed_out_status(setup);
    }
    observations = static_cast<IVyrObservations*>(object);
    if (!observations.IsValid()) {
        object->Release();
        return VYR_E_INVALID_INTERFACE;
    }
    return VYR_OK;
}

VYR_ERROR CVyrStation::GetKey(VYR_STATION_KEY& key) {
    if (!IsOpen()) return VYR_E_INVALID_INTERFACE;
    if (!vyr_stations::is_usable_key(m_key)) return VYR_E_INVALID_PARAMETER;
    key = m_key;
    return VYR_OK;
}

VYR_ERROR CVyrStation::ExportRinex(const char* outputFolder, uint32_t options) {
    if (!IsOpen()) return VYR_E_INVALID_INTERFACE;
    if (outputFolder == nullptr || *outputFolder == '\0') return VYR_E_INVALID_PARAMETER;
    if (options != 0 && options != 211 && options != 304 && options != 305 && options != 401)
        return VYR_E_INVALID_PARAMETER;  // before any folder is made
    VYR_RINEX_EXPORT_OPTIONS settings;
    if (options != 0) settings.rinexVersion = options / 100.0;
    // Joined with the platform's separator and made here, parents included: the writer makes
    // one level only.
    const std::string folder = vyr_import::rinex_output_folder(outputFolder);
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) return VYR_E_WRITE_ENTRY_FAILED;
    VYR_RINEX_EXPORT_RESULT result;
    return ExportRinexEx(folder.c_str(), settings, result);
}

VYR_ERROR CVyrStation::ExportRinexEx(const char* outputFolder,
                                     const VYR_RINEX_EXPORT_OPTIONS& options,
                                     VYR_RINEX_EXPORT_RESULT& result) {
    result = VYR_RINEX_EXPORT_RESULT{};
    if (!IsOpen()) return VYR_E_INVALID_INTERFACE;
    if (outputFolder == nullptr) return VYR_E_INVALID_PARAMETER;
    CVyrCommonData common(m_project, m_version);
    return vyr_import::export_station_rinex(*this, &common, outputFolder, options, result);
}

VYR_ERROR CVyrStation::ResetObservations() {
    if (!IsOpen()) return VYR_E_INVALID_INTERFACE;
    static constexpr uint32_t kEmptied[] = {kStreamObservations, kStreamObservationStatistics,
                                            kStreamSatelliteAvailStatistics};
    CFactoryStream streams(m_station.Get());
    for (uint32_t id : kEmptied)
        if (!streams.Destroy(id)) return VYR_E_STREAM_NOT_DELETED;
    for (uint32_t id : kEmptied) {
        CStm stream;
        if (!streams.OpenOrCreate(id, vyr::kDispositionOpenAlways, stream))
            return VYR_E_CANNOT_CREATE_ENTRY;
        stream.Close();
    }
    return VYR_OK;
}
