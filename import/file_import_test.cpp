// The import call: every kind of file into a project, the all-or-nothing rule per file,
// re-imports, cancel and progress.
#include <zlib.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <vyr/vyr.h>

#include "import/import_test_support.h"

namespace {

using import_test::format;
using import_test::hdr;
using import_test::ScratchDir;

// A version-3 GPS file of count epochs at 1 s with two satellites.
std::string v3_file(const char* marker, int count) {
    std::string text =
        hdr("     3.04           OBSERVATION DATA    G", "RINEX VERSION / TYPE") +
        hdr(marker, "MARKER NAME") +
        hdr("R9                  TRIMBLE NETR9", "REC # / TYPE / VERS") +
        hdr("G    2 C1C L1C", "SYS / # / OBS TYPES") +
        hdr("  2020     3     1     0     0    0.0000000     GPS", "TIME OF FIRST OBS") +
        hdr("", "END OF HEADER");
    for (int i = 0; i < count; ++i) {
        text +=
            format("> 2020 03 01 %02d %02d %10.7f  0  2\n", i / 3600, i / 60 % 60, double(i % 60));
        for (int s = 0; s < 2; ++s)
            text += format("G%02d%14.3f  %14.3f  \n", 5 + s, 20000000.0 + i * 10.5 + s,
                           105000000.25 + i * 55.0);
    }
    return text;
}

// The same three epochs in compact RINEX 3.0 form.
std::string compact_file(const char* marker) {
    std::string text =
        hdr("3.0                 COMPACT RINEX FORMAT", "CRINEX VERS   / TYPE") +
        hdr("TOOL 1.0                                01-Mar-20 00:00", "CRINEX PROG / DATE") +
        v3_file(marker, 0);
    text += "> 2020 03 01 00 00  0.0000000  0  2      G05G06\n\n";
    text += "3&20000000000 3&105000000250\n3&20000001000 3&105000000250\n";
    text += "                 1\n\n10500 55000\n10500 55000\n";
    text += "                 2\n\n0 0\n0 0\n";
    return text;
}

// A version-2 GPS navigation file of one message.
std::string nav_file() {
    return import_test::nav_version_line("2.11", 'N') + hdr("", "END OF HEADER") +
           import_test::gps_v2(5, 20, 6, 25, 2);
}

std::string gzipped(const std::string& path, const std::string& text) {
    gzFile out = gzopen(path.c_str(), "wb");
    gzwrite(out, text.data(), static_cast<unsigned>(text.size()));
    gzclose(out);
    return path;
}

std::string bytes_of(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class FileImport : public testing::Test {
protected:
    void SetUp() override {
        project = dir.Path("p.vyr");
        CVyrIPtrSmart<IVyr> root = Vyr_GetIVyr();
        CVyrIPtrSmart<IVyrStorage> made;
        ASSERT_EQ(root->CreateStorage(project.c_str(), made), VYR_OK);
    }

    // Stations and GPS ephemerides the project holds.
    std::pair<size_t, uint32_t> held() {
        CVyrIPtrSmart<IVyrEx> root = Vyr_GetIVyrEx();
        CVyrIPtrSmart<IVyrStorageEx> opened;
        CVyrIPtrSmart<IVyrCollectionStationEx> stations;
        CVyrIPtrSmart<IVyrCommonData> common;
        CVyrIPtrSmart<IVyrCollection<VYR_BROADCASTEPHEMERIS>> gps;
        std::vector<VYR_STATION_KEY> keys;
        uint32_t messages = 0;
        EXPECT_EQ(root->OpenStorageEx(project.c_str(), opened), VYR_OK);
        EXPECT_EQ(opened->GetStationsEx(stations), VYR_OK);
        EXPECT_EQ(stations->GetAll(keys), VYR_OK);
        EXPECT_EQ(opened->GetCommonData(common), VYR_OK);
        EXPECT_EQ(common->GetBroadcastEphemerisCollection(gps), VYR_OK);
        EXPECT_EQ(gps->GetCount(messages), VYR_OK);
        return {keys.size(), messages};
    }

    ScratchDir dir;
    std::string project;
};

TEST_F(FileImport, EveryKindIsFoundByContentAndStored) {
    const struct {
        std::string path;
        VyrImportKind kind;
        uint64_t epochs;  // of the one site; 0 for a file of common data
    } cases[] = {
        {dir.Write("plain.rnx", v3_file("PLAIN", 4)), VyrImportKind::kRinexObservation, 4},
        {dir.Write("site.crx", compact_file("COMPACT")), VyrImportKind::kCompactRinexObservation,
         3},
        {gzipped(dir.Path("zipped.gz"), v3_file("ZIPPED", 5)), VyrImportKind::kRinexObservation, 5},
        {dir.Write("brdc.20n", nav_file()), VyrImportKind::kRinexNavigationGps, 0},
    };
    std::vector<std::string> files;
    for (const auto& c : cases) files.push_back(c.path);
    std::vector<VyrFileImportReport> reports;
    ASSERT_EQ(Vyr_ImportFiles(project, files, {}, reports), VYR_OK);
    ASSERT_EQ(reports.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].path);
        const VyrFileImportReport& report = reports[i];
        EXPECT_EQ(report.result, VYR_OK) << report.problem;
        EXPECT_EQ(report.kind, cases[i].kind);
        EXPECT_TRUE(report.added);
        if (cases[i].epochs == 0) {
            ASSERT_FALSE(report.lists.empty());
            EXPECT_EQ(report.lists[0].list, "GPS ephemerides");
            EXPECT_EQ(report.lists[0].added, 1u);
            continue;
        }
        ASSERT_EQ(report.sites.size(), 1u);
        EXPECT_EQ(report.sites[0].epochs, cases[i].epochs);
        EXPECT_EQ(report.sites[0].systems, "G");
    }
    EXPECT_EQ(held(), std::make_pair(size_t{3}, uint32_t{1}));
}

TEST_F(FileImport, AFailingFileLeavesNothingOfItselfAndTheEarlierFilesStay) {
    const std::string good = dir.Write("good.rnx", v3_file("GOOD", 3));
    // The last epoch's second satellite line is missing: the file fails after writing epochs.
    std::string damaged = v3_file("BAD", 1200);
    damaged.resize(damaged.rfind("G06"));
    const std::vector<std::string> files = {good, dir.Write("bad.rnx", damaged),
                                            dir.Path("missing.rnx"),
                                            dir.Write("brdc.20n", nav_file())};
    std::vector<VyrFileImportReport> reports;
    std::vector<std::string> done;
    VyrImportOptions options;
    options.fileDone = [&](const VyrFileImportReport& r) { done.push_back(r.path); };
    EXPECT_LT(Vyr_ImportFiles(project, files, options, reports), 0);
    ASSERT_EQ(reports.size(), 4u);
    EXPECT_EQ(done, files);
    EXPECT_EQ(reports[0].result, VYR_OK);
    EXPECT_LT(reports[1].result, 0);
    EXPECT_EQ(reports[1].problem.rfind(files[1] + ":", 0), 0u) << reports[1].problem;
    EXPECT_EQ(reports[2].result, VYR_E_FILE_NOT_FOUND);
    EXPECT_EQ(reports[2].problem, files[2] + ": File not found.");
    EXPECT_EQ(reports[3].result, VYR_OK);
    EXPECT_EQ(held(), std::make_pair(size_t{1}, uint32_t{1}));
}

TEST_F(FileImport, ReimportIsARepeatThatLeavesTheProjectsBytesAlone) {
    const std::string file = dir.Write("site.rnx", v3_file("AGAIN", 3));
    std::vector<VyrFileImportReport> reports;
    ASSERT_EQ(Vyr_ImportFiles(project, {file}, {}, reports), VYR_OK);
    const std::string before = bytes_of(project);
    ASSERT_EQ(Vyr_ImportFiles(project, {file}, {}, reports), VYR_OK);
    ASSERT_EQ(reports[0].sites.size(), 1u);
    EXPECT_TRUE(reports[0].sites[0].alreadyPresent);
    EXPECT_FALSE(reports[0].added);
    EXPECT_EQ(bytes_of(project), before);
}

TEST_F(FileImport, CancelMidFileLeavesNothingOfThatFileAndStopsTheList) {
    const std::string first = dir.Write("first.rnx", v3_file("FIRST", 3));
    const std::string second = dir.Write("second.rnx", v3_file("SECOND", 3000));
    std::atomic<bool> cancel{false};
    VyrImportOptions options;
    options.cancel = &cancel;
    options.progress = [&](const VyrImportProgress& at) {
        if (at.fileIndex == 1 && at.linesRead > at.linesTotal / 2) cancel = true;
    };
    std::vector<VyrFileImportReport> reports;
    EXPECT_LT(Vyr_ImportFiles(project, {first, second, first}, options, reports), 0);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].result, VYR_OK);
    EXPECT_TRUE(reports[1].cancelled);
    EXPECT_FALSE(reports[1].added);
    EXPECT_EQ(held(), std::make_pair(size_t{1}, uint32_t{0}));
}

TEST_F(FileImport, ProgressGrowsToTheFilesLinesAndStaysBounded) {
    const std::string file = dir.Write("long.rnx", v3_file("LONG", 6000));
    std::vector<uint64_t> seen;
    uint64_t total = 0;
    VyrImportOptions options;
    options.progress = [&](const VyrImportProgress& at) {
        seen.push_back(at.linesRead);
        total = at.linesTotal;
        EXPECT_EQ(at.path, file);
        EXPECT_EQ(at.bytesStored, std::filesystem::file_size(file));
    };
    std::vector<VyrFileImportReport> reports;
    ASSERT_EQ(Vyr_ImportFiles(project, {file}, options, reports), VYR_OK);
    EXPECT_EQ(total, 6u + 6000u * 3u);
    ASSERT_GT(seen.size(), 100u);
    EXPECT_LE(seen.size(), 1002u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(seen.back(), total);
}

TEST_F(FileImport, OneFileIntoAnOpenProjectTellsItsKindAndWarnings) {
    std::string text = v3_file("WARNED", 2);
    // Lines 6 to 12: a label the reader does not know, read past with a warning each.
    for (int i = 0; i < 7; ++i)
        text.insert(text.find(hdr("", "END OF HEADER")), hdr("Pixel 7", "PHONE MODEL"));
    const std::string file = dir.Write("warned.rnx", text);
    CVyrIPtrSmart<IVyrEx> root = Vyr_GetIVyrEx();
    CVyrIPtrSmart<IVyrStorageEx> opened;
    ASSERT_EQ(root->OpenStorageEx(project.c_str(), opened), VYR_OK);
    VyrFileImportReport report;
    ASSERT_EQ(Vyr_ImportFile(*opened, file, {}, report), VYR_OK) << report.problem;
    EXPECT_EQ(report.kind, VyrImportKind::kRinexObservation);
    ASSERT_EQ(report.warnings.size(), 1u);
    EXPECT_EQ(report.warnings[0].lines, (std::vector<uint32_t>{6, 7, 8, 9, 10}));
    EXPECT_EQ(report.warnings[0].more, 2u);
    VyrImportKind kind{};
    std::string problem;
    EXPECT_TRUE(Vyr_DetectImportKind(file, kind, problem));
    EXPECT_STREQ(Vyr_ImportKindName(kind), "RINEX observation");
    EXPECT_FALSE(Vyr_DetectImportKind(dir.Path("none"), kind, problem));
}

}  // namespace
