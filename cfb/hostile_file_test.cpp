// Damaged and hostile files: every fault gives an error status, never a crash, hang or a huge
// allocation.
#include <functional>
#include <random>

#include "cfb/little_endian.h"
#include "cfb/test_support.h"

namespace cfb::testing {
namespace {

uint32_t find_entry(const std::vector<uint8_t>& image, const std::u16string& name) {
    for (uint32_t id = 0; id < 4 * 4; ++id) {
        const uint8_t* e = image.data() + entry_offset(image, id);
        if (get16(e + 64) == (name.size() + 1) * 2 && e[0] == name[0] && e[2] == name[1]) return id;
    }
    ADD_FAILURE() << "no entry";
    return 0;
}

uint8_t* entry(std::vector<uint8_t>& image, const std::u16string& name) {
    return image.data() + entry_offset(image, find_entry(image, name));
}

size_t fat_entry_offset(const std::vector<uint8_t>& image, uint32_t sector) {
    return (get32(image.data() + 76) + 1) * 512 + 4 * sector;
}

struct Fault {
    const char* what;
    std::function<void(std::vector<uint8_t>&)> apply;
    HRESULT status = STG_E_DOCFILECORRUPT;
};

TEST(HostileFiles, EveryStructuralFaultIsAnErrorStatus) {
    const Fault faults[] = {
        {"wrong signature", [](auto& img) { img[0] ^= 1; }, STG_E_INVALIDHEADER},
        {"shorter than a header", [](auto& img) { img.resize(100); }, STG_E_INVALIDHEADER},
        {"empty", [](auto& img) { img.clear(); }, STG_E_INVALIDHEADER},
        // Refused without allocating a table of that size.
        {"huge FAT sector count", [](auto& img) { put32(img.data() + 44, 0x7FFFFFFF); }},
        {"DIFAT chain loop",
         [](auto& img) {
             put32(img.data() + 44, 200);  // more FAT sectors than the header lists
             put32(img.data() + 68, 0);    // DIFAT chain at sector 0, which names itself next
             put32(img.data() + 72, 3);
             put32(img.data() + 512 + 508, 0);
         }},
        {"FAT cycle",
         [](auto& img) {
             const uint32_t start = get32(entry(img, u"large") + 116);
             put32(img.data() + fat_entry_offset(img, start + 3), start);
         }},
        {"sector beyond the file",
         [](auto& img) {
             put32(img.data() + fat_entry_offset(img, get32(entry(img, u"large") + 116)), 120);
         }},
        {"stream larger than its chain",
         [](auto& img) { put32(entry(img, u"large") + 120, 900000); }},
        {"two streams sharing sectors",
         [](auto& img) { put32(entry(img, u"x") + 116, get32(entry(img, u"large") + 116)); }},
        {"sibling cycle",
         [](auto& img) {
             const uint32_t child = get32(img.data() + entry_offset(img, 0) + 76);
             put32(img.data() + entry_offset(img, child) + 68, child);
         }},
        {"child pointing back to the root", [](auto& img) { put32(entry(img, u"sub") + 76, 0); }},
        {"link past the last entry",
         [](auto& img) { put32(img.data() + entry_offset(img, 0) + 76, 5000); }},
        {"odd name length", [](auto& img) { put16(entry(img, u"sub") + 64, 65); }},
        // Only the root's name is read leniently: a wrong name elsewhere would find wrong data.
        {"stream name length 2", [](auto& img) { put16(entry(img, u"small") + 64, 2); }},
    };
    const std::vector<uint8_t> sound = sample_image();
    for (const Fault& fault : faults) {
        std::vector<uint8_t> image = sound;
        fault.apply(image);
        Ref<IStorage> root;
        EXPECT_EQ(open_image(image, kRO, root), fault.status) << fault.what;
    }
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
    const std::vector<uint8_t> original = sample_image();
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
