#include "records/collection.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "records/collection_keys.h"
#include "records/collection_test_support.h"
#include "records/collection_uncached.h"
#include "records/common_data_collections.h"
#include "records/key_collections.h"
#include "storage/layout.h"

namespace {

using namespace vyr_storage;
using vyr_test::bytes_of;

VYR_BROADCASTEPHEMERIS gps(uint8_t prn, uint16_t week, uint32_t toe, float af0 = 0.0f) {
    VYR_BROADCASTEPHEMERIS record{};
    record.prn = prn;
    record.week = week;
    record.toe = toe;
    record.af0 = af0;
    return record;
}

using Ephemerides = CVyrCollectionBroadcastEphemeris;

class CollectionTest : public vyr_test::MemoryStorageTest {
protected:
    std::string ephemeris_stream() { return stream_bytes(kStreamBroadcastEphemeris); }
};

TEST_F(CollectionTest, AddingARecordWhoseKeyIsStoredWritesNothingAndTheFirstStays) {
    {
        Ephemerides collection(storage, kStorageVersionCurrent);
        EXPECT_EQ(collection.Add(gps(5, 1500, 7200, 1.0f)), VYR_OK);
        // Differs only outside the key (week, time of ephemeris, satellite).
        EXPECT_EQ(collection.Add(gps(5, 1500, 7200, 2.0f)), VYR_OK);
        VYR_BROADCASTEPHEMERIS stored{};
        ASSERT_EQ(collection.GetAt(0, stored), VYR_OK);
        EXPECT_EQ(+stored.af0, 1.0f);
    }
    EXPECT_EQ(ephemeris_stream(), bytes_of(gps(5, 1500, 7200, 1.0f)));
    // A fresh collection sees the stored record, and its own cache agrees.
    Ephemerides again(storage, kStorageVersionCurrent);
    EXPECT_EQ(again.Add(gps(5, 1500, 7200, 3.0f)), VYR_OK);
    uint32_t count = 0;
    EXPECT_EQ(again.GetCount(count), VYR_OK);
    EXPECT_EQ(count, 1u);
}

TEST_F(CollectionTest, RecordsComeInKeyOrderFromTheCacheAndInStoredOrderWithoutToTheEnd) {
    Ephemerides collection(storage, kStorageVersionCurrent);
    ASSERT_EQ(collection.Add(gps(9, 1500, 0)), VYR_OK);
    ASSERT_EQ(collection.Add(gps(3, 1500, 0)), VYR_OK);
    ASSERT_EQ(collection.Add(gps(1, 1501, 0)), VYR_OK);

    std::vector<VYR_BROADCASTEPHEMERIS> all;
    ASSERT_EQ(collection.GetAll(all), VYR_OK);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].prn, 3);
    EXPECT_EQ(all[1].prn, 9);
    EXPECT_EQ(all[2].prn, 1);
    VYR_BROADCASTEPHEMERIS record{};
    EXPECT_EQ(collection.GetAt(3, record), VYR_E_CACHE_CONTAINER);

    collection.SetCacheEnabled(false);
    ASSERT_EQ(collection.GetAll(all), VYR_OK);
    EXPECT_EQ(all[0].prn, 9);
    ASSERT_EQ(collection.GetAt(1, record), VYR_OK);
    EXPECT_EQ(record.prn, 3);
    EXPECT_EQ(collection.GetAt(3, record), VYR_E_READ_ENTRY_FAILED);
}

TEST_F(CollectionTest, IterationWalksTheCacheUntilNoMoreEntries) {
    Ephemerides collection(storage, kStorageVersionCurrent);
    VYR_BROADCASTEPHEMERIS record{};
    EXPECT_EQ(collection.GetNext(record), VYR_E_NOT_IMPLEMENTED);  // nothing loaded yet
    EXPECT_EQ(collection.GetFirst(record), VYR_E_NO_MORE_ENTRIES);
    ASSERT_EQ(collection.Add(gps(2, 1, 0)), VYR_OK);
    ASSERT_EQ(collection.Add(gps(1, 1, 0)), VYR_OK);
    ASSERT_EQ(collection.GetFirst(record), VYR_OK);
    EXPECT_EQ(record.prn, 1);
    ASSERT_EQ(collection.GetNext(record), VYR_OK);
    EXPECT_EQ(record.prn, 2);
    EXPECT_EQ(collection.GetNext(record), VYR_E_NO_MORE_ENTRIES);
}

TEST_F(CollectionTest, CountingWithoutALoadedCacheUsesTheStreamSize) {
    put_stream(kStreamBroadcastEphemeris, bytes_of(gps(1, 1, 0)) + bytes_of(gps(2, 1, 0)));
    Ephemerides collection(storage, kStorageVersionCurrent);
    uint32_t count = 0;
    ASSERT_EQ(collection.GetCount(count), VYR_OK);
    EXPECT_EQ(count, 2u);
}

// A list cut inside a record is neither counted nor loaded, so that no Add or Delete rewrites
// it without the records after the cut.
TEST_F(CollectionTest, AListCutInsideARecordIsNeitherCountedNorLoadedNorAddedTo) {
    const std::string cut = bytes_of(gps(1, 1, 0)) + bytes_of(gps(2, 1, 0)) + std::string(5, 'x');
    put_stream(kStreamBroadcastEphemeris, cut);
    {
        Ephemerides collection(storage, kStorageVersionCurrent);
        uint32_t count = 0;
        EXPECT_EQ(collection.GetCount(count), VYR_E_READ_ENTRY_FAILED);
        EXPECT_EQ(collection.LoadCache(), VYR_E_READ_ENTRY_FAILED);
        std::vector<VYR_BROADCASTEPHEMERIS> all;
        EXPECT_EQ(collection.GetAll(all), VYR_E_READ_ENTRY_FAILED);
        EXPECT_EQ(collection.Add(gps(3, 1, 0)), VYR_E_READ_ENTRY_FAILED);
        EXPECT_EQ(collection.Delete(gps(1, 1, 0)), VYR_E_READ_ENTRY_FAILED);
    }
    EXPECT_EQ(ephemeris_stream(), cut);
}

TEST_F(CollectionTest, WithTheCacheDisabledEveryOperationGoesToTheStream) {
    Ephemerides collection(storage, kStorageVersionCurrent);
    collection.SetCacheEnabled(false);
    EXPECT_EQ(collection.LoadCache(), VYR_E_MODE_NOT_SUPPORTED);
    ASSERT_EQ(collection.Add(gps(1, 1, 0)), VYR_OK);
    // Without the cache nothing stops a second copy.
    ASSERT_EQ(collection.Add(gps(1, 1, 0, 5.0f)), VYR_OK);
    EXPECT_TRUE(collection.Contains(gps(1, 1, 0)));
    EXPECT_FALSE(collection.Contains(gps(2, 1, 0)));
    VYR_BROADCASTEPHEMERIS record{};
    EXPECT_EQ(collection.GetFirst(record), VYR_E_NOT_IMPLEMENTED);
    EXPECT_EQ(collection.GetNext(record), VYR_E_NOT_IMPLEMENTED);
    // Delete removes the first match only.
    ASSERT_EQ(collection.Delete(gps(1, 1, 0)), VYR_OK);
    EXPECT_EQ(collection.Delete(gps(2, 1, 0)), VYR_E_ENTRY_NOT_FOUND);
    uint32_t count = 0;
    ASSERT_EQ(collection.GetCount(count), VYR_OK);
    EXPECT_EQ(count, 1u);
    ASSERT_EQ(collection.GetAt(0, record), VYR_OK);
    EXPECT_EQ(+record.af0, 5.0f);
}

TEST_F(CollectionTest, DeleteRewritesTheStreamFromTheCacheAndDeleteAllEmptiesBoth) {
    {
        Ephemerides collection(storage, kStorageVersionCurrent);
        for (uint8_t prn : {1, 2, 3}) ASSERT_EQ(collection.Add(gps(prn, 1, 0)), VYR_OK);
        ASSERT_EQ(collection.Delete(gps(2, 1, 0, 9.0f)), VYR_OK);  // by key
        EXPECT_EQ(collection.Delete(gps(2, 1, 0)), VYR_E_ENTRY_NOT_FOUND);
        EXPECT_FALSE(collection.Contains(gps(2, 1, 0)));
    }
    EXPECT_EQ(ephemeris_stream(), bytes_of(gps(1, 1, 0)) + bytes_of(gps(3, 1, 0)));
    {
        Ephemerides collection(storage, kStorageVersionCurrent);
        ASSERT_EQ(collection.Delete(gps(1, 1, 0)), VYR_OK);
        ASSERT_EQ(collection.DeleteAll(), VYR_OK);
        EXPECT_FALSE(collection.Contains(gps(3, 1, 0)));  // the cache went with the stream
        ASSERT_EQ(collection.Add(gps(3, 1, 0)), VYR_OK);
    }
    EXPECT_EQ(ephemeris_stream(), bytes_of(gps(3, 1, 0)));
}

TEST_F(CollectionTest, AReadOnlyProjectRefusesRecordsAndCannotMakeAMissingStream) {
    put_stream(kStreamBroadcastEphemeris, bytes_of(gps(1, 1, 0)));
    reopen_read_only();
    Ephemerides collection(storage, kStorageVersionCurrent);
    ASSERT_EQ(collection.OpenResult(), VYR_OK);
    EXPECT_EQ(collection.Add(gps(2, 1, 0)), VYR_E_INVALID_PARAMETER);
    EXPECT_FALSE(collection.Contains(gps(2, 1, 0)));
    EXPECT_TRUE(collection.Contains(gps(1, 1, 0)));

    CVyrCollectionBroadcastEphemerisGlo missing(storage, kStorageVersionCurrent);
    EXPECT_EQ(missing.OpenResult(), VYR_E_CANNOT_CREATE_ENTRY);
    EXPECT_EQ(missing.Add(VYR_BROADCASTEPHEMERIS_GLO{}), VYR_E_CANNOT_CREATE_ENTRY);
    uint32_t count = 0;
    EXPECT_EQ(missing.GetCount(count), VYR_E_CANNOT_CREATE_ENTRY);
    Ephemerides without(CVyrPtrSmart<CStg>(), kStorageVersionCurrent);
    EXPECT_EQ(without.OpenResult(), VYR_E_ENTRY_NOT_FOUND);
}

TEST_F(CollectionTest, StreamCollectionsKnowWhereEachRecordStarts) {
    using Keys = CVyrCollectionStationAssocKey;
    auto assoc_key = [](uint32_t n) {
        VYR_STATION_ASSOC_KEY key{};
        key.type = VYR_KEY_NUMBER32;
        std::memcpy(key.value, &n, sizeof n);
        return key;
    };
    Keys keys(storage, kStreamStationAssocList, kStorageVersionCurrent);
    ASSERT_EQ(keys.Add(assoc_key(7)), VYR_OK);
    ASSERT_EQ(keys.Add(assoc_key(3)), VYR_OK);
    uint64_t offset = 0;
    ASSERT_EQ(keys.GetOffset(assoc_key(3), offset), VYR_OK);
    EXPECT_EQ(offset, 21u);
    ASSERT_EQ(keys.Delete(assoc_key(7)), VYR_OK);
    // Reloaded after the rewrite: the remaining key now starts the stream.
    ASSERT_EQ(keys.GetOffset(assoc_key(3), offset), VYR_OK);
    EXPECT_EQ(offset, 0u);
}

using UncachedTest = vyr_test::MemoryStorageTest;

using Results = CVyrCollectionUncached<VYR_BROADCASTEPHEMERIS>;

TEST_F(UncachedTest, IteratesInStoredOrderNeitherFindsNorDeletesAndAnyOtherCallEndsTheIteration) {
    Results results(storage, kStreamBroadcastEphemeris, kStorageVersionCurrent);
    ASSERT_EQ(results.Add(gps(4, 1, 0)), VYR_OK);
    ASSERT_EQ(results.Add(gps(4, 1, 0)), VYR_OK);  // not cached: stored twice
    ASSERT_EQ(results.Add(gps(2, 1, 0)), VYR_OK);

    VYR_BROADCASTEPHEMERIS record{};
    EXPECT_EQ(results.GetNext(record), VYR_E_INVALID_STATUS);
    ASSERT_EQ(results.GetFirst(record), VYR_OK);
    EXPECT_EQ(record.prn, 4);
    ASSERT_EQ(results.GetNext(record), VYR_OK);
    ASSERT_EQ(results.GetNext(record), VYR_OK);
    EXPECT_EQ(record.prn, 2);
    EXPECT_EQ(results.GetNext(record), VYR_E_NO_MORE_ENTRIES);

    ASSERT_EQ(results.GetFirst(record), VYR_OK);
    uint32_t count = 0;
    ASSERT_EQ(results.GetCount(count), VYR_OK);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(results.GetNext(record), VYR_E_INVALID_STATUS);

    EXPECT_FALSE(results.Contains(gps(4, 1, 0)));
    EXPECT_EQ(results.Delete(gps(4, 1, 0)), VYR_E_NOT_IMPLEMENTED);
    EXPECT_EQ(results.DeleteAll(), VYR_E_NOT_IMPLEMENTED);
    EXPECT_EQ(results.GetAt(3, record), VYR_E_READ_ENTRY_FAILED);
}

}  // namespace

// Records of a storage version no reader knows do not decode: loading fails instead of going
// round for ever on a record that never comes (a damaged project once hung the reader).
TEST_F(CollectionTest, RecordsThatDoNotDecodeFailTheLoadInsteadOfLoopingForEver) {
    put_stream(kStreamBroadcastEphemerisGlo, bytes_of(VYR_BROADCASTEPHEMERIS_GLO{}));
    CVyrCollectionBroadcastEphemerisGlo collection(storage, kStorageVersionCurrent + 1);
    std::vector<VYR_BROADCASTEPHEMERIS_GLO> records;
    EXPECT_EQ(collection.GetAll(records), VYR_E_READ_ENTRY_FAILED);  // damage, not the cache
    EXPECT_TRUE(records.empty());
    EXPECT_EQ(collection.LoadCache(), VYR_E_READ_ENTRY_FAILED);
}
