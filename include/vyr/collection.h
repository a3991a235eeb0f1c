// The list interface handed out for every stored list of records: count, fetch by index, fetch
// all, iterate, test for presence, add, delete one, delete all.
#pragma once

#include <cstdint>
#include <vector>

#include "vyr/error.h"

// Operations in slot order.
template <class T>
class IVyrCollection {
public:
    virtual VYR_ERROR GetCount(uint32_t& count) = 0;
    // True when a record with an equal key is stored.
    virtual bool Contains(const T& record) = 0;
    virtual VYR_ERROR GetAt(uint32_t index, T& record) = 0;
    // The vector is emptied first.
    virtual VYR_ERROR GetAll(std::vector<T>& records) = 0;
    virtual VYR_ERROR GetFirst(T& record) = 0;
    // 0x80009012 ("No more entries available.") after the last record.
    virtual VYR_ERROR GetNext(T& record) = 0;
    // A record whose key is already stored is skipped: the first stored record wins.
    virtual VYR_ERROR Add(const T& record) = 0;
    // Removes the record with an equal key; the stream is rewritten.
    virtual VYR_ERROR Delete(const T& record) = 0;
    virtual VYR_ERROR DeleteAll() = 0;
    virtual void Release() = 0;

protected:
    ~IVyrCollection() = default;  // the object goes through Release
};
