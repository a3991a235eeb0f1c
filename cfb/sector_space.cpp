#include "cfb/sector_space.h"

#include <algorithm>
#include <cstring>

#include "cfb/sector_chain.h"

namespace cfb {

namespace {
constexpr size_t kMaxPiece = size_t{1} << 30;  // one ReadAt/WriteAt call moves at most this
}

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
    return read_bytes(*bytes_, (uint64_t{first} + 1) * sector_size_ + offset, p, n);
}

HRESULT RegularSpace::write(uint32_t first, uint64_t offset, const void* p, size_t n) {
    return write_bytes(*bytes_, (uint64_t{first} + 1) * sector_size_ + offset, p, n);
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
