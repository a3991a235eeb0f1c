// Stream contents: sizes, the move between mini and regular sectors at the cutoff, and the
// format's size limits.
#include <algorithm>
#include <vector>

#include "cfb/compound_file.h"

namespace cfb {

namespace {

constexpr uint64_t kMaxVersion3Stream = 0x7FFFFFFF;  // sizes are 32-bit and kept below 2 GB

}  // namespace

uint64_t CompoundFile::max_stream_size() const {
    return header_.major == 3 ? kMaxVersion3Stream : uint64_t{kMaxRegSect} * regular_.sector_size();
}

SectorSpace* CompoundFile::space_for(uint64_t size) {
    if (size < kMiniStreamCutoff) return &mini_;
    return &regular_;
}

HRESULT CompoundFile::write_zeros(SectorChain& chain, uint64_t from, uint64_t to) {
    static const std::vector<uint8_t> zeros(64 * 1024, 0);
    while (from < to) {
        const size_t piece = static_cast<size_t>(std::min<uint64_t>(zeros.size(), to - from));
        const HRESULT hr = chain.write_at(from, zeros.data(), piece);
        if (FAILED(hr)) return hr;
        from += piece;
    }
    return S_OK;
}

HRESULT CompoundFile::set_size(Node& stream, uint64_t size, bool zero_fill) {
    changed_ = true;
    if (size == stream.size) return S_OK;
    const uint64_t limit =
        header_.major == 3 ? kMaxVersion3Stream : uint64_t{kMaxRegSect} * regular_.sector_size();
    if (size > limit) return STG_E_DOCFILETOOLARGE;
    SectorSpace* space = space_for(size);
    const uint64_t count = sectors_for(size, space->sector_size());
    if (count > kMaxRegSect) return STG_E_DOCFILETOOLARGE;

    if (stream.size > 0 && stream.chain.space() != space) {
        // Crossing the cutoff: the bytes kept (below the cutoff) move to the other space.
        std::vector<uint8_t> kept(static_cast<size_t>(std::min(stream.size, size)));
        HRESULT hr = stream.chain.read_at(0, kept.data(), kept.size());
        if (FAILED(hr)) return hr;
        SectorChain moved(space);
        hr = moved.resize(static_cast<size_t>(count));
        if (SUCCEEDED(hr)) hr = moved.write_at(0, kept.data(), kept.size());
        if (SUCCEEDED(hr) && zero_fill) hr = write_zeros(moved, kept.size(), size);
        if (FAILED(hr)) {
            moved.release();
            return hr;
        }
        stream.chain.release();
        stream.chain = std::move(moved);
        stream.size = size;
        return S_OK;
    }

    if (stream.chain.space() != space) stream.chain = SectorChain(space);  // empty so far
    const size_t old_count = stream.chain.length();
    HRESULT hr = stream.chain.resize(static_cast<size_t>(count));
    if (SUCCEEDED(hr) && zero_fill && size > stream.size)
        hr = write_zeros(stream.chain, stream.size, size);
    if (FAILED(hr)) {
        stream.chain.resize(std::min(old_count, stream.chain.length()));
        return hr;
    }
    stream.size = size;
    return S_OK;
}

HRESULT CompoundFile::read_stream(Node& stream, uint64_t pos, void* p, size_t n) {
    return stream.chain.read_at(pos, p, n);
}

HRESULT CompoundFile::write_stream(Node& stream, uint64_t pos, const void* p, size_t n) {
    changed_ = true;
    if (n == 0) return S_OK;
    const uint64_t end = pos + n;
    if (end < pos || end > max_stream_size()) return STG_E_DOCFILETOOLARGE;
    HRESULT hr = S_OK;
    if (pos > stream.size) hr = set_size(stream, pos, true);
    if (SUCCEEDED(hr) && end > stream.size) hr = set_size(stream, end, false);
    if (FAILED(hr)) return hr;
    return stream.chain.write_at(pos, p, n);
}

}  // namespace cfb
