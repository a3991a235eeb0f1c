#include "records/record_io.h"

#include <gtest/gtest.h>

#include "records/counted_encoding.h"
#include "records/stream_fixture_test_support.h"

namespace record_io_test {
// A record that refuses to decode the value 0xBAD, as a damaged stored record would.
struct Checked {
    uint32_t value;
};
}  // namespace record_io_test

template <>
struct RecordFormat<record_io_test::Checked> {
    static bool Read(CStm& stream, uint32_t, record_io_test::Checked& record) {
        return stream.Read(&record.value, sizeof record.value) && record.value != 0xBAD;
    }
    static bool Write(CStm& stream, const record_io_test::Checked& record) {
        return stream.Write(&record.value, sizeof record.value);
    }
};

namespace {

#pragma pack(push, 1)
struct Sample {
    uint32_t id;
    double value;
    uint8_t flag;
};
#pragma pack(pop)
static_assert(sizeof(Sample) == 13);

bool operator==(const Sample& a, const Sample& b) {
    return a.id == b.id && a.value == b.value && a.flag == b.flag;
}

using record_io_test::Checked;
using RecordStream = vyr_test::MemoryStreamTest;

TEST_F(RecordStream, AnEmptySingleRecordStreamIsNoRecord) {
    Sample single{};
    EXPECT_EQ(ReadSingleRecord(stream, kStorageVersionCurrent, single), VYR_E_READ_ENTRY_FAILED);
}

// A packed list cut inside a record was read as the shorter list, and the next rewrite made the
// loss permanent (a station list cut to 30 of its 42 bytes lost its second station for good).
TEST_F(RecordStream, APackedListCutInsideARecordIsDamageNotAShorterList) {
    struct Row {
        const char* what;
        uint32_t records;
        uint32_t extra;
        VYR_ERROR result;
    };
    for (const Row& row : {Row{"empty", 0, 0, VYR_OK}, Row{"two whole records", 2, 0, VYR_OK},
                           Row{"cut inside the first", 0, 5, VYR_E_READ_ENTRY_FAILED},
                           Row{"cut inside the third", 2, 12, VYR_E_READ_ENTRY_FAILED}}) {
        ASSERT_EQ(WriteAllRecords(stream, std::vector<Sample>(3, Sample{1, 1.0, 1})), VYR_OK);
        ASSERT_TRUE(stream.SetSize(row.records * 13 + row.extra));
        uint64_t count = 99;
        EXPECT_EQ(GetRecordCount<Sample>(stream, count), row.result) << row.what;
        std::vector<Sample> read{{9, 9.0, 9}};
        EXPECT_EQ(ReadAllRecords(stream, kStorageVersionCurrent, read), row.result) << row.what;
        EXPECT_EQ(read.size(), row.result == VYR_OK ? row.records : 0u) << row.what;
        if (row.result == VYR_OK) {
            EXPECT_EQ(count, row.records) << row.what;
        }
    }
}

// Member-wise records have no fixed size to check a stream against: their list ends at the
// first short read, as older projects were written.
TEST_F(RecordStream, AMemberWiseListEndsQuietlyAtAShortRead) {
    ASSERT_EQ(WriteAllRecords(stream, std::vector<Checked>{{1}, {2}}), VYR_OK);
    ASSERT_TRUE(stream.SetSize(10));
    std::vector<Checked> read;
    EXPECT_EQ(ReadAllRecords(stream, kStorageVersionCurrent, read), VYR_OK);
    EXPECT_EQ(read.size(), 2u);
}

TEST_F(RecordStream, RecordsAreStoredEndToEndWithoutHeader) {
    const std::vector<Sample> records = {{1, 0.5, 7}, {2, -3.25, 8}};
    ASSERT_EQ(WriteAllRecords(stream, records), VYR_OK);
    EXPECT_EQ(stream_size(), 26u);
    EXPECT_EQ(stream_bytes()[13], 2);  // the second record's id starts right after the first

    std::vector<Sample> read;
    ASSERT_EQ(ReadAllRecords(stream, kStorageVersionCurrent, read), VYR_OK);
    EXPECT_EQ(read, records);
}

TEST_F(RecordStream, ARecordThatDoesNotDecodeFailsTheReadKeepingTheOnesBefore) {
    ASSERT_EQ(WriteAllRecords(stream, std::vector<Checked>{{1}, {2}, {0xBAD}, {4}}), VYR_OK);
    std::vector<Checked> read;
    EXPECT_EQ(ReadAllRecords(stream, kStorageVersionCurrent, read), VYR_E_READ_ENTRY_FAILED);
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[1].value, 2u);
}

TEST_F(RecordStream, RewritingTruncatesButASingleRecordIsWrittenOverTheOld) {
    ASSERT_EQ(WriteAllRecords(stream, std::vector<Sample>{{1, 1, 1}, {2, 2, 2}, {3, 3, 3}}),
              VYR_OK);
    ASSERT_EQ(WriteAllRecords(stream, std::vector<Sample>{{9, 9, 9}}), VYR_OK);
    EXPECT_EQ(stream_size(), 13u);
    ASSERT_EQ(WriteAllRecords(stream, std::vector<Sample>{}), VYR_OK);
    EXPECT_EQ(stream_size(), 0u);

    ASSERT_EQ(WriteAllRecords(stream, std::vector<Sample>{{1, 1, 1}, {2, 2, 2}}), VYR_OK);
    ASSERT_EQ(WriteSingleRecord(stream, Sample{7, 7.0, 7}), VYR_OK);
    EXPECT_EQ(stream_size(), 26u);
    Sample read{};
    ASSERT_EQ(ReadSingleRecord(stream, kStorageVersionCurrent, read), VYR_OK);
    EXPECT_EQ(read, (Sample{7, 7.0, 7}));
}

TEST_F(RecordStream, AppendingAddsAtTheEndAndRecordsAreReachedByIndex) {
    for (uint32_t id = 0; id < 5; ++id)
        ASSERT_EQ(AppendRecord(stream, Sample{id, id * 1.5, 0}), VYR_OK);
    ASSERT_TRUE(stream.SeekToBegin());  // appending does not depend on the position
    ASSERT_EQ(AppendRecord(stream, Sample{5, 7.5, 0}), VYR_OK);
    uint64_t count = 0;
    ASSERT_EQ(GetRecordCount<Sample>(stream, count), VYR_OK);
    EXPECT_EQ(count, 6u);
    Sample third{};
    ASSERT_EQ(ReadRecordAt(stream, 3, kStorageVersionCurrent, third), VYR_OK);
    EXPECT_EQ(third, (Sample{3, 4.5, 0}));
    EXPECT_EQ(ReadRecordAt(stream, 6, kStorageVersionCurrent, third), VYR_E_READ_ENTRY_FAILED);
}

TEST_F(RecordStream, TheDirectionOfTheStreamIsChecked) {
    ASSERT_EQ(WriteSingleRecord(stream, Sample{1, 1.0, 1}), VYR_OK);
    reopen(vyr::kAccessRead);
    EXPECT_EQ(WriteSingleRecord(stream, Sample{}), VYR_E_INVALID_PARAMETER);
    EXPECT_EQ(WriteAllRecords(stream, std::vector<Sample>{}), VYR_E_INVALID_PARAMETER);
    EXPECT_EQ(AppendRecord(stream, Sample{}), VYR_E_INVALID_PARAMETER);
    reopen(vyr::kAccessWrite);
    Sample read{};
    std::vector<Sample> all;
    uint64_t count = 0;
    EXPECT_EQ(ReadSingleRecord(stream, kStorageVersionCurrent, read), VYR_E_INVALID_PARAMETER);
    EXPECT_EQ(ReadAllRecords(stream, kStorageVersionCurrent, all), VYR_E_INVALID_PARAMETER);
    EXPECT_EQ(GetRecordCount<Sample>(stream, count), VYR_E_INVALID_OPEN_MODE);
    EXPECT_EQ(ReadRecordAt(stream, 0, kStorageVersionCurrent, read), VYR_E_INVALID_OPEN_MODE);
}

TEST_F(RecordStream, AHugeStoredCountFailsAtTheEndOfTheStreamWithoutTrustingIt) {
    // Count 0xFFFFFFFF, then one element: the reader must not trust the count for memory.
    std::vector<uint8_t> bytes = {0xFF, 0xFF, 0xFF, 0xFF};
    const Sample one{4, 4.0, 4};
    const auto* raw = reinterpret_cast<const uint8_t*>(&one);
    bytes.insert(bytes.end(), raw, raw + sizeof one);
    put_bytes(bytes);
    ASSERT_TRUE(stream.SeekToBegin());
    std::vector<Sample> read;
    EXPECT_FALSE(vyr_records::read_counted_vector(stream, read));
    EXPECT_TRUE(read.empty());  // the piece that ran past the end is not kept
    EXPECT_LE(read.capacity(), vyr_records::kMaxReservedElements);
}

TEST_F(RecordStream, CountedContainersAreTheirCountThenTheElementsMapsInKeyOrder) {
    ASSERT_TRUE(vyr_records::write_counted_vector(stream, std::vector<Sample>{}));
    const std::map<uint32_t, uint32_t> values = {{9, 90}, {1, 10}};
    ASSERT_TRUE(vyr_records::write_counted_map(stream, values));
    EXPECT_EQ(stream_bytes(), (std::vector<uint8_t>{0,  0, 0, 0, 2, 0, 0, 0, 1,  0, 0, 0,
                                                    10, 0, 0, 0, 9, 0, 0, 0, 90, 0, 0, 0}));
    ASSERT_TRUE(stream.SeekToBegin());
    std::vector<Sample> none;
    std::map<uint32_t, uint32_t> read;
    EXPECT_TRUE(vyr_records::read_counted_vector(stream, none));
    EXPECT_TRUE(none.empty());
    EXPECT_TRUE(vyr_records::read_counted_map(stream, read));
    EXPECT_EQ(read, values);
}

}  // namespace
