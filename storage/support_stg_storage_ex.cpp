#include "storage/support_stg_storage_ex.h"

namespace {

struct ExtendedEntryPoints {
    CSupportStgStorageEx::StgStorageExFunction create;
    CSupportStgStorageEx::StgStorageExFunction open;
};

// Bound once per process and never released. The engine is linked in, so both names are always
// found here; the classic forms remain the fallback when an extended call fails.
const ExtendedEntryPoints& extended_entry_points() {
    static const ExtendedEntryPoints points{&StgCreateStorageEx, &StgOpenStorageEx};
    return points;
}

}  // namespace

CSupportStgStorageEx::CSupportStgStorageEx()
    : m_createStorageEx(extended_entry_points().create),
      m_openStorageEx(extended_entry_points().open) {}

HRESULT CSupportStgStorageEx::CreateDocument(const OLECHAR* path, DWORD mode,
                                             IStorage** storage) const {
    void* object = nullptr;
    const HRESULT status =
        m_createStorageEx(path, mode, STGFMT_STORAGE, 0, nullptr, nullptr, IID_IStorage, &object);
    if (SUCCEEDED(status)) {
        *storage = static_cast<IStorage*>(object);
        return status;
    }
    return StgCreateDocfile(path, mode, 0, storage);
}

HRESULT CSupportStgStorageEx::OpenDocument(const OLECHAR* path, DWORD mode,
                                           IStorage** storage) const {
    void* object = nullptr;
    const HRESULT status =
        m_openStorageEx(path, mode, STGFMT_STORAGE, 0, nullptr, nullptr, IID_IStorage, &object);
    if (SUCCEEDED(status)) {
        *storage = static_cast<IStorage*>(object);
        return status;
    }
    return StgOpenStorage(path, nullptr, mode, nullptr, 0, storage);
}
