// Upgrade of a version-2 project built here from raw stream bytes: older observation records,
// older statistics and satellite windows, a station without observations.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include <vyr/station.h>

#include "records/collection_test_support.h"
#include "stations/observation_record_layout.h"
#include "stations/station_test_support.h"
#include "storage/layout.h"
#include "storage/project_storage.h"

namespace {

using namespace vyr_storage;
using vyr_test::text_key;

constexpr uint32_t kMjd = 58000;
constexpr uint32_t kLaterMjd = 58001;

std::string older_epoch(uint32_t mjd, double fraction, uint8_t sourceTag) {
    VYR_OBSERVATION record;
    std::memset(&record, 0, sizeof record);
    record.mjd = mjd;
    record.fraction = fraction;
    record.count = 2;
    record.flags = VYR_OBSERVATION::kL1Data;
    record.occupation = 1;
    record.sourceTag = sourceTag;
    std::string bytes(reinterpret_cast<const char*>(&record), VYR_OBSERVATION::kHeaderSize);
    for (uint8_t prn : {5, 12}) {
        VYR_OBSERVATION_SV_BASIC sv{};
        sv.number = prn;
        sv.flags = VYR_SV_L1_CA_CODE;
        sv.l1Code = 2.2e7 + prn;
        bytes.append(reinterpret_cast<const char*>(&sv), sizeof(VYR_OBSERVATION_SV_BASIC_L1));
    }
    return bytes;
}

// The statistics record of version 2: 88 bytes; offsets 84 and 86 hold the source-tag and
// clock-jump flags.
std::string older_statistics() {
    std::string bytes(88, '\0');
    const uint32_t epochs = 2;
    std::memcpy(&bytes[0], &kMjd, 4);
    std::memcpy(&bytes[28], &epochs, 4);
    bytes[84] = 1;
    bytes[86] = 1;
    return bytes;
}

// 56 counted lists; satellite 5 has one window.
std::string older_satellite_windows() {
    std::string bytes;
    for (int n = 1; n <= 56; ++n) {
        const uint32_t count = n == 5 ? 1 : 0;
        bytes.append(reinterpret_cast<const char*>(&count), 4);
        if (n == 5) {
            const VYR_INTERVAL window{kMjd + 0.25, kMjd + 0.375};
            bytes.append(reinterpret_cast<const char*>(&window), sizeof window);
        }
    }
    return bytes;
}

class UpgradeTest : public vyr_test::MemoryStorageTest {
protected:
    void put_station(const VYR_STATION_KEY& key,
                     const std::vector<std::pair<uint32_t, std::string>>& streams) {
        CStg station;
        CStg result;
        ASSERT_TRUE(CFactoryStorage(storage.Get())
                        .OpenOrCreateStation(key, vyr::kDispositionCreateNew, station));
        ASSERT_TRUE(CFactoryStorage(&station).OpenOrCreate(kStorageStationResult,
                                                           vyr::kDispositionCreateNew, result));
        for (const auto& [id, bytes] : streams) {
            CStm stream;
            ASSERT_TRUE(
                CFactoryStream(&station).OpenOrCreate(id, vyr::kDispositionCreateNew, stream));
            ASSERT_TRUE(stream.Write(bytes.data(), static_cast<uint32_t>(bytes.size())));
        }
    }

    void build_version_2_project() {
        put_stream(kStreamStorageVersion, std::string("\x02\0\0\0", 4));
        put_stream(kStreamStorageStatus, std::string(4, '\0'));
        put_stream(kStreamStationList,
                   vyr_test::bytes_of(text_key("OLD")) + vyr_test::bytes_of(text_key("QUIET")));
        put_station(text_key("OLD"), {{kStreamObservations,
                                       older_epoch(kMjd, 0.5, 7) + older_epoch(kLaterMjd, 0.75, 0)},
                                      {kStreamObservationStatistics, older_statistics()},
                                      {kStreamSatelliteWindows, older_satellite_windows()}});
        put_station(text_key("QUIET"), {{kStreamSensorSystem, std::string(55, 'r')}});
    }

    CVyrStorage* open_project() {
        auto* project = new CVyrStorage(storage);
        EXPECT_EQ(project->Open(), VYR_OK);
        return project;
    }
};

TEST_F(UpgradeTest, AVersion2ProjectIsRewrittenInTheCurrentLayout) {
    build_version_2_project();
    CVyrIPtrSmart<IVyrStorageEx> project(open_project());
    VYR_VERSION version{};
    ASSERT_EQ(project->GetVersion(version), VYR_OK);
    EXPECT_EQ(version.major, 2);

    ASSERT_EQ(project->Upgrade(), VYR_OK);
    ASSERT_EQ(project->GetVersion(version), VYR_OK);
    EXPECT_EQ(version.major, 3);
    EXPECT_EQ(version.minor, 0);
    EXPECT_EQ(project->Upgrade(), VYR_E_NO_MATCH);  // a current project is left alone

    CVyrIPtrSmart<IVyrCollectionStationEx> stations;
    ASSERT_EQ(project->GetStationsEx(stations), VYR_OK);
    CVyrIPtrSmart<IVyrStationEx> station;
    ASSERT_EQ(stations->GetStationEx(text_key("OLD"), station), VYR_OK);
    {
        CVyrIPtrSmart<IVyrObservations> observations;
        ASSERT_EQ(station->GetObservations(observations), VYR_OK);
        std::vector<VYR_OBSERVATIONEPOCH> epochs;
        VYR_OBSERVATIONEPOCH epoch;
        for (VYR_ERROR r = observations->StartAndGetFirst(epoch, nullptr, false, 0); r == VYR_OK;
             r = observations->GetNext(epoch, false))
            epochs.push_back(epoch);
        ASSERT_EQ(epochs.size(), 2u);
        EXPECT_EQ(epochs[1].mjd, kLaterMjd);
        ASSERT_EQ(epochs[0].satellites.size(), 2u);
        const double code = epochs[0].satellites[1].observations.at(0).code;
        EXPECT_EQ(code, 2.2e7 + 12);
    }
    vyr::ObservationStatistics statistics;
    ASSERT_EQ(station->GetObservationStatistics(statistics), VYR_OK);
    ASSERT_EQ(statistics.size(), 1u);
    const VYR_OBSERVATION_STAT& gps = statistics.at(VYR_SATSYS_GPS);
    const uint32_t stationEpochs = gps.stationEpochs;
    const uint32_t lastMjd = gps.lastMjd;
    const int sourceTag = gps.sourceTagWritten;  // taken over from the version-2 record
    const int reserved = gps.reserved;
    const int clockJump = gps.clockJumpCorrected;
    EXPECT_EQ(stationEpochs, 2u);
    EXPECT_EQ(lastMjd, kLaterMjd);
    EXPECT_EQ(sourceTag, 1);
    EXPECT_EQ(reserved, 0);
    EXPECT_EQ(clockJump, 1);

    auto satellites = std::make_unique<VYR_OBSERVATION_SVSTAT>();
    ASSERT_EQ(station->GetObservationSatelliteStatistics(*satellites), VYR_OK);
    const uint32_t satelliteEpochs = satellites->satellites[12].satelliteEpochs;
    EXPECT_EQ(satelliteEpochs, 2u);
    CVyrIPtrSmart<IVyrCollection<VYR_SVAVAIL_STAT>> availability;
    ASSERT_EQ(station->GetSatelliteAvailStatistics(availability), VYR_OK);
    uint32_t days = 0;
    ASSERT_EQ(availability->GetCount(days), VYR_OK);
    EXPECT_EQ(days, 2u);
    availability.Reset();

    VYR_SV_WINDOWS windows;
    ASSERT_EQ(station->GetSatelliteWindows(windows), VYR_OK);
    ASSERT_EQ(windows[5].size(), 1u);
    const double end = windows[5][0].end;
    EXPECT_EQ(end, kMjd + 0.375);
    station.Reset();

    ASSERT_EQ(stations->GetStationEx(text_key("QUIET"), station), VYR_OK);
    VYR_SENSORSYSTEM sensor{};
    EXPECT_EQ(station->GetSensorSystem(sensor), VYR_OK);
    EXPECT_EQ(sensor.receiverName[0], 'r');
    station.Reset();
    stations.Reset();
    project.Reset();
    EXPECT_EQ(stream_bytes(kStreamStorageVersion), std::string("\x03\0\0\0", 4));
}

}  // namespace
