#include <gtest/gtest.h>

#include <string>

#include "storage/stg.h"
#include "storage/storage_test_support.h"

namespace {

// A document in memory holding the stream "Data" with ten bytes.
class CStmTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(document.CreateDocumentOnLockBytes(bytes.Get()));
        storage_test::put_stream(document, "Data", "HelloWorld");
    }

    uint64_t Position(CStm& stream) {
        uint64_t position = 0;
        EXPECT_TRUE(stream.GetPosition(position));
        return position;
    }

    std::string Content() {
        CStm stream;
        char text[16] = {};
        EXPECT_TRUE(document.OpenStream("Data", vyr::kAccessRead, stream));
        stream.Read(text, sizeof text);
        return text;
    }

    CVyrIPtrSmart<ILockBytes> bytes = storage_test::memory_bytes();
    CStg document;
};

TEST_F(CStmTest, ShortReadConsumesTheRestAndReportsTheEndOfTheStream) {
    CStm stream;
    ASSERT_TRUE(document.OpenStream("Data", vyr::kAccessRead, stream));
    char text[8] = {};
    ASSERT_TRUE(stream.Read(text, 5));
    EXPECT_FALSE(stream.Read(text, 8));
    EXPECT_EQ(stream.GetLastError(), S_FALSE);
    EXPECT_EQ(std::string(text, 5), "World");
    EXPECT_EQ(Position(stream), 10u);
}

TEST_F(CStmTest, AccessModeGuardsWritesAndLeavesReadsToThePlatform) {
    CStm reader;
    ASSERT_TRUE(document.OpenStream("Data", vyr::kAccessRead, reader));
    char text[16];
    ASSERT_FALSE(reader.Read(text, sizeof text));  // S_FALSE: a status no platform call gives
    EXPECT_FALSE(reader.Write("x", 1));
    EXPECT_FALSE(reader.SetSize(2));
    EXPECT_FALSE(reader.TruncateAtPosition());
    EXPECT_EQ(reader.GetLastError(), S_FALSE);
    reader.Close();
    EXPECT_EQ(Content(), "HelloWorld");

    CStm writer;
    ASSERT_TRUE(document.CreateStream("Out", STGM_WRITE | STGM_CREATE, writer));
    EXPECT_EQ(writer.GetAccessMode(), vyr::kAccessWrite);
    ASSERT_TRUE(writer.Write("abc", 3));
    ASSERT_TRUE(writer.SeekToBegin());
    EXPECT_FALSE(writer.Read(text, 3));
    EXPECT_EQ(writer.GetLastError(), STG_E_ACCESSDENIED);
}

TEST_F(CStmTest, CloseReleasesTheElementAndLeavesAClosedStream) {
    CStm stream;
    ASSERT_TRUE(document.OpenStream("Data", vyr::kAccessReadWrite, stream));
    EXPECT_FALSE(document.OpenStream("Data", vyr::kAccessRead, stream));  // already open
    ASSERT_FALSE(stream.Seek(int32_t{-1}, STREAM_SEEK_SET));
    ASSERT_TRUE(stream.Close());
    EXPECT_EQ(stream.GetAccessMode(), vyr::kAccessClosed);
    EXPECT_EQ(stream.GetLastError(), S_OK);
    uint64_t position = 0;
    EXPECT_FALSE(stream.GetPosition(position));
    EXPECT_FALSE(stream.Close());
    {
        CStm scoped;
        ASSERT_TRUE(document.OpenStream("Data", vyr::kAccessRead, scoped));
    }
    EXPECT_TRUE(document.OpenStream("Data", vyr::kAccessRead, stream));  // free after destruction
}

TEST_F(CStmTest, SeekTakes64BitOffsetsAndSignExtends32BitOnes) {
    CStm stream;
    ASSERT_TRUE(document.OpenStream("Data", vyr::kAccessRead, stream));
    ASSERT_TRUE(stream.Seek(int32_t{-3}, STREAM_SEEK_END));
    EXPECT_EQ(Position(stream), 7u);
    ASSERT_TRUE(stream.Seek(int32_t{-2}, STREAM_SEEK_CUR));
    EXPECT_EQ(Position(stream), 5u);
    ASSERT_TRUE(stream.SeekToEnd());
    EXPECT_EQ(Position(stream), 10u);
    ASSERT_TRUE(stream.SeekToBegin());
    EXPECT_EQ(Position(stream), 0u);
    ASSERT_TRUE(stream.Seek(int64_t{5} << 32, STREAM_SEEK_SET));
    EXPECT_EQ(Position(stream), uint64_t{5} << 32);
}

TEST_F(CStmTest, TruncateAtPositionCutsAtTheSeekPointerAndKeepsIt) {
    CStm stream;
    ASSERT_TRUE(document.OpenStream("Data", vyr::kAccessReadWrite, stream));
    ASSERT_TRUE(stream.SeekToEnd());
    EXPECT_TRUE(stream.TruncateAtPosition());
    ASSERT_TRUE(stream.Seek(int32_t{4}, STREAM_SEEK_SET));
    EXPECT_TRUE(stream.TruncateAtPosition());
    EXPECT_EQ(Position(stream), 4u);
    ASSERT_TRUE(stream.Write("xy", 2));
    stream.Close();
    EXPECT_EQ(Content(), "Hellxy");
}

TEST_F(CStmTest, StatReportsTheSizeWithOrWithoutTheNameAndTakesNoOtherFlag) {
    CStm stream;
    ASSERT_TRUE(document.OpenStream("Data", vyr::kAccessReadWrite, stream));
    ASSERT_TRUE(stream.SetSize(6000));  // beyond the mini stream
    STATSTG status;
    ASSERT_TRUE(stream.Stat(status, STATFLAG_NONAME));
    EXPECT_EQ(status.cbSize, 6000u);
    EXPECT_EQ(status.pwcsName, nullptr);
    ASSERT_TRUE(stream.Stat(status, STATFLAG_DEFAULT));
    ASSERT_NE(status.pwcsName, nullptr);
    EXPECT_EQ(std::u16string(status.pwcsName), u"Data");
    CoTaskMemFree(status.pwcsName);
    EXPECT_FALSE(stream.Stat(status, 2));
    EXPECT_EQ(stream.GetLastError(), S_OK);
}

}  // namespace
