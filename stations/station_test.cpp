// The station object: its storages, single-record entries, point lists and ResetObservations.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "stations/epoch_test_support.h"
#include "stations/station_test_support.h"
#include "storage/layout.h"

namespace {

using namespace vyr_storage;
using vyr_test::text_key;

class StationTest : public vyr_test::StationStorageTest {};

VYR_SENSORSYSTEM sensor(const char* name, const char* serial) {
    VYR_SENSORSYSTEM record{};
    record.receiverType = 17;
    std::strncpy(record.receiverName, name, sizeof record.receiverName - 1);
    std::strncpy(record.serialNumber, serial, sizeof record.serialNumber - 1);
    std::memset(record.reserved, 0x5A, sizeof record.reserved);  // carried as stored
    return record;
}

TEST_F(StationTest, CreateMakesBothStoragesOnceAndOpenFindsThem) {
    const VYR_STATION_KEY key = text_key("BASE");
    make_station(key, true);
    make_station(key, true, VYR_E_CANNOT_CREATE_ENTRY);  // exists
    make_station(key, false);
    make_station(text_key("NONE"), false, VYR_E_ENTRY_NOT_FOUND);
    make_station(text_key(""), true, VYR_E_INVALID_PARAMETER);
    EXPECT_EQ(station_stream(text_key("NONE"), kStreamSensorSystem), "<no station>");
}

TEST_F(StationTest, AStationStorageWithoutItsResultStorageDoesNotOpen) {
    const VYR_STATION_KEY key = text_key("HALF");
    {
        CStg station;
        ASSERT_TRUE(CFactoryStorage(storage.Get())
                        .OpenOrCreateStation(key, vyr::kDispositionCreateNew, station));
    }
    make_station(key, false, VYR_E_ENTRY_NOT_FOUND);
}

TEST_F(StationTest, EveryOperationOfAStationThatIsNotOpenIsRefused) {
    auto station = make_station(text_key("NONE"), false, VYR_E_ENTRY_NOT_FOUND);
    VYR_SENSORSYSTEM record = sensor("R", "1");
    VYR_ANTENNA antenna;
    VYR_WINDOWS windows;
    vyr::ObservationStatistics statistics;
    std::vector<VYR_APRIORI_POINT> points;
    CVyrIPtrSmart<IVyrObservations> observations;
    CVyrIPtrSmart<IVyrCollection<VYR_SVAVAIL_STAT>> availability;
    VYR_STATION_KEY key{};
    const VYR_ERROR results[] = {
        station->SetSensorSystem(record),
        station->GetSensorSystem(record),
        station->SetAntenna(antenna),
        station->GetAntenna(antenna),
        station->GetWindows(windows),
        station->GetObservationStatistics(statistics),
        station->AddAprioriPoints(points),
        station->GetAprioriPoints(points),
        station->GetObservations(observations),
        station->GetSatelliteAvailStatistics(availability),
        station->GetKey(key),
        station->ResetObservations(),
        station->ExportRinex("/tmp", 0),
    };
    for (const VYR_ERROR result : results) EXPECT_EQ(result, VYR_E_INVALID_INTERFACE);
}

TEST_F(StationTest, ASensorSystemNeverStoredIsNotFoundAndTheLastOneStoredWins) {
    const VYR_STATION_KEY key = text_key("BASE");
    {
        auto station = make_station(key, true);
        VYR_SENSORSYSTEM read = sensor("UNCHANGED", "0");
        EXPECT_EQ(station->GetSensorSystem(read), VYR_E_ENTRY_NOT_FOUND);
        EXPECT_STREQ(read.receiverName, "UNCHANGED");

        ASSERT_EQ(station->SetSensorSystem(sensor("FIRST RECEIVER", "11111")), VYR_OK);
        ASSERT_EQ(station->SetSensorSystem(sensor("SECOND", "2")), VYR_OK);
        ASSERT_EQ(station->GetSensorSystem(read), VYR_OK);
        EXPECT_STREQ(read.receiverName, "SECOND");
        EXPECT_STREQ(read.serialNumber, "2");
        const int32_t type = read.receiverType;
        EXPECT_EQ(type, 17);
        EXPECT_EQ(read.reserved[16], 0x5A);
    }
    const VYR_SENSORSYSTEM second = sensor("SECOND", "2");
    EXPECT_EQ(station_stream(key, kStreamSensorSystem), vyr_test::bytes_of(second));
}

TEST_F(StationTest, TheAntennaKeepsItsBytesAndItsIntervals) {
    const VYR_STATION_KEY key = text_key("BASE");
    VYR_ANTENNA antenna;
    std::strcpy(antenna.fields.type, "ANTENNA TYPE WITH THIRTY CHARS");
    std::strcpy(antenna.fields.serialNumber, "SN12345678");
    std::memset(antenna.fields.reserved1, 0x21, sizeof antenna.fields.reserved1);
    antenna.fields.offsetEast = 0.25f;
    antenna.fields.offsetNorth = -0.5f;
    antenna.fields.offsetEast2 = 0.25f;
    antenna.fields.offsetNorth2 = -0.5f;
    antenna.intervals = {{60000.0, 60000.5}, {60001.25, 60002.0}};
    {
        auto station = make_station(key, true);
        ASSERT_EQ(station->SetAntenna(antenna), VYR_OK);
        VYR_ANTENNA read;
        ASSERT_EQ(station->GetAntenna(read), VYR_OK);
        EXPECT_EQ(vyr_test::bytes_of(read.fields), vyr_test::bytes_of(antenna.fields));
        ASSERT_EQ(read.intervals.size(), 2u);
        const double end = read.intervals[1].end;
        EXPECT_EQ(end, 60002.0);
    }
    const std::string stored = station_stream(key, kStreamAntenna);
    ASSERT_EQ(stored.size(), 87u + 4u + 2u * 16u);
    EXPECT_EQ(stored.substr(0, 87), vyr_test::bytes_of(antenna.fields));
    EXPECT_EQ(stored.substr(87, 4), std::string("\x02\0\0\0", 4));
}

TEST_F(StationTest, AnAntennaWithoutIntervalsStoresACountOfZero) {
    const VYR_STATION_KEY key = text_key("BASE");
    make_station(key, true)->SetAntenna(VYR_ANTENNA{});
    const std::string stored = station_stream(key, kStreamAntenna);
    ASSERT_EQ(stored.size(), 91u);
    EXPECT_EQ(stored.substr(87), std::string(4, '\0'));
}

TEST_F(StationTest, WindowsAndSatelliteWindowsComeBackAsStored) {
    const VYR_STATION_KEY key = text_key("BASE");
    {
        auto station = make_station(key, true);
        VYR_WINDOWS windows = {{60000.1, 60000.2}};
        VYR_SV_WINDOWS sv_windows;
        sv_windows[5] = {{60000.3, 60000.4}};
        sv_windows[126] = {{60000.5, 60000.6}, {60000.7, 60000.8}};
        ASSERT_EQ(station->SetWindows(windows), VYR_OK);
        ASSERT_EQ(station->SetSatelliteWindows(sv_windows), VYR_OK);
        VYR_WINDOWS read_windows;
        VYR_SV_WINDOWS read_sv;
        ASSERT_EQ(station->GetWindows(read_windows), VYR_OK);
        ASSERT_EQ(station->GetSatelliteWindows(read_sv), VYR_OK);
        ASSERT_EQ(read_windows.size(), 1u);
        const double start = read_windows[0].start;
        EXPECT_EQ(start, 60000.1);
        EXPECT_EQ(read_sv[5].size(), 1u);
        EXPECT_EQ(read_sv[126].size(), 2u);
        EXPECT_TRUE(read_sv[6].empty());
        ASSERT_EQ(station->SetSatelliteWindows(VYR_SV_WINDOWS{}), VYR_OK);
    }
    // 126 counts of zero; the longer list written before stays behind them, unread.
    EXPECT_EQ(station_stream(key, kStreamSatelliteWindows).substr(0, 504), std::string(504, '\0'));
}

TEST_F(StationTest, StatisticsEntriesReplaceTheirStream) {
    const VYR_STATION_KEY key = text_key("BASE");
    {
        auto station = make_station(key, true);
        VYR_OBSERVATION_STAT gps{};
        gps.system = VYR_SATSYS_GPS;
        gps.dataRate = 30000;
        VYR_OBSERVATION_STAT glonass{};
        glonass.system = VYR_SATSYS_GLONASS;
        ASSERT_EQ(station->SetObservationStatistics(
                      {{VYR_SATSYS_GPS, gps}, {VYR_SATSYS_GLONASS, glonass}}),
                  VYR_OK);
        ASSERT_EQ(station->SetObservationStatistics({{VYR_SATSYS_GPS, gps}}), VYR_OK);
        vyr::ObservationStatistics read;
        ASSERT_EQ(station->GetObservationStatistics(read), VYR_OK);
        ASSERT_EQ(read.size(), 1u);
        const uint32_t rate = read.at(VYR_SATSYS_GPS).dataRate;
        EXPECT_EQ(rate, 30000u);

        VYR_OBSERVATION_SVSTAT svstat{};
        svstat.satellites[40].satelliteEpochs = 99;
        using Set = VYR_ERROR (IVyrStationEx::*)(const VYR_OBSERVATION_SVSTAT&);
        using Get = VYR_ERROR (IVyrStationEx::*)(VYR_OBSERVATION_SVSTAT&);
        const std::pair<Set, Get> entries[] = {
            {&IVyrStationEx::SetObservationSatelliteStatistics,
             &IVyrStationEx::GetObservationSatelliteStatistics},
            {&IVyrStationEx::SetObsSatelliteStatisticsComplete,
             &IVyrStationEx::GetObsSatelliteStatisticsComplete},
            {&IVyrStationEx::SetExpObsSatelliteStatistics,
             &IVyrStationEx::GetExpObsSatelliteStatistics},
            {&IVyrStationEx::SetExpObsSatelliteStatistics0Deg,
             &IVyrStationEx::GetExpObsSatelliteStatistics0Deg},
        };
        for (const auto& [set, get] : entries) {
            auto back = std::make_unique<VYR_OBSERVATION_SVSTAT>();
            EXPECT_EQ(((*station).*get)(*back), VYR_E_ENTRY_NOT_FOUND);
            ASSERT_EQ(((*station).*set)(svstat), VYR_OK);
            ASSERT_EQ(((*station).*get)(*back), VYR_OK);
            const uint32_t epochs = back->satellites[40].satelliteEpochs;
            EXPECT_EQ(epochs, 99u);
        }
    }
    EXPECT_EQ(station_stream(key, kStreamObservationStatistics).size(), 4u + 4u + 143u);
    EXPECT_EQ(station_stream(key, kStreamExpObsSatelliteStatistics0Deg).size(), 18161u);
}

TEST_F(StationTest, PointsGoThroughTheirCollections) {
    auto station = make_station(text_key("BASE"), true);
    std::vector<VYR_APRIORI_POINT> apriori(3);
    for (uint32_t i = 0; i < 3; ++i) {
        apriori[i].number = 3 - i;
        apriori[i].x = 4e6 + i;
    }
    apriori.push_back(apriori[0]);  // a number stored already is skipped
    apriori.back().x = 1.0;
    ASSERT_EQ(station->AddAprioriPoints(apriori), VYR_OK);
    std::vector<VYR_APRIORI_POINT> read;
    ASSERT_EQ(station->GetAprioriPoints(read), VYR_OK);
    ASSERT_EQ(read.size(), 3u);
    const uint32_t first = read[0].number;
    const double x = read[2].x;
    EXPECT_EQ(first, 1u);
    EXPECT_EQ(x, 4e6);

    VYR_APOSTERIORI_POINT result{};
    result.number = 7;
    CVyrIPtrSmart<IVyrCollectionAposterioriPoint> read_only;
    ASSERT_EQ(station->GetAposterioriPointCollection(read_only), VYR_OK);
    EXPECT_EQ(read_only->Add(result), VYR_E_NOT_IMPLEMENTED);
    read_only.Reset();
    ASSERT_EQ(station->AddAposterioriPoints({result}), VYR_OK);
    CVyrIPtrSmart<IVyrCollectionAposterioriPointEx> writable;
    ASSERT_EQ(station->GetAposterioriPointCollectionEx(writable), VYR_OK);
    uint32_t count = 0;
    ASSERT_EQ(writable->GetCount(count), VYR_OK);
    EXPECT_EQ(count, 1u);
}

TEST_F(StationTest, PointDescriptionsTakeTheirIdsFromTheProjectKeys) {
    auto station = make_station(text_key("BASE"), true);
    CVyrIPtrSmart<IVyrCollectionPointDesc> descriptions;
    ASSERT_EQ(station->GetPointDescriptions(descriptions), VYR_OK);
    VYR_POINT_DESCRIPTION description{};
    description.type = 1;
    description.start = 60000.5;
    description.detail.end = 60000.75;
    VYR_POINT_DESC stored{};
    ASSERT_EQ(descriptions->AddPointDesc(description, stored), VYR_OK);
    std::vector<uint32_t> ids;
    keys->GetIds(ids);
    EXPECT_NE(std::find(ids.begin(), ids.end(), stored.id), ids.end());
    VYR_POINT_DESC found{};
    EXPECT_EQ(descriptions->GetById(stored.id, found), VYR_OK);
}

TEST_F(StationTest, GetKeyHandsOutTheKeyOfSixteenCharactersAndAStationRefusesSeventeen) {
    auto station = make_station(text_key("SIXTEEN_CHARS_OK"), true);
    VYR_STATION_KEY key{};
    ASSERT_EQ(station->GetKey(key), VYR_OK);
    EXPECT_EQ(vyr_test::bytes_of(key), vyr_test::bytes_of(text_key("SIXTEEN_CHARS_OK")));
    make_station(text_key("SEVENTEEN_CHARS_X"), true, VYR_E_INVALID_PARAMETER);
    VYR_STATION_KEY none{};
    make_station(none, true, VYR_E_INVALID_PARAMETER);
}

TEST_F(StationTest, ResetObservationsEmptiesTheObservationsAndKeepsTheOtherEntries) {
    const VYR_STATION_KEY key = text_key("BASE");
    {
        auto station = make_station(key, true);
        ASSERT_EQ(station->SetWindows({{60000.0, 60000.1}}), VYR_OK);
        ASSERT_EQ(station->SetExpObsSatelliteStatistics(VYR_OBSERVATION_SVSTAT{}), VYR_OK);
        {
            CVyrIPtrSmart<IVyrObservations> observations;
            ASSERT_EQ(station->GetObservations(observations), VYR_OK);
            ASSERT_EQ(observations->AddEpoch(vyr_test::make_epoch({{VYR_SATSYS_GPS, 4, 2}})),
                      VYR_OK);
        }
        // An open observation object holds its stream: nothing can be removed then.
        CVyrIPtrSmart<IVyrObservations> holding;
        ASSERT_EQ(station->GetObservations(holding), VYR_OK);
        EXPECT_EQ(station->ResetObservations(), VYR_E_STREAM_NOT_DELETED);
        holding.Reset();

        ASSERT_EQ(station->ResetObservations(), VYR_OK);
        CVyrIPtrSmart<IVyrObservations> observations;
        ASSERT_EQ(station->GetObservations(observations), VYR_OK);
        VYR_OBSERVATIONEPOCH epoch;
        EXPECT_EQ(observations->StartAndGetFirst(epoch, nullptr, false, 0), VYR_E_ITERATOR_AT_END);
        // New epochs after the reset are counted afresh.
        ASSERT_EQ(
            observations->AddEpoch(vyr_test::make_epoch({{VYR_SATSYS_GLONASS, 3, 2}}, 60001, 0.5)),
            VYR_OK);
        observations.Reset();
        vyr::ObservationStatistics statistics;
        ASSERT_EQ(station->GetObservationStatistics(statistics), VYR_OK);
        EXPECT_EQ(statistics.count(VYR_SATSYS_GPS), 0u);
        ASSERT_EQ(statistics.count(VYR_SATSYS_GLONASS), 1u);
        const uint32_t epochs = statistics.at(VYR_SATSYS_GLONASS).stationEpochs;
        EXPECT_EQ(epochs, 1u);
    }
    EXPECT_EQ(station_stream(key, kStreamWindows).size(), 4u + 16u);
    EXPECT_EQ(station_stream(key, kStreamExpObsSatelliteStatistics).size(), 18161u);
}

TEST_F(StationTest, ResetObservationsStopsAtTheFirstStreamItCannotRemove) {
    const VYR_STATION_KEY never = text_key("NEVER");
    const VYR_STATION_KEY partial = text_key("PARTIAL");
    {
        auto station = make_station(never, true);
        ASSERT_EQ(station->SetSensorSystem(sensor("R", "1")), VYR_OK);
        EXPECT_EQ(station->ResetObservations(), VYR_E_STREAM_NOT_DELETED);
    }
    EXPECT_EQ(station_stream(never, kStreamObservations), "<missing>");
    EXPECT_EQ(station_stream(never, kStreamSensorSystem).size(), 55u);
    {
        auto station = make_station(partial, true);
        ASSERT_EQ(station->SetObservationStatistics({}), VYR_OK);
        CVyrIPtrSmart<IVyrObservations> observations;
        ASSERT_EQ(station->GetObservations(observations), VYR_OK);  // makes "Observations"
        observations.Reset();
        EXPECT_EQ(station->ResetObservations(), VYR_E_STREAM_NOT_DELETED);
    }
    EXPECT_EQ(station_stream(partial, kStreamObservations), "<missing>");
    EXPECT_EQ(station_stream(partial, kStreamObservationStatistics), "<missing>");
    EXPECT_EQ(station_stream(partial, kStreamSatelliteAvailStatistics), "<missing>");
}

TEST_F(StationTest, AReadOnlyProjectReadsButNeverWrites) {
    const VYR_STATION_KEY key = text_key("BASE");
    make_station(key, true)->SetSensorSystem(sensor("R", "1"));
    reopen_read_only();
    auto station = make_station(key, false);
    VYR_SENSORSYSTEM read{};
    EXPECT_EQ(station->GetSensorSystem(read), VYR_OK);
    EXPECT_EQ(station->SetSensorSystem(read), VYR_E_INVALID_PARAMETER);
    EXPECT_EQ(station->SetWindows({}), VYR_E_CANNOT_CREATE_ENTRY);
    std::vector<VYR_APRIORI_POINT> points;
    EXPECT_EQ(station->GetAprioriPoints(points), VYR_E_ENTRY_NOT_FOUND);
    EXPECT_EQ(station->ResetObservations(), VYR_E_STREAM_NOT_DELETED);
    EXPECT_EQ(station->ExportRinex("/tmp", 0), VYR_E_NOT_IMPLEMENTED);
}

}  // namespace
