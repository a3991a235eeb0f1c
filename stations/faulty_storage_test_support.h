// A document whose storages fail chosen calls: creating a named child storage or stream, and
// destroying elements. Child storages are handed out wrapped too, so faults reach any depth.
#pragma once

#include <memory>
#include <string>

#include "cfb/cfb.h"
#include "storage/forwarding_storage_test_support.h"

namespace vyr_test {

struct StorageFaults {
    std::u16string failCreateStorage;  // this child storage name cannot be created
    std::u16string failCreateStream;   // nor this stream
    bool failDestroy = false;          // no element can be destroyed
};

class FaultyStorage final : public storage_test::ForwardingStorage {
public:
    // Takes over the caller's reference to inner.
    FaultyStorage(IStorage* inner, std::shared_ptr<StorageFaults> faults)
        : ForwardingStorage(inner), m_faults(std::move(faults)) {}

    HRESULT CreateStream(const OLECHAR* name, DWORD mode, DWORD r1, DWORD r2,
                         IStream** out) override {
        if (m_faults->failCreateStream == name) return STG_E_MEDIUMFULL;
        return m_inner->CreateStream(name, mode, r1, r2, out);
    }
    HRESULT CreateStorage(const OLECHAR* name, DWORD mode, DWORD r1, DWORD r2,
                          IStorage** out) override {
        if (m_faults->failCreateStorage == name) return STG_E_MEDIUMFULL;
        return Wrap(m_inner->CreateStorage(name, mode, r1, r2, out), out);
    }
    HRESULT OpenStorage(const OLECHAR* name, IStorage* priority, DWORD mode, SNB exclude,
                        DWORD reserved, IStorage** out) override {
        return Wrap(m_inner->OpenStorage(name, priority, mode, exclude, reserved, out), out);
    }
    HRESULT DestroyElement(const OLECHAR* name) override {
        if (m_faults->failDestroy) return STG_E_ACCESSDENIED;
        return m_inner->DestroyElement(name);
    }

private:
    HRESULT Wrap(HRESULT status, IStorage** out) {
        if (SUCCEEDED(status) && out != nullptr && *out != nullptr)
            *out = new FaultyStorage(*out, m_faults);
        return status;
    }

    std::shared_ptr<StorageFaults> m_faults;
};

// A new memory document behind a FaultyStorage, attached as a root for writing.
inline CVyrPtrSmart<CStg> faulty_document(const std::shared_ptr<StorageFaults>& faults) {
    ILockBytes* bytes = nullptr;
    IStorage* document = nullptr;
    if (cfb::create_memory_lock_bytes({}, &bytes) != S_OK) return {};
    const HRESULT made = StgCreateDocfileOnILockBytes(
        bytes, STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE, 0, &document);
    bytes->Release();
    if (made != S_OK) return {};
    auto* faulty = new FaultyStorage(document, faults);
    CVyrPtrSmart<CStg> storage(new CStg());
    const bool attached = storage->Attach(faulty);
    faulty->Release();
    return attached ? storage : CVyrPtrSmart<CStg>();
}

}  // namespace vyr_test
