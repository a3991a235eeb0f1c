// Uncached collections: result lists written once and read in order, straight from the stream.
#pragma once

#include <cstdint>
#include <vector>

#include <vyr/collection.h>

#include "records/collection_stream.h"

template <class T, class Interface = IVyrCollection<T>>
class CVyrCollectionUncached : public Interface {
public:
    CVyrCollectionUncached(const CVyrPtrSmart<CStg>& storage, uint32_t streamId, uint32_t version)
        : m_stream(storage, streamId, version) {}
    virtual ~CVyrCollectionUncached() = default;

    // Every operation but GetNext ends an iteration in progress.
    VYR_ERROR GetCount(uint32_t& count) override {
        m_iterating = false;
        return m_stream.template Count<T>(count);
    }
    bool Contains(const T& /*record*/) override {
        m_iterating = false;
        return false;
    }
    VYR_ERROR GetAt(uint32_t index, T& record) override {
        m_iterating = false;
        return m_stream.ReadAt(index, record);
    }
    VYR_ERROR GetAll(std::vector<T>& records) override {
        m_iterating = false;
        return m_stream.ReadAll(records);
    }
    VYR_ERROR GetFirst(T& record) override {
        m_iterating = false;
        if (!m_stream.IsOpen() || !vyr_records::is_readable(m_stream.Stream()))
            return VYR_E_INVALID_OPEN_MODE;
        const VYR_ERROR whole = vyr_records::check_whole_records<T>(m_stream.Stream());
        if (whole != VYR_OK) return whole;
        m_iterating = true;
        CRecordReadMulti<T> reader(m_stream.Stream(), m_stream.Version());
        return ReadOne(reader, record);
    }
    VYR_ERROR GetNext(T& record) override {
        if (!m_iterating) return VYR_E_INVALID_STATUS;
        CRecordReadMultiUncached<T> reader(m_stream.Stream(), m_stream.Version());
        return ReadOne(reader, record);
    }
    VYR_ERROR Add(const T& record) override {
        m_iterating = false;
        return m_stream.Append(record);
    }
    VYR_ERROR Delete(const T& /*record*/) override {
        m_iterating = false;
        return VYR_E_NOT_IMPLEMENTED;
    }
    VYR_ERROR DeleteAll() override {
        m_iterating = false;
        return VYR_E_NOT_IMPLEMENTED;
    }
    void Release() override { delete this; }

    VYR_ERROR OpenResult() const { return m_stream.OpenResult(); }

private:
    VYR_ERROR ReadOne(CRecordRead<T>& reader, T& record) {
        reader.ReadNext(record);
        const bool read = m_stream.Stream().GetLastError() == S_OK && reader.GetCount() > 0;
        return read ? VYR_OK : VYR_E_NO_MORE_ENTRIES;
    }

    vyr_records::CollectionStream m_stream;
    bool m_iterating = false;
};
