// The FAT or the MiniFAT, held in memory: the next-sector entry of every sector.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "cfb/layout.h"

namespace cfb {

constexpr uint32_t kNoSector = kFreeSect;  // "none" for allocation results and preferences

// One bit per sector: taken by a structure or a chain while a file is checked on open.
using SectorClaims = std::vector<bool>;

// With pinning on (the FAT), sectors of the last committed state are pinned: the working
// state may release them, but they are handed out again only after the next commit has made
// the new state current. So uncommitted writes never land on the committed state's sectors.
class AllocationTable {
public:
    explicit AllocationTable(bool pinning) : pinning_(pinning) {}

    uint32_t size() const { return static_cast<uint32_t>(next_.size()); }
    uint32_t next(uint32_t s) const { return next_[s]; }
    void set_next(uint32_t s, uint32_t v) { next_[s] = v; }
    bool pinned(uint32_t s) const { return pinning_ && s < pinned_.size() && pinned_[s]; }
    const std::vector<uint32_t>& entries() const { return next_; }

    // Takes a free, unpinned sector (preferring `preferred`, to keep chains contiguous) and
    // marks it end of chain. kNoSector when no sector number is left.
    uint32_t allocate(uint32_t preferred);
    void release(uint32_t s);

    void assign(std::vector<uint32_t> entries);
    // Pins exactly the sectors of `committed` (a table of the committed state).
    void pin(const std::vector<uint32_t>& committed);
    // Pins exactly the sectors claimed (the committed state as an open found it).
    void pin(const SectorClaims& committed);
    // Drops entries from n on; they must be free and unpinned.
    void truncate(uint32_t n);
    // One past the last entry in use (0 when none is).
    uint32_t used_end() const;

private:
    bool available(uint32_t s) const { return next_[s] == kFreeSect && !pinned(s); }

    bool pinning_;
    std::vector<uint32_t> next_;
    std::vector<bool> pinned_;
    uint32_t hint_ = 0;  // no available sector below this one
};

}  // namespace cfb
