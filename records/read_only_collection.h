// A collection handed out for reading only: the changing operations answer "Method is not
// implemented." and leave the stream alone.
#pragma once

#include <vyr/error.h>

template <class Collection, class T>
class CVyrCollectionReadOnly : public Collection {
public:
    using Collection::Collection;

    VYR_ERROR Add(const T& /*record*/) override { return VYR_E_NOT_IMPLEMENTED; }
    VYR_ERROR Delete(const T& /*record*/) override { return VYR_E_NOT_IMPLEMENTED; }
    VYR_ERROR DeleteAll() override { return VYR_E_NOT_IMPLEMENTED; }
};
