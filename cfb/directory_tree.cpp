#include "cfb/directory_tree.h"

namespace cfb {

namespace {

uint32_t link_range(const std::vector<uint32_t>& ids, size_t lo, size_t hi, unsigned depth,
                    unsigned red_depth, std::vector<DirectoryEntry>& entries) {
    if (lo >= hi) return kNoStream;
    const size_t mid = lo + (hi - lo) / 2;
    DirectoryEntry& e = entries[ids[mid]];
    e.colour = depth == red_depth ? kRed : kBlack;
    e.left = link_range(ids, lo, mid, depth + 1, red_depth, entries);
    e.right = link_range(ids, mid + 1, hi, depth + 1, red_depth, entries);
    return ids[mid];
}

}  // namespace

uint32_t link_siblings(const std::vector<uint32_t>& ids, std::vector<DirectoryEntry>& entries) {
    // Halving keeps every null link at depth h or h + 1, h = floor(log2(n + 1)): levels
    // 0 .. h-1 are full, and the nodes at depth h (if any) are the red ones.
    unsigned full_levels = 0;
    while ((size_t{1} << (full_levels + 1)) <= ids.size() + 1) ++full_levels;
    return link_range(ids, 0, ids.size(), 0, full_levels, entries);
}

}  // namespace cfb
