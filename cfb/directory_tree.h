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

}  // namespace cfb
