// `vyr errors` and the list WHATs of `vyr show` end to end, on a project filled through the
// library.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vyr/vyr.h>
#include <nlohmann/json.hpp>
#include "cli_runner.h"

namespace {

using vyr_cli_test::Outcome;
using vyr_cli_test::run_vyr;
using vyr_cli_test::slurp;

namespace fs = std::filesystem;
using ::testing::HasSubstr;

class ListsCli : public vyr_cli_test::CliTest {
protected:
    void SetUp() override {
        CliTest::SetUp();
        CVyrIPtrSmart<IVyr> root = Vyr_GetIVyr();
        CVyrIPtrSmart<IVyrStorage> created;
        ASSERT_EQ(root->CreateStorage(project.c_str(), created), VYR_OK);
    }

    // The project opened for writing through the library; closed when the pointer goes.
    CVyrIPtrSmart<IVyrStorageEx> open_project() {
        CVyrIPtrSmart<IVyrEx> root = Vyr_GetIVyrEx();
        CVyrIPtrSmart<IVyrStorageEx> opened;
        EXPECT_EQ(root->OpenStorageEx(project.c_str(), opened), VYR_OK);
        return opened;
    }
};

TEST_F(ListsCli, ErrorsOfANewProjectAreAnEmptyList) {
    const Outcome text = vyr({"errors", project});
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(text.out, "");
    EXPECT_EQ(nlohmann::json::parse(vyr({"errors", project, "--json"}).out).size(), 0u);
}

TEST_F(ListsCli, ErrorsComeWithTheirTextsAndTimes) {
    {
        CVyrIPtrSmart<IVyrStorageEx> opened = open_project();
        CVyrIPtrSmart<IVyrErrorsEx> errors;
        ASSERT_EQ(opened->GetErrorsEx(errors), VYR_OK);
        uint8_t payload[17] = {5};
        const double start = 55197.0, end = 55197.5;
        std::memcpy(payload + 1, &start, 8);
        std::memcpy(payload + 9, &end, 8);
        ASSERT_EQ(errors->AddErrorSatelliteInterval(0x4001, 0x4001, payload), VYR_OK);
        const uint8_t satellite = 40;
        ASSERT_EQ(errors->AddIntervalErrorSatellite(0x2004, 55197.25, 55197.0, &satellite), VYR_OK);
    }
    const Outcome text = vyr({"errors", project});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_THAT(text.out, HasSubstr("No orbits available for satellite G05 between "
                                    "01.01.2010,00:00:00.00 and 01.01.2010,12:00:00.00."));
    const auto json = nlohmann::json::parse(vyr({"errors", project, "--json"}).out);
    ASSERT_EQ(json.size(), 2u);
    EXPECT_EQ(json[1]["kind"], "interval");
    EXPECT_EQ(json[1]["code"], "0x00002004");
    EXPECT_EQ(json[1]["start"], "01.01.2010,06:00:00.00");
    EXPECT_EQ(json[1]["text"], "Missing orbit.");
}

TEST_F(ListsCli, ShowListsOneRecordPerLineWithNamedFields) {
    {
        CVyrIPtrSmart<IVyrStorageEx> opened = open_project();
        CVyrIPtrSmart<IVyrCommonDataEx> common;
        ASSERT_EQ(opened->GetCommonDataEx(common), VYR_OK);
        VYR_BROADCASTEPHEMERIS gps{};
        gps.prn = 5;
        gps.week = 1565;
        gps.toe = 7200;
        ASSERT_EQ(common->AddBroadcastEphemerisRecords({gps, gps}), VYR_OK);
        VYR_PRECISEEPHEMERIS precise{};
        precise.satellite = 39;
        precise.epoch = 55197.0;
        precise.x = 15000123.456;
        ASSERT_EQ(common->AddPreciseEphemerisRecords({precise}), VYR_OK);
    }
    const Outcome gps = vyr({"show", project, "broadcast-gps"});
    ASSERT_EQ(gps.status, 0) << gps.err;
    EXPECT_EQ(std::count(gps.out.begin(), gps.out.end(), '\n'), 1);
    EXPECT_THAT(gps.out, HasSubstr("satellite=G05\tweek=1565\ttoe=7200\t"));
    const auto precise = nlohmann::json::parse(vyr({"show", project, "precise", "--json"}).out);
    ASSERT_EQ(precise.size(), 1u);
    EXPECT_EQ(precise[0]["satellite"], "R07");
    EXPECT_EQ(precise[0]["x"], 15000123.456);
    // A list the project never received shows nothing.
    const Outcome almanac = vyr({"show", project, "almanac-glo"});
    EXPECT_EQ(almanac.status, 0);
    EXPECT_EQ(almanac.out, "");
}

}  // namespace
