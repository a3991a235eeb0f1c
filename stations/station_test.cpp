// The station object: its storages, single-record entries, point lists and ResetObservations.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "stations/epoch_test_support.h"
#include "stations/station_test_support.h"
#include "storage/layout.h"

namespace {

using namespace vyr_storage;
using vyr_test::bytes_of;
using vyr_test::text_key;

class StationTest : public vyr_test::StationStorageTest {};

VYR_SENSORSYSTEM sensor(const char* name) {
    VYR_SENSORSYSTEM record{};
    record.receiverType = 17;
    std::strncpy(record.receiverName, name, sizeof record.receiverName - 1);
    std::memset(record.reserved, 0x5A, sizeof record.reserved);  // carried as stored
    return record;
}

TEST_F(StationTest, CreateMakesBothStoragesOnceAndOpenFindsThem) {
    const VYR_STATION_KEY key = text_key("SIXTEEN_CHARS_OK");
    make_station(key, true);
    make_station(key, true, VYR_E_CANNOT_CREATE_ENTRY);  // exists
    VYR_STATION_KEY back{};
    ASSERT_EQ(make_station(key, false)->GetKey(back), VYR_OK);
    EXPECT_EQ(bytes_of(back), bytes_of(key));
    make_station(text_key("NONE"), false, VYR_E_ENTRY_NOT_FOUND);
    EXPECT_EQ(station_stream(text_key("NONE"), kStreamSensorSystem), "<no station>");
    // A station storage without its result storage is not a station.
    {
        CStg half;
        ASSERT_TRUE(CFactoryStorage(storage.Get())
                        .OpenOrCreateStation(text_key("HALF"), vyr::kDispositionCreateNew, half));
    }
    make_station(text_key("HALF"), false, VYR_E_ENTRY_NOT_FOUND);
    for (const VYR_STATION_KEY& bad :
         {text_key(""), text_key("SEVENTEEN_CHARS_X"), VYR_STATION_KEY{}})
        make_station(bad, true, VYR_E_INVALID_PARAMETER);
}

TEST_F(StationTest, EveryOperationOfAStationThatIsNotOpenIsRefused) {
    auto station = make_station(text_key("NONE"), false, VYR_E_ENTRY_NOT_FOUND);
    VYR_SENSORSYSTEM record = sensor("R");
    VYR_ANTENNA antenna;
    VYR_WINDOWS windows;
    vyr::ObservationStatistics statistics;
    std::vector<VYR_APRIORI_POINT> points;
    CVyrIPtrSmart<IVyrObservations> observations;
    CVyrIPtrSmart<IVyrCollection<VYR_SVAVAIL_STAT>> availability;
    VYR_STATION_KEY key{};
    const VYR_ERROR results[] = {station->SetSensorSystem(record),
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
                                 station->ExportRinex("/tmp", 0)};
    for (const VYR_ERROR result : results) EXPECT_EQ(result, VYR_E_INVALID_INTERFACE);
}

// Description entries are overwritten from their start: the last record stored wins, and a
// shorter one leaves the bytes of a longer one behind it, unread.
TEST_F(StationTest, DescriptionEntriesAreOverwrittenFromTheirStart) {
    const VYR_STATION_KEY key = text_key("BASE");
    {
        auto station = make_station(key, true);
        VYR_SENSORSYSTEM read = sensor("UNCHANGED");
        EXPECT_EQ(station->GetSensorSystem(read), VYR_E_ENTRY_NOT_FOUND);
        EXPECT_STREQ(read.receiverName, "UNCHANGED");
        ASSERT_EQ(station->SetSensorSystem(sensor("FIRST RECEIVER")), VYR_OK);
        ASSERT_EQ(station->SetSensorSystem(sensor("SECOND")), VYR_OK);
        ASSERT_EQ(station->GetSensorSystem(read), VYR_OK);
        EXPECT_EQ(bytes_of(read), bytes_of(sensor("SECOND")));

        VYR_SV_WINDOWS windows;
        windows[126] = {{60000.5, 60000.6}, {60000.7, 60000.8}};
        ASSERT_EQ(station->SetSatelliteWindows(windows), VYR_OK);
        ASSERT_EQ(station->SetWindows({{60000.1, 60000.2}}), VYR_OK);
        VYR_SV_WINDOWS readSv;
        VYR_WINDOWS readWindows;
        ASSERT_EQ(station->GetSatelliteWindows(readSv), VYR_OK);
        ASSERT_EQ(station->GetWindows(readWindows), VYR_OK);
        EXPECT_EQ(readSv[126].size(), 2u);
        EXPECT_EQ(readWindows.size(), 1u);
        ASSERT_EQ(station->SetSatelliteWindows(VYR_SV_WINDOWS{}), VYR_OK);
    }
    EXPECT_EQ(station_stream(key, kStreamSensorSystem), bytes_of(sensor("SECOND")));
    // 126 counts of zero, then the two windows written before.
    const std::string stored = station_stream(key, kStreamSatelliteWindows);
    EXPECT_EQ(stored.substr(0, 504), std::string(504, '\0'));
    EXPECT_EQ(stored.size(), 504u + 32u);
}

// 87 bytes of fields as given, then the counted intervals.
TEST_F(StationTest, TheAntennaKeepsItsBytesAndItsIntervals) {
    const VYR_STATION_KEY key = text_key("BASE"), bare = text_key("BARE");
    VYR_ANTENNA antenna;
    std::strcpy(antenna.fields.type, "ANTENNA TYPE WITH THIRTY CHARS");
    std::strcpy(antenna.fields.serialNumber, "SN12345678");
    std::memset(antenna.fields.reserved1, 0x21, sizeof antenna.fields.reserved1);
    antenna.fields.offsetEast = antenna.fields.offsetEast2 = 0.25f;
    antenna.fields.offsetNorth = antenna.fields.offsetNorth2 = -0.5f;
    antenna.intervals = {{60000.0, 60000.5}, {60001.25, 60002.0}};
    {
        auto station = make_station(key, true);
        ASSERT_EQ(station->SetAntenna(antenna), VYR_OK);
        VYR_ANTENNA read;
        ASSERT_EQ(station->GetAntenna(read), VYR_OK);
        EXPECT_EQ(bytes_of(read.fields), bytes_of(antenna.fields));
        ASSERT_EQ(read.intervals.size(), 2u);
        EXPECT_EQ(+read.intervals[1].end, 60002.0);
        ASSERT_EQ(make_station(bare, true)->SetAntenna(VYR_ANTENNA{}), VYR_OK);
    }
    const std::string stored = station_stream(key, kStreamAntenna);
    ASSERT_EQ(stored.size(), 87u + 4u + 2u * 16u);
    EXPECT_EQ(stored.substr(0, 87), bytes_of(antenna.fields));
    EXPECT_EQ(stored.substr(87, 4), std::string("\x02\0\0\0", 4));
    EXPECT_EQ(station_stream(bare, kStreamAntenna).substr(87), std::string(4, '\0'));
}

TEST_F(StationTest, StatisticsEntriesReplaceTheirStream) {
    const VYR_STATION_KEY key = text_key("BASE");
    {
        auto station = make_station(key, true);
        vyr::ObservationStatistics systems;
        systems[VYR_SATSYS_GPS].dataRate = 30000;
        systems[VYR_SATSYS_GLONASS].dataRate = 1000;
        ASSERT_EQ(station->SetObservationStatistics(systems), VYR_OK);
        systems.erase(VYR_SATSYS_GLONASS);
        ASSERT_EQ(station->SetObservationStatistics(systems), VYR_OK);
        vyr::ObservationStatistics read;
        ASSERT_EQ(station->GetObservationStatistics(read), VYR_OK);
        ASSERT_EQ(read.size(), 1u);
        EXPECT_EQ(+read.at(VYR_SATSYS_GPS).dataRate, 30000u);

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
            EXPECT_EQ(+back->satellites[40].satelliteEpochs, 99u);
        }
    }
    EXPECT_EQ(station_stream(key, kStreamObservationStatistics).size(), 4u + 4u + 143u);
    EXPECT_EQ(station_stream(key, kStreamExpObsSatelliteStatistics0Deg).size(), 18161u);
}

// Statistics and availability days the reader takes for damage were stored, and then the whole
// entry failed to read. They are refused, and what the entry held stays.
TEST_F(StationTest, StatisticsNoReaderAcceptsAreRefusedAndTheStoredOnesKept) {
    using Stat = VYR_OBSERVATION_STAT;
    const struct {
        const char* what;
        void (*damage)(Stat&);
    } cases[] = {
        {"NaN first fraction",
         [](Stat& s) { s.firstFraction = std::numeric_limits<double>::quiet_NaN(); }},
        {"first day before the first epoch day", [](Stat& s) { s.firstMjd = 44239; }},
        {"signal type 2304", [](Stat& s) { s.obsType[0] = static_cast<VYR_OBSTYPE>(2304); }},
        {"system 9", [](Stat& s) { s.system = static_cast<VYR_SATELLITE_SYSTEM>(9); }},
    };
    auto station = make_station(text_key("BASE"), true);
    vyr::ObservationStatistics systems;
    systems[VYR_SATSYS_GPS].dataRate = 30000;
    ASSERT_EQ(station->SetObservationStatistics(systems), VYR_OK);
    auto svstat = std::make_unique<VYR_OBSERVATION_SVSTAT>();
    svstat->satellites[40].satelliteEpochs = 99;
    ASSERT_EQ(station->SetExpObsSatelliteStatistics(*svstat), VYR_OK);
    for (const auto& c : cases) {
        vyr::ObservationStatistics badSystems = systems;
        c.damage(badSystems[VYR_SATSYS_GPS]);
        EXPECT_EQ(station->SetObservationStatistics(badSystems), VYR_E_INVALID_PARAMETER) << c.what;
        auto badSatellites = std::make_unique<VYR_OBSERVATION_SVSTAT>(*svstat);
        c.damage(badSatellites->satellites[7]);
        EXPECT_EQ(station->SetExpObsSatelliteStatistics(*badSatellites), VYR_E_INVALID_PARAMETER)
            << c.what;
    }
    const vyr::ObservationStatistics unknownSystem{{static_cast<VYR_SATELLITE_SYSTEM>(6), Stat{}}};
    EXPECT_EQ(station->SetObservationStatistics(unknownSystem), VYR_E_INVALID_PARAMETER);
    vyr::ObservationStatistics read;
    ASSERT_EQ(station->GetObservationStatistics(read), VYR_OK);
    EXPECT_EQ(+read.at(VYR_SATSYS_GPS).dataRate, 30000u);
    ASSERT_EQ(station->GetExpObsSatelliteStatistics(*svstat), VYR_OK);
    EXPECT_EQ(+svstat->satellites[40].satelliteEpochs, 99u);

    CVyrIPtrSmart<IVyrCollection<VYR_SVAVAIL_STAT>> days;
    ASSERT_EQ(station->GetSatelliteAvailStatistics(days), VYR_OK);
    auto day = std::make_unique<VYR_SVAVAIL_STAT>();
    for (const uint32_t mjd : {0u, 44239u, 86001u, 0xFFFFFFFFu}) {
        day->mjd = mjd;
        EXPECT_EQ(days->Add(*day), VYR_E_INVALID_PARAMETER) << mjd;
    }
    day->mjd = 60000;
    ASSERT_EQ(days->Add(*day), VYR_OK);
    ASSERT_EQ(station->GetSatelliteAvailStatistics(days), VYR_OK);  // read afresh
    std::vector<VYR_SVAVAIL_STAT> stored;
    EXPECT_EQ(days->GetAll(stored), VYR_OK);  // decodes every record: none is damage
    EXPECT_EQ(stored.size(), 1u);
}

TEST_F(StationTest, PointsGoThroughTheirCollections) {
    auto station = make_station(text_key("BASE"), true);
    std::vector<VYR_APRIORI_POINT> apriori(4);
    for (uint32_t i = 0; i < 4; ++i) {
        apriori[i].number = i < 3 ? 3 - i : 3;  // the last repeats a number: skipped
        apriori[i].x = 4e6 + i;
    }
    ASSERT_EQ(station->AddAprioriPoints(apriori), VYR_OK);
    std::vector<VYR_APRIORI_POINT> read;
    ASSERT_EQ(station->GetAprioriPoints(read), VYR_OK);
    ASSERT_EQ(read.size(), 3u);
    EXPECT_EQ(+read[0].number, 1u);
    EXPECT_EQ(+read[2].x, 4e6);

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
        EXPECT_EQ(+statistics.at(VYR_SATSYS_GLONASS).stationEpochs, 1u);
    }
    EXPECT_EQ(station_stream(key, kStreamWindows).size(), 4u + 16u);
    EXPECT_EQ(station_stream(key, kStreamExpObsSatelliteStatistics).size(), 18161u);
}

TEST_F(StationTest, ResetObservationsStopsAtTheFirstStreamItCannotRemove) {
    const VYR_STATION_KEY never = text_key("NEVER");
    const VYR_STATION_KEY partial = text_key("PARTIAL");
    {
        auto station = make_station(never, true);
        ASSERT_EQ(station->SetSensorSystem(sensor("R")), VYR_OK);
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
    make_station(key, true)->SetSensorSystem(sensor("R"));
    reopen_read_only();
    auto station = make_station(key, false);
    VYR_SENSORSYSTEM read{};
    EXPECT_EQ(station->GetSensorSystem(read), VYR_OK);
    EXPECT_EQ(station->SetSensorSystem(read), VYR_E_INVALID_PARAMETER);
    EXPECT_EQ(station->SetWindows({}), VYR_E_CANNOT_CREATE_ENTRY);
    std::vector<VYR_APRIORI_POINT> points;
    EXPECT_EQ(station->GetAprioriPoints(points), VYR_E_ENTRY_NOT_FOUND);
    EXPECT_EQ(station->ResetObservations(), VYR_E_STREAM_NOT_DELETED);
    // A station that never had an observation stream has nothing to export.
    VYR_RINEX_EXPORT_RESULT exported;
    EXPECT_EQ(station->ExportRinexEx("/nonexistent-vyr-folder", {}, exported),
              VYR_E_ENTRY_NOT_FOUND);
    EXPECT_TRUE(exported.path.empty());
}

}  // namespace
