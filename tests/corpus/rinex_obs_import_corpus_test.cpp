// The observation import on every observation file of ../shared/corpus (MANIFEST.tsv), read in
// place. Epoch counts were taken with grep (epoch lines with flag 0 or 1); spot values were read
// off the lines by hand.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "corpus_support.h"

#include <vyr/vyr.h>

namespace fs = std::filesystem;

namespace {

using vyr_corpus_test::corpus_dir;

// The observation files the manifest lists: path and kind.
std::vector<std::pair<std::string, std::string>> manifest_observation_files() {
    std::vector<std::pair<std::string, std::string>> files;
    std::ifstream manifest(corpus_dir() / "MANIFEST.tsv");
    std::string line;
    std::getline(manifest, line);  // column names
    while (std::getline(manifest, line)) {
        std::istringstream fields(line);
        std::string file, kind;
        std::getline(fields, file, '\t');
        std::getline(fields, kind, '\t');
        if (kind.find("-obs") != std::string::npos) files.emplace_back(file, kind);
    }
    return files;
}

VYR_ERROR convert(const std::string& file, std::vector<VYR_STATION_RINEX>& out) {
    CVyrIPtrSmart<IVyr> root = Vyr_GetIVyr();
    CVyrIPtrSmart<IVyrFileConverter> converter;
    if (root->GetFileConverter(converter) != VYR_OK) return VYR_E_INVALID_INTERFACE;
    return converter->ConvertRinexObs((corpus_dir() / file).c_str(), out, nullptr);
}

const VYR_OBSERVATIONEPOCH_SIGNAL* signal_of(const VYR_OBSERVATIONEPOCH& epoch,
                                             VYR_SATELLITE_SYSTEM system, uint8_t prn,
                                             VYR_OBSTYPE type) {
    for (const auto& sat : epoch.satellites)
        if (sat.satId.system == system && sat.satId.prn == prn)
            for (const auto& s : sat.observations)
                if (s.obsType == type) return &s;
    return nullptr;
}

TEST(RinexObsImportCorpus, EveryObservationFileOfTheManifestImportsWithItsEpochCount) {
    REQUIRE_CORPUS();
    struct Expected {
        const char* file;
        size_t stations;
        size_t epochs;
        const char* marker;
    };
    const Expected expected[] = {
        {"rinex2-obs/york0440.15o", 1, 2880, "YORK"},
        {"rinex2-obs/14601736.18o", 1, 3, "st"},
        {"rinex2-obs/ab430140.18o", 1, 9, "AB43"},
        {"rinex2-obs/ac660270.18o", 1, 23, "AC66"},
        {"rinex2-obs/07590920.05o", 1, 120, "0759"},
        {"rinex2-obs/delf0010.21o", 1, 105, "DELFT-16"},
        {"rinex2-obs/KOSG0010.95O", 1, 3, "KOSG"},
        {"rinex2-obs/demo.10o", 1, 2, "MRKR"},
        {"rinex3-obs/CEDA00USA_R_20182100000_23H_15S_MO.rnx", 1, 4675, "ceda"},
        {"rinex3-obs/ABMF00GLP_R_20181330000_01D_30S_MO.rnx", 1, 3, "ABMF"},
        {"rinex3-obs/ACOR00ESP_R_20213550000_01D_30S_MO.rnx", 1, 25, "ACOR"},
        {"rinex3-obs/GEOP092I.24o", 1, 599, "Geo++"},
        {"rinex3-obs/OB712480.23O", 1, 2880, "S6"},
        {"rinex3-obs/TLSE00FRA_R_20220010000_01H_30S_MO.rnx", 1, 120, "TLSE"},
        {"rinex3-obs/flrs0010.12o", 1, 69, "FLRS"},
        // Compact files are expanded while they are read.
        {"crinex/york0440.15d", 1, 2880, "YORK"},
        {"crinex/P43300USA_R_20190012056_17M_15S_MO.crx", 1, 70, "p433"},
        {"crinex/KMS300DNK_R_20221591000_01H_30S_MO.crx", 1, 19, "KMS3"},
    };
    size_t checked = 0;
    for (const auto& listed : manifest_observation_files()) {
        const std::string& file = listed.first;
        std::vector<VYR_STATION_RINEX> out;
        const VYR_ERROR result = convert(file, out);
        const Expected* e = nullptr;
        for (const Expected& candidate : expected)
            if (file == candidate.file) e = &candidate;
        ASSERT_NE(e, nullptr) << "no expectation for " << file;
        ASSERT_EQ(result, VYR_OK) << file;
        ASSERT_EQ(out.size(), e->stations) << file;
        EXPECT_EQ(out[0].epochs.size(), e->epochs) << file;
        ASSERT_FALSE(out[0].occupations.empty()) << file;
        EXPECT_STREQ(out[0].occupations[0].markerName, e->marker) << file;
        for (const VYR_OBSERVATIONEPOCH& epoch : out[0].epochs)
            ASSERT_TRUE(vyr::is_valid_observation_epoch(epoch)) << file;
        ++checked;
    }
    EXPECT_EQ(checked, std::size(expected));
}

TEST(RinexObsImportCorpus, VersionTwoValuesStopBeforeTheirDigits) {
    REQUIRE_CORPUS();
    std::vector<VYR_STATION_RINEX> out;
    ASSERT_EQ(convert("rinex2-obs/york0440.15o", out), VYR_OK);
    // First epoch, G07: "  24482102.1324 " is C1 24482102.132 with digit 4 behind it; the L2
    // digit 4 (anti-spoofing) makes L2 and P2 the Y-code signal.
    const VYR_OBSERVATIONEPOCH& first = out.at(0).epochs.at(0);
    const auto* l1 = signal_of(first, VYR_SATSYS_GPS, 7, VYR_OBS_L1CA);
    ASSERT_NE(l1, nullptr);
    EXPECT_DOUBLE_EQ(+l1->code, 24482102.132);
    EXPECT_DOUBLE_EQ(+l1->phase, -5936986.221);
    const auto* l2 = signal_of(first, VYR_SATSYS_GPS, 7, VYR_OBS_L2Y);
    ASSERT_NE(l2, nullptr);
    EXPECT_DOUBLE_EQ(+l2->code, 24482104.087);
    EXPECT_DOUBLE_EQ(+l2->phase, -4618665.923);
    EXPECT_STREQ(out[0].receiverType, "TRIMBLE 5700");
    EXPECT_EQ(+out[0].receiverTypeId, 204);

    // Events: kinematic at the start, then a new static occupation with its position.
    ASSERT_EQ(convert("rinex2-obs/14601736.18o", out), VYR_OK);
    const VYR_STATION_RINEX& site = out.at(0);
    ASSERT_EQ(site.occupations.size(), 2u);
    EXPECT_EQ(+site.occupations[0].mode, VYR_OCCUPATION::MODE_KINEMATIC);
    EXPECT_EQ(+site.occupations[1].mode, VYR_OCCUPATION::MODE_STATIC);
    EXPECT_DOUBLE_EQ(+site.aprioriX, -4647137.5830);
    const auto* e07 = signal_of(site.epochs.at(0), VYR_SATSYS_GALILEO, 7, VYR_OBS_E1);
    ASSERT_NE(e07, nullptr);
    EXPECT_DOUBLE_EQ(+e07->code, 25808828.891);
    EXPECT_DOUBLE_EQ(+e07->phase, 135626313.276);
    EXPECT_EQ(+e07->flags, 0x0103);  // loss-of-lock digit 1
}

TEST(RinexObsImportCorpus, VersionThreeSpotValues) {
    REQUIRE_CORPUS();
    std::vector<VYR_STATION_RINEX> out;
    ASSERT_EQ(convert("rinex3-obs/OB712480.23O", out), VYR_OK);
    // "G31  22911038.753 7 120398359.42007": C1C, then L1C with digits 0 and 7.
    const auto* g31 = signal_of(out.at(0).epochs.at(0), VYR_SATSYS_GPS, 31, VYR_OBS_L1CA);
    ASSERT_NE(g31, nullptr);
    EXPECT_DOUBLE_EQ(+g31->code, 22911038.753);
    EXPECT_DOUBLE_EQ(+g31->phase, 120398359.420);
    const auto* e25 = signal_of(out[0].epochs[0], VYR_SATSYS_GALILEO, 25, VYR_OBS_E1);
    ASSERT_NE(e25, nullptr);
    EXPECT_DOUBLE_EQ(+e25->code, 26058457.549);
    EXPECT_EQ(out[0].epochs[0].mjd, 60192u);  // 2023-09-05
}

}  // namespace
