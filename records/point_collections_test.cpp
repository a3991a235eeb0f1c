#include "records/point_collections.h"

#include <gtest/gtest.h>

#include <cmath>

#include "records/collection_test_support.h"
#include "storage/layout.h"

namespace {

using namespace vyr_storage;

constexpr double kMs = 1.0 / 86400000.0;

VYR_POINT_DESCRIPTION description(int32_t type, double start, double end = 0.0) {
    VYR_POINT_DESCRIPTION d{};
    d.type = type;
    d.start = start;
    if (type == 1 || type == 2) d.detail.end = end;
    return d;
}

class PointDescTest : public vyr_test::MemoryStorageTest {
protected:
    CVyrPtrSmart<CCreateKey> keys{new CCreateKey()};
};

TEST_F(PointDescTest, TimesOfTypes1And2AreRoundedHalfUpTo10MsIntoTheNextDay) {
    CVyrCollectionPointDesc points(storage, kStreamPointDescriptions, keys, kStorageVersionCurrent);
    VYR_POINT_DESC stored{};
    ASSERT_EQ(points.AddPointDesc(
                  description(1, 55000.0 + (86400000.0 - 4.0) * kMs, 55001.0 + 15.0 * kMs), stored),
              VYR_OK);
    EXPECT_EQ(+stored.description.start, 55001.0);
    EXPECT_NEAR((stored.description.detail.end - 55001.0) / kMs, 20.0, 1e-3);
    VYR_POINT_DESC byId{};
    ASSERT_EQ(points.GetById(stored.id, byId), VYR_OK);
    EXPECT_EQ(+byId.description.start, 55001.0);
    EXPECT_NEAR((vyr_records::round_to_10_ms(55000.0 + 14.9 * kMs) - 55000.0) / kMs, 10.0, 1e-3);
}

TEST_F(PointDescTest, IdsAreIssuedPerDescriptionAndUnknownIdsAreNotFound) {
    CVyrCollectionPointDesc points(storage, kStreamPointDescriptions, keys, kStorageVersionCurrent);
    VYR_POINT_DESC first{}, second{};
    ASSERT_EQ(points.AddPointDesc(description(3, 55000.5), first), VYR_OK);
    VYR_POINT_DESCRIPTION other = description(3, 55000.5);
    other.detail.mark = 1;
    ASSERT_EQ(points.AddPointDesc(other, second), VYR_OK);
    EXPECT_NE(first.id, second.id);
    uint32_t count = 0;
    ASSERT_EQ(points.GetCount(count), VYR_OK);
    EXPECT_EQ(count, 2u);
    VYR_POINT_DESC found{};
    EXPECT_EQ(points.GetById(first.id ^ second.id ^ 0x5A5A5A5A, found), VYR_E_ENTRY_NOT_FOUND);
    points.SetCacheEnabled(false);
    EXPECT_EQ(points.GetById(first.id, found), VYR_E_NOT_IMPLEMENTED);
}

TEST_F(PointDescTest, TypeZeroAndThePlainChangingOperationsAreRefused) {
    CVyrCollectionPointDesc points(storage, kStreamPointDescriptions, keys, kStorageVersionCurrent);
    VYR_POINT_DESC stored{};
    EXPECT_EQ(points.AddPointDesc(description(0, 55000.5), stored), VYR_E_INVALID_PARAMETER);
    EXPECT_EQ(points.Add(stored), VYR_E_NOT_IMPLEMENTED);
    EXPECT_EQ(points.DeleteAll(), VYR_E_NOT_IMPLEMENTED);
    ASSERT_EQ(points.AddPointDesc(description(2, 55000.5, 55000.6), stored), VYR_OK);
    // The same key again is not stored twice: the caller gets the stored description and its id
    // (an id nothing holds made a re-import number its a-priori points wrongly).
    VYR_POINT_DESC again{};
    ASSERT_EQ(points.AddPointDesc(description(2, 55000.5, 55000.7), again), VYR_OK);
    EXPECT_EQ(again.id, stored.id);
    EXPECT_EQ(+again.description.detail.end, +stored.description.detail.end);
    uint32_t count = 0;
    ASSERT_EQ(points.GetCount(count), VYR_OK);
    EXPECT_EQ(count, 1u);
    ASSERT_EQ(points.Delete(stored), VYR_OK);
    ASSERT_EQ(points.GetCount(count), VYR_OK);
    EXPECT_EQ(count, 0u);
}

TEST_F(PointDescTest, APosterioriPointsAreReadOnlyUnlessExtended) {
    VYR_APOSTERIORI_POINT point{};
    point.number = 12;
    {
        CVyrCollectionAposterioriPoint readOnly(storage, kStreamAposterisoriPoints,
                                                kStorageVersionCurrent);
        EXPECT_EQ(readOnly.Add(point), VYR_E_NOT_IMPLEMENTED);
        EXPECT_EQ(readOnly.Delete(point), VYR_E_NOT_IMPLEMENTED);
        EXPECT_EQ(readOnly.DeleteAll(), VYR_E_NOT_IMPLEMENTED);
    }
    EXPECT_EQ(stream_bytes(kStreamAposterisoriPoints), "");
    {
        CVyrCollectionAposterioriPointEx extended(storage, kStreamAposterisoriPoints,
                                                  kStorageVersionCurrent);
        EXPECT_EQ(extended.Add(point), VYR_OK);
    }
    EXPECT_EQ(stream_bytes(kStreamAposterisoriPoints), vyr_test::bytes_of(point));
}

}  // namespace
