// CVyrStation: one station of a project. It holds no data of its own: every operation opens an
// entry of the station storage (or its result storage), moves one record or hands out an object
// that works on the entry, and closes it again.
#pragma once

#include <cstdint>

#include <vyr/station.h>

#include "storage/create_key.h"
#include "storage/stg.h"

class CVyrStation final : public IVyrStationEx {
public:
    // project: the storage the station storages live in; keys: the project's key generator,
    // used for point descriptions.
    CVyrStation(const CVyrPtrSmart<CStg>& project, const VYR_STATION_KEY& key,
                const CVyrPtrSmart<CCreateKey>& keys, uint32_t version);
    CVyrStation(const CVyrStation&) = delete;
    CVyrStation& operator=(const CVyrStation&) = delete;

    // A new station: its storage and the result storage inside it. 0x80009003 when either
    // cannot be made (an existing storage included); nothing is left behind.
    VYR_ERROR Create();
    // An existing station: 0x80009004 when either storage is missing.
    VYR_ERROR Open();

    VYR_ERROR SetSensorSystem(const VYR_SENSORSYSTEM& sensorSystem) override;
    VYR_ERROR AddAprioriPoints(const std::vector<VYR_APRIORI_POINT>& points) override;
    VYR_ERROR SetAntenna(const VYR_ANTENNA& antenna) override;
    VYR_ERROR SetWindows(const VYR_WINDOWS& windows) override;
    VYR_ERROR SetSatelliteWindows(const VYR_SV_WINDOWS& windows) override;
    VYR_ERROR GetAprioriPointCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_APRIORI_POINT>>& points) override;
    VYR_ERROR GetAprioriPoints(std::vector<VYR_APRIORI_POINT>& points) override;
    VYR_ERROR GetObservations(CVyrIPtrSmart<IVyrObservations>& observations) override;
    VYR_ERROR GetPointDescriptions(CVyrIPtrSmart<IVyrCollectionPointDesc>& descriptions) override;
    VYR_ERROR GetSensorSystem(VYR_SENSORSYSTEM& sensorSystem) override;
    VYR_ERROR GetAntenna(VYR_ANTENNA& antenna) override;
    VYR_ERROR GetWindows(VYR_WINDOWS& windows) override;
    VYR_ERROR GetSatelliteWindows(VYR_SV_WINDOWS& windows) override;
    VYR_ERROR GetAposterioriPointCollection(
        CVyrIPtrSmart<IVyrCollectionAposterioriPoint>& points) override;
    VYR_ERROR GetAposterioriPoints(std::vector<VYR_APOSTERIORI_POINT>& points) override;
    VYR_ERROR GetKey(VYR_STATION_KEY& key) override;
    VYR_ERROR ExportRinex(const char* outputFolder, uint32_t options) override;
    void Release() override;

    VYR_ERROR AddAposterioriPoints(const std::vector<VYR_APOSTERIORI_POINT>& points) override;
    VYR_ERROR SetObservationStatistics(const vyr::ObservationStatistics& statistics) override;
    VYR_ERROR SetObservationSatelliteStatistics(const VYR_OBSERVATION_SVSTAT& statistics) override;
    VYR_ERROR SetObsSatelliteStatisticsComplete(const VYR_OBSERVATION_SVSTAT& statistics) override;
    VYR_ERROR SetExpObsSatelliteStatistics(const VYR_OBSERVATION_SVSTAT& statistics) override;
    VYR_ERROR SetExpObsSatelliteStatistics0Deg(const VYR_OBSERVATION_SVSTAT& statistics) override;
    VYR_ERROR GetAposterioriPointCollectionEx(
        CVyrIPtrSmart<IVyrCollectionAposterioriPointEx>& points) override;
    VYR_ERROR GetObservationStatistics(vyr::ObservationStatistics& statistics) override;
    VYR_ERROR GetObservationSatelliteStatistics(VYR_OBSERVATION_SVSTAT& statistics) override;
    VYR_ERROR GetObsSatelliteStatisticsComplete(VYR_OBSERVATION_SVSTAT& statistics) override;
    VYR_ERROR GetExpObsSatelliteStatistics(VYR_OBSERVATION_SVSTAT& statistics) override;
    VYR_ERROR GetExpObsSatelliteStatistics0Deg(VYR_OBSERVATION_SVSTAT& statistics) override;
    VYR_ERROR GetSatelliteAvailStatistics(
        CVyrIPtrSmart<IVyrCollection<VYR_SVAVAIL_STAT>>& statistics) override;
    VYR_ERROR ResetObservations() override;
    VYR_ERROR ExportRinexEx(const char* outputFolder, const VYR_RINEX_EXPORT_OPTIONS& options,
                            VYR_RINEX_EXPORT_RESULT& result) override;

    ~CVyrStation() override = default;

private:
    bool IsOpen() const;
    VYR_ERROR OpenStorages(int32_t disposition, VYR_ERROR failure);
    // The station's description records are overwritten from offset 0; the statistics records
    // replace their stream.
    template <class T>
    VYR_ERROR WriteEntry(uint32_t streamId, const T& record, int32_t disposition);
    // The output changes only when the whole record was read.
    template <class T>
    VYR_ERROR ReadEntry(uint32_t streamId, T& record);

    CVyrPtrSmart<CStg> m_project;
    CVyrPtrSmart<CStg> m_station;
    CVyrPtrSmart<CStg> m_result;
    VYR_STATION_KEY m_key;
    CVyrPtrSmart<CCreateKey> m_keys;
    uint32_t m_version;
};
