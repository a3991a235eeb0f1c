#include "cfb/undo_lock_bytes.h"

#include <algorithm>
#include <new>

namespace cfb {

HRESULT UndoLockBytes::wrap(ILockBytes* inner, UndoLockBytes** out) {
    if (out == nullptr) return STG_E_INVALIDPOINTER;
    *out = nullptr;
    if (inner == nullptr) return STG_E_INVALIDPOINTER;
    STATSTG stat;
    const HRESULT hr = inner->Stat(&stat, STATFLAG_NONAME);
    if (FAILED(hr)) return hr;
    *out = new (std::nothrow) UndoLockBytes(inner, stat.cbSize);
    return *out == nullptr ? STG_E_INSUFFICIENTMEMORY : S_OK;
}

UndoLockBytes::UndoLockBytes(ILockBytes* inner, uint64_t size)
    : inner_(inner), original_size_(size) {
    inner_->AddRef();
}

UndoLockBytes::~UndoLockBytes() {
    inner_->Release();
}

ULONG UndoLockBytes::Release() {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

HRESULT UndoLockBytes::ReadAt(uint64_t offset, void* pv, ULONG cb, ULONG* pcbRead) {
    return inner_->ReadAt(offset, pv, cb, pcbRead);
}

HRESULT UndoLockBytes::WriteAt(uint64_t offset, const void* pv, ULONG cb, ULONG* pcbWritten) {
    if (pcbWritten != nullptr) *pcbWritten = 0;
    if (frozen_) return STG_E_ACCESSDENIED;
    HRESULT hr = save(offset, offset + cb);
    if (SUCCEEDED(hr)) hr = inner_->WriteAt(offset, pv, cb, pcbWritten);
    return failed(hr);
}

HRESULT UndoLockBytes::Flush() {
    if (frozen_) return STG_E_ACCESSDENIED;
    return failed(inner_->Flush());
}

HRESULT UndoLockBytes::SetSize(uint64_t cb) {
    if (frozen_) return STG_E_ACCESSDENIED;
    HRESULT hr = save(cb, original_size_);
    if (SUCCEEDED(hr)) hr = inner_->SetSize(cb);
    return failed(hr);
}

HRESULT UndoLockBytes::Stat(STATSTG* pstatstg, DWORD grfStatFlag) {
    return inner_->Stat(pstatstg, grfStatFlag);
}

HRESULT UndoLockBytes::save(uint64_t from, uint64_t to) {
    to = std::min(to, original_size_);
    for (uint64_t block = from / kBlock; block * kBlock < to; ++block) {
        if (saved_.count(block) != 0) continue;
        const uint64_t start = block * kBlock;
        std::vector<uint8_t> bytes;
        try {
            bytes.resize(static_cast<size_t>(std::min(kBlock, original_size_ - start)));
        } catch (const std::bad_alloc&) {
            return STG_E_INSUFFICIENTMEMORY;
        }
        ULONG read = 0;
        const HRESULT hr =
            inner_->ReadAt(start, bytes.data(), static_cast<ULONG>(bytes.size()), &read);
        if (FAILED(hr)) return hr;
        if (read != bytes.size()) return STG_E_READFAULT;
        saved_.emplace(block, std::move(bytes));
    }
    return S_OK;
}

HRESULT UndoLockBytes::failed(HRESULT hr) {
    if (FAILED(hr) && SUCCEEDED(first_failure_)) first_failure_ = hr;
    return hr;
}

HRESULT UndoLockBytes::undo() {
    frozen_ = true;
    STATSTG stat;
    HRESULT hr = inner_->Stat(&stat, STATFLAG_NONAME);
    if (FAILED(hr)) return hr;
    if (saved_.empty() && stat.cbSize == original_size_) return S_OK;  // nothing was changed
    // The order keeps a sound document on disk at every step, should the process die here.
    // Blocks cut off the end first: nothing the current header names lies there. Then the old
    // header, which names only blocks never overwritten; then the free blocks it does not name.
    const auto restore = [&](bool wanted(uint64_t start, uint64_t size)) {
        for (const auto& [block, bytes] : saved_) {
            if (FAILED(hr)) return;
            if (wanted(block * kBlock, stat.cbSize))
                hr = inner_->WriteAt(block * kBlock, bytes.data(), static_cast<ULONG>(bytes.size()),
                                     nullptr);
        }
        if (SUCCEEDED(hr)) hr = inner_->Flush();
    };
    restore([](uint64_t start, uint64_t size) { return start != 0 && start >= size; });
    restore([](uint64_t start, uint64_t) { return start == 0; });
    restore([](uint64_t start, uint64_t size) { return start != 0 && start < size; });
    if (SUCCEEDED(hr)) hr = inner_->SetSize(original_size_);
    if (SUCCEEDED(hr)) hr = inner_->Flush();
    if (SUCCEEDED(hr)) saved_.clear();
    return hr;
}

}  // namespace cfb
