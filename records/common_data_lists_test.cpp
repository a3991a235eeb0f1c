#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include <vyr/collection.h>
#include <vyr/ephemeris.h>
#include <vyr/points.h>

#include "records/collection_test_support.h"
#include "records/common_data.h"
#include "records/record_io.h"
#include "storage/layout.h"

namespace {

using namespace vyr_storage;

std::vector<VYR_BROADCASTEPHEMERIS> navigation_file() {
    std::vector<VYR_BROADCASTEPHEMERIS> records;
    for (uint8_t prn = 1; prn <= 4; ++prn) {
        for (uint32_t toe : {0u, 7200u}) {
            VYR_BROADCASTEPHEMERIS r{};
            r.prn = prn;
            r.week = 1565;
            r.toe = toe;
            r.af0 = prn * 1e-5f;
            records.push_back(r);
        }
    }
    return records;
}

using CommonDataListsTest = vyr_test::MemoryStorageTest;

TEST_F(CommonDataListsTest, ImportingTheSameEphemeridesTwiceStoresThemOnce) {
    CVyrCommonData common(storage, kStorageVersionCurrent);
    ASSERT_EQ(common.AddBroadcastEphemerisRecords(navigation_file()), VYR_OK);
    const size_t size = stream_bytes(kStreamBroadcastEphemeris).size();
    EXPECT_EQ(size, 8u * 128u);
    ASSERT_EQ(common.AddBroadcastEphemerisRecords(navigation_file()), VYR_OK);
    EXPECT_EQ(stream_bytes(kStreamBroadcastEphemeris).size(), size);
    std::vector<VYR_BROADCASTEPHEMERIS> stored;
    ASSERT_EQ(common.GetBroadcastEphemerisRecords(stored), VYR_OK);
    EXPECT_EQ(stored.size(), 8u);
    EXPECT_EQ(common.AddBroadcastEphemerisRecords({}), VYR_OK);
}

TEST_F(CommonDataListsTest, HandedOutCollectionsWorkOnTheirStream) {
    CVyrCommonData common(storage, kStorageVersionCurrent);
    CVyrIPtrSmart<IVyrCollection<VYR_ESTABLISHED_POINT>> points;
    ASSERT_EQ(common.GetEstablishedPointCollection(points), VYR_OK);
    VYR_ESTABLISHED_POINT point{};
    std::snprintf(point.name, sizeof point.name, "%s", "PILLAR1");
    ASSERT_EQ(points->Add(point), VYR_OK);
    ASSERT_EQ(points->Add(point), VYR_OK);
    uint32_t count = 0;
    ASSERT_EQ(points->GetCount(count), VYR_OK);
    EXPECT_EQ(count, 1u);
    points.Reset();
    std::vector<VYR_ESTABLISHED_POINT> stored;
    ASSERT_EQ(common.GetEstablishedPointRecords(stored), VYR_OK);
    EXPECT_EQ(stored.size(), 1u);
}

TEST_F(CommonDataListsTest, ListsMissingFromAReadOnlyProjectAreNotFound) {
    reopen_read_only();
    CVyrCommonData common(storage, kStorageVersionCurrent);
    CVyrIPtrSmart<IVyrCollection<VYR_IONO_GLOBALREG>> models;
    EXPECT_EQ(common.GetIonoGlobalRegCollection(models), VYR_E_ENTRY_NOT_FOUND);
    EXPECT_FALSE(models.IsValid());
    std::vector<VYR_IONOUTC> iono;
    EXPECT_EQ(common.GetIonoUtcRecords(iono), VYR_E_ENTRY_NOT_FOUND);
    EXPECT_EQ(common.AddIonoUtcRecords({VYR_IONOUTC{}}), VYR_E_CANNOT_CREATE_ENTRY);
}

TEST_F(CommonDataListsTest, OlderProjectsStoredTheGlonassSlot32Higher) {
    VYR_BROADCASTEPHEMERIS_GLO stored{};
    stored.slot = 35;
    put_stream(kStreamBroadcastEphemerisGlo, vyr_test::bytes_of(stored));
    for (uint32_t version : {1u, 2u, 3u}) {
        CVyrCommonData common(storage, version);
        std::vector<VYR_BROADCASTEPHEMERIS_GLO> read;
        ASSERT_EQ(common.GetBroadcastEphemerisGloRecords(read), VYR_OK);
        ASSERT_EQ(read.size(), 1u);
        EXPECT_EQ(read[0].slot, version == 3 ? 35 : 3);
    }
}

}  // namespace
