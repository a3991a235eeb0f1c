// The station collection: adding, finding, iterating and deleting stations by their keys.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "records/collection_station.h"
#include "stations/station_test_support.h"
#include "storage/key_text.h"
#include "storage/layout.h"

namespace {

using namespace vyr_storage;
using vyr_test::text_key;

class StationCollectionTest : public vyr_test::StationStorageTest {
protected:
    CVyrIPtrSmart<IVyrCollectionStationEx> stations() {
        auto* collection = new CVyrCollectionStation(storage, keys, kStorageVersionCurrent);
        EXPECT_EQ(collection->OpenResult(), VYR_OK);
        return CVyrIPtrSmart<IVyrCollectionStationEx>(collection);
    }

    std::string key_of(IVyrStation& station) {
        VYR_STATION_KEY key{};
        EXPECT_EQ(station.GetKey(key), VYR_OK);
        return key_text(key);
    }
};

TEST_F(StationCollectionTest, AddStationTakesNamesUpToSixteenCharactersOnce) {
    auto list = stations();
    CVyrIPtrSmart<IVyrStation> station;
    ASSERT_EQ(list->AddStation(text_key("SIXTEEN_CHARS_OK"), station), VYR_OK);
    ASSERT_TRUE(station.IsValid());
    EXPECT_EQ(list->AddStation(text_key("SEVENTEEN_CHARS_X"), station), VYR_E_INVALID_PARAMETER);
    EXPECT_FALSE(station.IsValid());
    EXPECT_EQ(list->AddStation(VYR_STATION_KEY{}, station), VYR_E_INVALID_PARAMETER);
    list.Reset();
    const std::string listed = stream_bytes(kStreamStationList);
    EXPECT_EQ(listed, vyr_test::bytes_of(text_key("SIXTEEN_CHARS_OK")));

    list = stations();
    EXPECT_EQ(list->AddStation(text_key("SIXTEEN_CHARS_OK"), station), VYR_E_ENTRY_EXISTS);
    list.Reset();
    EXPECT_EQ(stream_bytes(kStreamStationList), listed);
}

// Marker names come from imported files and need not be UTF-8. Their stations are made, found
// by their keys again and listed; the storage name reads such bytes as Latin-1.
TEST_F(StationCollectionTest, KeysWithBytesThatAreNotUtf8MakeStationsFoundAgainAndListed) {
    const std::set<std::string> texts = {"B\xE9\xFF", "\xFF", "CUT\xC3", "OK\xC3\xA9"};
    {
        auto list = stations();
        for (const std::string& text : texts) {
            CVyrIPtrSmart<IVyrStation> station;
            EXPECT_EQ(list->AddStation(text_key(text), station), VYR_OK) << text;
        }
    }
    auto list = stations();
    std::vector<VYR_STATION_KEY> listed;
    ASSERT_EQ(list->GetAll(listed), VYR_OK);
    std::set<std::string> listedTexts;
    for (const VYR_STATION_KEY& key : listed) listedTexts.insert(key_text(key));
    EXPECT_EQ(listedTexts, texts);
    for (const std::string& text : texts) {
        CVyrIPtrSmart<IVyrStation> station;
        ASSERT_EQ(list->GetStation(text_key(text), station), VYR_OK) << text;
        EXPECT_EQ(key_of(*station), text);
    }
    list.Reset();
    CStg station;
    EXPECT_TRUE(storage->OpenSubStorage(u"StationB\u00E9\u00FF", vyr::kAccessRead, station));
}

TEST_F(StationCollectionTest, AStationThatCannotBeCreatedLeavesNoKeyBehind) {
    {
        CStg leftover;  // a storage of that name exists already
        ASSERT_TRUE(
            CFactoryStorage(storage.Get())
                .OpenOrCreateStation(text_key("TAKEN"), vyr::kDispositionCreateNew, leftover));
    }
    auto list = stations();
    CVyrIPtrSmart<IVyrStation> station;
    EXPECT_EQ(list->AddStation(text_key("TAKEN"), station), VYR_E_CANNOT_CREATE_ENTRY);
    EXPECT_FALSE(list->Contains(text_key("TAKEN")));
    list.Reset();
    EXPECT_EQ(stream_bytes(kStreamStationList), "");
}

TEST_F(StationCollectionTest, AddNewStationUsesAFreshNumberKeyThatTheProjectKeeps) {
    auto list = stations();
    CVyrIPtrSmart<IVyrStation> first, second;
    ASSERT_EQ(list->AddNewStation(first), VYR_OK);
    ASSERT_EQ(list->AddNewStation(second), VYR_OK);
    VYR_STATION_KEY a{}, b{};
    ASSERT_EQ(first->GetKey(a), VYR_OK);
    ASSERT_EQ(second->GetKey(b), VYR_OK);
    EXPECT_EQ(+a.type, static_cast<uint32_t>(VYR_KEY_NUMBER64));
    std::vector<uint64_t> used;
    keys->GetKeys(used);
    EXPECT_EQ(std::set<uint64_t>(used.begin(), used.end()),
              (std::set<uint64_t>{key_number(a), key_number(b)}));
    EXPECT_EQ(used.size(), 2u);
    uint32_t count = 0;
    ASSERT_EQ(list->GetCount(count), VYR_OK);
    EXPECT_EQ(count, 2u);
}

TEST_F(StationCollectionTest, StationsAreFoundByKeyIndexAndIterationInKeyOrder) {
    auto list = stations();
    for (const char* name : {"ZULU", "ALPHA", "MIKE"}) {
        CVyrIPtrSmart<IVyrStation> station;
        ASSERT_EQ(list->AddStation(text_key(name), station), VYR_OK);
    }
    CVyrIPtrSmart<IVyrStation> station;
    ASSERT_EQ(list->GetStationAt(0, station), VYR_OK);
    EXPECT_EQ(key_of(*station), "ALPHA");
    station.Reset();  // a station holds its storage: one object per station at a time
    CVyrIPtrSmart<IVyrStationEx> extended;
    ASSERT_EQ(list->GetStationEx(text_key("MIKE"), extended), VYR_OK);
    EXPECT_EQ(key_of(*extended), "MIKE");
    extended.Reset();
    ASSERT_EQ(list->GetStationExAt(2, extended), VYR_OK);
    EXPECT_EQ(key_of(*extended), "ZULU");
    extended.Reset();
    EXPECT_EQ(list->GetStation(text_key("NONE"), station), VYR_E_ENTRY_NOT_FOUND);
    EXPECT_EQ(list->GetStationAt(3, station), VYR_E_CACHE_CONTAINER);

    std::vector<std::string> seen;
    for (VYR_ERROR r = list->GetFirstStation(station); r == VYR_OK;
         r = list->GetNextStation(station)) {
        seen.push_back(key_of(*station));
        station.Reset();
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"ALPHA", "MIKE", "ZULU"}));
    EXPECT_EQ(list->GetNextStation(station), VYR_E_NO_MORE_ENTRIES);
}

TEST_F(StationCollectionTest, DeleteRemovesTheKeyAndTheStationStorage) {
    auto list = stations();
    for (const char* name : {"ALPHA", "BRAVO", "CHARLIE"}) {
        CVyrIPtrSmart<IVyrStation> station;
        ASSERT_EQ(list->AddStation(text_key(name), station), VYR_OK);
    }
    EXPECT_EQ(list->Delete(text_key("NONE")), VYR_E_ENTRY_NOT_FOUND);
    ASSERT_EQ(list->Delete(text_key("BRAVO")), VYR_OK);
    ASSERT_EQ(list->DeleteAt(0), VYR_OK);  // ALPHA
    EXPECT_EQ(list->DeleteAt(5), VYR_E_CACHE_CONTAINER);
    EXPECT_EQ(list->Add(text_key("DELTA")), VYR_E_NOT_IMPLEMENTED);
    EXPECT_EQ(list->DeleteAll(), VYR_E_NOT_IMPLEMENTED);

    {  // an open station keeps its storage, and with it its key: it stays reachable
        CVyrIPtrSmart<IVyrStation> open;
        ASSERT_EQ(list->GetStation(text_key("CHARLIE"), open), VYR_OK);
        EXPECT_EQ(list->Delete(text_key("CHARLIE")), VYR_E_DELETE_FAILED);
        EXPECT_TRUE(list->Contains(text_key("CHARLIE")));
    }
    EXPECT_EQ(station_stream(text_key("CHARLIE"), kStreamObservations), "<missing>");
    ASSERT_EQ(list->Delete(text_key("CHARLIE")), VYR_OK);  // once it is let go
    list.Reset();
    EXPECT_EQ(stream_bytes(kStreamStationList), "");
    for (const char* gone : {"ALPHA", "BRAVO", "CHARLIE"})
        EXPECT_EQ(station_stream(text_key(gone), kStreamObservations), "<no station>") << gone;
}

TEST_F(StationCollectionTest, AProjectWithoutKeysOrStorageHandsOutNothing) {
    auto* collection =
        new CVyrCollectionStation(storage, CVyrPtrSmart<CCreateKey>(), kStorageVersionCurrent);
    CVyrIPtrSmart<IVyrCollectionStation> list(collection);
    CVyrIPtrSmart<IVyrStation> station;
    EXPECT_EQ(list->AddNewStation(station), VYR_E_INVALID_INTERFACE);
    EXPECT_EQ(list->AddStation(text_key("BASE"), station), VYR_E_INVALID_INTERFACE);
}

}  // namespace
