// Damaged and hostile files: every fault gives an error status and names itself, never a crash,
// hang or a huge allocation.
#include <gmock/gmock.h>

#include <functional>
#include <random>

#include "cfb/little_endian.h"
#include "cfb/test_support.h"

namespace cfb::testing {
namespace {

uint32_t find_entry(const std::vector<uint8_t>& image, const std::u16string& name) {
    for (uint32_t id = 0; id < 4 * 4; ++id) {
        const uint8_t* e = image.data() + entry_offset(image, id);
        if (get16(e + kEntryNameLengthAt) == (name.size() + 1) * 2 && e[0] == name[0] &&
            e[2] == name[1])
            return id;
    }
    ADD_FAILURE() << "no entry";
    return 0;
}

uint8_t* entry(std::vector<uint8_t>& image, const std::u16string& name) {
    return image.data() + entry_offset(image, find_entry(image, name));
}

size_t fat_entry_offset(const std::vector<uint8_t>& image, uint32_t sector) {
    return (get32(image.data() + kHeaderDifatAt) + 1) * 512 + kSectorIdBytes * sector;
}

struct Fault {
    const char* what;
    std::function<void(std::vector<uint8_t>&)> apply;
    // The refusal must name this fault (a regular expression), not one another check found.
    const char* reason;
    HRESULT status = STG_E_DOCFILECORRUPT;
};

TEST(HostileFiles, EveryStructuralFaultIsAnErrorStatusWithItsReason) {
    const Fault faults[] = {
        {"wrong signature", [](auto& img) { img[kHeaderSignatureAt] ^= 1; },
         "^the header is not a compound file's", STG_E_INVALIDHEADER},
        {"shorter than a header", [](auto& img) { img.resize(100); },
         "^the file is 100 bytes long, shorter than a header", STG_E_INVALIDHEADER},
        {"empty", [](auto& img) { img.clear(); }, "^the file is 0 bytes long", STG_E_INVALIDHEADER},
        {"big-endian byte order mark",
         [](auto& img) { put16(img.data() + kHeaderByteOrderAt, 0xFEFF); },
         "byte order mark is 0xFEFF, not 0xFFFE", STG_E_INVALIDHEADER},
        {"version 4 with 512-byte sectors",
         [](auto& img) { put16(img.data() + kHeaderMajorVersionAt, 4); },
         "version 4 with sector shift 9", STG_E_INVALIDHEADER},
        {"mini stream cutoff of 2048",
         [](auto& img) { put32(img.data() + kHeaderMiniCutoffAt, 2048); },
         "mini stream cutoff is 2048, not 4096", STG_E_INVALIDHEADER},
        // Refused without allocating a table of that size.
        {"huge FAT sector count",
         [](auto& img) { put32(img.data() + kHeaderFatSectorsAt, 0x7FFFFFFF); },
         "^the header counts 2147483647 FAT sectors, but the file has only [0-9]+ sectors$"},
        {"DIFAT chain loop",
         [](auto& img) {
             // More FAT sectors than the header and one DIFAT sector list, in a file long enough
             // to hold them, so the DIFAT chain is followed: it starts at sector 0, which names
             // itself next.
             img.resize(512 * 300);
             put32(img.data() + kHeaderFatSectorsAt, kHeaderDifatSlots + 127 + 1);
             put32(img.data() + kHeaderFirstDifatAt, 0);
             put32(img.data() + kHeaderDifatSectorsAt, 3);
             put32(img.data() + 512 + 508, 0);
         },
         "^DIFAT sector 0 links to sector 0 again \\(a loop\\)$"},
        {"FAT sector listed twice",
         [](auto& img) {
             put32(img.data() + kHeaderFatSectorsAt, 2);
             put32(img.data() + kHeaderDifatAt + 4, get32(img.data() + kHeaderDifatAt));
         },
         "^FAT sector [0-9]+ is listed twice$"},
        {"FAT cycle",
         [](auto& img) {
             const uint32_t start = get32(entry(img, u"large") + kEntryStartAt);
             put32(img.data() + fat_entry_offset(img, start + 3), start);
         },
         "\"large\": sector [0-9]+ links to sector [0-9]+ again \\(a loop\\)$"},
        {"sector beyond the file",
         [](auto& img) {
             const uint32_t start = get32(entry(img, u"large") + kEntryStartAt);
             put32(img.data() + fat_entry_offset(img, start), 5000);
         },
         "\"large\": sector [0-9]+ links to sector 5000, past the end of the file$"},
        {"stream larger than its chain",
         [](auto& img) { put32(entry(img, u"large") + kEntrySizeAt, 900000); },
         "\"large\": its chain of [0-9]+ sectors is too short for its 900000 bytes$"},
        {"two streams sharing sectors",
         [](auto& img) {
             put32(entry(img, u"x") + kEntryStartAt, get32(entry(img, u"large") + kEntryStartAt));
         },
         "its chain starts at sector [0-9]+, which another chain or table also uses$"},
        {"no directory sector",
         [](auto& img) { put32(img.data() + kHeaderFirstDirSectorAt, kEndOfChain); },
         "^the header gives no directory sector$"},
        {"directory chain past the end",
         [](auto& img) { put32(img.data() + kHeaderFirstDirSectorAt, 70000); },
         "^the directory: its chain starts at sector 70000, past the end of the file$"},
        {"first entry not the root",
         [](auto& img) { img[entry_offset(img, 0) + kEntryTypeAt] = 1; },
         "^directory entry 0 is not the root entry \\(type 1\\)$"},
        {"mini stream past the end",
         [](auto& img) { put32(img.data() + entry_offset(img, 0) + kEntryStartAt, 70000); },
         "^the mini stream: its chain starts at sector 70000, past the end of the file$"},
        {"sibling cycle",
         [](auto& img) {
             const uint32_t child = get32(img.data() + entry_offset(img, 0) + kEntryChildAt);
             put32(img.data() + entry_offset(img, child) + kEntryLeftAt, child);
         },
         "^directory entry [0-9]+ \"[^\"]+\" is linked twice$"},
        {"child pointing back to the root",
         [](auto& img) { put32(entry(img, u"sub") + kEntryChildAt, 0); },
         "^the root entry is linked twice$"},
        {"link past the last entry",
         [](auto& img) { put32(img.data() + entry_offset(img, 0) + kEntryChildAt, 5000); },
         "^directory entry 5000 lies past the end of the directory \\([0-9]+ entries\\)$"},
        {"odd name length", [](auto& img) { put16(entry(img, u"sub") + kEntryNameLengthAt, 11); },
         "^directory entry [0-9]+: name length 11 is odd$"},
        {"name length past the name field",
         [](auto& img) { put16(entry(img, u"sub") + kEntryNameLengthAt, 66); },
         "^directory entry [0-9]+: name length 66 is longer than 64 bytes$"},
        // Only the root's name is read leniently: a wrong name elsewhere would find wrong data.
        {"stream name length 2",
         [](auto& img) { put16(entry(img, u"small") + kEntryNameLengthAt, 2); },
         "^directory entry [0-9]+: name length 2, but the name does not end in a terminator"},
    };
    const std::vector<uint8_t> sound = sample_image();
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.what);
        std::vector<uint8_t> image = sound;
        fault.apply(image);
        Ref<IStorage> root;
        EXPECT_EQ(open_image(image, kRO, root), fault.status);
        EXPECT_THAT(last_refusal(), ::testing::ContainsRegex(fault.reason));
    }
    // A sound open leaves no reason behind.
    Ref<IStorage> root;
    EXPECT_EQ(open_image(sound, kRO, root), S_OK);
    EXPECT_EQ(last_refusal(), "");
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
