// A ring of the last N items: the iterator's history of delivered epochs.
#pragma once

#include <cstdint>
#include <vector>

template <class T>
class CStack {
public:
    CStack() = default;
    virtual ~CStack() = default;

    // Allowed only while the ring is empty.
    bool SetSize(uint32_t size) {
        if (!m_items.empty() || size == 0) return false;
        m_capacity = size;
        m_newest = size - 1;
        return true;
    }
    uint32_t Size() const { return m_capacity; }
    uint32_t Count() const { return static_cast<uint32_t>(m_items.size()); }

    void Push(const T& item) {
        m_newest = (m_newest + 1) % m_capacity;
        if (m_newest < m_items.size())
            m_items[m_newest] = item;
        else
            m_items.push_back(item);
    }

    // offset >= 0 gives the newest; a negative offset needs |offset| < Count().
    bool Get(int32_t offset, T& item) const {
        if (m_items.empty()) return false;
        if (offset >= 0) {
            item = m_items[m_newest];
            return true;
        }
        const int64_t back = -static_cast<int64_t>(offset);
        if (back >= static_cast<int64_t>(m_items.size())) return false;
        int64_t index = static_cast<int64_t>(m_newest) - back;
        if (index < 0) index += m_capacity;
        item = m_items[static_cast<size_t>(index)];
        return true;
    }

private:
    std::vector<T> m_items;
    uint32_t m_capacity = 1;
    uint32_t m_newest = 0;
};
