// An element of an open document as held in memory: a storage with its children in sibling
// order, or a stream with its size and cached sector chain.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "cfb/directory_entry.h"
#include "cfb/entry_name.h"
#include "cfb/sector_chain.h"

namespace cfb {

// Storages nest at most this deep, so walks of the tree may recurse.
constexpr unsigned kMaxDepth = 256;

struct Node {
    std::u16string name;
    uint8_t type = kTypeStream;
    CLSID clsid;
    uint32_t state_bits = 0;
    uint64_t ctime = 0;
    uint64_t mtime = 0;
    Node* parent = nullptr;
    std::map<std::u16string, std::unique_ptr<Node>, NameLess> children;
    uint64_t size = 0;  // streams
    SectorChain chain;  // streams: in the mini space below the cutoff, else regular sectors
    bool open = false;  // an IStream/IStorage on it is alive (root: always)

    bool is_stream() const { return type == kTypeStream; }
    unsigned depth() const {
        unsigned d = 0;
        for (const Node* n = parent; n != nullptr; n = n->parent) ++d;
        return d;
    }
    bool contains(const Node* other) const {
        for (; other != nullptr; other = other->parent)
            if (other == this) return true;
        return false;
    }
    // This element or one inside it is open.
    bool open_within() const {
        if (open) return true;
        for (const auto& [name, child] : children)
            if (child->open_within()) return true;
        return false;
    }
    Node* find(const std::u16string& child_name) const {
        const auto it = children.find(child_name);
        return it == children.end() ? nullptr : it->second.get();
    }
};

}  // namespace cfb
