// A growable byte array in memory.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "cfb/document.h"

namespace cfb {

namespace {

class MemoryLockBytes final : public ILockBytes {
public:
    explicit MemoryLockBytes(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT ReadAt(uint64_t offset, void* pv, ULONG cb, ULONG* pcbRead) override {
        if (pv == nullptr && cb > 0) return STG_E_INVALIDPOINTER;
        ULONG n = 0;
        if (offset < bytes_.size()) {
            n = static_cast<ULONG>(std::min<uint64_t>(cb, bytes_.size() - offset));
            std::memcpy(pv, bytes_.data() + offset, n);
        }
        if (pcbRead != nullptr) *pcbRead = n;
        return S_OK;
    }
    HRESULT WriteAt(uint64_t offset, const void* pv, ULONG cb, ULONG* pcbWritten) override {
        if (pcbWritten != nullptr) *pcbWritten = 0;
        if (pv == nullptr && cb > 0) return STG_E_INVALIDPOINTER;
        if (offset + cb > bytes_.size()) {
            const HRESULT hr = SetSize(offset + cb);
            if (FAILED(hr)) return hr;
        }
        if (cb > 0) std::memcpy(bytes_.data() + offset, pv, cb);
        if (pcbWritten != nullptr) *pcbWritten = cb;
        return S_OK;
    }
    HRESULT Flush() override { return S_OK; }
    HRESULT SetSize(uint64_t cb) override {
        if (cb > bytes_.max_size()) return STG_E_MEDIUMFULL;
        try {
            bytes_.resize(static_cast<size_t>(cb));
        } catch (const std::bad_alloc&) {
            return STG_E_MEDIUMFULL;
        }
        return S_OK;
    }
    HRESULT Stat(STATSTG* pstatstg, DWORD) override {
        if (pstatstg == nullptr) return STG_E_INVALIDPOINTER;
        *pstatstg = STATSTG{};
        pstatstg->type = STGTY_LOCKBYTES;
        pstatstg->cbSize = bytes_.size();
        return S_OK;
    }

private:
    ~MemoryLockBytes() override = default;
    std::vector<uint8_t> bytes_;
    ULONG refs_ = 1;
};

}  // namespace

HRESULT create_memory_lock_bytes(std::vector<uint8_t> initial, ILockBytes** out) {
    if (out == nullptr) return STG_E_INVALIDPOINTER;
    *out = new MemoryLockBytes(std::move(initial));
    return S_OK;
}

}  // namespace cfb
