// A stream in a compound document in memory, for tests of record readers and writers.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "storage/stg.h"

namespace vyr_test {

class MemoryStreamTest : public testing::Test {
protected:
    void SetUp() override {
        ILockBytes* bytes = nullptr;
        ASSERT_EQ(cfb::create_memory_lock_bytes({}, &bytes), S_OK);
        ASSERT_TRUE(document.CreateDocumentOnLockBytes(bytes));
        bytes->Release();
        ASSERT_TRUE(document.OpenOrCreateStream("Records", vyr::kAccessReadWrite,
                                                vyr::kDispositionCreateNew, stream));
    }

    uint64_t stream_size() {
        STATSTG status{};
        EXPECT_TRUE(stream.Stat(status, STATFLAG_NONAME));
        return status.cbSize;
    }

    std::vector<uint8_t> stream_bytes() {
        std::vector<uint8_t> bytes(stream_size());
        EXPECT_TRUE(stream.SeekToBegin());
        if (!bytes.empty()) {
            EXPECT_TRUE(stream.Read(bytes.data(), static_cast<uint32_t>(bytes.size())));
        }
        return bytes;
    }

    void put_bytes(const std::vector<uint8_t>& bytes) {
        ASSERT_TRUE(stream.SetSize(0));
        ASSERT_TRUE(stream.SeekToBegin());
        if (!bytes.empty()) {
            ASSERT_TRUE(stream.Write(bytes.data(), static_cast<uint32_t>(bytes.size())));
        }
    }

    // Reopens the stream with another access mode.
    void reopen(int32_t mode) {
        ASSERT_TRUE(stream.Close());
        ASSERT_TRUE(document.OpenStream("Records", mode, stream));
    }

    CStg document;
    CStm stream;
};

}  // namespace vyr_test
