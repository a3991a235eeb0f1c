// The salvaging open on deliberately damaged documents: refused by the ordinary open, read as
// far as each chain is sound by the salvaging one, every cut recorded.
#include <functional>
#include <set>

#include "cfb/little_endian.h"
#include "cfb/test_image.h"
#include "cfb/test_support.h"

namespace cfb::testing {
namespace {

constexpr size_t kEntryBytes = 128;
constexpr uint32_t kFreeSect = 0xFFFFFFFFu;
constexpr uint32_t kEndOfChain = 0xFFFFFFFEu;

// Directory entry of `name` (version 3, contiguous directory), or fails the test.
uint8_t* entry(std::vector<uint8_t>& image, const std::string& name) {
    const std::u16string wanted = u16(name);
    for (uint32_t id = 0; entry_offset(image, id) + kEntryBytes <= image.size(); ++id) {
        uint8_t* e = image.data() + entry_offset(image, id);
        const uint16_t bytes = get16(e + kEntryNameLengthAt);
        if (bytes != (wanted.size() + 1) * 2) continue;
        std::u16string got;
        for (size_t i = 0; i < wanted.size(); ++i) got += static_cast<char16_t>(get16(e + 2 * i));
        if (got == wanted) return e;
    }
    ADD_FAILURE() << "no entry " << name;
    return image.data();
}

uint32_t start_of(std::vector<uint8_t>& image, const std::string& name) {
    return get32(entry(image, name) + kEntryStartAt);
}

// The FAT (or MiniFAT) entry of `sector`, found through the header.
uint8_t* fat_entry(std::vector<uint8_t>& image, uint32_t sector) {
    const uint32_t fat_sector =
        get32(image.data() + kHeaderDifatAt + kSectorIdBytes * (sector / 128));
    return image.data() + (size_t{fat_sector} + 1) * 512 + kSectorIdBytes * (sector % 128);
}
uint8_t* minifat_entry(std::vector<uint8_t>& image, uint32_t sector) {
    return image.data() + (size_t{get32(image.data() + kHeaderFirstMiniFatAt)} + 1) * 512 +
           kSectorIdBytes * sector;
}

// The sector `steps` links after `start`.
uint32_t follow(std::vector<uint8_t>& image, uint32_t start, int steps) {
    for (int i = 0; i < steps; ++i) start = get32(fat_entry(image, start));
    return start;
}

std::vector<uint8_t> image_of(const Tree& tree) {
    MemoryDocument doc;
    put_tree(doc.root.get(), tree);
    EXPECT_EQ(doc.root->Commit(0), S_OK);
    doc.root.reset();
    return doc.image;
}

// Twenty small streams: a directory of six sectors, and a 70 KiB stream that needs a second
// FAT sector.
const Tree& wide_tree() {
    static const Tree tree = [] {
        Tree t;
        for (int i = 0; i < 20; ++i)
            t["s" + std::to_string(10 + i)] = pattern(100 + 37 * i, static_cast<unsigned>(i));
        t["big"] = pattern(70000, 99);
        return t;
    }();
    return tree;
}

struct Salvaged {
    HRESULT status = E_FAIL;
    SalvageReport report;
    Tree tree;
};

Salvaged salvage(const std::vector<uint8_t>& image) {
    Salvaged out;
    ILockBytes* raw = nullptr;
    EXPECT_EQ(create_memory_lock_bytes(image, &raw), S_OK);
    Ref<ILockBytes> bytes(raw);
    Ref<IStorage> root;
    out.status = open_for_salvage_on(bytes.get(), kRO, root.out(), &out.report);
    if (SUCCEEDED(out.status)) out.tree = tree_of(root.get());
    return out;
}

std::string joined(const std::vector<std::u16string>& parts) {
    std::string out;
    for (const auto& p : parts) out += (out.empty() ? "" : "/") + u8(p);
    return out;
}

struct Damage {
    const char* what;
    const Tree& (*tree)();
    std::function<void(std::vector<uint8_t>&)> apply;
    std::map<std::string, size_t> cut;  // streams cut, with the bytes they keep
    bool elements_lost = false;         // the root's sibling tree lost links
    size_t grown = 0;                   // bytes the damage added to a stream's size
    const char* says = nullptr;         // in the reason of every stream cut
};

TEST(Salvage, DamagedDocumentsReadEveryIntactStreamAndThePrefixOfEveryCutOne) {
    const Damage damages[] = {
        {"a sector used by two chains",
         sample_tree,
         [](auto& img) {
             // large's third sector links into sub/x: both lose the shared sectors.
             put32(fat_entry(img, follow(img, start_of(img, "large"), 2)), start_of(img, "x"));
         },
         {{"large", 3 * 512}, {"sub/x", 0}}},
        {"a chain past the end of the file",
         sample_tree,
         [](auto& img) { put32(fat_entry(img, follow(img, start_of(img, "large"), 4)), 100000); },
         {{"large", 5 * 512}},
         false,
         0,
         "links to sector 100000, past the end of the file"},
        {"a chain into a free sector",
         sample_tree,
         [](auto& img) { put32(fat_entry(img, follow(img, start_of(img, "x"), 1)), kFreeSect); },
         {{"sub/x", 2 * 512}}},
        {"a chain looping back",
         sample_tree,
         [](auto& img) {
             const uint32_t start = start_of(img, "large");
             put32(fat_entry(img, follow(img, start, 6)), start);
         },
         {{"large", 7 * 512}}},
        {"a size its chain is too short for",
         sample_tree,
         [](auto& img) { put32(entry(img, "large") + kEntrySizeAt, 10000 + 3 * 512); },
         {{"large", 20 * 512}},
         false,
         3 * 512,
         "its chain ends at sector"},
        {"a mini chain into a free mini sector",
         sample_tree,
         [](auto& img) {
             put32(minifat_entry(img, get32(minifat_entry(img, start_of(img, "small")))),
                   kFreeSect);
         },
         {{"small", 2 * 64}}},
        {"a mini chain past the mini stream",
         sample_tree,
         [](auto& img) { put32(entry(img, "small") + kEntryStartAt, 5000); },
         {{"small", 0}}},
        {"a stream running into the directory",
         sample_tree,
         [](auto& img) {
             put32(fat_entry(img, start_of(img, "x")), get32(img.data() + kHeaderFirstDirSectorAt));
         },
         {{"sub/x", 512}}},
        {"a broken FAT sector list",
         wide_tree,
         [](auto& img) { put32(img.data() + kHeaderDifatAt, 90000); },  // the first FAT sector
         {{"big", 512}}},  // its first sector's link was in the lost FAT sector
        {"a zeroed directory sector in the middle",
         wide_tree,
         [](auto& img) {
             std::fill_n(img.begin() + static_cast<long>(entry_offset(img, 8)), 512, 0);
         },
         {},
         true},
        {"a directory chain that breaks",
         wide_tree,
         [](auto& img) {
             put32(fat_entry(img, follow(img, get32(img.data() + kHeaderFirstDirSectorAt), 2)),
                   kEndOfChain);
         },
         {},
         true},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.what);
        const Tree& original = damage.tree();
        std::vector<uint8_t> image = image_of(original);
        damage.apply(image);
        Ref<IStorage> refused;
        EXPECT_EQ(open_image(image, kRO, refused), STG_E_DOCFILECORRUPT);

        const Salvaged got = salvage(image);
        ASSERT_EQ(got.status, S_OK) << got.report.refusal;
        std::map<std::string, const SalvageCut*> cuts;
        bool lost = false;
        for (const SalvageCut& cut : got.report.cuts) {
            EXPECT_FALSE(cut.reason.empty());
            if (cut.stream)
                cuts[joined(cut.path)] = &cut;
            else
                lost = lost || cut.path.empty();
        }
        EXPECT_EQ(lost, damage.elements_lost);
        std::set<std::string> cut_names, expected_names;
        for (const auto& [path, cut] : cuts) cut_names.insert(path);
        for (const auto& [path, keep] : damage.cut) expected_names.insert(path);
        EXPECT_EQ(cut_names, expected_names);
        for (const auto& [path, bytes] : got.tree) {
            const auto it = original.find(path);
            ASSERT_NE(it, original.end()) << path;
            const auto cut = cuts.find(path);
            if (cut == cuts.end()) {
                EXPECT_EQ(bytes, it->second) << path;
                continue;
            }
            EXPECT_EQ(cut->second->at, bytes.size()) << path;
            if (damage.says != nullptr) {
                EXPECT_NE(cut->second->reason.find(damage.says), std::string::npos)
                    << cut->second->reason;
            }
            // The size the directory gives: the original one unless the damage changed it.
            EXPECT_EQ(cut->second->size, it->second.size() + damage.grown) << path;
            EXPECT_EQ(bytes.size(), damage.cut.at(path)) << path;
            EXPECT_LT(bytes.size(), cut->second->size) << path;
            // Bytes past the original end are the sector's slack, not the stream's.
            const size_t known = std::min(bytes.size(), it->second.size());
            EXPECT_EQ(bytes.substr(0, known), it->second.substr(0, known)) << path;
        }
        if (damage.elements_lost) {
            EXPECT_LT(got.tree.size(), original.size());
        }
    }
}

// A version 4 stream stating a size near 2^64 (a fuzz find): its sector count once wrapped to
// 0, so the plain open took it and salvage cut it without a reason. Both now see it has no chain.
TEST(Salvage, AStreamOfSizeNear2To64IsRefusedPlainAndCutWithItsReason) {
    cfb_image::Builder b(4);
    b.add(0, u"huge", cfb_image::kStream);
    b.balance();
    cfb_image::Image img = b.build();
    cfb_image::put32(img.bytes, img.entry(1) + 120, 0xFFFFFFFF);
    cfb_image::put32(img.bytes, img.entry(1) + 124, 0xFFFFFFFF);
    Ref<IStorage> root;
    EXPECT_EQ(open_image(img.bytes, kRO, root), STG_E_DOCFILECORRUPT);
    const Salvaged got = salvage(img.bytes);
    ASSERT_EQ(got.status, S_OK);
    ASSERT_EQ(got.report.cuts.size(), 1u);
    EXPECT_EQ(got.report.cuts[0].at, 0u);
    EXPECT_EQ(got.report.cuts[0].reason, "it has no sectors");
}

TEST(Salvage, SoundDocumentsOpenWholeWithNoCuts) {
    for (const Tree* tree : {&sample_tree(), &wide_tree()}) {
        const Salvaged got = salvage(image_of(*tree));
        ASSERT_EQ(got.status, S_OK);
        EXPECT_TRUE(got.report.cuts.empty());
        EXPECT_EQ(got.tree, *tree);
    }
}

TEST(Salvage, UnreadableDirectoryOrHeaderIsRefusedWithItsReason) {
    struct Case {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> apply;
        HRESULT status;
    };
    const Case cases[] = {
        {"wrong signature", [](auto& img) { img[0] ^= 1; }, STG_E_INVALIDHEADER},
        {"directory past the end",
         [](auto& img) { put32(img.data() + kHeaderFirstDirSectorAt, 5000); },
         STG_E_DOCFILECORRUPT},
        {"root entry zeroed",
         [](auto& img) {
             std::fill_n(img.begin() + static_cast<long>(entry_offset(img, 0)), 128, 0);
         },
         STG_E_DOCFILECORRUPT},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> image = sample_image();
        c.apply(image);
        const Salvaged got = salvage(image);
        EXPECT_EQ(got.status, c.status) << c.what;
        EXPECT_FALSE(got.report.refusal.empty()) << c.what;
    }
}

TEST(Salvage, NeverForWriting) {
    TempDir dir;
    const std::string path = dir.file("doc.cfb");
    write_file(path, sample_image());
    for (const DWORD mode : {kRW, DWORD{STGM_WRITE | STGM_SHARE_EXCLUSIVE}}) {
        Ref<IStorage> root;
        SalvageReport report;
        EXPECT_EQ(open_for_salvage(path.c_str(), mode, root.out(), &report), STG_E_INVALIDFLAG);
        EXPECT_FALSE(root);
    }
    // Read-only, the salvaged document refuses every change.
    Ref<IStorage> root;
    SalvageReport report;
    ASSERT_EQ(open_for_salvage(path.c_str(), kRO, root.out(), &report), S_OK);
    EXPECT_EQ(put_stream(root.get(), "new", "x"), STG_E_ACCESSDENIED);
    EXPECT_EQ(tree_of(root.get()), sample_tree());
}

}  // namespace
}  // namespace cfb::testing
