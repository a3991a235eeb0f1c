// The association collections: descriptions checked and turned into keys, associations found,
// deleted and created without leaving storages or keys behind when something fails.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/association_format.h"
#include "records/collection_assoc.h"
#include "records/collection_station.h"
#include "stations/faulty_storage_test_support.h"
#include "stations/station_test_support.h"
#include "storage/layout.h"
#include "tests/support/packed_value.h"

namespace {

using namespace vyr_storage;
using vyr_test::assoc_entry;
using vyr_test::text_key;

VYR_STATION_ASSOC description(const std::string& rover, std::vector<VYR_ASSOC_STATION> linked,
                              uint32_t flags = 0) {
    VYR_STATION_ASSOC assoc;
    assoc.first = 7;
    assoc.flags = flags;
    assoc.rover = assoc_entry(rover);
    assoc.linkedStations.stations = std::move(linked);
    return assoc;
}

class AssocCollectionTest : public vyr_test::StationStorageTest {
protected:
    CVyrIPtrSmart<IVyrCollectionStationAssocEx> assocs(const CVyrPtrSmart<CStg>& on) {
        auto* collection = new CVyrCollectionStationAssoc(on, keys, kStorageVersionCurrent);
        EXPECT_EQ(collection->OpenResult(), VYR_OK);
        return CVyrIPtrSmart<IVyrCollectionStationAssocEx>(collection);
    }
    CVyrIPtrSmart<IVyrCollectionIonoComputedAssocEx> ionoAssocs(const CVyrPtrSmart<CStg>& on) {
        auto* collection = new CVyrCollectionIonoComputedAssoc(on, keys, kStorageVersionCurrent);
        EXPECT_EQ(collection->OpenResult(), VYR_OK);
        return CVyrIPtrSmart<IVyrCollectionIonoComputedAssocEx>(collection);
    }
    bool has_assoc_storage(CStg& project, const VYR_KEY& key) {
        CStg assoc;
        return CFactoryStorage(&project).OpenOrCreateStationAssoc(
            key, vyr::kDispositionOpenExisting, assoc);
    }
};

TEST_F(AssocCollectionTest, AddAssocChecksTheDescriptionFirst) {
    VYR_ASSOC_STATION unset = assoc_entry("REF", -1);
    VYR_ASSOC_STATION noKey{};
    noKey.index = 0;
    const struct {
        const char* what;
        VYR_STATION_ASSOC assoc;
        VYR_ERROR expected;
    } cases[] = {
        {"rover without key", description("", {}), VYR_E_INVALID_PARAMETER},
        {"rover name of 17", description("ABCDEFGHIJKLMNOPQ", {}), VYR_E_INVALID_PARAMETER},
        {"two linked", description("ROV", {assoc_entry("A"), assoc_entry("B")}),
         VYR_E_INVALID_PARAMETER},
        {"linked index -1", description("ROV", {unset}), VYR_E_INVALID_PARAMETER},
        {"linked without key", description("ROV", {noKey}), VYR_E_INVALID_PARAMETER},
        {"no linked", description("ROV", {}), VYR_OK},
        {"one linked", description("ROV", {assoc_entry("REF", 3)}), VYR_OK},
        {"rover name of 16", description("ABCDEFGHIJKLMNOP", {assoc_entry("REF")}), VYR_OK},
    };
    auto list = assocs(storage);
    uint32_t added = 0;
    for (const auto& c : cases) {
        CVyrIPtrSmart<IVyrStationAssoc> assoc;
        EXPECT_EQ(list->AddAssoc(c.assoc, assoc), value_of(c.expected)) << c.what;
        EXPECT_EQ(assoc.IsValid(), c.expected == VYR_OK) << c.what;
        if (c.expected == VYR_OK) ++added;
    }
    uint32_t count = 0;
    ASSERT_EQ(list->GetCount(count), VYR_OK);
    EXPECT_EQ(count, added);
}

TEST_F(AssocCollectionTest, TheSameDescriptionIsAddedOnceAndFoundAgainWhateverItsFlags) {
    auto list = assocs(storage);
    const VYR_STATION_ASSOC original = description("ROV", {assoc_entry("REF", 2)});
    VYR_STATION_ASSOC_KEY key{};
    {
        CVyrIPtrSmart<IVyrStationAssoc> assoc;
        ASSERT_EQ(list->AddAssoc(original, assoc), VYR_OK);
        ASSERT_EQ(assoc->GetKey(key), VYR_OK);
    }
    const std::string listed = [&] {
        list.Reset();
        return stream_bytes(kStreamStationAssocList);
    }();
    EXPECT_EQ(listed, vyr_test::bytes_of(key));

    list = assocs(storage);
    VYR_STATION_ASSOC flagged = original;
    flagged.flags = VYR_STATION_ASSOC::kWithoutResultsCopy;
    CVyrIPtrSmart<IVyrStationAssoc> again;
    EXPECT_EQ(list->AddAssoc(flagged, again), VYR_E_ENTRY_EXISTS);
    ASSERT_EQ(list->GetAssocByDescription(flagged, again), VYR_OK);
    VYR_STATION_ASSOC stored;
    ASSERT_EQ(again->GetStationAssoc(stored), VYR_OK);
    EXPECT_EQ(value_of(stored.flags), 0u);  // the description as first added

    VYR_STATION_ASSOC other = original;
    other.linkedStations.stations[0].index = 5;
    EXPECT_EQ(list->GetAssocByDescription(other, again), VYR_E_ENTRY_NOT_FOUND);
    EXPECT_FALSE(again.IsValid());
    list.Reset();
    EXPECT_EQ(stream_bytes(kStreamStationAssocList), listed);
}

TEST_F(AssocCollectionTest, AssociationsAreReachedByIndexKeyAndIteration) {
    auto list = assocs(storage);
    std::vector<VYR_STATION_ASSOC_KEY> made;
    for (const char* rover : {"A", "B", "C"}) {
        CVyrIPtrSmart<IVyrStationAssoc> assoc;
        ASSERT_EQ(list->AddAssoc(description(rover, {}), assoc), VYR_OK);
        made.emplace_back();
        ASSERT_EQ(assoc->GetKey(made.back()), VYR_OK);
    }
    std::vector<std::string> seen;
    CVyrIPtrSmart<IVyrStationAssoc> assoc;
    for (VYR_ERROR r = list->GetFirstAssoc(assoc); r == VYR_OK; r = list->GetNextAssoc(assoc)) {
        VYR_STATION_ASSOC stored;
        ASSERT_EQ(assoc->GetStationAssoc(stored), VYR_OK);
        seen.push_back(reinterpret_cast<const char*>(stored.rover.station.value));
    }
    EXPECT_EQ(seen.size(), 3u);
    CVyrIPtrSmart<IVyrStationAssocEx> ex;
    EXPECT_EQ(list->GetAssocExAt(2, ex), VYR_OK);
    EXPECT_EQ(list->GetAssocExAt(3, ex), VYR_E_CACHE_CONTAINER);
    EXPECT_EQ(list->GetAssocEx(made[1], ex), VYR_OK);
    VYR_STATION_ASSOC_KEY unlisted = made[1];
    unlisted.value[0] ^= 1;
    EXPECT_EQ(list->GetAssoc(unlisted, assoc), VYR_E_ENTRY_NOT_FOUND);
    EXPECT_EQ(list->GetAssoc(VYR_STATION_ASSOC_KEY{}, assoc), VYR_E_INVALID_PARAMETER);
    EXPECT_EQ(list->Add(made[0]), VYR_E_NOT_IMPLEMENTED);
    EXPECT_EQ(list->DeleteAll(), VYR_E_NOT_IMPLEMENTED);
}

// An open association holds its storage; deleting it then must keep its key, or the storage
// would stay in the file out of every reach.
TEST_F(AssocCollectionTest, ADeleteThatCannotDestroyTheStorageKeepsTheKey) {
    auto list = assocs(storage);
    VYR_STATION_ASSOC_KEY key{};
    CVyrIPtrSmart<IVyrStationAssoc> open;
    ASSERT_EQ(list->AddAssoc(description("ROV", {}), open), VYR_OK);
    ASSERT_EQ(open->GetKey(key), VYR_OK);
    EXPECT_EQ(list->Delete(key), VYR_E_DELETE_FAILED);
    EXPECT_TRUE(list->Contains(key));
    open.Reset();
    EXPECT_TRUE(has_assoc_storage(*storage, key));
    ASSERT_EQ(list->DeleteAt(0), VYR_OK);
    EXPECT_FALSE(list->Contains(key));
    EXPECT_EQ(list->Delete(key), VYR_E_ENTRY_NOT_FOUND);
    EXPECT_FALSE(has_assoc_storage(*storage, key));
    list.Reset();
    EXPECT_EQ(stream_bytes(kStreamStationAssocList), "");
}

TEST_F(AssocCollectionTest, AKeyWhoseStorageIsMissingCanStillBeDeleted) {
    auto list = assocs(storage);
    VYR_STATION_ASSOC_KEY key{};
    {
        CVyrIPtrSmart<IVyrStationAssoc> assoc;
        ASSERT_EQ(list->AddAssoc(description("ROV", {}), assoc), VYR_OK);
        ASSERT_EQ(assoc->GetKey(key), VYR_OK);
    }
    ASSERT_TRUE(CFactoryStorage(storage.Get()).DestroyStationAssoc(key));
    CVyrIPtrSmart<IVyrStationAssoc> assoc;
    EXPECT_EQ(list->GetAssoc(key, assoc), VYR_E_ENTRY_NOT_FOUND);
    EXPECT_EQ(list->Delete(key), VYR_OK);
    EXPECT_FALSE(list->Contains(key));
}

TEST(AssocCollectionFaults, AFailedDestroyKeepsTheKeyOfStationsAndAssociations) {
    auto faults = std::make_shared<vyr_test::StorageFaults>();
    CVyrPtrSmart<CStg> project = vyr_test::faulty_document(faults);
    ASSERT_TRUE(project.IsValid());
    CVyrPtrSmart<CCreateKey> keys(new CCreateKey());
    CVyrCollectionStationAssoc list(project, keys, kStorageVersionCurrent);
    CVyrCollectionIonoComputedAssoc ionoList(project, keys, kStorageVersionCurrent);
    VYR_STATION_ASSOC_KEY key{};
    VYR_IONO_COMPUTED_ASSOC_KEY ionoKey{};
    {
        CVyrIPtrSmart<IVyrStationAssoc> assoc;
        ASSERT_EQ(list.AddAssoc(description("ROV", {}), assoc), VYR_OK);
        ASSERT_EQ(assoc->GetKey(key), VYR_OK);
        CVyrIPtrSmart<IVyrIonoComputedAssoc> iono;
        VYR_IONO_COMPUTED_ASSOC stations{{assoc_entry("ROV")}};
        ASSERT_EQ(ionoList.AddAssoc(stations, iono), VYR_OK);
        ASSERT_EQ(iono->GetKey(ionoKey), VYR_OK);
    }
    faults->failDestroy = true;
    EXPECT_EQ(list.Delete(key), VYR_E_DELETE_FAILED);
    EXPECT_EQ(ionoList.Delete(ionoKey), VYR_E_DELETE_FAILED);
    CVyrIPtrSmart<IVyrStationAssoc> assoc;
    EXPECT_EQ(list.GetAssoc(key, assoc), VYR_OK);  // still reachable
    assoc.Reset();
    CVyrIPtrSmart<IVyrIonoComputedAssoc> iono;
    EXPECT_EQ(ionoList.GetAssoc(ionoKey, iono), VYR_OK);
    iono.Reset();
    faults->failDestroy = false;
    EXPECT_EQ(list.Delete(key), VYR_OK);
    EXPECT_EQ(ionoList.Delete(ionoKey), VYR_OK);
    EXPECT_FALSE(list.Contains(key));
    EXPECT_FALSE(ionoList.Contains(ionoKey));
}

// A create that fails after the association storage was made leaves no storage, so the same
// description can be added once the fault is gone.
TEST(AssocCollectionFaults, AFailedCreateLeavesNeitherKeyNorStorage) {
    const struct {
        const char* what;
        std::u16string storage;
        std::u16string stream;
    } cases[] = {
        {"result storage", u"StationAssocResult", u""},
        {"description entry", u"", u"StationAssoc"},
    };
    for (const auto& c : cases) {
        auto faults = std::make_shared<vyr_test::StorageFaults>();
        CVyrPtrSmart<CStg> project = vyr_test::faulty_document(faults);
        ASSERT_TRUE(project.IsValid());
        CVyrPtrSmart<CCreateKey> keys(new CCreateKey());
        CVyrIPtrSmart<IVyrCollectionStationAssoc> list(
            new CVyrCollectionStationAssoc(project, keys, kStorageVersionCurrent));
        faults->failCreateStorage = c.storage;
        faults->failCreateStream = c.stream;
        CVyrIPtrSmart<IVyrStationAssoc> assoc;
        const VYR_STATION_ASSOC rover = description("ROV", {});
        EXPECT_NE(list->AddAssoc(rover, assoc), VYR_OK) << c.what;
        uint32_t count = 1;
        EXPECT_EQ(list->GetCount(count), VYR_OK);
        EXPECT_EQ(count, 0u) << c.what;
        faults->failCreateStorage.clear();
        faults->failCreateStream.clear();
        EXPECT_EQ(list->AddAssoc(rover, assoc), VYR_OK) << c.what;
    }
}

TEST(AssocCollectionFaults, AStationThatCannotBeCreatedCanBeAddedLater) {
    auto faults = std::make_shared<vyr_test::StorageFaults>();
    CVyrPtrSmart<CStg> project = vyr_test::faulty_document(faults);
    ASSERT_TRUE(project.IsValid());
    CVyrPtrSmart<CCreateKey> keys(new CCreateKey());
    CVyrIPtrSmart<IVyrCollectionStation> list(
        new CVyrCollectionStation(project, keys, kStorageVersionCurrent));
    faults->failCreateStorage = u"StationResult";
    CVyrIPtrSmart<IVyrStation> station;
    EXPECT_EQ(list->AddStation(text_key("S1"), station), VYR_E_CANNOT_CREATE_ENTRY);
    EXPECT_FALSE(list->Contains(text_key("S1")));
    faults->failCreateStorage.clear();
    EXPECT_EQ(list->AddStation(text_key("S1"), station), VYR_OK);
    station.Reset();
    faults->failDestroy = true;
    EXPECT_EQ(list->Delete(text_key("S1")), VYR_E_DELETE_FAILED);
    EXPECT_TRUE(list->Contains(text_key("S1")));
}

TEST_F(AssocCollectionTest, IonoAssociationsTakeExactlyOneUsableStation) {
    const struct {
        const char* what;
        VYR_IONO_COMPUTED_ASSOC stations;
        VYR_ERROR expected;
    } cases[] = {
        {"none", {}, VYR_E_INVALID_PARAMETER},
        {"two", {{assoc_entry("A"), assoc_entry("B")}}, VYR_E_INVALID_PARAMETER},
        {"index -1", {{assoc_entry("A", -1)}}, VYR_E_INVALID_PARAMETER},
        {"empty name", {{assoc_entry("")}}, VYR_E_INVALID_PARAMETER},
        {"one", {{assoc_entry("A")}}, VYR_OK},
        {"same again", {{assoc_entry("A")}}, VYR_E_ENTRY_EXISTS},
        {"another", {{assoc_entry("A", 1)}}, VYR_OK},
    };
    auto list = ionoAssocs(storage);
    for (const auto& c : cases) {
        CVyrIPtrSmart<IVyrIonoComputedAssoc> assoc;
        EXPECT_EQ(list->AddAssoc(c.stations, assoc), value_of(c.expected)) << c.what;
    }
    CVyrIPtrSmart<IVyrIonoComputedAssoc> found;
    ASSERT_EQ(list->GetAssocByDescription({{assoc_entry("A", 1)}}, found), VYR_OK);
    VYR_IONO_COMPUTED_ASSOC stored;
    ASSERT_EQ(found->GetIonoComputedAssoc(stored), VYR_OK);
    ASSERT_EQ(stored.stations.size(), 1u);
    EXPECT_EQ(value_of(stored.stations[0].index), 1);
    EXPECT_EQ(list->GetAssocByDescription({{assoc_entry("Z")}}, found), VYR_E_ENTRY_NOT_FOUND);
}

}  // namespace
