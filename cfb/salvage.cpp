// The salvaging open: what can be read of a damaged document. Every structure and chain is
// followed as far as it is sound; a stream keeps the sectors before its chain breaks, and a
// sector two chains share belongs to neither (no stream hands out bytes that may be another's).
#include <algorithm>
#include <cstdio>

#include "cfb/compound_file.h"
#include "cfb/fat.h"
#include "cfb/little_endian.h"

namespace cfb {

namespace {

HRESULT refuse(SalvageReport& report, std::string why) {
    report.refusal = std::move(why);
    return STG_E_DOCFILECORRUPT;
}

// A structure's chain from `start` up to the first sector out of range or claimed before
// (claims bound the walk, so a loop ends it); each sector kept is claimed.
std::vector<uint32_t> sound_prefix(const AllocationTable& table, uint32_t start, uint32_t limit,
                                   SectorClaims& claimed) {
    const uint32_t bound = std::min({limit, table.size(), static_cast<uint32_t>(claimed.size())});
    std::vector<uint32_t> ids;
    for (uint32_t s = start; s < bound && !claimed[s]; s = table.next(s)) {
        claimed[s] = true;
        ids.push_back(s);
    }
    return ids;
}

std::vector<std::u16string> path_of(const Node& node) {
    std::vector<std::u16string> parts;
    for (const Node* n = &node; n->parent != nullptr; n = n->parent) parts.push_back(n->name);
    std::reverse(parts.begin(), parts.end());
    return parts;
}

// A path for a reason text: one line whatever the names hold.
std::string shown(const std::vector<std::u16string>& parts) {
    std::string out;
    for (const std::u16string& part : parts) {
        std::string text;
        if (!utf16_to_utf8(part, text)) text = "?";
        if (!out.empty()) out += '/';
        for (const char c : text) {
            const auto b = static_cast<unsigned char>(c);
            if (b < 0x20 || b == 0x7F || c == '\\') {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\x%02X", b);
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out.empty() ? "/" : out;
}

// The losses of one storage's sibling tree: the first named, the rest counted.
struct Losses {
    std::string first;
    size_t count = 0;
    void note(std::string what) {
        if (count++ == 0) first = std::move(what);
    }
    std::string text() const {
        std::string out = "elements lost: " + first;
        if (count > 1) out += " (and " + std::to_string(count - 1) + " more)";
        return out;
    }
};

struct ChainWalk {
    Node* node;
    uint32_t start;
    std::vector<uint32_t> sectors;
    size_t keep = SIZE_MAX;  // lowered where the chain breaks or another chain shares a sector
    std::string reason;
};

struct SpaceLimits {
    uint32_t end;                    // sectors of the file (or mini stream)
    const SectorClaims* structures;  // sectors of the document's own tables; may be null
    const char* unit;                // "sector" or "mini sector"
    const char* end_name;            // "file" or "mini stream"
};

// Follows each walk's chain as far as its size needs and it is sound. A sector met twice in
// one chain ends it; a sector of two chains ends both there. Every sector is visited at most
// once over all walks.
void walk_chains(std::vector<ChainWalk>& walks, const AllocationTable& table,
                 const SpaceLimits& limits, uint32_t sector_size) {
    const uint32_t bound = std::min(limits.end, table.size());
    std::vector<uint32_t> owner(bound, 0);  // walk index + 1
    std::vector<uint32_t> position(bound, 0);
    const std::string unit = limits.unit;
    for (size_t w = 0; w < walks.size(); ++w) {
        ChainWalk& walk = walks[w];
        const uint64_t needed = sectors_for(walk.node->size, sector_size);
        uint32_t s = walk.start;
        while (walk.sectors.size() < needed) {
            const std::string from =
                walk.sectors.empty()
                    ? "its chain starts at "
                    : unit + " " + std::to_string(walk.sectors.back()) + " links to ";
            const std::string at = unit + " " + std::to_string(s);
            std::string broke;
            if (s == kEndOfChain) {
                broke = walk.sectors.empty() ? std::string("it has no sectors")
                                             : "its chain ends at " + unit + " " +
                                                   std::to_string(walk.sectors.back());
            } else if (s == kFreeSect) {
                broke = from + "a free " + unit;
            } else if (s > kMaxRegSect) {
                broke = from + "a FAT or DIFAT marker";
            } else if (s >= limits.end) {
                broke = from + at + ", past the end of the " + limits.end_name;
            } else if (s >= bound) {
                broke = from + at + ", which the FAT does not cover";
            } else if (limits.structures != nullptr && (*limits.structures)[s]) {
                broke = from + at + ", which holds the document's own tables";
            } else if (owner[s] == w + 1) {
                broke = from + at + " again (a loop)";
            } else if (owner[s] != 0) {
                ChainWalk& other = walks[owner[s] - 1];
                broke = from + at + ", which " + shown(path_of(*other.node)) + " also uses";
                if (position[s] < other.keep) {
                    other.keep = position[s];
                    other.reason = "its " + at + " is also used by " + shown(path_of(*walk.node));
                }
            }
            if (!broke.empty()) {
                walk.keep = walk.sectors.size();
                walk.reason = std::move(broke);
                break;
            }
            owner[s] = static_cast<uint32_t>(w + 1);
            position[s] = static_cast<uint32_t>(walk.sectors.size());
            walk.sectors.push_back(s);
            s = table.next(s);
        }
    }
}

}  // namespace

HRESULT CompoundFile::load_salvaged(uint32_t file_sectors, SalvageReport& report) {
    const uint32_t sector_size = header_.sector_size();
    std::vector<uint32_t> fat;
    SectorClaims claimed;
    HRESULT hr = load_fat(*bytes_, header_, file_sectors, fat, claimed, true);
    if (FAILED(hr)) return hr;
    regular_.table().assign(std::move(fat));

    // Without the directory's first sector and the root entry there is nothing to find.
    SectorChain directory(&regular_);
    directory.assign(
        sound_prefix(regular_.table(), header_.first_dir_sector, file_sectors, claimed));
    if (directory.length() == 0)
        return refuse(report, "the directory's first sector (" +
                                  std::to_string(header_.first_dir_sector) + ") cannot be read");
    std::vector<uint8_t> raw(directory.length() * sector_size);
    hr = directory.read_at(0, raw.data(), raw.size());
    if (FAILED(hr)) return hr;
    std::vector<DirectoryEntry> entries(raw.size() / kEntryBytes);
    std::vector<uint8_t> usable(entries.size(), 0);
    for (size_t i = 0; i < entries.size(); ++i)
        usable[i] = SUCCEEDED(decode_entry(raw.data() + i * kEntryBytes, entries[i]));
    if (!usable[0] || entries[0].type != kTypeRoot)
        return refuse(report, "directory entry 0 is not the root entry");
    const DirectoryEntry& root_entry = entries[0];

    SectorChain minifat_chain(&regular_);
    if (header_.first_minifat_sector != kEndOfChain)
        minifat_chain.assign(
            sound_prefix(regular_.table(), header_.first_minifat_sector, file_sectors, claimed));
    std::vector<uint8_t> minifat_raw(minifat_chain.length() * sector_size);
    hr = minifat_chain.read_at(0, minifat_raw.data(), minifat_raw.size());
    if (FAILED(hr)) return hr;
    const uint64_t mini_bytes =
        header_.major == 3 ? (root_entry.size & 0xFFFFFFFFu) : root_entry.size;
    if (mini_bytes > 0 || root_entry.start != kEndOfChain)
        mini_stream_.assign(
            sound_prefix(regular_.table(), root_entry.start, file_sectors, claimed));
    const size_t mini_sectors = static_cast<size_t>(std::min<uint64_t>(
        {minifat_raw.size() / 4, mini_bytes / MiniSpace::kMiniSectorSize,
         uint64_t{mini_stream_.length()} * sector_size / MiniSpace::kMiniSectorSize}));
    std::vector<uint32_t> minifat(mini_sectors);
    for (size_t i = 0; i < mini_sectors; ++i) minifat[i] = get32(minifat_raw.data() + 4 * i);
    mini_.table().assign(std::move(minifat));

    root_->clsid = root_entry.clsid;
    root_->state_bits = root_entry.state_bits;
    root_->mtime = root_entry.mtime;
    struct Pending {
        Node* storage;
        uint32_t id;
    };
    std::vector<Pending> pending{{root_.get(), 0}};
    std::vector<uint8_t> seen(entries.size(), 0);
    seen[0] = 1;
    std::vector<ChainWalk> regular_walks;
    std::vector<ChainWalk> mini_walks;
    while (!pending.empty()) {
        const Pending p = pending.back();
        pending.pop_back();
        Losses losses;
        std::vector<uint32_t> ids;
        std::vector<uint32_t> links{entries[p.id].child};
        while (!links.empty()) {
            const uint32_t id = links.back();
            links.pop_back();
            if (id == kNoStream) continue;
            const std::string entry = "directory entry " + std::to_string(id);
            if (id >= entries.size()) {
                losses.note(entry + " lies past the readable directory");
            } else if (seen[id]) {
                losses.note(entry + " is linked twice");
            } else if (!usable[id] ||
                       (entries[id].type != kTypeStorage && entries[id].type != kTypeStream)) {
                losses.note(entry + (usable[id] ? " is not in use" : " is unreadable"));
            } else {
                seen[id] = 1;
                ids.push_back(id);
                links.push_back(entries[id].left);
                links.push_back(entries[id].right);
            }
        }
        if (!ids.empty() && p.storage->depth() >= kMaxDepth) {
            losses.note("storages nest deeper than " + std::to_string(kMaxDepth));
            ids.clear();
        }
        for (const uint32_t id : ids) {
            const DirectoryEntry& e = entries[id];
            auto node = std::make_unique<Node>();
            node->name = e.name;
            node->type = e.type;
            node->parent = p.storage;
            if (e.type == kTypeStream) {
                node->size = header_.major == 3 ? (e.size & 0xFFFFFFFFu) : e.size;
            } else {
                node->clsid = e.clsid;
                node->state_bits = e.state_bits;
                node->ctime = e.ctime;
                node->mtime = e.mtime;
            }
            Node* const held = node.get();
            const std::u16string key = node->name;
            if (!p.storage->children().emplace(key, std::move(node)).second) {
                losses.note("directory entry " + std::to_string(id) +
                            " repeats the name of a sibling");
                continue;
            }
            if (held->is_stream()) {
                held->chain = SectorChain(&mini_);
                if (held->size > 0)
                    (space_for(held->size) == &mini_ ? mini_walks : regular_walks)
                        .push_back({held, e.start, {}, SIZE_MAX, {}});
            } else {
                pending.push_back({held, id});
            }
        }
        if (losses.count > 0)
            report.cuts.push_back({path_of(*p.storage), false, 0, 0, losses.text()});
    }

    walk_chains(regular_walks, regular_.table(), {file_sectors, &claimed, "sector", "file"},
                sector_size);
    walk_chains(mini_walks, mini_.table(),
                {static_cast<uint32_t>(mini_sectors), nullptr, "mini sector", "mini stream"},
                MiniSpace::kMiniSectorSize);
    for (auto* walks : {&regular_walks, &mini_walks}) {
        for (ChainWalk& walk : *walks) {
            Node& node = *walk.node;
            SectorSpace* space = walks == &mini_walks ? static_cast<SectorSpace*>(&mini_)
                                                      : static_cast<SectorSpace*>(&regular_);
            const size_t keep = std::min(walk.keep, walk.sectors.size());
            const uint64_t kept =
                std::min<uint64_t>(node.size, uint64_t{keep} * space->sector_size());
            if (kept < node.size) {
                report.cuts.push_back({path_of(node), true, kept, node.size, walk.reason});
                node.size = kept;
            }
            walk.sectors.resize(keep);
            node.chain = SectorChain(space);
            node.chain.assign(std::move(walk.sectors));
        }
    }
    std::stable_sort(report.cuts.begin(), report.cuts.end(),
                     [](const SalvageCut& a, const SalvageCut& b) { return a.path < b.path; });
    return S_OK;
}

}  // namespace cfb
