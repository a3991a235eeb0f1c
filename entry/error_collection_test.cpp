#include "entry/error_collection.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "records/collection_test_support.h"
#include "storage/layout.h"

namespace {

using namespace vyr_storage;

using ErrorCollectionTest = vyr_test::MemoryStorageTest;

TEST_F(ErrorCollectionTest, GeneralErrorsAreAppendedWithTheirPayloadLengthAndReadBackInOrder) {
    {
        CVyrErrors errors(storage, kStorageVersionCurrent);
        ASSERT_EQ(errors.Status(), VYR_OK);
        const uint32_t value = 0x1234;
        const uint8_t satellite = 40;
        ASSERT_EQ(errors.AddErrorValue(0x2004, 0x2004, &value), VYR_OK);
        ASSERT_EQ(errors.AddErrorSatellite(0x2004, 0x2005, &satellite), VYR_OK);
        ASSERT_EQ(errors.AddError(0x2006, 0x2006), VYR_OK);
        ASSERT_EQ(errors.AddErrorKey(1, 1, nullptr), VYR_OK);  // zeros of the key's length
    }
    // A 14-byte head per record, then 4, 1, 0 and 21 payload bytes.
    const std::string stored = stream_bytes(kStreamProcessingErrorsGeneral);
    ASSERT_EQ(stored.size(), 4 * 14u + 4 + 1 + 21);
    EXPECT_EQ(stored.substr(stored.size() - 21), std::string(21, '\0'));

    CVyrErrors errors(storage, kStorageVersionCurrent);
    std::vector<VYR_PROCESSING_ERROR> all;
    ASSERT_EQ(errors.GetGeneralErrors(all), VYR_OK);
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0].payload.KeyValue(), 0x1234u);
    EXPECT_EQ(all[1].secondCode, 0x2005u);
    EXPECT_EQ(all[1].payload.KeyValue(), 40u);
    EXPECT_EQ(all[2].payload.Type(), 0u);
    EXPECT_EQ(all[3].payload.Length(), 21);
}

TEST_F(ErrorCollectionTest, OpenIntervalsAreStoredWhenAskedForAndWhenTheCollectionGoes) {
    {
        CVyrErrors errors(storage, kStorageVersionCurrent);
        const uint8_t satellite = 3;
        ASSERT_EQ(errors.AddIntervalErrorSatellite(0x2004, 10.0, 9.0, &satellite), VYR_OK);
        ASSERT_EQ(errors.AddIntervalErrorSatellite(0x2004, 11.0, 10.0, &satellite), VYR_OK);
        // A gap: the run 10-11 is finished and stored at once.
        ASSERT_EQ(errors.AddIntervalErrorSatellite(0x2004, 13.0, 12.0, &satellite), VYR_OK);
        ASSERT_EQ(errors.AddIntervalError(0x2006, 13.0, 12.0), VYR_OK);
    }
    CVyrErrors errors(storage, kStorageVersionCurrent);
    std::vector<VYR_PROCESSING_ERROR_INTERVAL> all;
    ASSERT_EQ(errors.GetIntervalErrors(all), VYR_OK);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].start, 10.0);
    EXPECT_EQ(all[0].end, 11.0);
    EXPECT_EQ(all[1].start, 13.0);
    EXPECT_EQ(all[2].code, 0x2006u);
}

TEST_F(ErrorCollectionTest, AReadOnlyStorageRefusesWritesAndAMissingStreamFailsConstruction) {
    {
        CVyrErrors errors(storage, kStorageVersionCurrent);
        ASSERT_EQ(errors.AddError(1, 1), VYR_OK);
    }
    reopen_read_only();
    {
        CVyrErrors errors(storage, kStorageVersionCurrent);
        ASSERT_EQ(errors.Status(), VYR_OK);
        EXPECT_EQ(errors.AddError(1, 1), VYR_E_INVALID_PARAMETER);
        std::vector<VYR_PROCESSING_ERROR> all;
        EXPECT_EQ(errors.GetGeneralErrors(all), VYR_OK);
        EXPECT_EQ(all.size(), 1u);
    }
    CVyrErrors orphan(CVyrPtrSmart<CStg>(), kStorageVersionCurrent);
    EXPECT_EQ(orphan.Status(), VYR_E_ENTRY_NOT_FOUND);
    EXPECT_EQ(orphan.AddError(1, 1), VYR_E_ENTRY_NOT_FOUND);
}

}  // namespace
