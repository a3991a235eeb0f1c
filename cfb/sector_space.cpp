#include "cfb/sector_space.h"

#include <algorithm>
#include <cstring>

#include "cfb/sector_chain.h"

namespace cfb {

namespace {
constexpr size_t kMaxPiece = size_t{1} << 30;  // one ReadAt/WriteAt call moves at most this
constexpr size_t kGather = size_t{1} << 20;    // writes are handed on in pieces of about this
constexpr uint64_t kPage = 4096;
constexpr size_t kReadAhead = 64 * 1024;  // small reads are served from a window this long
}  // namespace

HRESULT read_bytes(ILockBytes& bytes, uint64_t offset, void* p, size_t n) {
    auto* out = static_cast<uint8_t*>(p);
    while (n > 0) {
        const auto piece = static_cast<ULONG>(std::min(n, kMaxPiece));
        ULONG got = 0;
        const HRESULT hr = bytes.ReadAt(offset, out, piece, &got);
        if (FAILED(hr)) return hr;
        if (got < piece) {  // past the end: the format's sectors read as zeros there
            std::memset(out + got, 0, n - got);
            return S_OK;
        }
        out += piece, offset += piece, n -= piece;
    }
    return S_OK;
}

HRESULT write_bytes(ILockBytes& bytes, uint64_t offset, const void* p, size_t n) {
    const auto* in = static_cast<const uint8_t*>(p);
    while (n > 0) {
        const auto piece = static_cast<ULONG>(std::min(n, kMaxPiece));
        ULONG put = 0;
        const HRESULT hr = bytes.WriteAt(offset, in, piece, &put);
        if (FAILED(hr)) return hr;
        if (put != piece) return STG_E_WRITEFAULT;
        in += piece, offset += piece, n -= piece;
    }
    return S_OK;
}

HRESULT RegularSpace::read(uint32_t first, uint64_t offset, void* p, size_t n) {
    const uint64_t at = (uint64_t{first} + 1) * sector_size_ + offset;
    ++reads_;
    Window* oldest = &windows_[0];
    for (Window& window : windows_) {
        if (!window.bytes.empty() && at >= window.at && at + n <= window.at + window.bytes.size()) {
            window.used = reads_;
            std::memcpy(p, window.bytes.data() + (at - window.at), n);
            return S_OK;
        }
        if (window.used < oldest->used) oldest = &window;
    }
    if (n > kReadAhead / 2) return read_through(at, p, n);
    // A small read fills the least recently used window from the page it starts in.
    Window& window = *oldest;
    window.bytes.resize(kReadAhead);
    window.at = at / kPage * kPage;
    window.used = reads_;
    const HRESULT hr = read_through(window.at, window.bytes.data(), window.bytes.size());
    if (FAILED(hr)) {
        window.bytes.clear();
        return hr;
    }
    std::memcpy(p, window.bytes.data() + (at - window.at), n);
    return S_OK;
}

HRESULT RegularSpace::read_through(uint64_t at, void* p, size_t n) {
    if (!gathered_.empty() && at < gathered_at_ + gathered_.size() && gathered_at_ < at + n) {
        const HRESULT hr = flush_writes();
        if (FAILED(hr)) return hr;
    }
    return failure_ == S_OK ? read_bytes(*bytes_, at, p, n) : failure_;
}

HRESULT RegularSpace::write(uint32_t first, uint64_t offset, const void* p, size_t n) {
    drop_read_ahead();
    uint64_t at = (uint64_t{first} + 1) * sector_size_ + offset;
    if (!gathered_.empty() && at != gathered_at_ + gathered_.size()) {
        const HRESULT hr = flush_writes();
        if (FAILED(hr)) return hr;
    }
    if (failure_ != S_OK) return failure_;
    const auto* in = static_cast<const uint8_t*>(p);
    while (n > 0) {
        if (gathered_.empty()) {
            gathered_at_ = at;
            if (at % kPage == 0 && n >= kGather) {  // whole pages: no need to copy them
                const size_t direct = static_cast<size_t>(n / kPage * kPage);
                failure_ = write_bytes(*bytes_, at, in, direct);
                if (failure_ != S_OK) return failure_;
                at += direct, in += direct, n -= direct;
                continue;
            }
        }
        const size_t take = std::min(n, kGather - gathered_.size());
        gathered_.insert(gathered_.end(), in, in + take);
        at += take, in += take, n -= take;
        if (gathered_.size() == kGather) {
            // Hand on up to the last page boundary; the rest starts the next piece.
            const uint64_t cut = (gathered_at_ + gathered_.size()) / kPage * kPage;
            const HRESULT hr = hand_on(cut > gathered_at_ ? static_cast<size_t>(cut - gathered_at_)
                                                          : gathered_.size());
            if (FAILED(hr)) return hr;
        }
    }
    return S_OK;
}

HRESULT RegularSpace::flush_writes() {
    return gathered_.empty() ? failure_ : hand_on(gathered_.size());
}

HRESULT RegularSpace::hand_on(size_t n) {
    if (failure_ == S_OK) failure_ = write_bytes(*bytes_, gathered_at_, gathered_.data(), n);
    if (failure_ != S_OK) {
        gathered_.clear();
        return failure_;
    }
    gathered_.erase(gathered_.begin(), gathered_.begin() + static_cast<std::ptrdiff_t>(n));
    gathered_at_ += n;
    return S_OK;
}

HRESULT RegularSpace::allocate(uint32_t preferred, uint32_t* out) {
    *out = fat_.allocate(preferred);
    return *out == kNoSector ? STG_E_MEDIUMFULL : S_OK;
}

HRESULT MiniSpace::read(uint32_t first, uint64_t offset, void* p, size_t n) {
    return mini_stream_.read_at(uint64_t{first} * kMiniSectorSize + offset, p, n);
}

HRESULT MiniSpace::write(uint32_t first, uint64_t offset, const void* p, size_t n) {
    return mini_stream_.write_at(uint64_t{first} * kMiniSectorSize + offset, p, n);
}

HRESULT MiniSpace::allocate(uint32_t preferred, uint32_t* out) {
    const uint32_t s = minifat_.allocate(preferred);
    if (s == kNoSector) return STG_E_MEDIUMFULL;
    const uint32_t per = mini_stream_.space()->sector_size() / kMiniSectorSize;
    const size_t needed = (size_t{s} + per) / per;
    if (mini_stream_.length() < needed) {
        const HRESULT hr = mini_stream_.resize(needed);
        if (FAILED(hr)) {
            minifat_.release(s);
            return hr;
        }
    }
    *out = s;
    return S_OK;
}

}  // namespace cfb
