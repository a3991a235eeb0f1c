// Handing a freshly made collection to a caller: a stream that could not be opened is reported
// (a stream missing from a read-only project as "Entry not found."), and nothing is left behind
// when the collection cannot be wrapped.
#pragma once

#include <new>
#include <utility>

#include <vyr/error.h>
#include <vyr/smart_ptr.h>

namespace vyr_records {

inline VYR_ERROR handed_out_status(VYR_ERROR openResult) {
    return openResult == VYR_E_CANNOT_CREATE_ENTRY ? VYR_E_ENTRY_NOT_FOUND : openResult;
}

template <class Collection, class Interface, class... Args>
VYR_ERROR hand_out_collection(CVyrIPtrSmart<Interface>& out, Args&&... args) {
    out.Reset();
    auto* collection = new (std::nothrow) Collection(std::forward<Args>(args)...);
    if (collection == nullptr) return VYR_E_INVALID_INTERFACE;
    const VYR_ERROR opened = collection->OpenResult();
    if (VyrFailed(opened)) {
        collection->Release();
        return handed_out_status(opened);
    }
    out = static_cast<Interface*>(collection);
    if (!out.IsValid()) {
        collection->Release();
        return VYR_E_INVALID_INTERFACE;
    }
    return VYR_OK;
}

}  // namespace vyr_records
