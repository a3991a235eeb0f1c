// The navigation, SP3 and GLONASS channel map importers on the real files of ../shared/corpus,
// through the converter the root hands out. Message counts are those of the RINEX reader's own
// corpus test (lines by system, read with grep); SP3 counts are the "P" lines with a satellite
// that has a compact number (GLONASS R25/R26 have none). Spot values were read off the files.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "corpus_support.h"

#include <vyr/vyr.h>

namespace fs = std::filesystem;

namespace {

using vyr_corpus_test::corpus_dir;

CVyrIPtrSmart<IVyrFileConverter> converter() {
    CVyrIPtrSmart<IVyr> root = Vyr_GetIVyr();
    CVyrIPtrSmart<IVyrFileConverter> out;
    EXPECT_TRUE(root.IsValid());
    if (root.IsValid()) {
        EXPECT_EQ(root->GetFileConverter(out), VYR_OK);
    }
    return out;
}

}  // namespace

TEST(NavImportCorpus, EveryNavigationFileGivesItsMessageCounts) {
    const struct {
        const char* file;
        size_t gps, glonass, galileo;
        VYR_ERROR gpsResult, glonassResult, galileoResult;
    } cases[] = {
        {"nav-v2/07590920.05n", 162, 0, 0, VYR_OK, VYR_E_UNSUPPORTED_FILE, VYR_E_NOT_IMPLEMENTED},
        {"nav-v2/ab422100.18n", 206, 0, 0, VYR_OK, VYR_E_UNSUPPORTED_FILE, VYR_E_NOT_IMPLEMENTED},
        {"nav-v2/brdc2800.15n", 420, 0, 0, VYR_OK, VYR_E_UNSUPPORTED_FILE, VYR_E_NOT_IMPLEMENTED},
        {"nav-v2/amel0010.21g", 0, 6, 0, VYR_E_UNSUPPORTED_FILE, VYR_OK, VYR_E_NOT_IMPLEMENTED},
        {"nav-v2/brdc0910.09g", 0, 912, 0, VYR_E_UNSUPPORTED_FILE, VYR_OK, VYR_E_NOT_IMPLEMENTED},
        {"nav-v2/p1462100.18g", 0, 154, 0, VYR_E_UNSUPPORTED_FILE, VYR_OK, VYR_E_NOT_IMPLEMENTED},
        {"nav-v2/ceda2100.18e", 0, 0, 0, VYR_E_UNSUPPORTED_FILE, VYR_E_UNSUPPORTED_FILE,
         VYR_E_NOT_IMPLEMENTED},
        {"nav-v3/BRDM00DLR_R_20130010000_01D_MN.rnx", 4, 4, 0, VYR_OK, VYR_OK, VYR_OK},
        {"nav-v3/ELKO00USA_R_20182100000_01D_MN.rnx", 225, 494, 1293, VYR_OK, VYR_OK, VYR_OK},
        {"nav-v3/ESBC00DNK_R_20201770000_01D_MN.rnx", 257, 510, 1602, VYR_OK, VYR_OK, VYR_OK},
        {"nav-v3/HERT00GBR_R_20240920000_01D_GN.rnx", 231, 0, 0, VYR_OK, VYR_OK, VYR_OK},
        {"nav-v3/NYA100NOR_S_20241240000_01D_EN.rnx", 0, 0, 711, VYR_OK, VYR_OK, VYR_OK},
        // The library reads past a record it cannot read (". 000000000000D+00" at line 23) and
        // says so; the import counts it as read past and keeps the file's other messages.
        {"nav-v3/galileo3.15n", 0, 0, 2, VYR_OK, VYR_OK, VYR_OK},
        {"nav-v4/KMS300DNK_R_20221591000_01H_MN.rnx", 30, 24, 108, VYR_OK, VYR_OK, VYR_OK},
        {"nav-v4/BRD400DLR_S_20230710000_01D_MN.rnx", 428, 1240, 5840, VYR_OK, VYR_OK, VYR_OK},
    };
    CVyrIPtrSmart<IVyrFileConverter> files = converter();
    ASSERT_TRUE(files.IsValid());
    for (const auto& c : cases) {
        const fs::path path = corpus_dir() / c.file;
        REQUIRE_CORPUS_FILE(path);
        SCOPED_TRACE(c.file);
        std::vector<VYR_BROADCASTEPHEMERIS> gps;
        std::vector<VYR_BROADCASTEPHEMERIS_GLO> glonass;
        std::vector<VYR_BROADCASTEPHEMERIS_GAL> galileo;
        EXPECT_EQ(files->ConvertRinexNav(path.c_str(), gps), c.gpsResult);
        EXPECT_EQ(files->ConvertRinexNavGlo(path.c_str(), glonass), c.glonassResult);
        EXPECT_EQ(files->ConvertRinexNavGal(path.c_str(), galileo), c.galileoResult);
        EXPECT_EQ(gps.size(), c.gps);
        EXPECT_EQ(glonass.size(), c.glonass);
        EXPECT_EQ(galileo.size(), c.galileo);
    }
}

TEST(NavImportCorpus, NavigationSpotValues) {
    CVyrIPtrSmart<IVyrFileConverter> files = converter();
    ASSERT_TRUE(files.IsValid());

    // " 1 05  4  2  2  0  0.0 ...": Saturday 2005-04-02 02:00, IODE 140, IODC 396, week 1316.
    const fs::path gpsFile = corpus_dir() / "nav-v2/07590920.05n";
    REQUIRE_CORPUS_FILE(gpsFile);
    std::vector<VYR_BROADCASTEPHEMERIS> gps;
    ASSERT_EQ(files->ConvertRinexNav(gpsFile.c_str(), gps), VYR_OK);
    ASSERT_FALSE(gps.empty());
    EXPECT_EQ(+gps[0].prn, 1);
    EXPECT_EQ(+gps[0].toc, 6u * 86400u + 7200u);
    EXPECT_EQ(+gps[0].toe, 525600u);
    EXPECT_EQ(+gps[0].iodc, 396);
    EXPECT_EQ(+gps[0].week, 1316);
    EXPECT_DOUBLE_EQ(+gps[0].sqrtA, 5.153636478420e+03);
    EXPECT_FLOAT_EQ(+gps[0].af0, 3.966595977540e-04f);
    // "    1.1180D-08  1.4900D-08 -5.9600D-08 -5.9600D-08          ION ALPHA" and
    // "    8.8060D+04  1.6380D+04 -1.9660D+05 -1.3110D+05          ION BETA"; MJD 53462 is
    // day 6 of GPS week 1316.
    std::vector<VYR_IONOUTC> klobuchar;
    EXPECT_EQ(files->ConvertRinexIonoKlobuchar(gpsFile.c_str(), 53462.0, klobuchar), VYR_OK);
    ASSERT_EQ(klobuchar.size(), 1u);
    EXPECT_FLOAT_EQ(+klobuchar[0].alpha[0], 1.118e-8f);
    EXPECT_FLOAT_EQ(+klobuchar[0].beta[2], -1.966e5f);
    EXPECT_EQ(+klobuchar[0].week, 1316);
    EXPECT_EQ(+klobuchar[0].secondsOfWeek, 6u * 86400u);

    // " 1 20 12 31 23 45  0.0 7.282570004460D-05 ... 7.380000000000D+04", X -1488.79980469 km,
    // channel 1.
    const fs::path glonassFile = corpus_dir() / "nav-v2/amel0010.21g";
    REQUIRE_CORPUS_FILE(glonassFile);
    std::vector<VYR_BROADCASTEPHEMERIS_GLO> glonass;
    ASSERT_EQ(files->ConvertRinexNavGlo(glonassFile.c_str(), glonass), VYR_OK);
    ASSERT_FALSE(glonass.empty());
    EXPECT_EQ(+glonass[0].slot, 1);
    EXPECT_DOUBLE_EQ(+glonass[0].x, -1.488799804690e+06);
    EXPECT_DOUBLE_EQ(+glonass[0].tauN, -7.282570004460e-05);
    EXPECT_EQ(+glonass[0].frameTime, 73800u);
    EXPECT_EQ(+glonass[0].channel, 1);
    VYR_GLONASS_FREQUENCYMAP map{};
    ASSERT_EQ(files->ConvertFrequencyMapGlo(glonassFile.c_str(), map), VYR_OK);
    EXPECT_EQ(+map.channel[0], 1);

    // "E08 2024 05 02 23 50 00-2.645077765919E-04", IODnav 84, data sources 513 (I/NAV, E5b).
    const fs::path galileoFile = corpus_dir() / "nav-v3/NYA100NOR_S_20241240000_01D_EN.rnx";
    REQUIRE_CORPUS_FILE(galileoFile);
    std::vector<VYR_BROADCASTEPHEMERIS_GAL> galileo;
    ASSERT_EQ(files->ConvertRinexNavGal(galileoFile.c_str(), galileo), VYR_OK);
    ASSERT_FALSE(galileo.empty());
    EXPECT_EQ(+galileo[0].prn, 8);
    EXPECT_EQ(+galileo[0].iodNav, 84);
    EXPECT_EQ(+galileo[0].dataSource, 2);
    EXPECT_EQ(+galileo[0].week, 2312);
    EXPECT_EQ(+galileo[0].sisa, 3);
    EXPECT_DOUBLE_EQ(+galileo[0].af0E5bE1, -2.645077765919e-04);
    EXPECT_EQ(+galileo[0].af0E5aE1, 0.0);
    EXPECT_DOUBLE_EQ(+galileo[0].sqrtA, 5.440620252609e+03);
}

TEST(NavImportCorpus, EverySp3FileGivesItsPositionCount) {
    const struct {
        const char* file;
        size_t positions;
    } cases[] = {
        {"sp3/igs15904.sp3", 3072},
        {"sp3/esa15253.sp3", 4608},
        {"sp3/igl15253.sp3", 1728},
        {"sp3/COD0OPSFIN_20242140000_01D_05M_ORB.SP3", 22831},  // 578 lines of R25/R26
        {"sp3/WUM0MGXULT_20220010000_01H_05M_ORB.SP3", 923},
        {"sp3/minimal.sp3d", 77},
        {"sp3/example1.sp3a", 19},
        {"sp3/example2.sp3a", 10},
    };
    CVyrIPtrSmart<IVyrFileConverter> files = converter();
    ASSERT_TRUE(files.IsValid());
    for (const auto& c : cases) {
        const fs::path path = corpus_dir() / c.file;
        REQUIRE_CORPUS_FILE(path);
        std::vector<VYR_PRECISEEPHEMERIS> out;
        EXPECT_EQ(files->ConvertSp3(path.c_str(), out), VYR_OK) << c.file;
        EXPECT_EQ(out.size(), c.positions) << c.file;
    }
}

TEST(NavImportCorpus, Sp3SpotValues) {
    CVyrIPtrSmart<IVyrFileConverter> files = converter();
    ASSERT_TRUE(files.IsValid());
    // "*  2010  7  1  0  0  0.00000000" then
    // "PG01  18392.619117   7490.690408 -17846.346485 999999.999999".
    const fs::path igs = corpus_dir() / "sp3/igs15904.sp3";
    REQUIRE_CORPUS_FILE(igs);
    std::vector<VYR_PRECISEEPHEMERIS> out;
    ASSERT_EQ(files->ConvertSp3(igs.c_str(), out), VYR_OK);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(+out[0].satellite, 1);
    EXPECT_NEAR(+out[0].x, 18392619.117, 1e-6);
    EXPECT_NEAR(+out[0].z, -17846346.485, 1e-6);
    EXPECT_DOUBLE_EQ(+out[0].clock, 0.999999999999);
    EXPECT_DOUBLE_EQ(+out[0].epoch, 55378.0);
    EXPECT_DOUBLE_EQ(out.back().epoch, 55378.0 + 95.0 * 900.0 / 86400.0);

    // "P  1  16258.524750  -3529.015750 -20611.427050    -62.540600" of 1994-12-17.
    const fs::path sp3a = corpus_dir() / "sp3/example1.sp3a";
    REQUIRE_CORPUS_FILE(sp3a);
    ASSERT_EQ(files->ConvertSp3(sp3a.c_str(), out), VYR_OK);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(+out[0].satellite, 1);
    EXPECT_NEAR(+out[0].x, 16258524.750, 1e-6);
    EXPECT_DOUBLE_EQ(+out[0].clock, -62.5406e-6);
    EXPECT_DOUBLE_EQ(+out[0].epoch, 49703.0);
}
