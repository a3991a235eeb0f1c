#include "import/station_export.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <vyr/vyr.h>

#include "import/import_test_support.h"
#include "tests/support/packed_value.h"

namespace {

namespace fs = std::filesystem;
using Signal = VYR_OBSERVATIONEPOCH_SIGNAL;
using Occupation = VYR_OBSERVATIONEPOCH::eOccupationType;
constexpr Occupation kStatic = VYR_OBSERVATIONEPOCH::OCCUPATION_STATIC;
constexpr Occupation kKinematic = VYR_OBSERVATIONEPOCH::OCCUPATION_KINEMATIC;
constexpr uint32_t kDay = 59216;  // 2021-01-02

VYR_STATION_KEY text_key(const std::string& text) {
    VYR_STATION_KEY key{};
    key.type = VYR_KEY_TEXT;
    std::memcpy(key.value, text.data(), std::min(text.size(), size_t{16}));
    return key;
}

VYR_OBSERVATIONEPOCH epoch_at(int second, Occupation occupation) {
    VYR_OBSERVATIONEPOCH epoch;
    epoch.mjd = kDay;
    epoch.fraction = (43200.0 + second) / 86400.0;
    epoch.status = 1;
    epoch.occupation = occupation;
    for (VYR_SATID sat : {VYR_SATID{VYR_SATSYS_GPS, 5}, VYR_SATID{VYR_SATSYS_GLONASS, 3}}) {
        VYR_OBSERVATIONEPOCH_SV sv;
        sv.satId = sat;
        Signal s;
        s.obsType = VYR_OBS_L1CA;
        s.flags = Signal::kCodeValid | Signal::kPhaseValid;
        s.code = 20000000.0 + second;
        s.phase = 105000000.0 + second;
        sv.observations.push_back(s);
        epoch.satellites.push_back(sv);
    }
    return epoch;
}

size_t count_of(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

std::vector<fs::path> files_in(const fs::path& folder) {
    std::vector<fs::path> files;
    if (!fs::is_directory(folder)) return files;
    for (const auto& entry : fs::directory_iterator(folder)) files.push_back(entry.path());
    return files;
}

class StationExportTest : public ::testing::Test {
protected:
    // A project with a station keyed name, its epochs every 30 s in the given occupations,
    // and one static description (with an a-priori point) per static run of epochs.
    CVyrIPtrSmart<IVyrStationEx> MakeStation(const std::string& name,
                                             const std::vector<Occupation>& occupations) {
        const std::string path = scratch.Path("p.vyr");
        if (!project.IsValid()) {
            {
                CVyrIPtrSmart<IVyrStorage> created;
                EXPECT_EQ(Vyr_GetIVyr()->CreateStorage(path.c_str(), created), VYR_OK);
            }
            EXPECT_EQ(Vyr_GetIVyrEx()->OpenStorageEx(path.c_str(), project), VYR_OK);
        }
        CVyrIPtrSmart<IVyrCollectionStationEx> stations;
        EXPECT_EQ(project->GetStationsEx(stations), VYR_OK);
        CVyrIPtrSmart<IVyrStation> plain;
        EXPECT_EQ(stations->AddStation(text_key(name), plain), VYR_OK);
        plain.Reset();  // its storage is open exclusively
        CVyrIPtrSmart<IVyrStationEx> station;
        EXPECT_EQ(stations->GetStationEx(text_key(name), station), VYR_OK);

        std::vector<VYR_OBSERVATIONEPOCH> epochs;
        for (size_t i = 0; i < occupations.size(); ++i)
            epochs.push_back(epoch_at(static_cast<int>(30 * i), occupations[i]));
        CVyrIPtrSmart<IVyrObservations> observations;
        EXPECT_EQ(station->GetObservations(observations), VYR_OK);
        if (!epochs.empty()) {
            EXPECT_EQ(observations->AddEpochs(epochs), VYR_OK);
        }

        CVyrIPtrSmart<IVyrCollectionPointDesc> descriptions;
        EXPECT_EQ(station->GetPointDescriptions(descriptions), VYR_OK);
        std::vector<VYR_APRIORI_POINT> points;
        for (size_t i = 0; i < occupations.size(); ++i) {
            if (occupations[i] != kStatic || (i > 0 && occupations[i - 1] == kStatic)) continue;
            size_t last = i;
            while (last + 1 < occupations.size() && occupations[last + 1] == kStatic) ++last;
            VYR_OCCUPATION site{};
            site.start = kDay + epochs[i].fraction;
            site.end = kDay + epochs[last].fraction;
            site.mode = VYR_OCCUPATION::MODE_STATIC;
            site.antennaHeight = 1.25 + static_cast<double>(i);
            const std::string marker = "SITE" + std::to_string(i);
            std::memcpy(site.markerName, marker.data(), marker.size());
            VYR_POINT_DESCRIPTION description;
            std::memcpy(&description, &site, sizeof description);
            VYR_POINT_DESC stored{};
            EXPECT_EQ(descriptions->AddPointDesc(description, stored), VYR_OK);
            VYR_APRIORI_POINT point{};
            point.number = stored.id;
            point.x = 4000000.0 + static_cast<double>(i);
            point.y = 300000.0;
            point.z = 4900000.0;
            points.push_back(point);
        }
        if (!points.empty()) {
            EXPECT_EQ(station->AddAprioriPoints(points), VYR_OK);
        }
        return station;
    }

    import_test::ScratchDir scratch;
    CVyrIPtrSmart<IVyrStorageEx> project;
};

// The RINEX epoch flags of the records of a file, in order ("> yyyy mm dd hh mm ss.sssssss  f").
std::vector<int> record_flags(const std::string& text) {
    std::vector<int> flags;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        if (line.size() > 31 && line[0] == '>') flags.push_back(line[31] - '0');
    return flags;
}

TEST_F(StationExportTest, OccupationChangesBecomeEventRecordsWithTheirSites) {
    auto station = MakeStation("BASE", {kStatic, kStatic, kKinematic, kKinematic, kStatic});
    const fs::path out = scratch.Path("out");
    VYR_RINEX_EXPORT_RESULT result;
    ASSERT_EQ(station->ExportRinexEx(out.c_str(), {}, result), VYR_OK) << result.problem;
    EXPECT_EQ(value_of(result.epochs), 5u);
    EXPECT_EQ(value_of(result.valuesNotWritten), 0u);
    ASSERT_EQ(fs::path(result.path).parent_path(), out);
    const std::string text = import_test::file_text(result.path);

    // The first site is the header's; moving (RINEX 2) and the new site (3) are events.
    EXPECT_EQ(record_flags(text), (std::vector<int>{0, 0, 2, 0, 0, 3, 0}));
    EXPECT_EQ(count_of(text, "*** FROM NOW ON KINEMATIC DATA! ***"), 1u);
    EXPECT_EQ(count_of(text, "*** THIS IS THE START OF A NEW SITE! ***"), 1u);
    // Each site with its own name, antenna height and a-priori point: the second static run
    // is the description of its own time, not the first one's.
    EXPECT_NE(text.find("4000000.0000"), std::string::npos);
    EXPECT_NE(text.find("SITE4"), std::string::npos);
    EXPECT_NE(text.find("4000004.0000"), std::string::npos);
    EXPECT_NE(text.find("5.2500"), std::string::npos);
    EXPECT_EQ(text.find("SITE0"), std::string::npos);  // the header is the station's name
    EXPECT_NE(text.find("BASE                                                        MARKER NAME"),
              std::string::npos);
    EXPECT_NE(text.find("    30.000                                                  INTERVAL"),
              std::string::npos);
    EXPECT_NE(text.find(std::string("vyr ") + vyr_version()), std::string::npos);
    EXPECT_NE(text.find("KORVA TERRALINKS"), std::string::npos);

    // Read back, the file gives the same epochs and occupations.
    std::vector<VYR_STATION_RINEX> sites;
    CVyrIPtrSmart<IVyrFileConverter> converter;
    ASSERT_EQ(Vyr_GetIVyr()->GetFileConverter(converter), VYR_OK);
    ASSERT_EQ(converter->ConvertRinexObs(result.path.c_str(), sites, nullptr), VYR_OK);
    size_t epochs = 0;
    std::vector<Occupation> modes;
    for (const VYR_STATION_RINEX& site : sites)
        for (const VYR_OBSERVATIONEPOCH& epoch : site.epochs) {
            ++epochs;
            modes.push_back(epoch.occupation);
        }
    EXPECT_EQ(epochs, 5u);
    EXPECT_EQ(modes, (std::vector<Occupation>{kStatic, kStatic, kKinematic, kKinematic, kStatic}));
}

TEST_F(StationExportTest, AKinematicStartIsAnEventRightAfterTheHeader) {
    auto station = MakeStation("ROVER", {kKinematic, kKinematic});
    VYR_RINEX_EXPORT_RESULT result;
    ASSERT_EQ(station->ExportRinexEx(scratch.Path("out").c_str(), {}, result), VYR_OK);
    EXPECT_EQ(record_flags(import_test::file_text(result.path)), (std::vector<int>{2, 0, 0}));
}

TEST_F(StationExportTest, ThePlainCallWritesIntoRinexOutputJoinedWithASlash) {
    auto station = MakeStation("BASE", {kStatic, kStatic});
    for (const std::string& base : {scratch.Path("a/b"), scratch.Path("c") + "/"}) {
        ASSERT_EQ(station->ExportRinex(base.c_str(), 0), VYR_OK) << base;
        const std::vector<fs::path> files = files_in(fs::path(base) / "RINEX_Output");
        ASSERT_EQ(files.size(), 1u) << base;
        EXPECT_EQ(files[0].extension(), ".rnx");
    }
    // Nothing named with a backslash beside the folder.
    for (const fs::path& entry : files_in(scratch.Path("a")))
        EXPECT_EQ(entry.filename().string().find('\\'), std::string::npos);
    // Version 2.11 asked for by its number: the short name.
    ASSERT_EQ(station->ExportRinex(scratch.Path("v2").c_str(), 211), VYR_OK);
    const std::vector<fs::path> v2 = files_in(scratch.Path("v2/RINEX_Output"));
    ASSERT_EQ(v2.size(), 1u);
    EXPECT_EQ(v2[0].filename(), "base0020.21o");
}

TEST_F(StationExportTest, RefusedInputsAndAStationWithoutEpochsLeaveNoFile) {
    auto station = MakeStation("EMPTY", {});
    const fs::path out = scratch.Path("out");
    VYR_RINEX_EXPORT_RESULT result;
    EXPECT_EQ(station->ExportRinexEx(out.c_str(), {}, result), VYR_E_ITERATOR_AT_END);
    EXPECT_NE(result.problem.find("no epochs"), std::string::npos);
    EXPECT_TRUE(result.path.empty());
    EXPECT_TRUE(files_in(out).empty());

    auto full = MakeStation("FULL", {kStatic});
    VYR_RINEX_EXPORT_OPTIONS options;
    for (double version : {3.0, 2.10, 3.045, 0.0}) {
        options.rinexVersion = version;
        EXPECT_EQ(full->ExportRinexEx(out.c_str(), options, result), VYR_E_INVALID_PARAMETER)
            << version;
    }
    EXPECT_EQ(full->ExportRinexEx("", {}, result), VYR_E_INVALID_PARAMETER);
    EXPECT_EQ(full->ExportRinex(nullptr, 0), VYR_E_INVALID_PARAMETER);
    EXPECT_EQ(full->ExportRinex(out.c_str(), 300), VYR_E_INVALID_PARAMETER);
    // A filter that lets nothing through is no epoch either.
    options = {};
    options.filter.excludeGps = options.filter.excludeGlonass = 1;
    EXPECT_EQ(full->ExportRinexEx(out.c_str(), options, result), VYR_E_ITERATOR_AT_END);
    EXPECT_TRUE(files_in(out).empty());
}

TEST_F(StationExportTest, AFailedWriteIsReportedAndLeavesNothingBehind) {
    auto station = MakeStation("BASE", std::vector<Occupation>(200, kStatic));
    // An output "folder" that is a file cannot hold one.
    const std::string notAFolder = scratch.Write("plain", "x");
    VYR_RINEX_EXPORT_RESULT result;
    EXPECT_EQ(station->ExportRinexEx(notAFolder.c_str(), {}, result), VYR_E_WRITE_ENTRY_FAILED);
    EXPECT_FALSE(result.problem.empty());
    EXPECT_TRUE(result.path.empty());

    // A disk that fills up while epochs are written: the file size limit stands in for it.
    const fs::path out = scratch.Path("out");
    fs::create_directories(out);
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto old_handler = signal(SIGXFSZ, SIG_IGN);
    rlimit small = before;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const VYR_ERROR code = station->ExportRinexEx(out.c_str(), {}, result);
    setrlimit(RLIMIT_FSIZE, &before);
    signal(SIGXFSZ, old_handler);
    EXPECT_EQ(code, VYR_E_WRITE_ENTRY_FAILED);
    EXPECT_FALSE(result.problem.empty());
    EXPECT_TRUE(result.path.empty());
    EXPECT_TRUE(files_in(out).empty());  // neither the file nor its temporary one

    // With room again the same export succeeds.
    ASSERT_EQ(station->ExportRinexEx(out.c_str(), {}, result), VYR_OK) << result.problem;
    EXPECT_EQ(value_of(result.epochs), 200u);
}

// The writer builds file names from letters and digits (its own tests hold the cases); the export
// hands it the marker and takes the path it made.
TEST_F(StationExportTest, MarkerNamesNameFilesOnlyInsideTheFolder) {
    auto station = MakeStation("..", {kStatic});
    const fs::path out = scratch.Path("out");
    VYR_RINEX_EXPORT_RESULT result;
    ASSERT_EQ(station->ExportRinexEx(out.c_str(), {}, result), VYR_OK);
    EXPECT_EQ(fs::path(result.path).parent_path(), out);
    EXPECT_EQ(fs::path(result.path).filename().string().substr(0, 9), "STAT00XXX");
    EXPECT_EQ(vyr_import::marker_name_of(text_key("../x"), ""), "../x");
    EXPECT_EQ(vyr_import::marker_name_of(text_key("--"), "SITE"), "STAT");
    VYR_STATION_KEY number{};
    number.type = VYR_KEY_NUMBER64;
    EXPECT_EQ(vyr_import::marker_name_of(number, "PILLAR 1"), "PILLAR 1");
    EXPECT_EQ(vyr_import::marker_name_of(number, ""), "STAT");
}

TEST_F(StationExportTest, TheFilterChoosesEpochsAndSystems) {
    auto station = MakeStation("BASE", std::vector<Occupation>(10, kStatic));
    VYR_RINEX_EXPORT_OPTIONS options;
    options.filter.excludeGlonass = 1;
    options.filter.samplingInterval = 60000;
    options.rinexVersion = 3.05;
    VYR_RINEX_EXPORT_RESULT result;
    ASSERT_EQ(station->ExportRinexEx(scratch.Path("out").c_str(), options, result), VYR_OK);
    EXPECT_EQ(value_of(result.epochs), 5u);
    const std::string text = import_test::file_text(result.path);
    EXPECT_EQ(text.find("R    "), std::string::npos);  // no GLONASS types
    EXPECT_EQ(text.find("R03"), std::string::npos);
    EXPECT_NE(text.find("     3.05"), std::string::npos);
    EXPECT_NE(text.find("    60.000                                                  INTERVAL"),
              std::string::npos);
}

}  // namespace
