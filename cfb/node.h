// An element of an open document as held in memory: a storage with its children in sibling
// order, or a stream with its size and cached sector chain. The children of a storage of an
// opened document are built from its stored directory when first asked for.
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

class StoredDirectory;

struct Node {
    using Children = std::map<std::u16string, std::unique_ptr<Node>, NameLess>;

    std::u16string name;
    uint8_t type = kTypeStream;
    CLSID clsid;
    uint32_t state_bits = 0;
    uint64_t ctime = 0;
    uint64_t mtime = 0;
    Node* parent = nullptr;
    uint64_t size = 0;  // streams
    SectorChain chain;  // streams: in the mini space below the cutoff, else regular sectors
    bool open = false;  // an IStream/IStorage on it is alive (root: always)

    Children& children() {
        if (stored_ != nullptr) build_children();
        return children_;
    }
    const Children& children() const {
        if (stored_ != nullptr) build_children();
        return children_;
    }
    // The children are those of the sibling tree at `top` of `stored`, built when first asked for.
    void defer_children(const StoredDirectory* stored, uint32_t top) {
        stored_ = stored;
        stored_top_ = top;
    }

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
        for (const auto& [name, child] : children_)  // children not built yet are not open
            if (child->open_within()) return true;
        return false;
    }
    Node* find(const std::u16string& child_name) const {
        const Children& all = children();
        const auto it = all.find(child_name);
        return it == all.end() ? nullptr : it->second.get();
    }

private:
    void build_children() const;  // cfb/stored_directory.cpp

    mutable Children children_;
    mutable const StoredDirectory* stored_ = nullptr;
    mutable uint32_t stored_top_ = 0;
};

}  // namespace cfb
