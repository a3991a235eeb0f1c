#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "records/collection_test_support.h"
#include "records/processing_error_interval_collection.h"
#include "records/processing_error_interval_merger.h"
#include "storage/layout.h"

namespace {

using namespace vyr_storage;

VYR_PROCESSING_ERROR_INTERVAL report(uint32_t code, double time, uint32_t type = 0,
                                     uint32_t value = 0) {
    VYR_PROCESSING_ERROR_INTERVAL r(code, time);
    uint8_t bytes[21] = {};
    std::memcpy(bytes, &value, sizeof value);
    r.payload.Set(type, type == 0 ? nullptr : bytes);
    return r;
}

std::vector<VYR_PROCESSING_ERROR_INTERVAL> open_intervals(CProcessingErrorIntervalMerger& m) {
    std::vector<VYR_PROCESSING_ERROR_INTERVAL> open;
    VYR_PROCESSING_ERROR_INTERVAL i;
    for (bool more = m.FirstOpen(i); more; more = m.NextOpen(i)) open.push_back(i);
    return open;
}

TEST(ProcessingErrorIntervalMerger, ConsecutiveReportsExtendOneIntervalAndABreakHandsItBack) {
    CProcessingErrorIntervalMerger merger;
    for (const auto& [time, previous] :
         {std::pair{1.0, 0.5}, std::pair{2.0, 1.0}, std::pair{3.0, 2.0}}) {
        auto r = report(0x2004, time, 1, 5);
        EXPECT_FALSE(merger.Merge(r, previous)) << time;
    }
    auto broken = report(0x2004, 5.0, 1, 5);
    ASSERT_TRUE(merger.Merge(broken, 4.0));
    EXPECT_EQ(broken.start, 1.0);
    EXPECT_EQ(broken.end, 3.0);
    const auto open = open_intervals(merger);
    ASSERT_EQ(open.size(), 1u);
    EXPECT_EQ(open[0].start, 5.0);
    EXPECT_EQ(open[0].end, 5.0);
    merger.ClearOpen();
    EXPECT_TRUE(open_intervals(merger).empty());
}

TEST(ProcessingErrorIntervalMerger, OnlyTheByteAndValuePayloadsSeparateReports) {
    CProcessingErrorIntervalMerger merger;
    auto a = report(1, 1.0, 4, 7), b = report(1, 1.0, 4, 9);
    merger.Merge(a, 0.0);
    merger.Merge(b, 0.0);
    EXPECT_EQ(open_intervals(merger).size(), 2u);

    CProcessingErrorIntervalMerger keys;
    auto c = report(1, 1.0, 2, 7), d = report(1, 1.0, 2, 9);
    keys.Merge(c, 0.0);
    keys.Merge(d, 1.0);
    EXPECT_EQ(open_intervals(keys).size(), 1u);
}

TEST(ErrorPayload, TakesTheLengthOfItsTypeAndZerosForAMissingArgument) {
    CErrorPayload payload;
    payload.Set(CErrorPayload::kKey, nullptr);
    ASSERT_EQ(payload.Length(), 21);
    for (int i = 0; i < 21; ++i) EXPECT_EQ(payload.Data()[i], 0);
    payload.Set(9, "abc");
    EXPECT_EQ(payload.Length(), 0);
    EXPECT_EQ(payload.Type(), 9u);
}

using IntervalStreamTest = vyr_test::MemoryStorageTest;

TEST_F(IntervalStreamTest, RecordsAreStoredWithTheirPayloadLength) {
    {
        CVyrCollectionProcessingErrorInterval intervals(storage, kStorageVersionCurrent);
        ASSERT_EQ(intervals.Add(report(0x4001, 55000.0, 3, 0)), VYR_OK);
    }
    EXPECT_EQ(stream_bytes(kStreamProcessingErrorsInterval).size(), 42u);
}

std::string stored_interval(uint32_t code, double start, uint32_t type,
                            const std::string& payload) {
    std::string bytes;
    auto put = [&bytes](const auto& v) {
        bytes.append(reinterpret_cast<const char*>(&v), sizeof v);
    };
    put(code);
    put(start);
    put(start);
    put(type);
    put(static_cast<uint16_t>(payload.size()));
    return bytes + payload;
}

TEST_F(IntervalStreamTest, PayloadsOfTheWrongLengthAreSkippedAndReadingGoesOn) {
    put_stream(kStreamProcessingErrorsInterval,
               stored_interval(1, 1.0, 9, "12345") + stored_interval(2, 2.0, 1, "\x05"));
    CVyrCollectionProcessingErrorInterval intervals(storage, kStorageVersionCurrent);
    std::vector<VYR_PROCESSING_ERROR_INTERVAL> all;
    ASSERT_EQ(intervals.GetAll(all), VYR_OK);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].payload.Type(), 9u);
    EXPECT_EQ(all[0].payload.Length(), 0);
    EXPECT_EQ(all[1].code, 2u);
    EXPECT_EQ(all[1].payload.KeyValue(), 5u);
}

TEST_F(IntervalStreamTest, RecordsOfVaryingLengthAreCountedAndFetchedByReading) {
    put_stream(kStreamProcessingErrorsInterval, stored_interval(1, 1.0, 1, "\x01") +
                                                    stored_interval(2, 2.0, 4, "\x01\0\0\0") +
                                                    std::string(3, 'x'));
    CVyrCollectionProcessingErrorInterval intervals(storage, kStorageVersionCurrent);
    intervals.SetCacheEnabled(false);
    uint32_t count = 0;
    ASSERT_EQ(intervals.GetCount(count), VYR_OK);
    EXPECT_EQ(count, 2u);
    VYR_PROCESSING_ERROR_INTERVAL second;
    ASSERT_EQ(intervals.GetAt(1, second), VYR_OK);
    EXPECT_EQ(second.code, 2u);
    EXPECT_EQ(intervals.GetAt(2, second), VYR_E_READ_ENTRY_FAILED);
    intervals.SetCacheEnabled(true);
    ASSERT_EQ(intervals.LoadCache(), VYR_OK);
    ASSERT_EQ(intervals.GetCount(count), VYR_OK);
    EXPECT_EQ(count, 2u);
}

}  // namespace
