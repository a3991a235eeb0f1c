// `vyr info`, `obs`, `windows` and `upgrade` end to end on a project built through the library.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vyr/vyr.h>
#include <nlohmann/json.hpp>
#include "cli_runner.h"

namespace {

using vyr_cli_test::lines_of;
using vyr_cli_test::Outcome;
using vyr_cli_test::slurp;

namespace fs = std::filesystem;
using nlohmann::json;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr uint32_t kMjd = 60310;  // 2024-01-01

VYR_OBSERVATIONEPOCH_SIGNAL signal(VYR_OBSTYPE type, uint16_t flags, double code) {
    VYR_OBSERVATIONEPOCH_SIGNAL s;
    s.obsType = type;
    s.flags = flags;
    s.code = code;
    s.phase = code / 0.19;
    s.quality = 900;
    return s;
}

// GPS 5 (C/A code and phase, L2 code only), GPS 12 and SBAS 120 (code only).
VYR_OBSERVATIONEPOCH epoch_at(double seconds) {
    VYR_OBSERVATIONEPOCH epoch;
    epoch.mjd = kMjd;
    epoch.fraction = seconds / 86400.0;
    epoch.status = 1;
    constexpr uint16_t kBoth =
        VYR_OBSERVATIONEPOCH_SIGNAL::kCodeValid | VYR_OBSERVATIONEPOCH_SIGNAL::kPhaseValid;
    VYR_OBSERVATIONEPOCH_SV g05;
    g05.satId = {VYR_SATSYS_GPS, 5};
    g05.observations = {
        signal(static_cast<VYR_OBSTYPE>(1), kBoth, 2.1e7),
        signal(static_cast<VYR_OBSTYPE>(2), VYR_OBSERVATIONEPOCH_SIGNAL::kCodeValid, 2.1e7 + 3.25)};
    VYR_OBSERVATIONEPOCH_SV g12;
    g12.satId = {VYR_SATSYS_GPS, 12};
    g12.observations = {signal(static_cast<VYR_OBSTYPE>(1), kBoth, 2.3e7)};
    VYR_OBSERVATIONEPOCH_SV s20;
    s20.satId = {VYR_SATSYS_SBAS, 1};
    s20.observations = {signal(static_cast<VYR_OBSTYPE>(1), kBoth, 3.8e7)};
    epoch.satellites = {g05, g12, s20};
    return epoch;
}

class StationCli : public vyr_cli_test::CliTest {
protected:
    // A project with station BASE: receiver, antenna and (unless bare) epochs at 10:00:00, :30
    // and 10:01:00.
    // The key and the receiver name are stored as given, whatever their bytes.
    void build_project(bool bare = false, const std::string& name = "BASE",
                       const std::string& receiver = "RECEIVER X") {
        CVyrIPtrSmart<IVyr> root = Vyr_GetIVyr();
        CVyrIPtrSmart<IVyrStorage> storage;
        ASSERT_EQ(root->CreateStorage(project.c_str(), storage), VYR_OK);
        CVyrIPtrSmart<IVyrCollectionStation> stations;
        ASSERT_EQ(storage->GetStations(stations), VYR_OK);
        VYR_STATION_KEY key{};
        key.type = VYR_KEY_TEXT;
        std::memcpy(key.value, name.data(), std::min(name.size(), sizeof key.value - 1));
        CVyrIPtrSmart<IVyrStation> station;
        ASSERT_EQ(stations->AddStation(key, station), VYR_OK);
        VYR_SENSORSYSTEM sensor{};
        std::memcpy(sensor.receiverName, receiver.data(),
                    std::min(receiver.size(), sizeof sensor.receiverName - 1));
        std::strcpy(sensor.serialNumber, "4711");
        ASSERT_EQ(station->SetSensorSystem(sensor), VYR_OK);
        VYR_ANTENNA antenna;
        std::strcpy(antenna.fields.type, "ANTENNA Y");
        std::strcpy(antenna.fields.serialNumber, "0815");
        antenna.fields.offsetEast = antenna.fields.offsetEast2 = 0.1f;
        antenna.fields.offsetNorth = antenna.fields.offsetNorth2 = -0.2f;
        ASSERT_EQ(station->SetAntenna(antenna), VYR_OK);
        if (bare) return;
        describe_site(*station);
        CVyrIPtrSmart<IVyrObservations> observations;
        ASSERT_EQ(station->GetObservations(observations), VYR_OK);
        ASSERT_EQ(observations->AddEpochs({epoch_at(36000), epoch_at(36030), epoch_at(36060)}),
                  VYR_OK);
    }

    // As an import stores a site: a static then a kinematic occupation (antenna 1.5 m high), and
    // the a-priori position at kLatitude, kLongitude, kHeight as the static one's point.
    void describe_site(IVyrStation& station) {
        CVyrIPtrSmart<IVyrCollectionPointDesc> descriptions;
        ASSERT_EQ(station.GetPointDescriptions(descriptions), VYR_OK);
        uint32_t staticId = 0;
        for (const auto mode : {VYR_OCCUPATION::MODE_STATIC, VYR_OCCUPATION::MODE_KINEMATIC}) {
            VYR_OCCUPATION occupation{};
            const bool still = mode == VYR_OCCUPATION::MODE_STATIC;
            occupation.start = kMjd + (still ? 36000.0 : 36030.0) / 86400.0;
            occupation.end = kMjd + (still ? 36030.0 : 36060.0) / 86400.0;
            occupation.antennaHeight = 1.5;
            occupation.mode = mode;
            std::strcpy(occupation.markerName, "BASE 1");
            VYR_POINT_DESCRIPTION description;
            std::memcpy(&description, &occupation, sizeof description);
            VYR_POINT_DESC stored{};
            ASSERT_EQ(descriptions->AddPointDesc(description, stored), VYR_OK);
            if (still) staticId = stored.id;
        }
        // The position of a geodetic point on WGS-84, by the closed form.
        constexpr double kA = 6378137.0, kF = 1.0 / 298.257223563, kE2 = kF * (2.0 - kF);
        const double lat = kLatitude * std::numbers::pi / 180.0,
                     lon = kLongitude * std::numbers::pi / 180.0;
        const double n = kA / std::sqrt(1.0 - kE2 * std::sin(lat) * std::sin(lat));
        VYR_APRIORI_POINT point{};
        point.number = staticId;
        point.x = (n + kHeight) * std::cos(lat) * std::cos(lon);
        point.y = (n + kHeight) * std::cos(lat) * std::sin(lon);
        point.z = (n * (1.0 - kE2) + kHeight) * std::sin(lat);
        ASSERT_EQ(station.AddAprioriPoints({point}), VYR_OK);
        position = point;
    }

    static constexpr double kLatitude = 47.3765432, kLongitude = -8.5412345, kHeight = 512.3456;
    VYR_APRIORI_POINT position{};
};

TEST_F(StationCli, InfoDescribesStationsAndCommonData) {
    build_project();
    const Outcome outcome = vyr({"info", project, "--json"});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    const json info = json::parse(outcome.out);
    EXPECT_EQ(info["version"], "3.0");
    ASSERT_EQ(info["stations"].size(), 1u);
    const json& station = info["stations"][0];
    EXPECT_EQ(station["key"], "BASE");
    EXPECT_EQ(station["epochs"], 3);
    EXPECT_EQ(station["first"], "2024-01-01T10:00:00.000");
    EXPECT_EQ(station["last"], "2024-01-01T10:01:00.000");
    EXPECT_EQ(station["rate_ms"], 30000);
    EXPECT_EQ(station["receiver"], (json{{"type", "RECEIVER X"}, {"number", "4711"}}));
    EXPECT_EQ(station["antenna"],
              (json{{"type", "ANTENNA Y"}, {"number", "0815"}, {"east", 0.1}, {"north", -0.2}}));
    // G05 had L1 C/A code and phase and L1 P code only; SBAS code and phase.
    EXPECT_EQ(station["systems"]["G"], (json{{"satellites", 2},
                                             {"types", {1, 2}},
                                             {"rinex", {{"1", {"C1C", "L1C"}}, {"2", {"C1P"}}}}}));
    EXPECT_EQ(station["systems"]["S"]["satellites"], 1);
    EXPECT_EQ(station["systems"]["S"]["rinex"], (json{{"1", {"C1C", "L1C"}}}));
    EXPECT_EQ(info["time_scale"], "GPS");
    EXPECT_EQ(info["common"]["broadcast_gps"], 0);
    EXPECT_EQ(info["common"]["iono_models"], 0);

    const json& at = station["position"];
    EXPECT_EQ(at["x"], +position.x);
    EXPECT_EQ(at["z"], +position.z);
    EXPECT_NEAR(at["latitude"].get<double>(), kLatitude, 1e-9);
    EXPECT_NEAR(at["longitude"].get<double>(), kLongitude, 1e-9);
    EXPECT_NEAR(at["height"].get<double>(), kHeight, 1e-4);
    ASSERT_EQ(station["occupations"].size(), 2u);
    EXPECT_EQ(station["occupations"][1], (json{{"mode", "kinematic"},
                                               {"first", "2024-01-01T10:00:30.000"},
                                               {"last", "2024-01-01T10:01:00.000"},
                                               {"antenna_height", 1.5},
                                               {"marker", "BASE 1"}}));

    const Outcome text = vyr({"info", project});
    EXPECT_THAT(text.out, HasSubstr("version\t3.0\ntime_scale\tGPS\nstation\tBASE\n"
                                    "receiver\tRECEIVER X\t4711\n"));
    EXPECT_THAT(text.out, HasSubstr("antenna\tANTENNA Y\t0815\nantenna_delta\t1.5000\t0.1000\t"
                                    "-0.2000\nposition\t"));
    EXPECT_THAT(text.out, HasSubstr("\ngeodetic\t47.376543200\t-8.541234500\t512.3456\n"
                                    "occupation\tstatic\t2024-01-01T10:00:00.000\t"
                                    "2024-01-01T10:00:30.000\t1.5000\tBASE 1\noccupation\t"
                                    "kinematic\t"));
    EXPECT_THAT(text.out,
                HasSubstr("rate_ms\t30000\nsystem\tG\t2\t1,2\nsignals\tG\tC1C L1C C1P\n"));

    // A station with no position or occupations stored gets no such lines.
    project = (dir / "bare.vyr").string();
    build_project(true, "BARE");
    const Outcome bare = vyr({"info", project});
    EXPECT_THAT(bare.out, HasSubstr("station\tBARE\nreceiver\tRECEIVER X\t4711\nantenna\tANTENNA "
                                    "Y\t0815\nantenna_delta\t-\t0.1000\t-0.2000\nepochs\t0\n"));
}

TEST_F(StationCli, ObsShowsEverySignalInStoredOrderWithSbasByDefault) {
    build_project();
    const Outcome all = vyr({"obs", project, "BASE"});
    ASSERT_EQ(all.status, 0) << all.err;
    const std::vector<std::string> rows = lines_of(all.out);
    ASSERT_EQ(rows.size(), 1u + 3u * 4u);
    EXPECT_EQ(rows[0], "time,sat,type,code,phase,doppler,quality,flags");
    EXPECT_EQ(rows[1], "2024-01-01T10:00:00.000,G05,1,21000000.000,110526315.789,,900,0x0003");
    EXPECT_EQ(rows[2], "2024-01-01T10:00:00.000,G05,2,21000003.250,,,900,0x0002");
    EXPECT_EQ(rows[4].substr(0, 28), "2024-01-01T10:00:00.000,S20,");

    const Outcome filtered = vyr({"obs", project, "BASE", "--from", "2024-01-01T10:00:30",
                                  "--exclude-system", "S", "--exclude-sat", "G12", "--json"});
    ASSERT_EQ(filtered.status, 0) << filtered.err;
    const json rows_json = json::parse(filtered.out);
    ASSERT_EQ(rows_json.size(), 4u);  // two epochs, G05 with two signals
    EXPECT_EQ(rows_json[0]["time"], "2024-01-01T10:00:30.000");
    EXPECT_TRUE(rows_json[1]["phase"].is_null());

    const Outcome sampled = vyr({"obs", project, "BASE", "--interval", "60"});
    EXPECT_EQ(lines_of(sampled.out).size(), 1u + 2u * 4u);  // 10:00:00 and 10:01:00

    EXPECT_EQ(vyr({"obs", project, "NONE"}).status, 1);
    EXPECT_THAT(vyr({"obs", project, "NONE"}).err, HasSubstr("no station NONE"));
    EXPECT_EQ(vyr({"obs", project, "BASE", "--from", "yesterday"}).status, 2);
    EXPECT_EQ(vyr({"obs", project, "BASE", "--exclude-sat", "X99"}).status, 2);
}

// Epochs at 10:00:00, :30 and 10:01:00 each with G05 (two signals), G12 and S20.
TEST_F(StationCli, OnlySystemKeepsTheSystemsItNames) {
    build_project();
    struct Case {
        std::vector<std::string> options;
        int status;
        std::vector<std::string> satellites;  // of each epoch's rows, in order
        const char* said;
    };
    const Case cases[] = {
        {{"--only-system", "G"}, 0, {"G05", "G05", "G12"}, ""},
        {{"--only-system", "S"}, 0, {"S20"}, ""},
        {{"--only-system", "S,G"}, 0, {"G05", "G05", "G12", "S20"}, ""},
        {{"--only-system", "G", "--exclude-sat", "G05"}, 0, {"G12"}, ""},
        {{"--only-system", "E,R"}, 0, {}, ""},
        {{"--only-system", "G", "--exclude-system", "S"}, 2, {}, "excludes"},
        {{"--only-system", "X"}, 2, {}, "--only-system: not a system: X (one of G, R, E, S)"},
        {{"--only-system", "GE"}, 2, {}, "--only-system: not a system: GE"},
        {{"--only-system", ","}, 2, {}, "--only-system: no system given"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"obs", project, "BASE"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const Outcome outcome = vyr(args);
        const std::string what = c.options[1];
        ASSERT_EQ(outcome.status, c.status) << what << ": " << outcome.err;
        EXPECT_THAT(outcome.err, HasSubstr(c.said)) << what;
        if (c.status != 0) continue;
        std::vector<std::string> expected, seen;
        for (int epoch = 0; epoch < 3; ++epoch)
            expected.insert(expected.end(), c.satellites.begin(), c.satellites.end());
        for (const std::string& row : lines_of(outcome.out))
            if (row.rfind("2024-", 0) == 0) seen.push_back(row.substr(24, 3));
        EXPECT_EQ(seen, expected) << what;
    }
}

TEST_F(StationCli, WindowsAreAddedListedAppliedAndCleared) {
    build_project();
    ASSERT_EQ(vyr({"windows", project, "BASE", "add", "2024-01-01T10:00:20", "2024-01-01T10:00:40"})
                  .status,
              0);
    ASSERT_EQ(vyr({"windows", project, "BASE", "add", "2024-01-01T09:00:00", "2024-01-01T11:00:00",
                   "--sat", "G12"})
                  .status,
              0);
    EXPECT_EQ(vyr({"windows", project, "BASE", "list"}).out,
              "station\t2024-01-01T10:00:20.000\t2024-01-01T10:00:40.000\n"
              "G12\t2024-01-01T09:00:00.000\t2024-01-01T11:00:00.000\n");
    const Outcome applied = vyr({"obs", project, "BASE", "--windows", "--exclude-system", "S"});
    // 10:00:30 falls in the station window; G12 is out everywhere.
    EXPECT_EQ(lines_of(applied.out).size(), 1u + 2u * 2u);

    ASSERT_EQ(vyr({"windows", project, "BASE", "clear"}).status, 0);
    const json listed = json::parse(vyr({"windows", project, "BASE", "list", "--json"}).out);
    EXPECT_TRUE(listed["station"].empty());
    EXPECT_EQ(listed["satellites"]["G12"].size(), 1u);
    ASSERT_EQ(vyr({"windows", project, "BASE", "clear", "--sat", "G12"}).status, 0);
    EXPECT_EQ(vyr({"windows", project, "BASE", "list"}).out, "");
    EXPECT_EQ(vyr({"windows", project, "BASE", "add", "2024-01-01T10:00:00", "2024-01-01T11:00:00",
                   "--sat", "E11"})
                  .status,
              2);
}

// A stored window whose time is no time (damage) is reported, not turned into a date.
TEST_F(StationCli, AWindowHoldingNoTimeIsReportedAsDamage) {
    build_project(true);
    {
        CVyrIPtrSmart<IVyrStorage> storage;
        ASSERT_EQ(Vyr_GetIVyr()->OpenStorage(project.c_str(), storage), VYR_OK);
        CVyrIPtrSmart<IVyrCollectionStation> stations;
        ASSERT_EQ(storage->GetStations(stations), VYR_OK);
        VYR_STATION_KEY key{};
        key.type = VYR_KEY_TEXT;
        std::strcpy(reinterpret_cast<char*>(key.value), "BASE");
        CVyrIPtrSmart<IVyrStation> station;
        ASSERT_EQ(stations->GetStation(key, station), VYR_OK);
        ASSERT_EQ(station->SetWindows({{std::nan(""), 60000.5}, {-1.0e300, 60000.0}}), VYR_OK);
    }
    for (const bool as_json : {false, true}) {
        std::vector<std::string> args{"windows", project, "BASE", "list"};
        if (as_json) args.push_back("--json");
        const Outcome listed = vyr(args);
        EXPECT_EQ(listed.status, 1) << listed.out;
        EXPECT_NE(listed.err.find("damaged"), std::string::npos) << listed.err;
    }
}

// Texts need not be UTF-8 (one flipped byte in an imported file is enough). JSON reads such
// bytes as Latin-1 and stays valid, text output shows them as \xNN, the station is named by
// either form, and no command stops on them.
TEST_F(StationCli, TextsThatAreNotUtf8AreEscapedAndNeverStopACommand) {
    build_project(false, "B\xE9\xFF",
                  "R\xE9"
                  "CEIVER\x01\\");
    {
        CVyrIPtrSmart<IVyrStorage> storage;
        ASSERT_EQ(Vyr_GetIVyr()->OpenStorage(project.c_str(), storage), VYR_OK);
        CVyrIPtrSmart<IVyrCommonData> common;
        ASSERT_EQ(storage->GetCommonData(common), VYR_OK);
        VYR_ESTABLISHED_POINT point{};
        std::strcpy(point.name, "P\xFF\t1");
        ASSERT_EQ(common->AddEstablishedPointRecords({point}), VYR_OK);
    }
    const std::string latin1Key = "B\xC3\xA9\xC3\xBF";  // as UTF-8
    struct Case {
        std::vector<std::string> args;
        std::string said;
    };
    const Case cases[] = {
        {{"info", project}, "station\tB\\xE9\\xFF\nreceiver\tR\\xE9CEIVER\\x01\\x5C\t4711\n"},
        {{"info", project, "--json"}, "\"key\": \"" + latin1Key + "\""},
        {{"info", project, "--json"},
         "\"type\": \"R\xC3\xA9"
         "CEIVER\\u0001\\\\\""},
        {{"obs", project, "B\xE9\xFF"}, "2024-01-01T10:00:00.000,G05,1,"},
        {{"obs", project, "B\\xE9\\xFF", "--json"}, "\"sat\":\"G05\""},
        {{"windows", project, "B\\xE9\\xFF", "list", "--json"}, "\"station\": []"},
        {{"show", project, "established-points"}, "name=P\\xFF\\x091"},
        {{"show", project, "established-points", "--json"}, "\"name\": \"P\xC3\xBF\\t1\""},
        {{"cfb", "ls", project}, "Station" + latin1Key + "/Antenna\tstream"},
        {{"cfb", "ls", project, "--json"}, "\"path\": \"Station" + latin1Key + "\""},
    };
    for (const Case& c : cases) {
        const Outcome outcome = vyr(c.args);
        const std::string what = c.args[0] + " " + c.args.back();
        ASSERT_EQ(outcome.status, 0) << what << ": " << outcome.err;
        EXPECT_THAT(outcome.out, HasSubstr(c.said)) << what;
        if (c.args.back() == "--json") {
            EXPECT_NO_THROW(json::parse(outcome.out)) << what;
        }
    }
}

// A damaged project (found by the project fuzz target) once printed an epoch in the year
// 1705522 and observation types -1 and 2304. Damage is a failure naming the file, never data:
// what is printed before it is sound.
TEST_F(StationCli, DamagedEpochsAndStatisticsAreReportedNeverPrinted) {
    const std::string damaged = (dir / "damaged.vyr").string();
    fs::copy_file(VYR_REGRESSIONS_DIR "/damaged-project-nonfinite-epoch.vyr", damaged);
    const std::vector<std::string> commands[] = {{"info", damaged},
                                                 {"info", damaged, "--json"},
                                                 {"obs", damaged, "SEED"},
                                                 {"obs", damaged, "SEED", "--json"}};
    for (const std::vector<std::string>& args : commands) {
        const Outcome outcome = vyr(args);
        const std::string what = args[0] + " " + args.back();
        EXPECT_EQ(outcome.status, 1) << what;
        EXPECT_THAT(outcome.err, HasSubstr(damaged + ": ")) << what;
        if (args[0] == "info") {
            EXPECT_EQ(outcome.out, "") << what;
            continue;
        }
        for (const char* bogus : {",-1,", ",2304,", "\"type\":-1", "\"type\":2304"})
            EXPECT_THAT(outcome.out, Not(HasSubstr(bogus))) << what;
        for (const std::string& row : lines_of(outcome.out)) {
            if (row.find('T') != std::string::npos) {
                EXPECT_THAT(row, HasSubstr("2021-01-02T12:0")) << what;
            }
        }
    }
}

TEST_F(StationCli, UpgradeConvertsAnOlderProjectAndLeavesACurrentOneAlone) {
    build_project(true);
    const std::string before = vyr_cli_test::slurp(project);
    Outcome current = vyr({"upgrade", project});
    EXPECT_EQ(current.status, 0);
    EXPECT_EQ(current.out, project + ": already at version 3.0\n");
    EXPECT_TRUE(vyr_cli_test::slurp(project) == before) << "a current project was rewritten";
    {
        // Stamp the project 2.0; its processing parameters have no older form to read.
        std::u16string name;
        ASSERT_TRUE(cfb::utf8_to_utf16(project, name));
        IStorage* root = nullptr;
        ASSERT_EQ(StgOpenStorage(name.c_str(), nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE,
                                 nullptr, 0, &root),
                  S_OK);
        IStream* version = nullptr;
        ASSERT_EQ(root->OpenStream(u"StorageVersion", nullptr,
                                   STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &version),
                  S_OK);
        const uint8_t two[4] = {2, 0, 0, 0};
        ASSERT_EQ(version->Write(two, 4, nullptr), S_OK);
        version->Release();
        ASSERT_EQ(root->DestroyElement(u"ProcessingParameters"), S_OK);
        ASSERT_EQ(root->Commit(0), S_OK);
        root->Release();
    }
    EXPECT_EQ(json::parse(vyr({"info", project, "--json"}).out)["version"], "2.0");
    const Outcome upgraded = vyr({"upgrade", project});
    ASSERT_EQ(upgraded.status, 0) << upgraded.err;
    EXPECT_EQ(upgraded.out, project + ": upgraded from 2.0 to 3.0\n");
    const json info = json::parse(vyr({"info", project, "--json"}).out);
    EXPECT_EQ(info["version"], "3.0");
    EXPECT_EQ(info["stations"][0]["receiver"]["type"], "RECEIVER X");
    EXPECT_EQ(info["stations"][0]["epochs"], 0);
    EXPECT_EQ(vyr({"upgrade", (dir / "none.vyr").string()}).status, 1);
}

}  // namespace
