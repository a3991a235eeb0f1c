// The document validator: reads the raw bytes of a compound document and names every way they
// differ from a sound document. It shares nothing with the engine but the upper-case table of the
// sibling order and re-derives the layout from the header alone; tests use it to judge the
// engine and `vyr cfb check` to judge files. A line that starts with "note: " names something
// that is no fault of the document (bytes past its committed end, which a process killed while
// it wrote leaves behind); one that starts with "deviation: " names what the engine would never
// write but reads as it stands, as other writers leave it (a sibling tree coloured wrongly, an
// empty name or one with / \ : !, odd bytes in fields no reader uses); every other line is a
// defect. Sibling trees are read by their order alone, so order stays a defect and colour is not.
// Its offsets are its own reading, kept apart from the engine's table (cfb/layout.h) on purpose.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "cfb/document.h"
#include "cfb/entry_name.h"

namespace cfb {
namespace {

constexpr uint32_t kMaxRegSect = 0xFFFFFFFA;
constexpr uint32_t kDifSect = 0xFFFFFFFC;
constexpr uint32_t kFatSect = 0xFFFFFFFD;
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFreeSect = 0xFFFFFFFF;
constexpr uint32_t kNoStream = 0xFFFFFFFF;
constexpr uint32_t kHeaderDifatSlots = 109;
constexpr uint32_t kMiniSectorSize = 64;
constexpr uint32_t kMiniStreamCutoff = 4096;
constexpr uint32_t kEntrySize = 128;

constexpr uint8_t kTypeEmpty = 0;
constexpr uint8_t kTypeStorage = 1;
constexpr uint8_t kTypeStream = 2;
constexpr uint8_t kTypeRoot = 5;
constexpr uint8_t kRed = 0;
constexpr uint8_t kBlack = 1;

constexpr std::string_view kNotePrefix = "note: ";
constexpr std::string_view kDeviationPrefix = "deviation: ";

// A hostile file can be wrong everywhere at once; past this many lines the rest are counted.
constexpr size_t kMaxProblems = 200;

const uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

uint16_t le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint64_t le64(const uint8_t* p) {
    return le32(p) | (static_cast<uint64_t>(le32(p + 4)) << 32);
}

std::string hex32(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", v);
    return buf;
}

// Sector numbers as people read them: the special markers by name.
std::string sector_text(uint32_t v) {
    switch (v) {
        case kFreeSect:
            return "FREESECT";
        case kEndOfChain:
            return "ENDOFCHAIN";
        case kFatSect:
            return "FATSECT";
        case kDifSect:
            return "DIFSECT";
        default:
            return v > kMaxRegSect ? hex32(v) : std::to_string(v);
    }
}

std::string plural(uint64_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// Names go into one-line messages: UTF-8, with control characters, 0x7F and backslash as \xNN
// (as the listings do) and a broken surrogate as U+FFFD.
std::string printable_name(const std::u16string& name) {
    std::string out;
    for (size_t i = 0; i < name.size(); ++i) {
        uint32_t c = name[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < name.size() && name[i + 1] >= 0xDC00 &&
            name[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (name[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x20 || c == 0x7F || c == '\\') {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

struct Entry {
    uint32_t id = 0;
    std::u16string name;
    bool name_ok = false;
    uint8_t type = 0;
    uint8_t color = 0;
    uint32_t left = kNoStream;
    uint32_t right = kNoStream;
    uint32_t child = kNoStream;
    uint32_t start = 0;
    uint64_t size = 0;
};

// Who owns a sector or a mini sector: a structure of the file, or a directory entry.
enum Owner : uint32_t {
    kUnowned = 0,
    kOwnerFat,
    kOwnerDifat,
    kOwnerDirectory,
    kOwnerMiniFat,
    kOwnerMiniStream,
    kOwnerEntryBase
};

class Validator {
public:
    explicit Validator(ILockBytes& bytes) : bytes_(bytes) {}

    std::vector<std::string> run() {
        if (read_header()) {
            read_difat();
            read_fat();
            check_end();
            check_fat_marks();
            read_directory();
            if (check_root()) {
                check_entries();
                walk_tree();
                check_streams();
            }
            check_leaks();
        }
        if (suppressed_ > 0)
            problems_.push_back("... and " + plural(suppressed_, "more problem", "more problems"));
        return std::move(problems_);
    }

private:
    void deviation(const std::string& text) { problem(std::string(kDeviationPrefix) + text); }

    void problem(std::string text) {
        if (problems_.size() < kMaxProblems)
            problems_.push_back(std::move(text));
        else
            ++suppressed_;
    }

    // Reads what the file holds at offset; bytes past its end read as zero.
    std::vector<uint8_t> read(uint64_t offset, uint32_t count) {
        std::vector<uint8_t> buf(count, 0);
        if (offset >= file_size_) return buf;
        const uint64_t avail = std::min<uint64_t>(count, file_size_ - offset);
        ULONG got = 0;
        if (FAILED(bytes_.ReadAt(offset, buf.data(), static_cast<ULONG>(avail), &got)) &&
            !read_failed_) {
            read_failed_ = true;
            problem("reading " + std::to_string(avail) + " bytes at offset " +
                    std::to_string(offset) + " failed");
        }
        return buf;
    }

    std::vector<uint8_t> read_sector(uint32_t sector) {
        return read((static_cast<uint64_t>(sector) + 1) * sector_size_, sector_size_);
    }

    std::string owner_label(uint32_t owner) const {
        switch (owner) {
            case kOwnerFat:
                return "the FAT";
            case kOwnerDifat:
                return "the DIFAT";
            case kOwnerDirectory:
                return "the directory";
            case kOwnerMiniFat:
                return "the MiniFAT";
            case kOwnerMiniStream:
                return "the mini stream";
            default:
                return entry_label(owner - kOwnerEntryBase);
        }
    }

    std::string entry_label(uint32_t id) const {
        std::string label = "directory entry " + std::to_string(id);
        if (id < entries_.size() && !entries_[id].name.empty())
            label += " (\"" + printable_name(entries_[id].name) + "\")";
        return label;
    }

    // Marks a sector as owned; false (with the reason said) when it cannot be.
    bool claim(uint32_t sector, uint32_t owner) {
        if (sector >= sector_count_) {
            problem(owner_label(owner) + ": sector " + std::to_string(sector) +
                    " is past the end of the file (" + plural(sector_count_, "sector", "sectors") +
                    ")");
            return false;
        }
        if (owners_[sector] == owner) {
            problem(owner_label(owner) + ": chain loops back to sector " + std::to_string(sector));
            return false;
        }
        if (owners_[sector] != kUnowned) {
            problem("sector " + std::to_string(sector) + " is used by both " +
                    owner_label(owners_[sector]) + " and " + owner_label(owner));
            return false;
        }
        owners_[sector] = owner;
        return true;
    }

    bool read_header() {
        STATSTG stat;
        if (FAILED(bytes_.Stat(&stat, STATFLAG_NONAME))) {
            problem("the size of the file cannot be read");
            return false;
        }
        file_size_ = stat.cbSize;
        if (file_size_ < 512) {
            problem("file is " + plural(file_size_, "byte", "bytes") +
                    ", shorter than a header (512 bytes)");
            return false;
        }
        header_ = read(0, 512);
        const uint8_t* h = header_.data();
        if (std::memcmp(h, kSignature, sizeof kSignature) != 0) {
            problem("header: signature is not that of a compound file");
            return false;
        }
        for (int i = 8; i < 24; ++i)
            if (h[i] != 0) {
                problem("header: class id is not zero");
                break;
            }
        const uint16_t minor = le16(h + 24);
        major_ = le16(h + 26);
        const uint16_t byte_order = le16(h + 28);
        const uint16_t sector_shift = le16(h + 30);
        const uint16_t mini_shift = le16(h + 32);
        // Older writers leave 0x003B there, and no reader uses the field.
        if (minor != 0x003E)
            deviation("header: minor version is " + hex32(minor) + ", not 0x0000003E");
        if (!((major_ == 3 && sector_shift == 9) || (major_ == 4 && sector_shift == 12))) {
            problem("header: major version " + std::to_string(major_) + " with sector shift " +
                    std::to_string(sector_shift) + " (3 with 9 or 4 with 12)");
            return false;
        }
        sector_size_ = 1u << sector_shift;
        per_sector_ = sector_size_ / 4;
        if (byte_order != 0xFFFE)
            problem("header: byte order mark is " + hex32(byte_order) + ", not 0x0000FFFE");
        if (mini_shift != 6)
            problem("header: mini sector shift is " + std::to_string(mini_shift) + ", not 6");
        for (int i = 34; i < 40; ++i)
            if (h[i] != 0) {
                problem("header: reserved bytes 34..39 are not zero");
                break;
            }
        directory_sectors_ = le32(h + 40);
        fat_sectors_ = le32(h + 44);
        directory_start_ = le32(h + 48);
        // Bytes 52..55 (transaction signature) are left alone: documents other systems wrote in
        // transacted mode carry one, and readers ignore it.
        const uint32_t cutoff = le32(h + 56);
        minifat_start_ = le32(h + 60);
        minifat_sectors_ = le32(h + 64);
        difat_start_ = le32(h + 68);
        difat_sectors_ = le32(h + 72);
        if (major_ == 3 && directory_sectors_ != 0)
            problem("header: version 3 file gives " + std::to_string(directory_sectors_) +
                    " directory sectors, must be 0");
        if (cutoff != kMiniStreamCutoff)
            problem("header: mini stream cutoff is " + std::to_string(cutoff) + ", not 4096");
        if (major_ == 4) {
            const std::vector<uint8_t> rest = read(512, 4096 - 512);
            if (std::any_of(rest.begin(), rest.end(), [](uint8_t b) { return b != 0; }))
                problem("header: bytes 512..4095 of a version 4 header sector are not zero");
        }
        const uint64_t file_sectors =
            (file_size_ - std::min<uint64_t>(file_size_, sector_size_) + sector_size_ - 1) /
            sector_size_;
        // No sector past those the FAT can account for is part of the document; what lies past
        // the committed end is said once the FAT is read (check_end).
        const uint64_t sectors = std::min(file_sectors, uint64_t{fat_sectors_} * per_sector_);
        // Sector numbers above this are markers: a longer file cannot be addressed.
        if (sectors > kMaxRegSect + 1ull) {
            problem("file has " + std::to_string(sectors) +
                    " sectors, more than sector numbers can address");
            return false;
        }
        sector_count_ = static_cast<uint32_t>(sectors);
        owners_.assign(sector_count_, kUnowned);
        return true;
    }

    void read_difat() {
        const uint8_t* h = header_.data();
        for (uint32_t i = 0; i < kHeaderDifatSlots; ++i) difat_.push_back(le32(h + 76 + 4 * i));
        if (difat_sectors_ == 0 && difat_start_ != kEndOfChain)
            problem("header: no DIFAT sectors, but the first DIFAT sector is " +
                    sector_text(difat_start_) + ", not ENDOFCHAIN");
        uint32_t next = difat_start_;
        uint32_t walked = 0;
        for (; walked < difat_sectors_; ++walked) {
            if (next > kMaxRegSect) {
                problem("DIFAT chain ends after " + plural(walked, "sector", "sectors") + " at " +
                        sector_text(next) + ", but the header gives " +
                        std::to_string(difat_sectors_));
                break;
            }
            if (!claim(next, kOwnerDifat)) break;
            difat_chain_.push_back(next);
            const std::vector<uint8_t> s = read_sector(next);
            for (uint32_t i = 0; i + 1 < per_sector_; ++i) difat_.push_back(le32(&s[4 * i]));
            next = le32(&s[4 * (per_sector_ - 1)]);
        }
        if (walked == difat_sectors_ && difat_sectors_ > 0 && next != kEndOfChain)
            problem("last DIFAT sector points to " + sector_text(next) + ", not ENDOFCHAIN");

        const uint64_t needed =
            fat_sectors_ <= kHeaderDifatSlots
                ? 0
                : (uint64_t{fat_sectors_} - kHeaderDifatSlots + per_sector_ - 2) /
                      (per_sector_ - 1);
        if (needed != difat_sectors_)
            problem("header gives " + plural(difat_sectors_, "DIFAT sector", "DIFAT sectors") +
                    ", but " + plural(fat_sectors_, "FAT sector needs ", "FAT sectors need ") +
                    std::to_string(needed));

        uint32_t listed = 0;
        for (uint64_t i = 0; i < difat_.size(); ++i) {
            const uint32_t v = difat_[i];
            if (i < fat_sectors_) {
                if (v <= kMaxRegSect) {
                    fat_chain_.push_back(v);
                    ++listed;
                }
            } else if (v != kFreeSect) {
                deviation("DIFAT slot " + std::to_string(i) + " past the " +
                          plural(fat_sectors_, "FAT sector", "FAT sectors") + " is " +
                          sector_text(v) + ", not FREESECT");
                break;
            }
        }
        if (listed != fat_sectors_)
            problem("header gives " + plural(fat_sectors_, "FAT sector", "FAT sectors") +
                    ", but the DIFAT lists " + std::to_string(listed));
    }

    void read_fat() {
        for (uint32_t sector : fat_chain_) {
            const bool mine = claim(sector, kOwnerFat);
            const std::vector<uint8_t> s =
                mine ? read_sector(sector) : std::vector<uint8_t>(sector_size_, 0xFF);
            for (uint32_t i = 0; i < per_sector_; ++i) fat_.push_back(le32(&s[4 * i]));
        }
        if (fat_.size() < sector_count_)
            problem("FAT has " + plural(fat_.size(), "entry", "entries") + ", but the file has " +
                    plural(sector_count_, "sector", "sectors"));
        uint64_t in_use = 0;
        for (uint64_t i = fat_.size(); i > sector_count_; --i)
            if (fat_[i - 1] != kFreeSect) {
                in_use = i;
                break;
            }
        if (in_use > 0)
            problem("FAT has " + plural(in_use, "entry", "entries") + ", but the file has only " +
                    plural(sector_count_, "sector", "sectors"));
        fat_.resize(std::max<size_t>(fat_.size(), sector_count_), kFreeSect);
    }

    // Bytes past the committed end, the last sector the FAT marks in use: a commit writes its
    // sectors before it switches the header, so a process killed while it wrote leaves them
    // behind a whole committed state, and the engine's next commit cuts them. A last sector in
    // use that is cut short is damage.
    void check_end() {
        uint32_t used = sector_count_;
        while (used > 0 && fat_[used - 1] == kFreeSect) --used;
        const uint64_t end = (uint64_t{used} + 1) * sector_size_;
        if (end > file_size_) {
            problem("file size " + std::to_string(file_size_) +
                    " is not a multiple of the sector size " + std::to_string(sector_size_) +
                    (used > 0 ? ", and its last sector " + std::to_string(used - 1) + " is in use"
                              : std::string()));
        } else if (end < file_size_) {
            problem(std::string(kNotePrefix) + "file size " + std::to_string(file_size_) + " is " +
                    plural(file_size_ - end, "byte", "bytes") +
                    " past the committed end at offset " + std::to_string(end) +
                    " (no sector of the document holds them); a writable open cuts them");
        }
    }

    void check_fat_marks() {
        for (uint32_t sector : fat_chain_)
            if (sector < sector_count_ && fat_[sector] != kFatSect)
                problem("FAT sector " + std::to_string(sector) + " is marked " +
                        sector_text(fat_[sector]) + " in the FAT, not FATSECT");
        for (uint32_t sector : difat_chain_)
            if (fat_[sector] != kDifSect)
                problem("DIFAT sector " + std::to_string(sector) + " is marked " +
                        sector_text(fat_[sector]) + " in the FAT, not DIFSECT");
        for (uint32_t i = 0; i < sector_count_; ++i) {
            const uint32_t v = fat_[i];
            if (v == kFatSect && owners_[i] != kOwnerFat)
                problem("sector " + std::to_string(i) +
                        " is marked FATSECT, but the DIFAT does not list it");
            else if (v == kDifSect && owners_[i] != kOwnerDifat)
                problem("sector " + std::to_string(i) +
                        " is marked DIFSECT, but it is not in the DIFAT chain");
            else if (v == 0xFFFFFFFB)
                problem("sector " + std::to_string(i) + " is marked with the reserved value " +
                        hex32(v));
        }
    }

    void read_directory() {
        directory_chain_ = follow(directory_start_, kOwnerDirectory);
        if (major_ == 4 && directory_sectors_ != directory_chain_.size())
            problem("header gives " +
                    plural(directory_sectors_, "directory sector", "directory sectors") +
                    ", but the directory chain has " + std::to_string(directory_chain_.size()));
        for (uint32_t sector : directory_chain_) {
            const std::vector<uint8_t> s = read_sector(sector);
            for (uint32_t off = 0; off + kEntrySize <= sector_size_; off += kEntrySize) {
                const uint8_t* p = &s[off];
                Entry e;
                e.id = static_cast<uint32_t>(entries_.size());
                const uint16_t name_bytes = le16(p + 64);
                e.type = p[66];
                e.color = p[67];
                e.left = le32(p + 68);
                e.right = le32(p + 72);
                e.child = le32(p + 76);
                e.start = le32(p + 116);
                e.size = le64(p + 120);
                raw_name_lengths_.push_back(name_bytes);
                if (name_bytes == 0) {
                    e.name_ok = true;  // empty, as some writers leave it
                } else if (name_bytes <= 64 && name_bytes % 2 == 0) {
                    for (uint32_t i = 0; i + 2 < name_bytes; i += 2)
                        e.name.push_back(static_cast<char16_t>(le16(p + i)));
                    e.name_ok =
                        e.name.find(u'\0') == std::u16string::npos && le16(p + name_bytes - 2) == 0;
                    if (!e.name_ok) {
                        // Keep what precedes the first NUL so the message can still name it.
                        e.name.resize(std::min(e.name.find(u'\0'), e.name.size()));
                    }
                }
                entries_.push_back(std::move(e));
            }
        }
    }

    bool check_root() {
        if (entries_.empty()) {
            problem("directory has no entries");
            return false;
        }
        const Entry& root = entries_[0];
        if (root.type != kTypeRoot) {
            problem("directory entry 0 is not the root (object type " + std::to_string(root.type) +
                    ")");
            return false;
        }
        if (root.left != kNoStream || root.right != kNoStream)
            problem("directory entry 0 (the root) has siblings");
        return true;
    }

    void check_entries() {
        for (Entry& e : entries_) {
            const std::string label = entry_label(e.id);
            if (e.type == kTypeEmpty) continue;
            if (e.type != kTypeStorage && e.type != kTypeStream && e.type != kTypeRoot) {
                problem(label + ": object type " + std::to_string(e.type) + " is not valid");
                continue;
            }
            if (e.type == kTypeRoot && e.id != 0) problem(label + ": a second root entry");
            const uint16_t name_bytes = raw_name_lengths_[e.id];
            // The root's name is never looked up: what other writers leave there is harmless.
            auto name_fault = [&](const std::string& text) {
                if (e.type == kTypeRoot)
                    deviation(text);
                else
                    problem(text);
            };
            if (name_bytes > 64 || name_bytes % 2 != 0) {
                name_fault(label + ": name length field is " + std::to_string(name_bytes) +
                           " (even, at most 64 bytes with the terminating NUL)");
            } else if (!e.name_ok) {
                name_fault(label + ": name length field is " + std::to_string(name_bytes) +
                           ", but the name has " +
                           plural(e.name.size(), "character", "characters") +
                           " and a NUL is 2 bytes more");
            } else if (e.type != kTypeRoot && e.name.empty()) {
                deviation(label + ": name is empty (name length field " +
                          std::to_string(name_bytes) + ")");
            } else if (e.type != kTypeRoot &&
                       e.name.find_first_of(u"/\\:!") != std::u16string::npos) {
                deviation(label + ": name holds one of / \\ : !");
            }
            if (e.color != kRed && e.color != kBlack)
                deviation(label + ": colour is " + std::to_string(e.color) + ", not red or black");
            if (major_ == 3 && (e.size >> 32) != 0)
                deviation(label + ": size " + std::to_string(e.size) +
                          " has a high part in a version 3 file");
            if (e.type == kTypeStream && e.child != kNoStream)
                problem(label + ": a stream with a child");
            if (e.type == kTypeStorage && e.size != 0)
                problem(label + ": a storage with size " + std::to_string(e.size));
        }
    }

    // Walks each storage's sibling tree: every entry reached once, in sibling order, coloured
    // as a red-black tree, no name twice.
    void walk_tree() {
        reached_.assign(entries_.size(), false);
        left_.assign(entries_.size(), kNoStream);
        right_.assign(entries_.size(), kNoStream);
        black_height_.assign(entries_.size(), 0);
        reached_[0] = true;
        std::vector<uint32_t> storages{0};
        while (!storages.empty()) {
            const uint32_t storage = storages.back();
            storages.pop_back();
            const std::vector<uint32_t> children = walk_siblings(storage);
            for (uint32_t id : children) {
                if (entries_[id].type == kTypeStorage) storages.push_back(id);
                if (entries_[id].type == kTypeStream) streams_.push_back(id);
            }
        }
        for (const Entry& e : entries_)
            if (e.type != kTypeEmpty && !reached_[e.id])
                problem(entry_label(e.id) + " is not reachable from the root");
    }

    // The children of storage in sibling order; problems of its tree said on the way.
    std::vector<uint32_t> walk_siblings(uint32_t storage) {
        const std::string where = entry_label(storage);
        // A link is followed only to an entry not reached before, so every walk below visits
        // each entry at most once whatever the pointers say.
        auto accept = [&](uint32_t id, uint32_t from) -> uint32_t {
            if (id == kNoStream) return kNoStream;
            if (id >= entries_.size()) {
                problem(entry_label(from) + ": points to directory entry " + std::to_string(id) +
                        ", but the directory has " + std::to_string(entries_.size()) + " entries");
                return kNoStream;
            }
            if (reached_[id]) {
                problem(entry_label(id) + " is reached a second time (from " + entry_label(from) +
                        ")");
                return kNoStream;
            }
            const uint8_t type = entries_[id].type;
            if (type != kTypeStorage && type != kTypeStream) {
                problem(entry_label(id) + " in the tree of " + where + " has object type " +
                        std::to_string(type));
                return kNoStream;
            }
            reached_[id] = true;
            return id;
        };
        const uint32_t top = accept(entries_[storage].child, storage);
        if (top == kNoStream) return {};

        // Pre-order: parents before children, and each accepted link kept.
        std::vector<uint32_t> preorder;
        std::vector<uint32_t> stack{top};
        while (!stack.empty()) {
            const uint32_t id = stack.back();
            stack.pop_back();
            preorder.push_back(id);
            left_[id] = accept(entries_[id].left, id);
            right_[id] = accept(entries_[id].right, id);
            if (right_[id] != kNoStream) stack.push_back(right_[id]);
            if (left_[id] != kNoStream) stack.push_back(left_[id]);
        }

        std::vector<uint32_t> inorder;
        uint32_t cur = top;
        while (cur != kNoStream || !stack.empty()) {
            while (cur != kNoStream) {
                stack.push_back(cur);
                cur = left_[cur];
            }
            cur = stack.back();
            stack.pop_back();
            inorder.push_back(cur);
            cur = right_[cur];
        }
        check_order(where, inorder);
        check_colours(where, preorder);
        return inorder;
    }

    void check_order(const std::string& where, const std::vector<uint32_t>& inorder) {
        std::set<std::u16string> seen;
        const Entry* prev = nullptr;
        for (uint32_t id : inorder) {
            const Entry& e = entries_[id];
            if (!e.name_ok) continue;
            std::u16string key;
            for (char16_t c : e.name) key.push_back(upper_unit(c));
            if (!seen.insert(key).second)
                problem(where + ": name \"" + printable_name(e.name) +
                        "\" is there twice (case does not count)");
            else if (prev && compare_names(prev->name, e.name) > 0)
                problem(where + ": sibling tree is out of order: \"" + printable_name(prev->name) +
                        "\" comes before \"" + printable_name(e.name) + "\"");
            prev = &e;
        }
    }

    // Red-black rules: a black top, no red node with a red child, the same number of black
    // nodes on every path down. Said once per tree, at the first node where it breaks, as a
    // deviation: a reader needs only the order, and the engine writes a changed storage's tree
    // balanced again.
    void check_colours(const std::string& where, const std::vector<uint32_t>& preorder) {
        if (entries_[preorder.front()].color == kRed)
            deviation(where + ": the top of the sibling tree, " + entry_label(preorder.front()) +
                      ", is red");
        bool red_red_said = false;
        bool height_said = false;
        for (auto it = preorder.rbegin(); it != preorder.rend(); ++it) {
            const uint32_t id = *it;
            const bool red = entries_[id].color == kRed;
            const uint32_t l = left_[id];
            const uint32_t r = right_[id];
            if (red && !red_red_said &&
                ((l != kNoStream && entries_[l].color == kRed) ||
                 (r != kNoStream && entries_[r].color == kRed))) {
                deviation(where + ": red " + entry_label(id) + " has a red child");
                red_red_said = true;
            }
            const uint32_t lh = l == kNoStream ? 1 : black_height_[l];
            const uint32_t rh = r == kNoStream ? 1 : black_height_[r];
            if (lh != rh && !height_said) {
                deviation(where + ": below " + entry_label(id) + " the left side has " +
                          plural(lh, "black node", "black nodes") + " on a path, the right side " +
                          std::to_string(rh));
                height_said = true;
            }
            black_height_[id] = std::max(lh, rh) + (red ? 0 : 1);
        }
    }

    // Follows a FAT chain from start, claiming each sector for owner. Returns the sectors in
    // order; complete is cleared when the chain breaks before ENDOFCHAIN.
    std::vector<uint32_t> follow(uint32_t start, uint32_t owner, bool* complete = nullptr) {
        std::vector<uint32_t> chain;
        uint32_t cur = start;
        bool ok = true;
        while (cur != kEndOfChain) {
            if (cur > kMaxRegSect) {
                problem(owner_label(owner) + ": chain reaches " + sector_text(cur) + " after " +
                        plural(chain.size(), "sector", "sectors"));
                ok = false;
                break;
            }
            if (!claim(cur, owner)) {  // claiming bounds the walk: no sector twice
                ok = false;
                break;
            }
            chain.push_back(cur);
            cur = fat_[cur];
        }
        if (complete) *complete = ok;
        return chain;
    }

    void check_streams() {
        const Entry& root = entries_[0];
        const uint64_t mini_size = major_ == 3 ? (root.size & 0xFFFFFFFF) : root.size;
        if (mini_size > 0 || root.start != kEndOfChain) {
            bool complete = false;
            const std::vector<uint32_t> chain = follow(root.start, kOwnerMiniStream, &complete);
            const uint64_t needed = (mini_size + sector_size_ - 1) / sector_size_;
            if (complete && chain.size() != needed)
                problem("the mini stream: chain has " + plural(chain.size(), "sector", "sectors") +
                        ", size " + std::to_string(mini_size) + " of the root needs " +
                        std::to_string(needed));
        }

        std::vector<uint32_t> minifat;
        if (minifat_sectors_ > 0 || minifat_start_ != kEndOfChain) {
            const std::vector<uint32_t> chain = follow(minifat_start_, kOwnerMiniFat);
            if (chain.size() != minifat_sectors_)
                problem("the MiniFAT: chain has " + plural(chain.size(), "sector", "sectors") +
                        ", but the header gives " + std::to_string(minifat_sectors_));
            for (uint32_t sector : chain) {
                const std::vector<uint8_t> s = read_sector(sector);
                for (uint32_t i = 0; i < per_sector_; ++i) minifat.push_back(le32(&s[4 * i]));
            }
        }
        const uint64_t mini_count = (mini_size + kMiniSectorSize - 1) / kMiniSectorSize;
        if (mini_count > minifat.size())
            problem("the mini stream has " + plural(mini_count, "mini sector", "mini sectors") +
                    ", but the MiniFAT covers " + std::to_string(minifat.size()));
        const uint32_t usable =
            static_cast<uint32_t>(std::min<uint64_t>(mini_count, minifat.size()));
        std::vector<uint32_t> mini_owners(usable, kUnowned);

        for (uint32_t id : streams_) {
            const Entry& e = entries_[id];
            const uint64_t size = major_ == 3 ? (e.size & 0xFFFFFFFF) : e.size;
            const std::string label = entry_label(id);
            if (size == 0) continue;
            if (size >= kMiniStreamCutoff) {
                bool complete = false;
                const std::vector<uint32_t> chain =
                    follow(e.start, kOwnerEntryBase + id, &complete);
                const uint64_t needed = (size + sector_size_ - 1) / sector_size_;
                if (complete && chain.size() != needed)
                    problem(label + ": chain has " + plural(chain.size(), "sector", "sectors") +
                            ", size needs " + std::to_string(needed));
                continue;
            }
            uint64_t walked = 0;
            uint32_t cur = e.start;
            bool complete = true;
            while (cur != kEndOfChain) {
                if (cur >= usable) {
                    problem(label + ": mini chain reaches " + sector_text(cur) + " after " +
                            plural(walked, "mini sector", "mini sectors") +
                            ", but the mini stream has " + std::to_string(usable));
                    complete = false;
                    break;
                }
                if (mini_owners[cur] != kUnowned) {
                    if (mini_owners[cur] == kOwnerEntryBase + id)
                        problem(label + ": mini chain loops back to mini sector " +
                                std::to_string(cur));
                    else
                        problem("mini sector " + std::to_string(cur) + " is used by both " +
                                owner_label(mini_owners[cur]) + " and " + label);
                    complete = false;
                    break;
                }
                mini_owners[cur] = kOwnerEntryBase + id;
                ++walked;
                cur = minifat[cur];
            }
            const uint64_t needed = (size + kMiniSectorSize - 1) / kMiniSectorSize;
            if (complete && walked != needed)
                problem(label + ": mini chain has " +
                        plural(walked, "mini sector", "mini sectors") + ", size needs " +
                        std::to_string(needed));
        }

        std::vector<uint32_t> leaked;
        for (uint32_t i = 0; i < usable; ++i)
            if (minifat[i] != kFreeSect && mini_owners[i] == kUnowned) leaked.push_back(i);
        if (!leaked.empty())
            problem(plural(leaked.size(), "mini sector is", "mini sectors are") +
                    " marked in use in the MiniFAT but owned by nothing: " + list(leaked));
        for (uint64_t i = mini_count; i < minifat.size(); ++i)
            if (minifat[i] != kFreeSect) {
                problem("the MiniFAT marks mini sector " + std::to_string(i) +
                        " in use, past the end of the mini stream (" +
                        plural(mini_count, "mini sector", "mini sectors") + ")");
                break;
            }
    }

    void check_leaks() {
        std::vector<uint32_t> leaked;
        for (uint32_t i = 0; i < sector_count_; ++i)
            if (fat_[i] != kFreeSect && owners_[i] == kUnowned) leaked.push_back(i);
        if (!leaked.empty())
            problem(plural(leaked.size(), "sector is", "sectors are") +
                    " marked in use in the FAT but owned by nothing: " + list(leaked));
    }

    // The first few numbers of a list, for a message.
    static std::string list(const std::vector<uint32_t>& values) {
        std::string out;
        for (size_t i = 0; i < values.size() && i < 8; ++i)
            out += (i ? ", " : "") + std::to_string(values[i]);
        if (values.size() > 8) out += ", ...";
        return out;
    }

    ILockBytes& bytes_;
    std::vector<std::string> problems_;
    uint64_t suppressed_ = 0;
    bool read_failed_ = false;

    uint64_t file_size_ = 0;
    std::vector<uint8_t> header_;
    uint16_t major_ = 0;
    uint32_t sector_size_ = 512;
    uint32_t per_sector_ = 128;
    uint32_t sector_count_ = 0;
    uint32_t directory_sectors_ = 0;
    uint32_t fat_sectors_ = 0;
    uint32_t directory_start_ = 0;
    uint32_t minifat_start_ = 0;
    uint32_t minifat_sectors_ = 0;
    uint32_t difat_start_ = 0;
    uint32_t difat_sectors_ = 0;

    std::vector<uint32_t> owners_;
    std::vector<uint32_t> difat_;
    std::vector<uint32_t> difat_chain_;
    std::vector<uint32_t> fat_chain_;
    std::vector<uint32_t> fat_;
    std::vector<uint32_t> directory_chain_;
    std::vector<Entry> entries_;
    std::vector<uint16_t> raw_name_lengths_;
    std::vector<bool> reached_;
    std::vector<uint32_t> left_;  // links the tree walk accepted
    std::vector<uint32_t> right_;
    std::vector<uint32_t> black_height_;
    std::vector<uint32_t> streams_;
};

}  // namespace

std::vector<std::string> validate_document(ILockBytes& bytes) {
    return Validator(bytes).run();
}

}  // namespace cfb
