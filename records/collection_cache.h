// The in-memory copies of stored lists, ordered by a key derived from each record. A record
// whose key is cached already is never replaced: the first stored record wins.
#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <map>
#include <utility>
#include <vector>

template <class T>
class ICollectionCacheBase {
public:
    virtual uint32_t GetCount() const = 0;
    virtual bool Contains(const T& record) const = 0;
    // Copies the cached record with an equal key over the argument.
    virtual bool Find(T& record) const = 0;
    virtual bool Update(const T& record) = 0;
    // Ends any iteration in progress.
    virtual bool Remove(const T& record) = 0;
    virtual bool GetAt(uint32_t index, T& record) const = 0;
    virtual bool GetAll(std::vector<T>& records) const = 0;
    virtual bool First(T& record) = 0;
    virtual bool Next(T& record) = 0;
    virtual bool Clear() = 0;
    // Neither key is less than the other.
    virtual bool IsEqual(const T& a, const T& b) const = 0;

protected:
    ~ICollectionCacheBase() = default;
};

template <class T>
class ICollectionCache : public ICollectionCacheBase<T> {
public:
    // Keeps the cached record when its key is present; ends any iteration.
    virtual bool Insert(const T& record) = 0;
    virtual ~ICollectionCache() = default;
};

// Keeps with every record the stream offset at which it starts.
template <class T>
class ICollectionCacheStream : public ICollectionCacheBase<T> {
public:
    virtual bool Insert(const T& record, uint64_t offset) = 0;
    virtual ~ICollectionCacheStream() = default;
};

namespace vyr_records {

// A vector kept sorted by Less on the whole record; Entry is the record itself or the record
// with its stream offset, and Record(entry) gives the record.
template <class T, class Less, class Entry, class Base>
class SortedVectorCache : public Base {
public:
    uint32_t GetCount() const override { return static_cast<uint32_t>(m_entries.size()); }
    bool Contains(const T& record) const override { return LowerBound(record) != End(); }
    bool Find(T& record) const override {
        // A linear walk from the front: the first record not less than the argument.
        for (const Entry& entry : m_entries) {
            if (!m_less(Record(entry), record)) {
                if (m_less(record, Record(entry))) return false;
                record = Record(entry);
                return true;
            }
        }
        return false;
    }
    bool Update(const T& record) override {
        auto it = LowerBound(record);
        if (it == End()) return false;
        Overwrite(*it, record);
        return true;
    }
    bool Remove(const T& record) override {
        auto it = LowerBound(record);
        if (it == End()) return false;
        m_entries.erase(it);
        m_cursor = m_entries.size();
        return true;
    }
    bool GetAt(uint32_t index, T& record) const override {
        if (index >= m_entries.size()) return false;
        record = Record(m_entries[index]);
        return true;
    }
    bool GetAll(std::vector<T>& records) const override {
        records.clear();
        records.reserve(m_entries.size());
        for (const Entry& entry : m_entries) records.push_back(Record(entry));
        return true;
    }
    bool First(T& record) override {
        m_cursor = 0;
        return Next(record);
    }
    bool Next(T& record) override {
        if (m_cursor >= m_entries.size()) return false;
        record = Record(m_entries[m_cursor++]);
        return true;
    }
    bool Clear() override {
        m_entries.clear();
        m_cursor = 0;
        return true;
    }
    bool IsEqual(const T& a, const T& b) const override { return !m_less(a, b) && !m_less(b, a); }

    virtual ~SortedVectorCache() = default;

protected:
    bool InsertEntry(Entry entry) {
        const T& record = Record(entry);
        auto it =
            std::upper_bound(m_entries.begin(), m_entries.end(), record,
                             [this](const T& r, const Entry& e) { return m_less(r, Record(e)); });
        if (it == m_entries.begin() || m_less(Record(*std::prev(it)), record))
            m_entries.insert(it, std::move(entry));
        m_cursor = m_entries.size();
        return true;
    }
    const std::vector<Entry>& Entries() const { return m_entries; }

private:
    static const T& Record(const T& record) { return record; }
    static const T& Record(const std::pair<T, uint64_t>& entry) { return entry.first; }
    static void Overwrite(T& entry, const T& record) { entry = record; }
    static void Overwrite(std::pair<T, uint64_t>& entry, const T& record) { entry.first = record; }

    typename std::vector<Entry>::const_iterator End() const { return m_entries.end(); }
    typename std::vector<Entry>::iterator End() { return m_entries.end(); }
    // The cached entry with a key equal to the record's, or End().
    template <class Self>
    static auto LowerBoundIn(Self& self, const T& record) {
        auto it = std::lower_bound(
            self.m_entries.begin(), self.m_entries.end(), record,
            [&self](const Entry& e, const T& r) { return self.m_less(Record(e), r); });
        if (it != self.m_entries.end() && self.m_less(record, Record(*it)))
            return self.m_entries.end();
        return it;
    }
    auto LowerBound(const T& record) const { return LowerBoundIn(*this, record); }
    auto LowerBound(const T& record) { return LowerBoundIn(*this, record); }

    Less m_less{};
    std::vector<Entry> m_entries;
    size_t m_cursor = 0;
};

}  // namespace vyr_records

template <class T, class Less>
class CCollectionCacheVec : public vyr_records::SortedVectorCache<T, Less, T, ICollectionCache<T>> {
public:
    bool Insert(const T& record) override { return this->InsertEntry(record); }
};

template <class T, class Less>
class CCollectionCacheVecStream
    : public vyr_records::SortedVectorCache<T, Less, std::pair<T, uint64_t>,
                                            ICollectionCacheStream<T>> {
public:
    bool Insert(const T& record, uint64_t offset) override {
        return this->InsertEntry({record, offset});
    }
    // The stream offset of the cached record with an equal key.
    bool OffsetOf(const T& record, uint64_t& offset) const {
        for (const auto& entry : this->Entries()) {
            if (this->IsEqual(entry.first, record)) {
                offset = entry.second;
                return true;
            }
        }
        return false;
    }
};

// An ordered map from a key derived by KeyCreator to the record, unique keys. Fetching by index
// goes through an index of the map's records that is rebuilt after a change, so that walking
// the list by index costs one pass, not one pass per record.
template <class Key, class T, class KeyCreator, class KeyLess>
class CCollectionCacheMap : public ICollectionCache<T> {
public:
    uint32_t GetCount() const override { return static_cast<uint32_t>(m_map.size()); }
    bool Contains(const T& record) const override {
        return m_map.find(m_keyOf(record)) != m_map.end();
    }
    bool Find(T& record) const override { return FindByKey(m_keyOf(record), record); }
    bool Update(const T& record) override {
        auto it = m_map.find(m_keyOf(record));
        if (it == m_map.end()) return false;
        it->second = record;
        return true;
    }
    bool Remove(const T& record) override {
        auto it = m_map.find(m_keyOf(record));
        if (it == m_map.end()) return false;
        m_map.erase(it);
        Changed();
        return true;
    }
    bool GetAt(uint32_t index, T& record) const override {
        if (index >= m_map.size()) return false;
        if (m_index.size() != m_map.size()) {
            m_index.clear();
            m_index.reserve(m_map.size());
            for (const auto& entry : m_map) m_index.push_back(&entry.second);
        }
        record = *m_index[index];
        return true;
    }
    bool GetAll(std::vector<T>& records) const override {
        records.clear();
        records.reserve(m_map.size());
        for (const auto& entry : m_map) records.push_back(entry.second);
        return true;
    }
    bool First(T& record) override {
        m_cursor = m_map.begin();
        return Next(record);
    }
    bool Next(T& record) override {
        if (m_cursor == m_map.end()) return false;
        record = m_cursor->second;
        ++m_cursor;
        return true;
    }
    bool Clear() override {
        m_map.clear();
        Changed();
        return true;
    }
    bool IsEqual(const T& a, const T& b) const override {
        const Key ka = m_keyOf(a), kb = m_keyOf(b);
        return !m_map.key_comp()(ka, kb) && !m_map.key_comp()(kb, ka);
    }
    bool Insert(const T& record) override {
        auto [it, inserted] = m_map.emplace(m_keyOf(record), record);
        if (!inserted && KeepNewOnDuplicate(it->second, record)) it->second = record;
        Changed();
        return true;
    }

    virtual ~CCollectionCacheMap() = default;

    virtual bool FindByKey(const Key& key, T& record) const {
        auto it = m_map.find(key);
        if (it == m_map.end()) return false;
        record = it->second;
        return true;
    }
    // No cache of this library replaces a stored record by a later one with the same key.
    virtual bool KeepNewOnDuplicate(const T& /*cached*/, const T& /*incoming*/) const {
        return false;
    }

private:
    void Changed() {
        m_index.clear();
        m_cursor = m_map.end();
    }

    KeyCreator m_keyOf{};
    std::map<Key, T, KeyLess> m_map;
    typename std::map<Key, T, KeyLess>::const_iterator m_cursor = m_map.end();
    mutable std::vector<const T*> m_index;
};

template <class T, class KeyCreator>
using CCollectionCacheMapQWord = CCollectionCacheMap<uint64_t, T, KeyCreator, std::less<uint64_t>>;
template <class T, class KeyCreator>
using CCollectionCacheMapDWord = CCollectionCacheMap<uint32_t, T, KeyCreator, std::less<uint32_t>>;
