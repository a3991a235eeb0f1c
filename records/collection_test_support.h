// A project-like storage in memory for collection tests, with direct looks at its streams.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "cfb/cfb.h"
#include "storage/factories.h"
#include "storage/stg.h"

namespace vyr_test {

class MemoryStorageTest : public testing::Test {
protected:
    void SetUp() override {
        ILockBytes* bytes = nullptr;
        ASSERT_EQ(cfb::create_memory_lock_bytes({}, &bytes), S_OK);
        lockBytes = CVyrIPtrSmart<ILockBytes>(bytes);
        storage = new CStg();
        ASSERT_TRUE(storage->CreateDocumentOnLockBytes(bytes));
    }

    // The bytes of a stream of the project (or of one of its storages), opened afresh; missing
    // when it is not there. The stream must not be held open by a collection at the time.
    static std::string stream_bytes(CStg* parent, uint32_t streamId,
                                    const std::string& missing = {}) {
        CStm stream;
        if (!CFactoryStream(parent).Open(streamId, stream)) return missing;
        STATSTG status{};
        EXPECT_TRUE(stream.Stat(status, STATFLAG_NONAME));
        std::string bytes(status.cbSize, '\0');
        if (!bytes.empty()) {
            EXPECT_TRUE(stream.Read(bytes.data(), static_cast<uint32_t>(bytes.size())));
        }
        return bytes;
    }
    std::string stream_bytes(uint32_t streamId) { return stream_bytes(storage.Get(), streamId); }

    void put_stream(uint32_t streamId, const std::string& bytes) {
        CStm stream;
        ASSERT_TRUE(CFactoryStream(storage.Get())
                        .OpenOrCreate(streamId, vyr::kDispositionCreateAlways, stream));
        if (!bytes.empty()) {
            ASSERT_TRUE(stream.Write(bytes.data(), static_cast<uint32_t>(bytes.size())));
        }
    }

    // Closes the document and opens its bytes again read-only.
    void reopen_read_only() {
        storage = new CStg();
        ASSERT_TRUE(storage->OpenDocumentOnLockBytes(lockBytes.Get(), vyr::kAccessRead));
    }

    CVyrIPtrSmart<ILockBytes> lockBytes;
    CVyrPtrSmart<CStg> storage;
};

template <class T>
std::string bytes_of(const T& record) {
    return std::string(reinterpret_cast<const char*>(&record), sizeof record);
}

}  // namespace vyr_test
