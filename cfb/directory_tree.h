// The sibling tree of each storage: a red-black tree of directory entries in name order.
#pragma once

#include <cstdint>
#include <vector>

#include "cfb/directory_entry.h"

namespace cfb {

// Links the entries `ids` (already in name order) into a red-black tree and returns its root
// (kNoStream when empty). The tree is balanced by halving; its incomplete bottom level is red,
// every other node black, so every path holds the same number of black nodes.
uint32_t link_siblings(const std::vector<uint32_t>& ids, std::vector<DirectoryEntry>& entries);

// The entries of the sibling tree rooted at `top`, in tree order (left, node, right): name order
// when the tree is ordered, which lets the caller append them cheaply. Each link must name
// an existing storage or stream entry not met before (`seen` spans all entries), so cycles,
// shared nodes and dangling links give STG_E_DOCFILECORRUPT.
HRESULT collect_siblings(const std::vector<DirectoryEntry>& entries, uint32_t top,
                         std::vector<uint8_t>& seen, std::vector<uint32_t>& out);

}  // namespace cfb
