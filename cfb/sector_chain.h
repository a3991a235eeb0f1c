// A chain of sectors in one space, kept as a vector of sector ids so that appends, seeks and
// reads never walk the allocation table. Writes to sectors pinned by the committed state go
// to fresh sectors (copy-on-write) and the chain is relinked around them.
#pragma once

#include <cstdint>
#include <vector>

#include "cfb/sector_space.h"

namespace cfb {

class SectorChain {
public:
    SectorChain() = default;
    explicit SectorChain(SectorSpace* space) : space_(space) {}

    SectorSpace* space() const { return space_; }
    uint32_t start() const { return sectors_.empty() ? kEndOfChain : sectors_.front(); }
    size_t length() const { return sectors_.size(); }
    const std::vector<uint32_t>& sectors() const { return sectors_; }

    // Follows the table from `start`. Every sector must be below `limit` and not yet claimed
    // (which catches cycles and sectors shared by two chains); each is claimed on the way.
    HRESULT load(uint32_t start, uint32_t limit, std::vector<uint8_t>& claimed);

    // Grows (allocating, contiguous where the table allows) or shrinks (releasing) the chain.
    HRESULT resize(size_t sectors);
    void release() { resize(0); }
    // Forgets the sectors from n on without touching the table (which is being rebuilt).
    void truncate_to(size_t n) {
        if (sectors_.size() > n) sectors_.resize(n);
    }

    // Bytes at pos of the chain's data; [pos, pos + n) must lie inside the chain.
    HRESULT read_at(uint64_t pos, void* p, size_t n);
    HRESULT write_at(uint64_t pos, const void* p, size_t n);

private:
    HRESULT copy_on_write(size_t index, bool keep_contents);
    template <typename Fn>
    HRESULT for_each_run(uint64_t pos, size_t n, Fn fn);

    SectorSpace* space_ = nullptr;
    std::vector<uint32_t> sectors_;
};

}  // namespace cfb
