// The list interface handed out for every stored list of records: count, fetch by index, fetch
// all, iterate, test for presence, add, delete one, delete all.
#pragma once

#include <cstdint>
#include <vector>

#include "vyr/error.h"

// Operations in slot order. Handed out by the object owning the list, it holds that object's
// storage and its open stream until released; a stream that could not be opened makes every
// call return the same code. Most lists are cached on first use and iterate over the cache;
// result lists are read straight from the stream, iterate in stored order, keep no cache and
// cannot delete (VYR_E_NOT_IMPLEMENTED). One thread at a time.
template <class T>
class IVyrCollection {
public:
    // Number of stored records, from the cache when loaded.
    virtual VYR_ERROR GetCount(uint32_t& count) = 0;
    // True when a record with an equal key is stored; false as well on a read failure and
    // always in the uncached result lists.
    virtual bool Contains(const T& record) = 0;
    // The record at index in key order (stored order in the uncached lists). An index past the
    // end gives VYR_E_CACHE_CONTAINER, or VYR_E_READ_ENTRY_FAILED when read from the stream.
    virtual VYR_ERROR GetAt(uint32_t index, T& record) = 0;
    // The vector is emptied first. VYR_E_CACHE_CONTAINER or VYR_E_READ_ENTRY_FAILED when the
    // stream does not decode.
    virtual VYR_ERROR GetAll(std::vector<T>& records) = 0;
    // Starts an iteration; VYR_E_NO_MORE_ENTRIES when the list is empty.
    virtual VYR_ERROR GetFirst(T& record) = 0;
    // Needs GetFirst first (else VYR_E_NOT_IMPLEMENTED, VYR_E_INVALID_STATUS uncached);
    // VYR_E_NO_MORE_ENTRIES after the last record.
    virtual VYR_ERROR GetNext(T& record) = 0;
    // Appends to the stream at once. A record whose key is already stored is skipped: the first
    // stored record wins. VYR_E_INVALID_PARAMETER in a project opened for reading,
    // VYR_E_WRITE_ENTRY_FAILED when the stream refuses the bytes.
    virtual VYR_ERROR Add(const T& record) = 0;
    // Removes the record with an equal key and rewrites the stream; VYR_E_ENTRY_NOT_FOUND when
    // none is stored.
    virtual VYR_ERROR Delete(const T& record) = 0;
    // Empties the stream and the cache; needs a project opened for writing.
    virtual VYR_ERROR DeleteAll() = 0;
    // Drops the object; the smart pointer holding it calls this.
    virtual void Release() = 0;

protected:
    ~IVyrCollection() = default;  // the object goes through Release
};
