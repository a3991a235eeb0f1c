// The stream behind a collection: opened (or created) when the collection is made and held
// until it goes. Counting and fetching by index address fixed-size records directly; records of
// varying stored length are read from the start.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>
#include <new>
#include <type_traits>
#include <vector>

#include <vyr/error.h>
#include <vyr/smart_ptr.h>

#include "records/record_io.h"
#include "storage/factories.h"
#include "storage/stg.h"

namespace vyr_records {

// Records without containers or owned buffers are stored as their packed bytes, one size each.
template <class T>
inline constexpr bool kFixedStoredSize = std::is_trivially_copyable_v<T>;

class CollectionStream {
public:
    CollectionStream(const CVyrPtrSmart<CStg>& storage, uint32_t streamId, uint32_t version)
        : m_storage(storage), m_streamId(streamId), m_version(version) {
        if (!m_storage.IsValid()) {
            m_openResult = VYR_E_ENTRY_NOT_FOUND;
            return;
        }
        m_stream = new (std::nothrow) CStm();
        if (!m_stream.IsValid() ||
            !CFactoryStream(m_storage.Get())
                 .OpenOrCreate(streamId, vyr::kDispositionOpenAlways, *m_stream))
            m_openResult = VYR_E_CANNOT_CREATE_ENTRY;
    }
    CollectionStream(const CollectionStream&) = delete;
    CollectionStream& operator=(const CollectionStream&) = delete;
    ~CollectionStream() {
        if (m_stream.IsValid()) m_stream->Close();
    }

    // 0, or why the stream could not be opened: every operation that needs it returns this.
    VYR_ERROR OpenResult() const { return m_openResult; }
    bool IsOpen() const { return m_openResult == VYR_OK; }
    CStm& Stream() { return *m_stream; }
    uint32_t Version() const { return m_version; }
    uint32_t StreamId() const { return m_streamId; }
    const CVyrPtrSmart<CStg>& Storage() const { return m_storage; }

    template <class T>
    VYR_ERROR Count(uint32_t& count) {
        count = 0;
        if (!IsOpen()) return m_openResult;
        if constexpr (kFixedStoredSize<T>) {
            uint64_t stored = 0;
            const VYR_ERROR result = GetRecordCount<T>(*m_stream, stored);
            count = static_cast<uint32_t>(
                std::min<uint64_t>(stored, std::numeric_limits<uint32_t>::max()));
            return result;
        } else {
            if (!is_readable(*m_stream)) return VYR_E_INVALID_OPEN_MODE;
            CRecordReadMulti<T> reader(*m_stream, m_version);
            T record{};
            while (reader.ReadNext(record)) ++count;
            return m_stream->GetLastError() == S_OK ? VYR_E_READ_ENTRY_FAILED : VYR_OK;
        }
    }

    // Record index in stored order: a stream that ends before it gives 0x80009005.
    template <class T>
    VYR_ERROR ReadAt(uint32_t index, T& record) {
        if (!IsOpen()) return m_openResult;
        if constexpr (kFixedStoredSize<T>) {
            return ReadRecordAt(*m_stream, index, m_version, record);
        } else {
            if (!is_readable(*m_stream)) return VYR_E_INVALID_OPEN_MODE;
            CRecordReadMulti<T> reader(*m_stream, m_version);
            for (uint64_t i = 0; i <= index; ++i)
                if (!reader.ReadNext(record)) return VYR_E_READ_ENTRY_FAILED;
            return VYR_OK;
        }
    }

    template <class T>
    VYR_ERROR ReadAll(std::vector<T>& records) {
        records.clear();
        if (!IsOpen()) return m_openResult;
        return ReadAllRecords(*m_stream, m_version, records);
    }

    template <class T>
    VYR_ERROR RewriteAll(const std::vector<T>& records) {
        if (!IsOpen()) return m_openResult;
        return WriteAllRecords(*m_stream, records);
    }

    template <class T>
    VYR_ERROR Append(const T& record) {
        if (!IsOpen()) return m_openResult;
        return AppendRecord(*m_stream, record);
    }

    // The size of the stream: where the next appended record starts.
    bool Size(uint64_t& size) {
        STATSTG status{};
        if (!IsOpen() || !m_stream->Stat(status, STATFLAG_NONAME)) return false;
        size = status.cbSize;
        return true;
    }

private:
    CVyrPtrSmart<CStg> m_storage;
    uint32_t m_streamId;
    uint32_t m_version;
    CVyrPtrSmart<CStm> m_stream;
    VYR_ERROR m_openResult = VYR_OK;
};

}  // namespace vyr_records
