#include "records/collection_cache.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

struct Entry {
    int key;
    int payload;
};
struct EntryLess {
    bool operator()(const Entry& a, const Entry& b) const { return a.key < b.key; }
};
struct KeyOf {
    int operator()(const Entry& e) const { return e.key; }
};

using VecCache = CCollectionCacheVec<Entry, EntryLess>;
using MapCache = CCollectionCacheMap<int, Entry, KeyOf, std::less<int>>;

template <class Cache>
class CacheTest : public testing::Test {};
using Caches = testing::Types<VecCache, MapCache>;
TYPED_TEST_SUITE(CacheTest, Caches);

std::vector<int> keys_of(const ICollectionCacheBase<Entry>& cache) {
    std::vector<Entry> all;
    EXPECT_TRUE(cache.GetAll(all));
    std::vector<int> keys;
    for (const Entry& e : all) keys.push_back(e.key);
    return keys;
}

TYPED_TEST(CacheTest, InsertKeepsKeyOrderAndTheFirstRecordOfAKey) {
    TypeParam cache;
    for (Entry e : {Entry{5, 1}, Entry{2, 1}, Entry{5, 2}, Entry{9, 1}})
        EXPECT_TRUE(cache.Insert(e));
    EXPECT_EQ(keys_of(cache), (std::vector<int>{2, 5, 9}));
    Entry found{5, 0};
    ASSERT_TRUE(cache.Find(found));
    EXPECT_EQ(found.payload, 1);
    Entry missing{4, 0};
    EXPECT_FALSE(cache.Find(missing));
    EXPECT_TRUE(cache.IsEqual(Entry{5, 1}, Entry{5, 7}));
}

TYPED_TEST(CacheTest, UpdateRemoveAndIndexFollowTheKeys) {
    TypeParam cache;
    for (int k : {3, 1, 2}) cache.Insert(Entry{k, 0});
    EXPECT_TRUE(cache.Update(Entry{2, 8}));
    EXPECT_FALSE(cache.Update(Entry{4, 8}));
    Entry at{};
    ASSERT_TRUE(cache.GetAt(1, at));
    EXPECT_EQ(at.payload, 8);
    EXPECT_TRUE(cache.Remove(Entry{1, 0}));
    EXPECT_FALSE(cache.Remove(Entry{1, 0}));
    ASSERT_TRUE(cache.GetAt(0, at));
    EXPECT_EQ(at.key, 2);
    EXPECT_FALSE(cache.GetAt(2, at));
    EXPECT_EQ(cache.GetCount(), 2u);
}

TYPED_TEST(CacheTest, ChangesEndAnIterationInProgress) {
    TypeParam cache;
    for (int k : {1, 2, 3}) cache.Insert(Entry{k, 0});
    Entry e{};
    ASSERT_TRUE(cache.First(e));
    EXPECT_EQ(e.key, 1);
    cache.Insert(Entry{0, 0});
    EXPECT_FALSE(cache.Next(e));
    ASSERT_TRUE(cache.First(e));
    cache.Remove(Entry{3, 0});
    EXPECT_FALSE(cache.Next(e));
    ASSERT_TRUE(cache.First(e));
    EXPECT_TRUE(cache.Clear());
    EXPECT_FALSE(cache.Next(e));
    EXPECT_FALSE(cache.First(e));
}

TEST(CollectionCacheVecStream, KeepsTheOffsetOfEachRecord) {
    CCollectionCacheVecStream<Entry, EntryLess> cache;
    cache.Insert(Entry{2, 0}, 40);
    cache.Insert(Entry{1, 0}, 80);
    cache.Insert(Entry{2, 0}, 120);  // the first stays, with its offset
    uint64_t offset = 0;
    ASSERT_TRUE(cache.OffsetOf(Entry{2, 0}, offset));
    EXPECT_EQ(offset, 40u);
    EXPECT_FALSE(cache.OffsetOf(Entry{3, 0}, offset));
}

}  // namespace
