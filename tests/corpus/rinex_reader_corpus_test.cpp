// The RINEX reader on the real files of ../shared/corpus, read in place. Counts were taken from
// the files with grep (epoch lines by flag, "> EPH" lines by kind, message lines by system);
// spot values were read off the lines by hand.
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "corpus_support.h"

#include "rinex/reader_test_support.h"

using namespace rnx_test;
namespace fs = std::filesystem;

namespace {

using vyr_corpus_test::corpus_dir;

class CountingObs : public RecordingObs {
public:
    int OnEpoch(const RNX_OBS_EPOCH& e) override {
        if (epochs.empty()) epochs.push_back(e);  // keep the first only
        ++count;
        return 0;
    }
    size_t count = 0;
};

eRNX read_file(const fs::path& path, IRnxReaderResultObs* obs, IRnxReaderResultNav* nav,
               RecordingErrors& errors) {
    IRnxReader* reader = nullptr;
    if (GetNewRnxReader(reader) != eRNX_S_OK) return eRNX_E_FILE_READ_ERROR;
    reader->SetErrorHandler(&errors);
    reader->SetObsHandler(obs);
    reader->SetNavHandler(nav);
    reader->SetOption(true);
    reader->SetInputFiles({path.string()});
    const eRNX result = reader->Run();
    ReleaseRnxReader(reader);
    return result;
}

}  // namespace

TEST(RinexReaderCorpus, EveryObservationFileReadsWithItsEpochCount) {
    struct Case {
        const char* file;
        size_t epochs;
        size_t events;
    };
    const Case cases[] = {
        {"rinex3-obs/ABMF00GLP_R_20181330000_01D_30S_MO.rnx", 3, 0},
        {"rinex3-obs/ACOR00ESP_R_20213550000_01D_30S_MO.rnx", 25, 0},
        {"rinex3-obs/CEDA00USA_R_20182100000_23H_15S_MO.rnx", 4675, 0},
        {"rinex3-obs/GEOP092I.24o", 599, 1},
        {"rinex3-obs/OB712480.23O", 2880, 0},
        {"rinex3-obs/TLSE00FRA_R_20220010000_01H_30S_MO.rnx", 120, 0},
        {"rinex3-obs/flrs0010.12o", 69, 0},
    };
    REQUIRE_CORPUS_FILE(corpus_dir() / cases[0].file);
    for (const Case& c : cases) {
        CountingObs out;
        RecordingErrors errors;
        EXPECT_EQ(read_file(corpus_dir() / c.file, &out, nullptr, errors), eRNX_S_OK) << c.file;
        EXPECT_EQ(out.count, c.epochs) << c.file;
        size_t events = 0;
        for (const std::string& e : out.events) events += e.rfind("event:", 0) == 0;
        EXPECT_EQ(events, c.events) << c.file;
        EXPECT_TRUE(errors.all.empty()) << c.file << ": " << errors.all[0].message;
    }
}

TEST(RinexReaderCorpus, ObservationSpotValues) {
    // "G02  22512246.527   118302644.40817      1237.713          47.350 ..."
    const fs::path path = corpus_dir() / "rinex3-obs/ABMF00GLP_R_20181330000_01D_30S_MO.rnx";
    REQUIRE_CORPUS_FILE(path);
    CountingObs out;
    RecordingErrors errors;
    ASSERT_EQ(read_file(path, &out, nullptr, errors), eRNX_S_OK);
    ASSERT_EQ(out.types[static_cast<int>('E')].size(), 16u);  // a continuation line
    ASSERT_FALSE(out.epochs.empty());
    const RNX_OBS_EPOCH& e = out.epochs[0];
    EXPECT_EQ(e.time.year, 2018);
    EXPECT_EQ(e.time.hour, 1);
    EXPECT_EQ(e.time.minute, 30);
    EXPECT_EQ(e.recordCount, 19u);
    const RNX_OBS_SAT& g02 = e.satellites[0];
    EXPECT_EQ(g02.number, 2);
    ASSERT_GE(g02.values.size(), 4u);
    EXPECT_DOUBLE_EQ(g02.values[0].value, 22512246.527);
    EXPECT_DOUBLE_EQ(g02.values[1].value, 118302644.408);
    EXPECT_EQ(g02.values[1].lossOfLock, 1);
    EXPECT_EQ(g02.values[1].signalStrength, 7);
    EXPECT_DOUBLE_EQ(g02.values[2].value, 1237.713);
    EXPECT_DOUBLE_EQ(g02.values[3].value, 47.350);
}

TEST(RinexReaderCorpus, EveryNavigationFileReadsWithItsMessageCounts) {
    struct Case {
        const char* file;
        size_t gps, glo, gal;
        eRNX result;
    };
    const Case cases[] = {
        {"nav-v2/07590920.05n", 162, 0, 0, eRNX_S_OK},
        {"nav-v2/ab422100.18n", 206, 0, 0, eRNX_S_OK},
        {"nav-v2/brdc2800.15n", 420, 0, 0, eRNX_S_OK},
        {"nav-v2/amel0010.21g", 0, 6, 0, eRNX_S_OK},
        {"nav-v2/brdc0910.09g", 0, 912, 0, eRNX_S_OK},
        {"nav-v2/p1462100.18g", 0, 154, 0, eRNX_S_OK},
        // A version-2 layout for Galileo was never part of the format.
        {"nav-v2/ceda2100.18e", 0, 0, 0, eRNX_E_FILE_TYPE_NOT_SUPPORTED},
        {"nav-v3/BRDM00DLR_R_20130010000_01D_MN.rnx", 4, 4, 0, eRNX_S_OK},
        {"nav-v3/ELKO00USA_R_20182100000_01D_MN.rnx", 225, 494, 1293, eRNX_S_OK},
        {"nav-v3/ESBC00DNK_R_20201770000_01D_MN.rnx", 257, 510, 1602, eRNX_S_OK},
        {"nav-v3/HERT00GBR_R_20240920000_01D_GN.rnx", 231, 0, 0, eRNX_S_OK},
        {"nav-v3/NYA100NOR_S_20241240000_01D_EN.rnx", 0, 0, 711, eRNX_S_OK},
        // Its E12 message holds ". 000000000000D+00": that message is read past and reported.
        {"nav-v3/galileo3.15n", 0, 0, 2, eRNX_W_DATA_READ_ERROR},
        {"nav-v4/KMS300DNK_R_20221591000_01H_MN.rnx", 30, 24, 108, eRNX_S_OK},
        {"nav-v4/BRD400DLR_S_20230710000_01D_MN.rnx", 428, 1240, 5840, eRNX_S_OK},
    };
    REQUIRE_CORPUS_FILE(corpus_dir() / cases[0].file);
    for (const Case& c : cases) {
        RecordingNav out;
        RecordingErrors errors;
        EXPECT_EQ(read_file(corpus_dir() / c.file, nullptr, &out, errors), c.result) << c.file;
        EXPECT_EQ(out.gps.size(), c.gps) << c.file;
        EXPECT_EQ(out.glo.size(), c.glo) << c.file;
        EXPECT_EQ(out.gal.size(), c.gal) << c.file;
    }
}

TEST(RinexReaderCorpus, NavigationSpotValues) {
    const fs::path v4 = corpus_dir() / "nav-v4/KMS300DNK_R_20221591000_01H_MN.rnx";
    REQUIRE_CORPUS_FILE(v4);
    RecordingNav out;
    RecordingErrors errors;
    ASSERT_EQ(read_file(v4, nullptr, &out, errors), eRNX_S_OK);
    // "> EPH E01 INAV", "E01 2022 06 08 09 40 00-4.921107320115E-04 ..."
    ASSERT_FALSE(out.gal.empty());
    const RNX_NAV_GAL& e = out.gal[0];
    EXPECT_EQ(e.prn, 1);
    EXPECT_EQ(e.messageType, 'I');
    EXPECT_EQ(e.timeOfClock.minute, 40);
    EXPECT_DOUBLE_EQ(e.clockBias, -4.921107320115e-04);
    EXPECT_DOUBLE_EQ(e.iodNav, 106);
    EXPECT_DOUBLE_EQ(e.sqrtA, 5.440594810486e+03);
    EXPECT_DOUBLE_EQ(e.dataSources, 517);
    EXPECT_DOUBLE_EQ(e.transmissionTime, 2.946650000000e+05);
    // "> EPH R03 FDMA": X -1.158823828125E+04 km, channel 5, and the status line.
    ASSERT_FALSE(out.glo.empty());
    EXPECT_EQ(out.glo[0].slot, 3);
    EXPECT_DOUBLE_EQ(out.glo[0].x, -1.158823828125e+04);
    EXPECT_DOUBLE_EQ(out.glo[0].frequencyNumber, 5);
    EXPECT_EQ(out.glo[0].hasStatusLine, 1);
    EXPECT_DOUBLE_EQ(out.glo[0].statusFlags, 183);

    // Version 2 GLONASS, first message: " 1 20 12 31 23 45  0.0 7.282570004460D-05 ..."
    const fs::path v2 = corpus_dir() / "nav-v2/amel0010.21g";
    RecordingNav glo;
    ASSERT_EQ(read_file(v2, nullptr, &glo, errors), eRNX_S_OK);
    ASSERT_FALSE(glo.glo.empty());
    EXPECT_EQ(glo.glo[0].timeOfClock.year, 2020);
    EXPECT_DOUBLE_EQ(glo.glo[0].minusTauN, 7.282570004460e-05);
    EXPECT_DOUBLE_EQ(glo.glo[0].messageFrameTime, 7.38e4);
    EXPECT_DOUBLE_EQ(glo.glo[0].x, -1.488799804690e+03);
    EXPECT_EQ(glo.leap, 18);
}

TEST(RinexReaderCorpus, CompressedFilesAreRefusedCleanly) {
    const fs::path path = corpus_dir() / "crinex/P43300USA_R_20190012056_17M_15S_MO.crx";
    REQUIRE_CORPUS_FILE(path);
    CountingObs out;
    RecordingErrors errors;
    EXPECT_EQ(read_file(path, &out, nullptr, errors), eRNX_E_FILE_TYPE_NOT_SUPPORTED);
    EXPECT_EQ(out.count, 0u);
}
