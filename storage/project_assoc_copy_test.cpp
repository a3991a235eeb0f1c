// A copy without results: the associations marked for it are left out, the others arrive with
// empty result storages, and the copy opens and reads like the original otherwise.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <vyr/association.h>
#include <vyr/station.h>

#include "entry/root.h"
#include "storage/key_text.h"
#include "storage/project_storage.h"
#include "storage/storage_test_support.h"
#include "tests/support/packed_value.h"

namespace {

VYR_ASSOC_STATION entry(const char* name) {
    VYR_ASSOC_STATION station{};
    station.station.type = VYR_KEY_TEXT;
    std::memcpy(station.station.value, name, std::strlen(name));
    return station;
}

VYR_STATION_ASSOC description(const char* rover, uint32_t flags) {
    VYR_STATION_ASSOC assoc;
    assoc.flags = flags;
    assoc.rover = entry(rover);
    assoc.linkedStations.stations = {entry("REF")};
    return assoc;
}

class AssocCopyTest : public testing::Test {
protected:
    // Two associations with results: KEPT unmarked, GONE marked for leaving out.
    void make_project() {
        {
            CVyrIPtrSmart<IVyrStorage> created;
            ASSERT_EQ(root->CreateStorage(path.c_str(), created), VYR_OK);
        }
        CVyrIPtrSmart<IVyrStorageEx> project;
        ASSERT_EQ(root->OpenStorageEx(path.c_str(), project), VYR_OK);
        CVyrIPtrSmart<IVyrCollectionStation> stations;
        ASSERT_EQ(project->GetStations(stations), VYR_OK);
        for (const char* name : {"KEPT", "GONE", "REF"}) {
            CVyrIPtrSmart<IVyrStation> station;
            ASSERT_EQ(stations->AddStation(entry(name).station, station), VYR_OK);
        }
        CVyrIPtrSmart<IVyrCollectionStationAssocEx> assocs;
        ASSERT_EQ(project->GetStationAssocsEx(assocs), VYR_OK);
        for (const auto& [rover, flags] : {std::pair{"KEPT", 0x1u}, std::pair{"GONE", 0x10001u}}) {
            CVyrIPtrSmart<IVyrStationAssoc> added;
            ASSERT_EQ(assocs->AddAssoc(description(rover, flags), added), VYR_OK);
            VYR_STATION_ASSOC_KEY key{};
            ASSERT_EQ(added->GetKey(key), VYR_OK);
            (flags & VYR_STATION_ASSOC::kWithoutResultsCopy ? gone : kept) = key;
            added.Reset();
            CVyrIPtrSmart<IVyrStationAssocEx> assoc;
            ASSERT_EQ(assocs->GetAssocEx(key, assoc), VYR_OK);
            ASSERT_EQ(assoc->SetKernelStatistics(VYR_KERNEL_STAT{}), VYR_OK);
        }
    }

    CVyrIPtrSmart<IVyrEx> root = Vyr_GetIVyrEx();
    storage_test::ScratchDir dir;
    const std::string path = dir.File("project.vyr");
    VYR_STATION_ASSOC_KEY kept{};
    VYR_STATION_ASSOC_KEY gone{};
};

TEST_F(AssocCopyTest, ACopyWithoutResultsLeavesOutTheMarkedAssociations) {
    make_project();
    CVyrIPtrSmart<IVyrStorage> project;
    ASSERT_EQ(root->OpenStorage(path.c_str(), project), VYR_OK);
    const struct {
        int32_t mode;
        bool goneStays, resultsStay;
    } cases[] = {{VYR_COPY_ALL, true, true}, {VYR_COPY_WITHOUT_RESULTS, false, false}};
    for (const auto& c : cases) {
        const std::string copy = dir.File("copy" + std::to_string(c.mode) + ".vyr");
        ASSERT_EQ(project->SaveAs(copy.c_str(), c.mode), VYR_OK) << c.mode;
        const auto entries = storage_test::tree_of_file(copy);
        std::string goneName;
        ASSERT_TRUE(vyr_storage::make_keyed_name("StationAssoc", gone, goneName));
        EXPECT_EQ(entries.count(goneName), c.goneStays ? 1u : 0u) << c.mode;

        CVyrIPtrSmart<IVyrStorage> copied;
        ASSERT_EQ(root->OpenStorage(copy.c_str(), copied), VYR_OK) << c.mode;
        CVyrIPtrSmart<IVyrCollectionStationAssoc> assocs;
        ASSERT_EQ(copied->GetStationAssocs(assocs), VYR_OK);
        EXPECT_EQ(assocs->Contains(gone), value_of(c.goneStays)) << c.mode;
        CVyrIPtrSmart<IVyrStationAssoc> assoc;
        ASSERT_EQ(assocs->GetAssocByDescription(description("KEPT", 0), assoc), VYR_OK) << c.mode;
        VYR_STATION_ASSOC stored;
        ASSERT_EQ(assoc->GetStationAssoc(stored), VYR_OK);
        EXPECT_EQ(value_of(stored.flags), 0x1u);
        ASSERT_EQ(stored.linkedStations.stations.size(), 1u);
        VYR_KERNEL_STAT statistics{};
        EXPECT_EQ(assoc->GetKernelStatistics(statistics),
                  c.resultsStay ? VYR_OK : VYR_E_ENTRY_NOT_FOUND)
            << c.mode;
        CVyrIPtrSmart<IVyrCollectionStation> stations;
        ASSERT_EQ(copied->GetStations(stations), VYR_OK);
        uint32_t count = 0;
        ASSERT_EQ(stations->GetCount(count), VYR_OK);
        EXPECT_EQ(count, 3u);
        CVyrIPtrSmart<IVyrStation> station;
        EXPECT_EQ(stations->GetStation(entry("GONE").station, station), VYR_OK) << c.mode;
    }
    // The original keeps both.
    CVyrIPtrSmart<IVyrCollectionStationAssoc> assocs;
    ASSERT_EQ(project->GetStationAssocs(assocs), VYR_OK);
    EXPECT_TRUE(assocs->Contains(gone));
    EXPECT_TRUE(assocs->Contains(kept));
}

}  // namespace
