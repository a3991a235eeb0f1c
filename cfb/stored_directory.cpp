#include "cfb/stored_directory.h"

#include <algorithm>
#include <string>

#include "cfb/directory_entry.h"
#include "cfb/entry_name.h"
#include "cfb/header.h"
#include "cfb/little_endian.h"
#include "cfb/refusal.h"
#include "cfb/sector_chain.h"

namespace cfb {

namespace {

// The reasons of a failed check, out of the way of the walk that every open makes: each records
// why the entry `id` at `e` is refused and returns false.
[[gnu::cold, gnu::noinline]] bool refuse_type(uint32_t id, const uint8_t* e) {
    const uint8_t type = e[kEntryTypeAt];
    refuse(STG_E_DOCFILECORRUPT,
           entry_label(id, e) + " is linked in, but " +
               (type == kTypeEmpty  ? std::string("not in use")
                : type == kTypeRoot ? std::string("a root entry")
                                    : "of unknown type " + std::to_string(type)));
    return false;
}

[[gnu::cold, gnu::noinline]] bool refuse_name(uint32_t id, const uint8_t* e) {
    refuse(STG_E_DOCFILECORRUPT, entry_label(id, e) + ": " + name_fault(e));
    return false;
}

[[gnu::cold, gnu::noinline]] bool refuse_chain(uint32_t id, const uint8_t* e,
                                               const std::string& why) {
    refuse(STG_E_DOCFILECORRUPT, entry_label(id, e) + ": " + why);
    return false;
}

[[gnu::cold, gnu::noinline]] bool refuse_short_chain(uint32_t id, const uint8_t* e, size_t length,
                                                     bool mini, uint64_t size) {
    refuse(STG_E_DOCFILECORRUPT, entry_label(id, e) + ": its chain of " + std::to_string(length) +
                                     (mini ? " mini sectors" : " sectors") +
                                     " is too short for its " + std::to_string(size) + " bytes");
    return false;
}

}  // namespace

void Node::build_children() const {
    const StoredDirectory* stored = stored_;
    stored_ = nullptr;
    stored->build_children(const_cast<Node&>(*this), stored_top_);
}

StoredDirectory::StoredDirectory(std::unique_ptr<uint8_t[]> bytes, size_t entries, uint16_t major,
                                 SectorSpace* regular, SectorSpace* mini)
    : bytes_(std::move(bytes)), entries_(entries), major_(major), regular_(regular), mini_(mini) {}

uint64_t StoredDirectory::stream_size(const uint8_t* entry) const {
    const uint64_t size = get64(entry + kEntrySizeAt);
    return major_ == 3 ? (size & 0xFFFFFFFFu) : size;
}

constexpr uint32_t kAhead = 32;  // entries read ahead of the one a walk reaches

template <typename Visit>
HRESULT StoredDirectory::walk_siblings(uint32_t top, std::vector<uint8_t>* seen,
                                       Visit visit) const {
    // In order without recursion; with `seen` every entry is checked as it is first reached, so
    // a cycle ends the walk and the stack never holds more entries than there are.
    std::vector<uint32_t> above;
    uint32_t id = top;
    while (true) {
        for (; id != kNoStream; id = get32(entry(id) + kEntryLeftAt)) {
            if (seen != nullptr) {
                if (id >= entries_ || (*seen)[id]) return refuse_link(id);
                (*seen)[id] = 1;
            }
            above.push_back(id);
            // Writers lay siblings out in about the order of the tree: what comes next is
            // mostly a little further on, and the links give it too late to wait for.
            if (id + kAhead < entries_) {
                __builtin_prefetch(entry(id + kAhead));
                __builtin_prefetch(entry(id + kAhead) + 64);
            }
        }
        if (above.empty()) return S_OK;
        id = above.back();
        above.pop_back();
        if (!visit(id)) return STG_E_DOCFILECORRUPT;
        id = get32(entry(id) + kEntryRightAt);
    }
}

HRESULT StoredDirectory::refuse_link(uint32_t id) const {
    if (id >= entries_)
        return refuse(STG_E_DOCFILECORRUPT, "directory entry " + std::to_string(id) +
                                                " lies past the end of the directory (" +
                                                std::to_string(entries_) + " entries)");
    return refuse(STG_E_DOCFILECORRUPT,
                  (id == 0 ? std::string("the root entry") : entry_label(id, entry(id))) +
                      " is linked twice");
}

HRESULT StoredDirectory::check(uint32_t top, uint32_t file_sectors, SectorClaims& claimed,
                               SectorClaims& mini_claimed) const {
    struct Pending {
        uint32_t top;
        unsigned depth;
        uint32_t id;  // the storage's own entry
    };
    std::vector<Pending> pending{{top, 0, 0}};
    std::vector<uint8_t> seen(entries_, 0);
    seen[0] = 1;  // the root
    std::string why;
    while (!pending.empty()) {
        const Pending storage = pending.back();
        pending.pop_back();
        if (storage.top != kNoStream && storage.depth >= kMaxDepth)
            return refuse(STG_E_DOCFILECORRUPT, entry_label(storage.id, entry(storage.id)) +
                                                    ": storages nest deeper than " +
                                                    std::to_string(kMaxDepth));
        const uint8_t* previous = nullptr;
        int previous_units = 0;
        bool ascending = true;
        const HRESULT hr = walk_siblings(storage.top, &seen, [&](uint32_t id) {
            const uint8_t* e = entry(id);
            const uint8_t type = e[kEntryTypeAt];
            if (type != kTypeStorage && type != kTypeStream) return refuse_type(id, e);
            const int units = name_units(e);
            if (units < 0) return refuse_name(id, e);
            // Siblings in ascending order cannot repeat a name; any other order is read too,
            // and is searched for repeats below.
            if (previous != nullptr &&
                compare_stored_names(previous, previous_units, e, units) >= 0)
                ascending = false;
            previous = e;
            previous_units = units;
            if (type == kTypeStorage) {
                pending.push_back({get32(e + kEntryChildAt), storage.depth + 1, id});
                return true;
            }
            const uint64_t size = stream_size(e);
            if (size == 0) return true;
            const bool in_mini = size < kMiniStreamCutoff;
            SectorChain chain(in_mini ? mini_ : regular_);
            const uint32_t start = get32(e + kEntryStartAt);
            const HRESULT loaded =
                in_mini ? chain.load_deferred(start, mini_->table().size(), mini_claimed, &why)
                        : chain.load_deferred(start, file_sectors, claimed, &why);
            if (FAILED(loaded)) return refuse_chain(id, e, why);
            if (chain.length() >= sectors_for(size, chain.space()->sector_size())) return true;
            return refuse_short_chain(id, e, chain.length(), in_mini, size);
        });
        if (FAILED(hr)) return hr;
        if (!ascending) {
            const uint32_t repeated = repeated_name(storage.top);
            if (repeated != kNoStream)
                return refuse(STG_E_DOCFILECORRUPT, entry_label(repeated, entry(repeated)) +
                                                        " repeats the name of a sibling");
        }
    }
    return S_OK;
}

uint32_t StoredDirectory::repeated_name(uint32_t top) const {
    std::vector<std::pair<std::u16string, uint32_t>> names;
    walk_siblings(top, nullptr, [&](uint32_t id) {
        DirectoryEntry e;
        decode_entry(entry(id), e);
        names.emplace_back(std::move(e.name), id);
        return true;
    });
    // Stable: of two equal names the later sibling (in tree order) is named.
    std::stable_sort(names.begin(), names.end(),
                     [](const auto& a, const auto& b) { return NameLess{}(a.first, b.first); });
    const auto same = std::adjacent_find(
        names.begin(), names.end(),
        [](const auto& a, const auto& b) { return compare_names(a.first, b.first) == 0; });
    return same == names.end() ? kNoStream : std::next(same)->second;
}

void StoredDirectory::build_children(Node& storage, uint32_t top) const {
    Node::Children& children = storage.children();
    walk_siblings(top, nullptr, [&](uint32_t id) {
        DirectoryEntry e;
        decode_entry(entry(id), e);
        auto node = std::make_unique<Node>();
        node->name = e.name;
        node->type = e.type;
        node->parent = &storage;
        if (e.type == kTypeStream) {
            node->size = stream_size(entry(id));
            SectorSpace* space = node->size < kMiniStreamCutoff ? mini_ : regular_;
            node->chain = SectorChain(space);
            if (node->size > 0)
                node->chain.assume_checked(e.start, sectors_for(node->size, space->sector_size()));
        } else {
            node->clsid = e.clsid;
            node->state_bits = e.state_bits;
            node->ctime = e.ctime;
            node->mtime = e.mtime;
            node->defer_children(this, e.child);
        }
        // Siblings come in name order from an ordered tree: each goes at the end, one comparison
        // instead of a search (any other order still lands right).
        const std::u16string key = node->name;
        children.emplace_hint(children.end(), key, std::move(node));
        return true;
    });
}

}  // namespace cfb
