#include "cfb/stream.h"

#include <algorithm>

#include "cfb/open_mode.h"
#include "cfb/storage.h"

namespace cfb {

Stream::Stream(std::shared_ptr<CompoundFile> file, Node* node, DWORD access)
    : file_(std::move(file)), node_(node), access_(access) {}

ULONG Stream::AddRef() {
    return ++refs_;
}

ULONG Stream::Release() {
    const ULONG left = --refs_;
    if (left == 0) {
        node_->open = false;
        delete this;
    }
    return left;
}

HRESULT Stream::check_writable() const {
    if (file_->closed()) return STG_E_REVERTED;
    if (!can_write(access_) || !file_->writable()) return STG_E_ACCESSDENIED;
    return S_OK;
}

HRESULT Stream::Read(void* pv, ULONG cb, ULONG* pcbRead) {
    if (pcbRead != nullptr) *pcbRead = 0;
    if (file_->closed()) return STG_E_REVERTED;
    if (pv == nullptr && cb > 0) return STG_E_INVALIDPOINTER;
    if (!can_read(access_)) return STG_E_ACCESSDENIED;
    if (position_ >= node_->size) return S_OK;
    const auto n = static_cast<ULONG>(std::min<uint64_t>(cb, node_->size - position_));
    const HRESULT hr = file_->read_stream(*node_, position_, pv, n);
    if (FAILED(hr)) return hr;
    position_ += n;
    if (pcbRead != nullptr) *pcbRead = n;
    return S_OK;
}

HRESULT Stream::Write(const void* pv, ULONG cb, ULONG* pcbWritten) {
    if (pcbWritten != nullptr) *pcbWritten = 0;
    HRESULT hr = check_writable();
    if (FAILED(hr)) return hr;
    if (pv == nullptr && cb > 0) return STG_E_INVALIDPOINTER;
    hr = file_->write_stream(*node_, position_, pv, cb);
    if (FAILED(hr)) return hr;
    position_ += cb;
    if (pcbWritten != nullptr) *pcbWritten = cb;
    return S_OK;
}

HRESULT Stream::Seek(int64_t dlibMove, DWORD dwOrigin, uint64_t* plibNewPosition) {
    if (file_->closed()) return STG_E_REVERTED;
    int64_t base = 0;
    switch (dwOrigin) {
        case STREAM_SEEK_SET:
            base = 0;
            break;
        case STREAM_SEEK_CUR:
            base = static_cast<int64_t>(position_);
            break;
        case STREAM_SEEK_END:
            base = static_cast<int64_t>(node_->size);
            break;
        default:
            return STG_E_INVALIDFUNCTION;
    }
    if ((dlibMove < 0 && base + dlibMove < 0) || (dlibMove > 0 && base > INT64_MAX - dlibMove))
        return STG_E_INVALIDFUNCTION;
    position_ = static_cast<uint64_t>(base + dlibMove);
    if (plibNewPosition != nullptr) *plibNewPosition = position_;
    return S_OK;
}

HRESULT Stream::SetSize(uint64_t libNewSize) {
    const HRESULT hr = check_writable();
    if (FAILED(hr)) return hr;
    return file_->resize_stream(*node_, libNewSize);
}

HRESULT Stream::Commit(DWORD) {
    return file_->closed() ? STG_E_REVERTED : S_OK;
}

HRESULT Stream::Stat(STATSTG* pstatstg, DWORD grfStatFlag) {
    if (file_->closed()) return STG_E_REVERTED;
    return fill_stat(*node_, access_ | STGM_SHARE_EXCLUSIVE, grfStatFlag, pstatstg);
}

}  // namespace cfb
