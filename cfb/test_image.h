// Compound documents laid out byte by byte from a list of directory entries, independently of
// the engine, so that tests and fuzz seeds can hold any shape: sound, unbalanced, oddly named
// or out of order. Standard library only; the validator's tests, the engine's tests, the fuzz
// seeds and the interop tests share it. Its offsets are its own on purpose (cfb/layout.h is the
// engine's table): a wrong number there cannot hide in both.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace cfb_image {

constexpr uint32_t kFree = 0xFFFFFFFF;
constexpr uint32_t kEnd = 0xFFFFFFFE;
constexpr uint32_t kFatMark = 0xFFFFFFFD;
constexpr uint32_t kDifMark = 0xFFFFFFFC;
constexpr uint32_t kNone = 0xFFFFFFFF;
constexpr uint8_t kStorage = 1;
constexpr uint8_t kStream = 2;
constexpr uint8_t kRoot = 5;
constexpr uint8_t kRed = 0;
constexpr uint8_t kBlack = 1;

inline void put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
inline void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
inline uint32_t get32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

// A compound file laid out from a list of directory entries: FAT sectors first, then DIFAT,
// directory, MiniFAT, mini stream and the large streams. Tree links are set by the caller (or
// by balance()) so that tests can build any shape.
struct Node {
    std::u16string name;
    uint8_t type = kStream;
    uint8_t color = kBlack;
    uint32_t left = kNone, right = kNone, child = kNone;
    std::vector<uint8_t> data;
    uint32_t start = kEnd;  // filled by build()
    int name_bytes = -1;    // the stored name length field; -1: the name's own
};

struct Image {
    std::vector<uint8_t> bytes;
    uint32_t sector_size = 512;
    std::vector<uint32_t> fat_sectors;
    std::vector<uint32_t> difat_sectors;
    uint32_t directory_start = 0;
    uint32_t minifat_start = kEnd;
    std::vector<Node> nodes;

    size_t sector_offset(uint32_t s) const { return (size_t{s} + 1) * sector_size; }
    size_t fat_entry(uint32_t s) const {
        const uint32_t per = sector_size / 4;
        return sector_offset(fat_sectors[s / per]) + 4 * (s % per);
    }
    size_t minifat_entry(uint32_t m) const { return sector_offset(minifat_start) + 4 * m; }
    // Directory sectors are consecutive in built images.
    size_t entry(uint32_t id) const { return sector_offset(directory_start) + 128 * size_t{id}; }
    void set_fat(uint32_t s, uint32_t v) { put32(bytes, fat_entry(s), v); }
    uint32_t fat(uint32_t s) const { return get32(bytes, fat_entry(s)); }
};

inline int compare(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i] >= 'a' && a[i] <= 'z' ? a[i] - 32 : a[i];
        char16_t y = b[i] >= 'a' && b[i] <= 'z' ? b[i] - 32 : b[i];
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

class Builder {
public:
    explicit Builder(int version = 3) : version_(version) {
        Node root;
        root.name = u"Root Entry";
        root.type = kRoot;
        nodes_.push_back(root);
    }

    uint32_t add(uint32_t parent, std::u16string name, uint8_t type,
                 std::vector<uint8_t> data = {}) {
        Node n;
        n.name = std::move(name);
        n.type = type;
        n.data = std::move(data);
        nodes_.push_back(std::move(n));
        const uint32_t id = static_cast<uint32_t>(nodes_.size() - 1);
        children_.resize(nodes_.size());
        children_[parent].push_back(id);
        return id;
    }

    Node& node(uint32_t id) { return nodes_[id]; }

    // The children of `parent` in sibling order.
    std::vector<uint32_t> sorted_children(uint32_t parent) {
        children_.resize(nodes_.size());
        auto kids = children_[parent];
        std::sort(kids.begin(), kids.end(), [&](uint32_t a, uint32_t b) {
            return compare(nodes_[a].name, nodes_[b].name) < 0;
        });
        return kids;
    }

    // Lays the children of `parent` out as one line in sibling order, each the right child of
    // the one before (or, leftward, each the left child of the one after), all in `colour`:
    // ordered, but as far from balanced as a tree gets.
    void line(uint32_t parent, uint8_t colour, bool leftward = false) {
        const std::vector<uint32_t> kids = sorted_children(parent);
        for (size_t i = 0; i < kids.size(); ++i) {
            Node& n = nodes_[kids[i]];
            n.color = colour;
            n.left = leftward && i > 0 ? kids[i - 1] : kNone;
            n.right = !leftward && i + 1 < kids.size() ? kids[i + 1] : kNone;
        }
        nodes_[parent].child = kids.empty() ? kNone : kids[leftward ? kids.size() - 1 : 0];
    }

    // Lays every storage's children out as a balanced, correctly coloured sibling tree.
    void balance() {
        children_.resize(nodes_.size());
        for (uint32_t p = 0; p < nodes_.size(); ++p) {
            const std::vector<uint32_t> kids = sorted_children(p);
            int full = 0;  // depth of the last complete level of the middle-split tree
            while ((size_t{2} << full) - 1 <= kids.size()) ++full;
            nodes_[p].child = place(kids, 0, kids.size(), 0, full);
        }
    }

    Image build() {
        Image img;
        img.sector_size = version_ == 4 ? 4096 : 512;
        const uint32_t ss = img.sector_size, per = ss / 4;
        auto sectors = [&](uint64_t bytes) { return static_cast<uint32_t>((bytes + ss - 1) / ss); };

        std::vector<uint8_t> mini;
        std::vector<uint32_t> minifat;
        for (Node& n : nodes_) {
            if (n.type != kStream || n.data.empty() || n.data.size() >= 4096) continue;
            const uint32_t first = static_cast<uint32_t>(mini.size() / 64);
            const uint32_t count = static_cast<uint32_t>((n.data.size() + 63) / 64);
            n.start = first;
            for (uint32_t i = 0; i < count; ++i)
                minifat.push_back(i + 1 < count ? first + i + 1 : kEnd);
            mini.insert(mini.end(), n.data.begin(), n.data.end());
            mini.resize(size_t{first + count} * 64, 0);
        }
        const uint32_t dir_count = sectors(nodes_.size() * 128);
        const uint32_t minifat_count = sectors(minifat.size() * 4);
        const uint32_t mini_count = sectors(mini.size());
        uint32_t data_count = dir_count + minifat_count + mini_count;
        for (const Node& n : nodes_)
            if (n.type == kStream && n.data.size() >= 4096) data_count += sectors(n.data.size());
        uint32_t fat_count = 1, difat_count = 0;
        while (true) {
            const uint32_t f = (data_count + fat_count + difat_count + per - 1) / per;
            const uint32_t d = f > 109 ? (f - 109 + per - 2) / (per - 1) : 0;
            if (f == fat_count && d == difat_count) break;
            fat_count = f;
            difat_count = d;
        }
        const uint32_t total = fat_count + difat_count + data_count;
        img.bytes.assign(size_t{total + 1} * ss, 0);
        std::vector<uint32_t> fat(size_t{fat_count} * per, kFree);
        uint32_t next = 0;
        auto run = [&](uint32_t count) {  // a contiguous chain; its first sector
            if (count == 0) return kEnd;
            const uint32_t first = next;
            for (uint32_t i = 0; i < count; ++i)
                fat[first + i] = i + 1 < count ? first + i + 1 : kEnd;
            next += count;
            return first;
        };
        for (uint32_t i = 0; i < fat_count; ++i) {
            img.fat_sectors.push_back(next);
            fat[next++] = kFatMark;
        }
        for (uint32_t i = 0; i < difat_count; ++i) {
            img.difat_sectors.push_back(next);
            fat[next++] = kDifMark;
        }
        img.directory_start = run(dir_count);
        img.minifat_start = run(minifat_count);
        const uint32_t mini_start = run(mini_count);
        for (Node& n : nodes_)
            if (n.type == kStream && n.data.size() >= 4096) {
                n.start = run(sectors(n.data.size()));
                std::copy(n.data.begin(), n.data.end(),
                          img.bytes.begin() + img.sector_offset(n.start));
            }
        nodes_[0].start = mini_start;

        auto& b = img.bytes;
        const uint8_t sig[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
        std::copy(sig, sig + 8, b.begin());
        put16(b, 24, 0x3E);
        put16(b, 26, static_cast<uint16_t>(version_));
        put16(b, 28, 0xFFFE);
        put16(b, 30, version_ == 4 ? 12 : 9);
        put16(b, 32, 6);
        put32(b, 40, version_ == 4 ? dir_count : 0);
        put32(b, 44, fat_count);
        put32(b, 48, img.directory_start);
        put32(b, 56, 4096);
        put32(b, 60, img.minifat_start);
        put32(b, 64, minifat_count);
        put32(b, 68, difat_count ? img.difat_sectors[0] : kEnd);
        put32(b, 72, difat_count);
        for (uint32_t i = 0; i < 109; ++i)
            put32(b, 76 + 4 * i, i < fat_count ? img.fat_sectors[i] : kFree);
        for (uint32_t d = 0; d < difat_count; ++d) {
            const size_t at = img.sector_offset(img.difat_sectors[d]);
            for (uint32_t i = 0; i + 1 < per; ++i) {
                const uint32_t k = 109 + d * (per - 1) + i;
                put32(b, at + 4 * i, k < fat_count ? img.fat_sectors[k] : kFree);
            }
            put32(b, at + 4 * (per - 1), d + 1 < difat_count ? img.difat_sectors[d + 1] : kEnd);
        }
        for (uint32_t i = 0; i < fat.size(); ++i)
            put32(b, img.sector_offset(img.fat_sectors[i / per]) + 4 * (i % per), fat[i]);
        for (uint32_t i = 0; i < minifat_count * per; ++i)
            put32(b, img.sector_offset(img.minifat_start) + 4 * i,
                  i < minifat.size() ? minifat[i] : kFree);
        for (uint32_t i = 0; i < mini.size(); i += ss)
            std::copy(mini.begin() + i, mini.begin() + std::min<size_t>(i + ss, mini.size()),
                      b.begin() + img.sector_offset(mini_start + i / ss));
        for (uint32_t id = 0; id < dir_count * (ss / 128); ++id) {
            const size_t at = img.sector_offset(img.directory_start) + 128 * size_t{id};
            put32(b, at + 68, kNone);
            put32(b, at + 72, kNone);
            put32(b, at + 76, kNone);
            if (id >= nodes_.size()) continue;
            const Node& n = nodes_[id];
            for (size_t i = 0; i < n.name.size(); ++i) put16(b, at + 2 * i, n.name[i]);
            put16(
                b, at + 64,
                static_cast<uint16_t>(n.name_bytes >= 0 ? n.name_bytes : 2 * (n.name.size() + 1)));
            b[at + 66] = n.type;
            b[at + 67] = n.color;
            put32(b, at + 68, n.left);
            put32(b, at + 72, n.right);
            put32(b, at + 76, n.child);
            put32(b, at + 116, n.type == kStorage ? 0 : n.start);
            const uint64_t size = id == 0 ? mini.size() : n.data.size();
            put32(b, at + 120, static_cast<uint32_t>(size));
            put32(b, at + 124, static_cast<uint32_t>(size >> 32));
        }
        img.nodes = nodes_;
        return img;
    }

private:
    uint32_t place(const std::vector<uint32_t>& kids, size_t lo, size_t hi, int depth, int full) {
        if (lo >= hi) return kNone;
        const size_t mid = lo + (hi - lo) / 2;
        Node& n = nodes_[kids[mid]];
        n.color = depth >= full ? kRed : kBlack;
        n.left = place(kids, lo, mid, depth + 1, full);
        n.right = place(kids, mid + 1, hi, depth + 1, full);
        return kids[mid];
    }

    int version_;
    std::vector<Node> nodes_;
    std::vector<std::vector<uint32_t>> children_{1};
};

inline std::vector<uint8_t> bytes_of(size_t n, uint8_t seed = 1) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(seed + i * 7);
    return v;
}

}  // namespace cfb_image
