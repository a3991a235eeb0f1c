// Handing a freshly made collection (or another object made over a stream) to a caller: a stream
// that could not be opened is reported (a stream missing from a read-only project as "Entry not
// found."), and nothing is left behind when the collection cannot be wrapped.
#pragma once

#include <new>
#include <utility>

#include <vyr/error.h>
#include <vyr/smart_ptr.h>

namespace vyr_records {

inline VYR_ERROR handed_out_status(VYR_ERROR openResult) {
    return openResult == VYR_E_CANNOT_CREATE_ENTRY ? VYR_E_ENTRY_NOT_FOUND : openResult;
}

// status is the object's own verdict on how it was made (its stream opened, its storage bound).
template <class Object, class Interface, class... Args>
VYR_ERROR hand_out_object(CVyrIPtrSmart<Interface>& out, VYR_ERROR (Object::*status)() const,
                          Args&&... args) {
    out.Reset();
    auto* object = new (std::nothrow) Object(std::forward<Args>(args)...);
    if (object == nullptr) return VYR_E_INVALID_INTERFACE;
    const VYR_ERROR made = (object->*status)();
    if (VyrFailed(made)) {
        object->Release();
        return handed_out_status(made);
    }
    out = static_cast<Interface*>(object);
    if (!out.IsValid()) {
        object->Release();
        return VYR_E_INVALID_INTERFACE;
    }
    return VYR_OK;
}

template <class Collection, class Interface, class... Args>
VYR_ERROR hand_out_collection(CVyrIPtrSmart<Interface>& out, Args&&... args) {
    return hand_out_object<Collection>(out, &Collection::OpenResult, std::forward<Args>(args)...);
}

}  // namespace vyr_records
