// `vyr show` end to end on projects filled through the library: fields by name with their units,
// RINEX satellite names, signed GLONASS channels, ISO epochs (MJD beside them in JSON), numbers
// with the digits they carry, and kinds a project never received.
#include <cmath>
#include <limits>
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
using ::testing::Not;
using vyr_cli_test::Outcome;

class ShowCli : public vyr_cli_test::CliTest {
protected:
    void SetUp() override {
        CliTest::SetUp();
        CVyrIPtrSmart<IVyr> root = Vyr_GetIVyr();
        CVyrIPtrSmart<IVyrStorage> created;
        ASSERT_EQ(root->CreateStorage(project.c_str(), created), VYR_OK);
    }

    // The common data of the project opened for writing; closed when the pointers go.
    struct Writing {
        CVyrIPtrSmart<IVyrStorageEx> storage;
        CVyrIPtrSmart<IVyrCommonDataEx> common;
    };
    Writing open_project() {
        Writing w;
        CVyrIPtrSmart<IVyrEx> root = Vyr_GetIVyrEx();
        EXPECT_EQ(root->OpenStorageEx(project.c_str(), w.storage), VYR_OK);
        EXPECT_EQ(w.storage->GetCommonDataEx(w.common), VYR_OK);
        return w;
    }

    // One record of each list, with values an import gives (kilometres made metres, floats).
    void fill_lists() {
        Writing w = open_project();
        VYR_BROADCASTEPHEMERIS gps{};
        gps.prn = 5;
        gps.week = 1566;
        gps.toe = 0;
        gps.toc = 604784;  // 16 s before the week's turn: the clock epoch is of week 1565
        gps.iodc = 0x32D;
        gps.sqrtA = 5153.62345;
        gps.af0 = 1.1e-8f;
        ASSERT_EQ(w.common->AddBroadcastEphemerisRecords({gps}), VYR_OK);
        VYR_BROADCASTEPHEMERIS_GLO glo{};
        glo.slot = 1;
        glo.channel = 252;  // -4 as the stored byte
        glo.week = 1565;
        glo.secondsOfWeek = 86400 + 900;
        glo.x = 20872.275301 * 1000;
        ASSERT_EQ(w.common->AddBroadcastEphemerisGloRecords({glo}), VYR_OK);
        VYR_BROADCASTEPHEMERIS_GAL gal{};
        gal.prn = 11;
        gal.week = 1565;
        gal.toe = 600;
        gal.dataSource = 2;
        gal.healthE1bE5b = 1 << 4;
        gal.tocE5bE1 = 600;
        gal.af0E5bE1 = -0.000123;
        ASSERT_EQ(w.common->AddBroadcastEphemerisGalRecords({gal}), VYR_OK);
        VYR_PRECISEEPHEMERIS precise{};
        precise.satellite = 39;
        precise.epoch = 55197.0;
        precise.x = 15000.123456 * 1000;
        precise.clock = 12.345678 * 1e-6;
        VYR_PRECISEEPHEMERIS damaged = precise;
        damaged.satellite = 200;
        damaged.epoch = std::numeric_limits<double>::quiet_NaN();
        ASSERT_EQ(w.common->AddPreciseEphemerisRecords({precise, damaged}), VYR_OK);
        VYR_IONOUTC klobuchar{};
        klobuchar.week = 1565;
        klobuchar.secondsOfWeek = 0;
        klobuchar.content = 2;
        klobuchar.alpha[0] = 1.1176e-8f;
        klobuchar.beta[3] = -196610.0f;
        ASSERT_EQ(w.common->AddIonoUtcRecords({klobuchar}), VYR_OK);
        VYR_IONO_GLOBALREG model{};
        model.modelType = 1;
        model.frame = 1;
        model.fromEpoch = 55197.5;
        model.toEpoch = 55197.5 + 2.0 / 24;
        model.height = 450;
        model.maxDegree = 15;
        ASSERT_EQ(w.common->AddIonoGlobalRegRecords({model}), VYR_OK);
        VYR_ALMANACHEPHEMERIS_GLO almanac{};
        almanac.satellite = 107;  // SBAS PRN 120
        almanac.time = 55197.25;
        ASSERT_EQ(w.common->AddAlmanachEphemerisGloRecords({almanac}), VYR_OK);
    }
};

TEST_F(ShowCli, ListKindsNameTheirFieldsWithUnitsAndTimes) {
    fill_lists();
    const struct {
        const char* kind;
        std::vector<std::string> said;
    } cases[] = {
        {"broadcast-gps",
         {"satellite=G05\ttoe=2010-01-10T00:00:00.000\ttoc=2010-01-09T23:59:44.000\tweek=1566\t",
          "\tiodc=813\tiode=45\t", "\tsqrt_a_m05=5153.62345\t", "\taf0_s=1.1e-08\t"}},
        {"broadcast-glo",
         {"satellite=R01\tchannel=-4\tepoch=2010-01-04T00:15:00.000\t", "\tx_m=20872275.301\t"}},
        {"broadcast-gal",
         {"satellite=E11\ttoe=2010-01-03T00:10:00.000\tclock=E5b/E1\ttoc=2010-01-03T00:10:00.000",
          "\tdata_source=I/NAV\te1b_hs=0\te5a_hs=0\te5b_hs=1\t", "\taf0_s=-0.000123\t"}},
        {"precise",
         {"satellite=R07\tepoch=2010-01-01T00:00:00.000\tx_m=15000123.456\t",
          "\tclock_s=1.2345678e-05\n", "satellite=?200\tepoch=-\t"}},
        {"iono-utc",
         {"epoch=2010-01-03T00:00:00.000\t", "\talpha0_s=1.1176e-08\t", "\tbeta3_s_sc3=-196610\n"}},
        {"iono-models",
         {"model=global\tfrom=2010-01-01T12:00:00.000\tto=2010-01-01T14:00:00.000\t",
          "\tframe=geomagnetic\theight_km=450\t", "\tmax_degree=15\t"}},
        {"almanac-glo", {"satellite=S20\ttime=2010-01-01T06:00:00.000\n"}},
    };
    for (const auto& c : cases) {
        const Outcome shown = vyr({"show", project, c.kind});
        ASSERT_EQ(shown.status, 0) << c.kind << ": " << shown.err;
        for (const std::string& said : c.said) EXPECT_THAT(shown.out, HasSubstr(said)) << c.kind;
        // No field named by its byte offset, no number with rounding noise.
        EXPECT_THAT(shown.out, Not(testing::ContainsRegex("[0-9]{16}"))) << c.kind;
    }
}

TEST_F(ShowCli, JsonKeepsNumbersAsNumbersAndTheMjdBesideEachEpoch) {
    fill_lists();
    const json precise = json::parse(vyr({"show", project, "precise", "--json"}).out);
    ASSERT_EQ(precise.size(), 2u);
    // The damaged epoch sorts first.
    const json& damaged = precise[0]["satellite"] == "R07" ? precise[1] : precise[0];
    const json& good = precise[0]["satellite"] == "R07" ? precise[0] : precise[1];
    EXPECT_EQ(good["epoch"], "2010-01-01T00:00:00.000");
    EXPECT_EQ(good["epoch_mjd"], 55197.0);
    EXPECT_EQ(good["x_m"], 15000123.456);
    EXPECT_TRUE(damaged["epoch"].is_null());
    const json glo = json::parse(vyr({"show", project, "broadcast-glo", "--json"}).out);
    EXPECT_EQ(glo[0]["channel"], -4);
    EXPECT_EQ(glo[0]["x_m"].dump(), "20872275.301");
    EXPECT_NEAR(glo[0]["epoch_mjd"].get<double>(), 55200.0 + 900.0 / 86400, 1e-9);
    const json gps = json::parse(vyr({"show", project, "broadcast-gps", "--json"}).out);
    EXPECT_EQ(gps[0]["af0_s"].dump(), "1.1e-08");
    EXPECT_TRUE(gps[0]["week"].is_number_integer());
}

TEST_F(ShowCli, KindsNeverReceivedShowNothingAndSucceed) {
    for (const char* kind : {"broadcast-gps", "broadcast-glo", "broadcast-gal", "precise",
                             "iono-utc", "iono-models", "almanac-gps", "almanac-glo", "almanac-gal",
                             "established-points", "points-for-establishing"}) {
        const Outcome shown = vyr({"show", project, kind});
        EXPECT_EQ(shown.status, 0) << kind << ": " << shown.err;
        EXPECT_EQ(shown.out, "") << kind;
        EXPECT_EQ(vyr({"show", project, kind, "--json"}).out, "[]\n") << kind;
    }
    const Outcome map = vyr({"show", project, "glonass-map"});
    EXPECT_EQ(map.status, 0) << map.err;
    EXPECT_EQ(map.out, "no GLONASS channel map stored\n");
    EXPECT_EQ(vyr({"show", project, "glonass-map", "--json"}).out, "null\n");
}

TEST_F(ShowCli, SingleRecordsOfANewProject) {
    const struct {
        const char* kind;
        std::string said;
    } cases[] = {
        {"version", "major\t3\nminor\t0\n"},
        {"status", "status\t0\n"},
        {"leap-seconds", "since\t2009-01-01T00:00:00.000\nleap_seconds_s\t15\n"},
        {"pz90", "value0\t0\nvalue1\t0\nvalue2\t0\nvalue3\t1\n"},
        // The fields have no meaning the library knows: offset names, digits they carry.
        {"processing-parameters", "outer.f64_32\t350000\n"},
        {"processing-parameters", "kernel.f64_3\t0.2617993877991494\n"},
        {"processing-parameters", "orbit.u8_43\t2\n"},
    };
    for (const auto& c : cases) {
        const Outcome shown = vyr({"show", project, c.kind});
        EXPECT_EQ(shown.status, 0) << c.kind << ": " << shown.err;
        EXPECT_THAT(shown.out, HasSubstr(c.said)) << c.kind;
    }
    const json leap = json::parse(vyr({"show", project, "leap-seconds", "--json"}).out);
    EXPECT_EQ(leap["since_mjd"], 54832.0);
    EXPECT_EQ(vyr({"show", project, "nonsense"}).status, 2);
}

TEST_F(ShowCli, GlonassMapHasSignedChannelsBySatellite) {
    {
        Writing w = open_project();
        VYR_GLONASS_FREQUENCYMAP map{};
        for (int16_t& c : map.channel) c = VYR_GLONASS_FREQUENCYMAP::kNotSet;
        map.channel[0] = -4;
        map.channel[23] = 13;
        ASSERT_EQ(w.common->SetFrequencyChannelMapGlo(map), VYR_OK);
    }
    const Outcome text = vyr({"show", project, "glonass-map"});
    EXPECT_THAT(text.out, HasSubstr("R01\t-4\nR02\tnot set\n"));
    EXPECT_THAT(text.out, HasSubstr("R24\t13\n"));
    const json map = json::parse(vyr({"show", project, "glonass-map", "--json"}).out);
    EXPECT_EQ(map["R01"], -4);
    EXPECT_TRUE(map["R02"].is_null());
}

TEST_F(ShowCli, OrbitSatellitesAreNamedAsEveryOtherCommandNamesThem) {
    {
        Writing w = open_project();
        VYR_PROCESSING_PARAMETERS parameters;
        parameters.orbit.satellites = {{VYR_SATSYS_GPS, 5}, {VYR_SATSYS_SBAS, 1}};
        ASSERT_EQ(w.common->SetProcessingParameters(parameters), VYR_OK);
    }
    // SBAS PRN 120 is stored as number 1 and named S20, as `vyr obs` names it.
    EXPECT_THAT(vyr({"show", project, "processing-parameters"}).out,
                HasSubstr("orbit.satellites\tG05,S20\n"));
}

TEST_F(ShowCli, HelpListsEveryKind) {
    const Outcome help = vyr({"show", "--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* kind : {"version", "status", "processing-parameters", "leap-seconds", "pz90",
                             "glonass-map", "broadcast-gps", "broadcast-glo", "broadcast-gal",
                             "precise", "iono-utc", "iono-models", "almanac-gps", "almanac-glo",
                             "almanac-gal", "established-points", "points-for-establishing"})
        EXPECT_THAT(help.out, HasSubstr("\n  " + std::string(kind) + " ")) << kind;
}

}  // namespace
