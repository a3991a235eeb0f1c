// A station: one receiver occupation with its sensor system, antenna, points, exclusion windows,
// observations and their statistics; and the project's collection of stations.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vyr/collection.h"
#include "vyr/error.h"
#include "vyr/key.h"
#include "vyr/observations.h"
#include "vyr/points.h"
#include "vyr/satellite.h"
#include "vyr/smart_ptr.h"
#include "vyr/statistics.h"

#pragma pack(push, 1)
// "SensorSystem": the receiver. Texts are zero-terminated.
struct VYR_SENSORSYSTEM {
    int32_t receiverType;  // as GetReceiverTypeFromIGS gives it
    char receiverName[17];
    char reserved[17];  // the caller's; not written to RINEX
    char serialNumber[17];
};

// The fixed part of "Antenna". Reserved bytes are carried as stored.
struct VYR_ANTENNA_FIELDS {
    char type[31];          // up to 30 characters, zero-terminated
    char serialNumber[11];  // up to 10 characters, zero-terminated
    uint8_t reserved1[21];
    float offsetEast;  // metres, from the RINEX antenna delta
    float offsetNorth;
    uint8_t reserved2[4];
    float offsetEast2;  // second copy of the offsets
    float offsetNorth2;
    uint8_t reserved3[4];
};
#pragma pack(pop)
static_assert(sizeof(VYR_SENSORSYSTEM) == 55);
static_assert(sizeof(VYR_ANTENNA_FIELDS) == 87);

// "Antenna": the 87 bytes, then the intervals as a counted list.
struct VYR_ANTENNA {
    VYR_ANTENNA_FIELDS fields{};
    std::vector<VYR_INTERVAL> intervals;
};

// Settings of a RINEX export.
struct VYR_RINEX_EXPORT_OPTIONS {
    double rinexVersion = 3.04;  // 2.11, 3.04, 3.05 or 4.01
    // The epochs written, as the observation iterator filters them. The default keeps every
    // epoch of every system (SBAS included).
    VYR_OBSERVATION_FILTER filter;
};

// What a RINEX export did.
struct VYR_RINEX_EXPORT_RESULT {
    std::string path;  // the file written; empty on failure
    uint64_t epochs = 0;
    // Values the file format cannot hold (too large for its fields); the file has the others.
    uint64_t valuesNotWritten = 0;
    std::string problem;  // on failure: what went wrong, naming the file or folder
};

// Operations in slot order; IVyrStationEx adds its own after Release. Handed out by the station
// collection, it holds its storage and result storage (and through them the project) until
// released; while it lives its storage cannot be deleted. One thread at a time. Every operation
// answers VYR_E_INVALID_INTERFACE when the station's storages are not open. Reading an entry the
// station never received gives VYR_E_ENTRY_NOT_FOUND and leaves the output unchanged. A Set
// writes its single-record stream: VYR_E_CANNOT_CREATE_ENTRY in a project opened for reading,
// VYR_E_WRITE_ENTRY_FAILED when the write fails.
class IVyrStation {
public:
    // Writes the receiver.
    virtual VYR_ERROR SetSensorSystem(const VYR_SENSORSYSTEM& sensorSystem) = 0;
    // Appends the points in order; stops at the first point the list refuses and returns its
    // code.
    virtual VYR_ERROR AddAprioriPoints(const std::vector<VYR_APRIORI_POINT>& points) = 0;
    // Writes the antenna and its intervals.
    virtual VYR_ERROR SetAntenna(const VYR_ANTENNA& antenna) = 0;
    // Writes the exclusion windows of the whole station.
    virtual VYR_ERROR SetWindows(const VYR_WINDOWS& windows) = 0;
    // Writes the exclusion windows per satellite.
    virtual VYR_ERROR SetSatelliteWindows(const VYR_SV_WINDOWS& windows) = 0;
    // The cached list of a-priori points.
    virtual VYR_ERROR GetAprioriPointCollection(
        CVyrIPtrSmart<IVyrCollection<VYR_APRIORI_POINT>>& points) = 0;
    // Every a-priori point; the vector is emptied first.
    virtual VYR_ERROR GetAprioriPoints(std::vector<VYR_APRIORI_POINT>& points) = 0;
    // Observation access: writing, iterating and filtering the epochs. VYR_E_ENTRY_NOT_FOUND
    // when a project opened for reading has no observation stream.
    virtual VYR_ERROR GetObservations(CVyrIPtrSmart<IVyrObservations>& observations) = 0;
    // The station's point descriptions.
    virtual VYR_ERROR GetPointDescriptions(
        CVyrIPtrSmart<IVyrCollectionPointDesc>& descriptions) = 0;
    // Reads the receiver.
    virtual VYR_ERROR GetSensorSystem(VYR_SENSORSYSTEM& sensorSystem) = 0;
    // Reads the antenna and its intervals.
    virtual VYR_ERROR GetAntenna(VYR_ANTENNA& antenna) = 0;
    // Reads the exclusion windows of the whole station.
    virtual VYR_ERROR GetWindows(VYR_WINDOWS& windows) = 0;
    // Reads the exclusion windows per satellite.
    virtual VYR_ERROR GetSatelliteWindows(VYR_SV_WINDOWS& windows) = 0;
    // The read-only list of a-posteriori points.
    virtual VYR_ERROR GetAposterioriPointCollection(
        CVyrIPtrSmart<IVyrCollectionAposterioriPoint>& points) = 0;
    // Every a-posteriori point; the vector is emptied first.
    virtual VYR_ERROR GetAposterioriPoints(std::vector<VYR_APOSTERIORI_POINT>& points) = 0;
    // The station's key. VYR_E_INVALID_PARAMETER for a key of type 0, or a text key that is
    // empty or longer than 16 characters.
    virtual VYR_ERROR GetKey(VYR_STATION_KEY& key) = 0;
    // Writes the station's epochs as a RINEX observation file into the folder "RINEX_Output"
    // inside outputFolder (made when missing). options: the RINEX version times 100 (211, 304,
    // 305, 401), 0 for 3.04. VYR_E_INVALID_PARAMETER for a null or empty folder or another
    // version; VYR_E_ITERATOR_AT_END when the station holds no epoch; VYR_E_WRITE_ENTRY_FAILED
    // when the file cannot be written (no file is left behind then); a failure reading the
    // observations is returned as it is.
    virtual VYR_ERROR ExportRinex(const char* outputFolder, uint32_t options) = 0;
    // Drops the object; the smart pointer holding it calls this.
    virtual void Release() = 0;

protected:
    ~IVyrStation() = default;  // the object goes through Release
};

class IVyrStationEx : public IVyrStation {
public:
    // Appends the points in order; stops at the first point the list refuses.
    virtual VYR_ERROR AddAposterioriPoints(const std::vector<VYR_APOSTERIORI_POINT>& points) = 0;
    // Replaces the observation statistics, whole; VYR_E_INVALID_PARAMETER, and the stored
    // statistics stay, for values a reader would take for damage (a day outside the epoch range,
    // a NaN fraction, an unknown system or signal type).
    virtual VYR_ERROR SetObservationStatistics(const vyr::ObservationStatistics& statistics) = 0;
    // Replaces the satellite statistics of the observations; as SetObservationStatistics for
    // values a reader would refuse.
    virtual VYR_ERROR SetObservationSatelliteStatistics(
        const VYR_OBSERVATION_SVSTAT& statistics) = 0;
    // Replaces the satellite statistics of complete epochs; refuses as SetObservationStatistics.
    virtual VYR_ERROR SetObsSatelliteStatisticsComplete(
        const VYR_OBSERVATION_SVSTAT& statistics) = 0;
    // Replaces the expected satellite statistics; refuses as SetObservationStatistics.
    virtual VYR_ERROR SetExpObsSatelliteStatistics(const VYR_OBSERVATION_SVSTAT& statistics) = 0;
    // Replaces the expected satellite statistics above 0 degrees; refuses as
    // SetObservationStatistics.
    virtual VYR_ERROR SetExpObsSatelliteStatistics0Deg(
        const VYR_OBSERVATION_SVSTAT& statistics) = 0;
    // As GetAposterioriPointCollection, with Add.
    virtual VYR_ERROR GetAposterioriPointCollectionEx(
        CVyrIPtrSmart<IVyrCollectionAposterioriPointEx>& points) = 0;
    // Reads the observation statistics.
    virtual VYR_ERROR GetObservationStatistics(vyr::ObservationStatistics& statistics) = 0;
    // Reads the satellite statistics of the observations.
    virtual VYR_ERROR GetObservationSatelliteStatistics(VYR_OBSERVATION_SVSTAT& statistics) = 0;
    // Reads the satellite statistics of complete epochs.
    virtual VYR_ERROR GetObsSatelliteStatisticsComplete(VYR_OBSERVATION_SVSTAT& statistics) = 0;
    // Reads the expected satellite statistics.
    virtual VYR_ERROR GetExpObsSatelliteStatistics(VYR_OBSERVATION_SVSTAT& statistics) = 0;
    // Reads the expected satellite statistics above 0 degrees.
    virtual VYR_ERROR GetExpObsSatelliteStatistics0Deg(VYR_OBSERVATION_SVSTAT& statistics) = 0;
    // The list of satellite availability statistics; its Add refuses with
    // VYR_E_INVALID_PARAMETER a day of 0 or outside the epoch range.
    virtual VYR_ERROR GetSatelliteAvailStatistics(
        CVyrIPtrSmart<IVyrCollection<VYR_SVAVAIL_STAT>>& statistics) = 0;
    // Empties "Observations", "ObservationStatistics" and "SatelliteAvailStatistics"; the other
    // entries stay. VYR_E_STREAM_NOT_DELETED when one of the three cannot be removed (a missing
    // one included), VYR_E_CANNOT_CREATE_ENTRY when it cannot be made again.
    virtual VYR_ERROR ResetObservations() = 0;
    virtual ~IVyrStationEx() = default;
    // After the destructor, so that every slot before it keeps its place.
    // As ExportRinex, but into outputFolder itself, with a version and the epochs the filter
    // lets through; result tells the path written, or on failure what went wrong.
    // VYR_E_INVALID_PARAMETER for a null or empty folder or an unknown version,
    // VYR_E_MEMORY_OVERFLOW when memory runs out; otherwise fails as ExportRinex.
    virtual VYR_ERROR ExportRinexEx(const char* outputFolder,
                                    const VYR_RINEX_EXPORT_OPTIONS& options,
                                    VYR_RINEX_EXPORT_RESULT& result) = 0;
};

// The project's stations, over "StationList". Add and DeleteAll answer VYR_E_NOT_IMPLEMENTED:
// stations come in through AddStation or AddNewStation. Delete removes the station's storage,
// then its key: VYR_E_DELETE_FAILED (key kept) while the station is open. Handed out by the
// project and holding it; the stations it opens outlive it. Opening a listed station whose
// storage is missing gives VYR_E_ENTRY_NOT_FOUND.
class IVyrCollectionStation : public IVyrCollection<VYR_STATION_KEY> {
public:
    // Opens the station listed at index (key order); fails as GetAt for a bad index.
    virtual VYR_ERROR GetStationAt(uint32_t index, CVyrIPtrSmart<IVyrStation>& station) = 0;
    // Opens the station of a key. VYR_E_INVALID_PARAMETER for an unusable key,
    // VYR_E_ENTRY_NOT_FOUND when it is not listed.
    virtual VYR_ERROR GetStation(const VYR_STATION_KEY& key,
                                 CVyrIPtrSmart<IVyrStation>& station) = 0;
    // Opens the first listed station; VYR_E_NO_MORE_ENTRIES when none.
    virtual VYR_ERROR GetFirstStation(CVyrIPtrSmart<IVyrStation>& station) = 0;
    // Opens the next one; needs GetFirstStation, VYR_E_NO_MORE_ENTRIES after the last.
    virtual VYR_ERROR GetNextStation(CVyrIPtrSmart<IVyrStation>& station) = 0;
    // Lists the key and creates the station's storages. VYR_E_INVALID_PARAMETER for an unusable
    // key, VYR_E_ENTRY_EXISTS when it is listed already; a station that cannot be created leaves
    // neither its key nor its storage behind.
    virtual VYR_ERROR AddStation(const VYR_STATION_KEY& key,
                                 CVyrIPtrSmart<IVyrStation>& station) = 0;
    // As AddStation, under a new 64-bit key from the project's key generator.
    virtual VYR_ERROR AddNewStation(CVyrIPtrSmart<IVyrStation>& station) = 0;
    // Deletes the station listed at index, as Delete.
    virtual VYR_ERROR DeleteAt(uint32_t index) = 0;

protected:
    ~IVyrCollectionStation() = default;
};

class IVyrCollectionStationEx : public IVyrCollectionStation {
public:
    // As GetStationAt, with the extended interface.
    virtual VYR_ERROR GetStationExAt(uint32_t index, CVyrIPtrSmart<IVyrStationEx>& station) = 0;
    // As GetStation, with the extended interface.
    virtual VYR_ERROR GetStationEx(const VYR_STATION_KEY& key,
                                   CVyrIPtrSmart<IVyrStationEx>& station) = 0;

protected:
    ~IVyrCollectionStationEx() = default;
};
