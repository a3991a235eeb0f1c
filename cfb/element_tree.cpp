// Edits of the element tree: adding, destroying (with the sectors of everything inside),
// renaming and deep copies, also between documents.
#include <vector>

#include "cfb/compound_file.h"

namespace cfb {

HRESULT CompoundFile::add_child(Node& parent, const std::u16string& name, uint8_t type,
                                Node** out) {
    changed_ = true;
    if (parent.depth() + 1 >= kMaxDepth) return STG_E_DOCFILETOOLARGE;
    auto node = std::make_unique<Node>();
    node->name = name;
    node->type = type;
    node->parent = &parent;
    node->chain = SectorChain(&mini_);
    *out = node.get();
    parent.children().emplace(name, std::move(node));
    return S_OK;
}

void CompoundFile::destroy_child(Node& parent, Node& child) {
    changed_ = true;
    std::vector<Node*> pending{&child};
    while (!pending.empty()) {
        Node* n = pending.back();
        pending.pop_back();
        if (n->is_stream()) n->chain.release();
        for (auto& [name, grandchild] : n->children()) pending.push_back(grandchild.get());
    }
    parent.children().erase(child.name);
}

void CompoundFile::rename_child(Node& parent, Node& child, const std::u16string& name) {
    changed_ = true;
    auto handle = parent.children().extract(child.name);
    handle.key() = name;
    handle.mapped()->name = name;
    parent.children().insert(std::move(handle));
}

HRESULT CompoundFile::copy_element(CompoundFile& from, Node& source, Node& dest_parent,
                                   const std::u16string& name) {
    changed_ = true;
    Node* copy = nullptr;
    HRESULT hr =
        add_child(dest_parent, name, source.is_stream() ? kTypeStream : kTypeStorage, &copy);
    if (FAILED(hr)) return hr;
    if (source.is_stream()) {
        hr = set_size(*copy, source.size, false);
        std::vector<uint8_t> buffer(static_cast<size_t>(std::min<uint64_t>(source.size, 1 << 20)));
        for (uint64_t pos = 0; SUCCEEDED(hr) && pos < source.size; pos += buffer.size()) {
            const size_t piece =
                static_cast<size_t>(std::min<uint64_t>(buffer.size(), source.size - pos));
            hr = from.read_stream(source, pos, buffer.data(), piece);
            if (SUCCEEDED(hr)) hr = copy->chain.write_at(pos, buffer.data(), piece);
        }
    } else {
        copy->clsid = source.clsid;
        copy->state_bits = source.state_bits;
        for (auto& [child_name, child] : source.children()) {
            hr = copy_element(from, *child, *copy, child_name);
            if (FAILED(hr)) break;
        }
    }
    if (FAILED(hr)) destroy_child(dest_parent, *copy);
    return hr;
}

}  // namespace cfb
