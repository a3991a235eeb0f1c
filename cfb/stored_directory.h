// The directory of an opened document as its sectors hold it. The open checks every sibling
// tree in it (links, entry types, names, distinct names among siblings, nesting, the sector
// chain of every stream) without building anything; a storage's children are built from it when
// first asked for. Opening a document of many entries so costs little more than reading its
// directory.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "cfb/allocation_table.h"
#include "cfb/node.h"
#include "cfb/sector_space.h"

namespace cfb {

class StoredDirectory {
public:
    // `bytes` holds `entries` entries of a document of format version `major`; streams below the
    // cutoff live in `mini`, the others in `regular`.
    StoredDirectory(std::unique_ptr<uint8_t[]> bytes, size_t entries, uint16_t major,
                    SectorSpace* regular, SectorSpace* mini);

    size_t entries() const { return entries_; }
    const uint8_t* entry(uint32_t id) const { return bytes_.get() + size_t{id} * kEntryBytes; }
    // A stream's size as stored (version 3 sizes are 32-bit; writers have left garbage in the
    // high half).
    uint64_t stream_size(const uint8_t* entry) const;

    // Checks the trees of every storage below the one whose sibling tree starts at `top` (the
    // root's): each entry reached once, a storage or a stream, with a sound name, no two
    // siblings of one name, storages nested at most kMaxDepth deep, and each stream's chain
    // within `file_sectors` (or the mini stream) and long enough for its size. The chains are
    // claimed in `claimed` and `mini_claimed`, which so catch sectors used twice. A fault gives
    // STG_E_DOCFILECORRUPT with its reason recorded (cfb/refusal.h).
    HRESULT check(uint32_t top, uint32_t file_sectors, SectorClaims& claimed,
                  SectorClaims& mini_claimed) const;
    // Builds the children of `storage`, whose sibling tree starts at `top`, in sibling order;
    // their own children wait until asked for. Only for trees check() accepted.
    void build_children(Node& storage, uint32_t top) const;

private:
    // Visits the entries of the sibling tree at `top` in order. With `seen`, each entry is
    // checked to be in range and not reached before (which ends cycles).
    // When `visit` returns false the walk ends with STG_E_DOCFILECORRUPT; the visit has recorded
    // why (cfb/refusal.h).
    template <typename Visit>
    HRESULT walk_siblings(uint32_t top, std::vector<uint8_t>* seen, Visit visit) const;
    // The refusal of a link to entry `id`: past the directory, or reached before.
    [[gnu::cold, gnu::noinline]] HRESULT refuse_link(uint32_t id) const;
    // An entry of the sibling tree at `top` whose name another sibling has (case aside), or
    // kNoStream.
    uint32_t repeated_name(uint32_t top) const;

    std::unique_ptr<uint8_t[]> bytes_;
    size_t entries_;
    uint16_t major_;
    SectorSpace* regular_;
    SectorSpace* mini_;
};

}  // namespace cfb
