// Cached collections: a stored list of records seen through an in-memory copy ordered by key.
// The first use loads the whole stream into the cache; from then on reads come from the cache,
// Add appends the one new record to the stream and the cache, Delete rewrites the stream.
#pragma once

#include <cstdint>
#include <vector>

#include <vyr/collection.h>

#include "records/collection_cache.h"
#include "records/collection_stream.h"

// Slots 0 to 5 and 7 to 9 of the collection; Add and LoadCache belong to the kind of cache.
// Interface is IVyrCollection<T> or a typed interface built on it.
template <class T, class Cache, class Interface = IVyrCollection<T>>
class CVyrCollectionBase : public Interface {
public:
    CVyrCollectionBase(const CVyrPtrSmart<CStg>& storage, uint32_t streamId, uint32_t version)
        : m_stream(storage, streamId, version) {}

    VYR_ERROR GetCount(uint32_t& count) override {
        if (m_cacheEnabled && m_cacheLoaded) {
            count = m_cache.GetCount();
            return VYR_OK;
        }
        return m_stream.template Count<T>(count);
    }

    bool Contains(const T& record) override {
        if (LoadIfNeeded() != VYR_OK) return false;
        if (m_cacheEnabled) return m_cache.Contains(record);
        std::vector<T> stored;
        if (m_stream.ReadAll(stored) != VYR_OK) return false;
        for (const T& candidate : stored)
            if (m_cache.IsEqual(candidate, record)) return true;
        return false;
    }

    VYR_ERROR GetAt(uint32_t index, T& record) override {
        if (LoadIfNeeded() != VYR_OK) return LoadFailure();
        if (m_cacheEnabled && m_cacheLoaded)
            return m_cache.GetAt(index, record) ? VYR_OK : VYR_E_CACHE_CONTAINER;
        return m_stream.ReadAt(index, record);
    }

    VYR_ERROR GetAll(std::vector<T>& records) override {
        records.clear();
        if (LoadIfNeeded() != VYR_OK) return LoadFailure();
        if (m_cacheEnabled && m_cacheLoaded)
            return m_cache.GetAll(records) ? VYR_OK : VYR_E_CACHE_CONTAINER;
        return m_stream.ReadAll(records);
    }

    VYR_ERROR GetFirst(T& record) override {
        if (LoadIfNeeded() != VYR_OK) return LoadFailure();
        if (!m_cacheEnabled) return VYR_E_NOT_IMPLEMENTED;
        return m_cache.First(record) ? VYR_OK : VYR_E_NO_MORE_ENTRIES;
    }

    VYR_ERROR GetNext(T& record) override {
        if (!m_cacheEnabled || !m_cacheLoaded) return VYR_E_NOT_IMPLEMENTED;
        return m_cache.Next(record) ? VYR_OK : VYR_E_NO_MORE_ENTRIES;
    }

    // A failed rewrite leaves the record removed from the cache; nothing is rolled back.
    VYR_ERROR Delete(const T& record) override {
        const VYR_ERROR loaded = LoadIfNeeded();
        if (loaded != VYR_OK) return loaded;
        std::vector<T> kept;
        if (m_cacheEnabled) {
            if (!m_cache.Remove(record)) return VYR_E_ENTRY_NOT_FOUND;
            if (!m_cache.GetAll(kept)) return VYR_E_CACHE_CONTAINER;
        } else {
            const VYR_ERROR read = m_stream.ReadAll(kept);
            if (read != VYR_OK) return read;
            auto it = kept.begin();
            while (it != kept.end() && !m_cache.IsEqual(*it, record)) ++it;
            if (it == kept.end()) return VYR_E_ENTRY_NOT_FOUND;
            kept.erase(it);
        }
        return m_stream.RewriteAll(kept);
    }

    VYR_ERROR DeleteAll() override {
        if (m_cacheEnabled && m_cacheLoaded) {
            m_cache.Clear();
            m_cacheLoaded = false;
        }
        return m_stream.RewriteAll(std::vector<T>{});
    }

    void Release() override { delete this; }

    virtual ~CVyrCollectionBase() = default;

    // A cache loaded earlier stays loaded but is not consulted while disabled.
    virtual void SetCacheEnabled(bool enabled) { m_cacheEnabled = enabled; }
    virtual VYR_ERROR LoadCache() = 0;

    VYR_ERROR OpenResult() const { return m_stream.OpenResult(); }

protected:
    VYR_ERROR LoadIfNeeded() {
        if (!m_cacheEnabled || m_cacheLoaded) return VYR_OK;
        m_loadResult = LoadCache();
        return m_loadResult;
    }
    // A stream that does not read is told as damage; any other failed load as the cache's.
    VYR_ERROR LoadFailure() const {
        return m_loadResult == VYR_E_READ_ENTRY_FAILED ? m_loadResult : VYR_E_CACHE_CONTAINER;
    }

    vyr_records::CollectionStream m_stream;
    bool m_cacheEnabled = true;
    bool m_cacheLoaded = false;
    VYR_ERROR m_loadResult = VYR_OK;
    Cache m_cache;
};

template <class T, class Cache, class Interface = IVyrCollection<T>>
class CVyrCollection : public CVyrCollectionBase<T, Cache, Interface> {
public:
    using CVyrCollectionBase<T, Cache, Interface>::CVyrCollectionBase;

    VYR_ERROR Add(const T& record) override {
        const VYR_ERROR loaded = this->LoadIfNeeded();
        if (loaded != VYR_OK) return loaded;
        if (this->m_cacheEnabled && this->m_cache.Contains(record)) return VYR_OK;
        const VYR_ERROR appended = this->m_stream.Append(record);
        if (appended != VYR_OK) return appended;
        if (this->m_cacheEnabled) {
            if (!this->m_cache.Insert(record)) return VYR_E_CACHE_CONTAINER;
            this->m_cacheLoaded = true;
        }
        return VYR_OK;
    }

    VYR_ERROR LoadCache() override {
        if (!this->m_cacheEnabled) return VYR_E_MODE_NOT_SUPPORTED;
        if (!this->m_stream.IsOpen()) return this->m_stream.OpenResult();
        if (!this->m_cache.Clear()) return VYR_E_CACHE_CONTAINER;
        CStm& stream = this->m_stream.Stream();
        if (!vyr_records::is_readable(stream)) return VYR_E_INVALID_OPEN_MODE;
        const VYR_ERROR whole = vyr_records::check_whole_records<T>(stream);
        if (whole != VYR_OK) return whole;
        CRecordReadMulti<T> reader(stream, this->m_stream.Version());
        T record{};
        while (reader.ReadNext(record))
            if (!this->m_cache.Insert(record)) return VYR_E_CACHE_CONTAINER;
        if (stream.GetLastError() == S_OK) return VYR_E_READ_ENTRY_FAILED;  // did not decode
        this->m_cacheLoaded = true;
        return VYR_OK;
    }
};

// Keeps the stream offset of every record with it in the cache; deleting marks the cache not
// loaded so that the offsets are taken afresh on the next use.
template <class T, class Cache, class Interface = IVyrCollection<T>>
class CVyrCollectionStream : public CVyrCollectionBase<T, Cache, Interface> {
    using Base = CVyrCollectionBase<T, Cache, Interface>;

public:
    using Base::Base;

    VYR_ERROR Add(const T& record) override {
        const VYR_ERROR loaded = this->LoadIfNeeded();
        if (loaded != VYR_OK) return loaded;
        if (this->m_cacheEnabled && this->m_cache.Contains(record)) return VYR_OK;
        uint64_t offset = 0;
        if (this->m_stream.IsOpen() && !this->m_stream.Size(offset)) return VYR_E_READ_ENTRY_FAILED;
        const VYR_ERROR appended = this->m_stream.Append(record);
        if (appended != VYR_OK) return appended;
        if (this->m_cacheEnabled) {
            if (!this->m_cache.Insert(record, offset)) return VYR_E_CACHE_CONTAINER;
            this->m_cacheLoaded = true;
        }
        return VYR_OK;
    }

    VYR_ERROR Delete(const T& record) override {
        const VYR_ERROR result = Base::Delete(record);
        this->m_cacheLoaded = false;
        return result;
    }

    VYR_ERROR DeleteAll() override {
        const VYR_ERROR result = Base::DeleteAll();
        this->m_cacheLoaded = false;
        return result;
    }

    VYR_ERROR LoadCache() override {
        if (!this->m_cacheEnabled) return VYR_E_MODE_NOT_SUPPORTED;
        if (!this->m_stream.IsOpen()) return this->m_stream.OpenResult();
        if (!this->m_cache.Clear()) return VYR_E_CACHE_CONTAINER;
        CStm& stream = this->m_stream.Stream();
        if (!vyr_records::is_readable(stream) || !stream.SeekToBegin())
            return VYR_E_INVALID_OPEN_MODE;
        const VYR_ERROR whole = vyr_records::check_whole_records<T>(stream);
        if (whole != VYR_OK) return whole;
        CRecordReadMultiUncached<T> reader(stream, this->m_stream.Version());
        T record{};
        uint64_t offset = 0;
        while (stream.GetPosition(offset) && reader.ReadNext(record))
            if (!this->m_cache.Insert(record, offset)) return VYR_E_CACHE_CONTAINER;
        if (stream.GetLastError() == S_OK) return VYR_E_READ_ENTRY_FAILED;  // did not decode
        this->m_cacheLoaded = true;
        return VYR_OK;
    }

    // Where the stored record with the key of the argument starts in the stream.
    VYR_ERROR GetOffset(const T& record, uint64_t& offset) {
        const VYR_ERROR loaded = this->LoadIfNeeded();
        if (loaded != VYR_OK) return loaded;
        return this->m_cache.OffsetOf(record, offset) ? VYR_OK : VYR_E_ENTRY_NOT_FOUND;
    }
};
