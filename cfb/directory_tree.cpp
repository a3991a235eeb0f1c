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

HRESULT collect_siblings(const std::vector<DirectoryEntry>& entries, uint32_t top,
                         std::vector<uint8_t>& seen, std::vector<uint32_t>& out) {
    // In order without recursion; every entry is checked as it is first reached, so a cycle
    // ends the walk and the stack never holds more entries than there are.
    std::vector<uint32_t> above;
    uint32_t id = top;
    while (true) {
        for (; id != kNoStream; id = entries[id].left) {
            if (id >= entries.size() || seen[id]) return STG_E_DOCFILECORRUPT;
            const DirectoryEntry& e = entries[id];
            if (e.type != kTypeStorage && e.type != kTypeStream) return STG_E_DOCFILECORRUPT;
            seen[id] = 1;
            above.push_back(id);
        }
        if (above.empty()) return S_OK;
        id = above.back();
        above.pop_back();
        out.push_back(id);
        id = entries[id].right;
    }
}

}  // namespace cfb
