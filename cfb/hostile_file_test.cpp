// Damaged and hostile files: every fault gives an error status, never a crash, hang or a huge
// allocation.
#include <random>

#include "cfb/little_endian.h"
#include "cfb/test_support.h"

namespace cfb::testing {
namespace {

// A document with a mini stream, a regular stream and a storage; returns its bytes.
std::vector<uint8_t> sample() {
    MemoryDocument doc;
    EXPECT_EQ(put_stream(doc.root.get(), "small", pattern(300, 1)), S_OK);
    EXPECT_EQ(put_stream(doc.root.get(), "large", pattern(10000, 2)), S_OK);
    Ref<IStorage> sub;
    EXPECT_EQ(doc.root->CreateStorage(u"sub", kRW, 0, 0, sub.out()), S_OK);
    EXPECT_EQ(put_stream(sub.get(), "x", pattern(5000, 3)), S_OK);
    sub.reset();
    EXPECT_EQ(doc.root->Commit(0), S_OK);
    doc.root.reset();
    return doc.image;
}

HRESULT open_image(const std::vector<uint8_t>& image, DWORD mode, Ref<IStorage>& root) {
    ILockBytes* raw = nullptr;
    EXPECT_EQ(create_memory_lock_bytes(image, &raw), S_OK);
    Ref<ILockBytes> bytes(raw);
    return StgOpenStorageOnILockBytes(bytes.get(), nullptr, mode, nullptr, 0, root.out());
}

// Offset of directory entry `id` (the directory of sample() fits its first sector).
size_t entry_offset(const std::vector<uint8_t>& image, uint32_t id) {
    return (get32(image.data() + 48) + 1) * 512 + id * 128;
}

uint32_t find_entry(const std::vector<uint8_t>& image, const std::u16string& name) {
    for (uint32_t id = 0; id < 4 * 4; ++id) {
        const uint8_t* e = image.data() + entry_offset(image, id);
        if (get16(e + 64) == (name.size() + 1) * 2 && e[0] == name[0] && e[2] == name[1]) return id;
    }
    ADD_FAILURE() << "no entry";
    return 0;
}

size_t fat_entry_offset(const std::vector<uint8_t>& image, uint32_t sector) {
    return (get32(image.data() + 76) + 1) * 512 + 4 * sector;
}

TEST(HostileHeader, WrongSignatureOrShortFileIsAnInvalidHeader) {
    std::vector<uint8_t> image = sample();
    Ref<IStorage> root;
    image[0] ^= 1;
    EXPECT_EQ(open_image(image, kRO, root), STG_E_INVALIDHEADER);
    EXPECT_EQ(open_image(std::vector<uint8_t>(100, 0), kRO, root), STG_E_INVALIDHEADER);
    EXPECT_EQ(open_image({}, kRO, root), STG_E_INVALIDHEADER);
}

TEST(HostileHeader, HugeFatSectorCountIsRefusedWithoutAllocatingIt) {
    std::vector<uint8_t> image = sample();
    put32(image.data() + 44, 0x7FFFFFFF);
    Ref<IStorage> root;
    EXPECT_EQ(open_image(image, kRO, root), STG_E_DOCFILECORRUPT);
}

TEST(HostileHeader, DifatChainLoopIsCorrupt) {
    std::vector<uint8_t> image = sample();
    put32(image.data() + 44, 200);  // more FAT sectors than the header lists
    put32(image.data() + 68, 0);    // DIFAT chain starting at sector 0 ...
    put32(image.data() + 72, 3);
    put32(image.data() + 512 + 508, 0);  // ... which names itself as the next
    Ref<IStorage> root;
    EXPECT_EQ(open_image(image, kRO, root), STG_E_DOCFILECORRUPT);
}

TEST(HostileChains, FatCycleIsCorrupt) {
    std::vector<uint8_t> image = sample();
    const uint32_t start =
        get32(image.data() + entry_offset(image, find_entry(image, u"large")) + 116);
    put32(image.data() + fat_entry_offset(image, start + 3), start);
    Ref<IStorage> root;
    EXPECT_EQ(open_image(image, kRO, root), STG_E_DOCFILECORRUPT);
}

TEST(HostileChains, SectorBeyondTheFileIsCorrupt) {
    std::vector<uint8_t> image = sample();
    const uint32_t start =
        get32(image.data() + entry_offset(image, find_entry(image, u"large")) + 116);
    put32(image.data() + fat_entry_offset(image, start),
          120);  // FAT says 128 sectors, file far fewer
    Ref<IStorage> root;
    EXPECT_EQ(open_image(image, kRO, root), STG_E_DOCFILECORRUPT);
}

TEST(HostileChains, StreamLargerThanItsChainIsCorrupt) {
    std::vector<uint8_t> image = sample();
    put32(image.data() + entry_offset(image, find_entry(image, u"large")) + 120, 900000);
    Ref<IStorage> root;
    EXPECT_EQ(open_image(image, kRO, root), STG_E_DOCFILECORRUPT);
}

TEST(HostileChains, TwoStreamsSharingSectorsAreCorrupt) {
    std::vector<uint8_t> image = sample();
    const size_t large = entry_offset(image, find_entry(image, u"large"));
    const size_t x = entry_offset(image, find_entry(image, u"x"));
    put32(image.data() + x + 116, get32(image.data() + large + 116));
    Ref<IStorage> root;
    EXPECT_EQ(open_image(image, kRO, root), STG_E_DOCFILECORRUPT);
}

TEST(HostileChains, Version3IgnoresTheHighHalfOfAStreamSize) {
    std::vector<uint8_t> image = sample();
    put32(image.data() + entry_offset(image, find_entry(image, u"large")) + 124, 0xDEADBEEF);
    Ref<IStorage> root;
    ASSERT_EQ(open_image(image, kRO, root), S_OK);
    EXPECT_EQ(tree_of(root.get()).at("large"), pattern(10000, 2));
}

TEST(HostileDirectory, SiblingCycleIsCorrupt) {
    std::vector<uint8_t> image = sample();
    const uint32_t child = get32(image.data() + entry_offset(image, 0) + 76);
    put32(image.data() + entry_offset(image, child) + 68, child);
    Ref<IStorage> root;
    EXPECT_EQ(open_image(image, kRO, root), STG_E_DOCFILECORRUPT);
}

TEST(HostileDirectory, ChildPointingBackToTheRootIsCorrupt) {
    std::vector<uint8_t> image = sample();
    put32(image.data() + entry_offset(image, find_entry(image, u"sub")) + 76, 0);
    Ref<IStorage> root;
    EXPECT_EQ(open_image(image, kRO, root), STG_E_DOCFILECORRUPT);
}

TEST(HostileDirectory, LinkPastTheLastEntryIsCorrupt) {
    std::vector<uint8_t> image = sample();
    put32(image.data() + entry_offset(image, 0) + 76, 5000);
    Ref<IStorage> root;
    EXPECT_EQ(open_image(image, kRO, root), STG_E_DOCFILECORRUPT);
}

TEST(HostileDirectory, BadNameLengthIsCorrupt) {
    std::vector<uint8_t> image = sample();
    put16(image.data() + entry_offset(image, find_entry(image, u"sub")) + 64, 65);
    Ref<IStorage> root;
    EXPECT_EQ(open_image(image, kRO, root), STG_E_DOCFILECORRUPT);
}

// Opens, walks and reads everything it can, then edits and commits; any status is fine.
void exercise(const std::vector<uint8_t>& image) {
    Ref<IStorage> root;
    if (FAILED(open_image(image, kRW, root))) return;
    std::vector<Ref<IStorage>> storages;
    std::vector<IStorage*> pending{root.get()};
    std::vector<char> buffer(4096);
    while (!pending.empty() && storages.size() < 64) {
        IStorage* storage = pending.back();
        pending.pop_back();
        Ref<IEnumSTATSTG> items;
        if (FAILED(storage->EnumElements(0, nullptr, 0, items.out()))) continue;
        STATSTG st;
        ULONG fetched = 0;
        while (items->Next(1, &st, &fetched) == S_OK && fetched == 1) {
            const std::u16string name = st.pwcsName;
            CoTaskMemFree(st.pwcsName);
            if (st.type == STGTY_STORAGE) {
                storages.emplace_back();
                if (SUCCEEDED(storage->OpenStorage(name.c_str(), nullptr, kRW, nullptr, 0,
                                                   storages.back().out())))
                    pending.push_back(storages.back().get());
                continue;
            }
            Ref<IStream> s;
            if (FAILED(storage->OpenStream(name.c_str(), nullptr, kRW, 0, s.out()))) continue;
            ULONG got = 0;
            while (SUCCEEDED(s->Read(buffer.data(), 4096, &got)) && got > 0) {
            }
            s->Write("edit", 4, nullptr);
        }
    }
    storages.clear();
    put_stream(root.get(), "added", pattern(5000, 1));
    root->Commit(0);
}

TEST(HostileFuzz, RandomlyDamagedDocumentsNeverCrash) {
    const std::vector<uint8_t> original = sample();
    std::mt19937 random(12345);
    for (int round = 0; round < 1500; ++round) {
        std::vector<uint8_t> image = original;
        const int flips = 1 + static_cast<int>(random() % 8);
        for (int i = 0; i < flips; ++i) {
            // Aim most damage at the header, FAT and directory where structure lives.
            const size_t at = random() % 4 == 0 ? random() % image.size() : random() % 1024;
            const size_t offset =
                at < 512 ? at
                         : (at % 2 == 0 ? entry_offset(image, 0) : fat_entry_offset(image, 0)) +
                               at % 512;
            if (offset < image.size()) image[offset] = static_cast<uint8_t>(random());
        }
        if (random() % 10 == 0) image.resize(random() % image.size());
        exercise(image);
    }
}

}  // namespace
}  // namespace cfb::testing
