// `vyr errors` end to end, on a project filled through the library.
#include <cstring>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vyr/vyr.h>
#include <nlohmann/json.hpp>
#include "cli_runner.h"

namespace {

using ::testing::HasSubstr;
using vyr_cli_test::Outcome;

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

// A new project lists nothing; errors added through the library come with texts and times.
TEST_F(ListsCli, ErrorsComeWithTheirTextsAndTimes) {
    const Outcome empty = vyr({"errors", project});
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(empty.out, "");
    EXPECT_EQ(nlohmann::json::parse(vyr({"errors", project, "--json"}).out).size(), 0u);
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

}  // namespace
