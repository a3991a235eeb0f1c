// Times on the command line: every accepted form, what is refused, and a span that ends before it
// starts, for each command that takes one.
#include <cstring>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vyr/vyr.h>
#include <nlohmann/json.hpp>
#include "cli_runner.h"

namespace {

using nlohmann::json;
using ::testing::HasSubstr;
using vyr_cli_test::Outcome;

class TimeCli : public vyr_cli_test::CliTest {
protected:
    // A project with station BASE holding one epoch of GPS 5 at 2024-01-01 10:00.
    void SetUp() override {
        CliTest::SetUp();
        CVyrIPtrSmart<IVyrStorage> storage;
        ASSERT_EQ(Vyr_GetIVyr()->CreateStorage(project.c_str(), storage), VYR_OK);
        CVyrIPtrSmart<IVyrCollectionStation> stations;
        ASSERT_EQ(storage->GetStations(stations), VYR_OK);
        VYR_STATION_KEY key{};
        key.type = VYR_KEY_TEXT;
        std::strcpy(reinterpret_cast<char*>(key.value), "BASE");
        CVyrIPtrSmart<IVyrStation> station;
        ASSERT_EQ(stations->AddStation(key, station), VYR_OK);
        VYR_OBSERVATIONEPOCH epoch;
        epoch.mjd = 60310;
        epoch.fraction = 10.0 / 24.0;
        epoch.status = 1;
        VYR_OBSERVATIONEPOCH_SV g05;
        g05.satId = {VYR_SATSYS_GPS, 5};
        VYR_OBSERVATIONEPOCH_SIGNAL l1;
        l1.obsType = VYR_OBS_L1CA;
        l1.flags = VYR_OBSERVATIONEPOCH_SIGNAL::kCodeValid;
        l1.code = 2.1e7;
        g05.observations = {l1};
        epoch.satellites = {g05};
        CVyrIPtrSmart<IVyrObservations> observations;
        ASSERT_EQ(station->GetObservations(observations), VYR_OK);
        ASSERT_EQ(observations->AddEpochs({epoch}), VYR_OK);
    }

    // The window FROM..FROM as `windows list` prints its start; empty when the add failed.
    std::string stored(const std::string& text) {
        const Outcome added = vyr({"windows", project, "BASE", "add", text, text});
        EXPECT_EQ(added.status, 0) << text << ": " << added.err;
        const json listed = json::parse(vyr({"windows", project, "BASE", "list", "--json"}).out);
        EXPECT_EQ(vyr({"windows", project, "BASE", "clear"}).status, 0);
        return listed["station"].empty() ? "" : listed["station"][0]["from"].get<std::string>();
    }
};

TEST_F(TimeCli, EveryFormGivesItsTime) {
    const std::pair<const char*, const char*> forms[] = {
        {"2024-01-01T10:00:20", "2024-01-01T10:00:20.000"},
        {"2024-01-01T10:00", "2024-01-01T10:00:00.000"},
        {"2024-01-01T10:00:20.25Z", "2024-01-01T10:00:20.250"},
        {"2024-01-01T10:00z", "2024-01-01T10:00:00.000"},
        {"2024-01-01 10:00:20.1234", "2024-01-01T10:00:20.123"},
        {"2024-01-01", "2024-01-01T00:00:00.000"},
        {"2024-02-29", "2024-02-29T00:00:00.000"},
        {"2024:001", "2024-01-01T00:00:00.000"},
        {"2024-060", "2024-02-29T00:00:00.000"},
        {"2023-060", "2023-03-01T00:00:00.000"},
        {"2024:366:23:59:59.5", "2024-12-31T23:59:59.500"},
        {"2017-097T12:30", "2017-04-07T12:30:00.000"},
        {"2017:097 12:30:05Z", "2017-04-07T12:30:05.000"},
        // Week 1943 began on Sunday 2017-04-02.
        {"gps:1943:345600", "2017-04-06T00:00:00.000"},
        {"GPS:0:0", "1980-01-06T00:00:00.000"},
        {"gps:2295:86400.125", "2024-01-01T00:00:00.125"},
        {"gps:2295:604799.999", "2024-01-06T23:59:59.999"},
    };
    for (const auto& [text, iso] : forms) EXPECT_EQ(stored(text), iso) << text;
}

TEST_F(TimeCli, NonsenseIsAUsageErrorNamingTheArgumentAndTheForms) {
    const std::pair<const char*, std::vector<std::string>> refused[] = {
        {"no day", {"2024-02-30", "2023-02-29", "2023:366", "2024:000", "2024-13-01"}},
        {"no clock", {"2024-01-01T24:00", "2024-01-01T10:60", "2024-01-01T10:00:60"}},
        {"short field", {"2024-01-01T10", "2024-01-01T10:5", "2024-1-01", "2024-01-01T10:00:2"}},
        {"long field", {"20240-01-01", "2024-001-01", "2024-01-01T10:00:200"}},
        {"trailing", {"2024-01-01T10:00:20.", "2024-01-01Z", "2024-01-01T10:00:20 "}},
        {"blank", {" 2024-01-01", ""}},
        {"separator", {"2024/01/01", "2024:01:01", "2024-01-01:10:00"}},
        {"week", {"gps:1943:604800", "gps:-1:0", "gps:1943", "gps:1943:1e5", "gps::5"}},
        {"other", {"yesterday", "1800-01-01"}},
    };
    for (const auto& [why, texts] : refused) {
        for (const std::string& text : texts) {
            const Outcome from = vyr({"windows", project, "BASE", "add", text, "2024-01-02"});
            EXPECT_EQ(from.status, 2) << why << ": " << text;
            EXPECT_THAT(from.err, HasSubstr("FROM: not a time")) << text;
            EXPECT_THAT(from.err, HasSubstr("gps:WEEK:SECONDS")) << text;
        }
    }
    const Outcome to = vyr({"obs", project, "BASE", "--to", "2024-02-30"});
    EXPECT_EQ(to.status, 2);
    EXPECT_THAT(to.err, HasSubstr("--to: not a time: '2024-02-30'; accepted: YYYY-MM-DD"));
    EXPECT_EQ(vyr({"windows", project, "BASE", "list"}).out, "");
}

// The iterator keeps every epoch for a span that ends before it starts; each command refuses it.
TEST_F(TimeCli, ASpanEndingBeforeItStartsIsRefusedByEveryCommand) {
    const std::vector<std::vector<std::string>> commands = {
        {"obs", project, "BASE", "--from", "2024-01-01T10:00:05", "--to", "2024-01-01T10:00"},
        {"export", project, "BASE", "-o", dir.string(), "--from", "2024-001T10:00:05", "--to",
         "2024-01-01 10:00"},
    };
    for (const auto& command : commands) {
        const Outcome refused = vyr(command);
        EXPECT_EQ(refused.status, 2) << command[0];
        EXPECT_EQ(refused.out, "") << command[0];
        EXPECT_THAT(refused.err, HasSubstr("--to 2024-01-01T10:00:00.000 lies before --from "
                                           "2024-01-01T10:00:05.000"))
            << command[0];
    }
    const Outcome window = vyr({"windows", project, "BASE", "add", "2024-01-02", "2024-01-01"});
    EXPECT_EQ(window.status, 2);
    EXPECT_THAT(window.err, HasSubstr("TO lies before FROM"));

    // A span of one instant holds the epoch at that instant.
    const Outcome instant =
        vyr({"obs", project, "BASE", "--from", "gps:2295:122400", "--to", "2024-01-01T10:00"});
    ASSERT_EQ(instant.status, 0) << instant.err;
    EXPECT_THAT(instant.out, HasSubstr("\n2024-01-01T10:00:00.000,G05,1,"));
}

}  // namespace
