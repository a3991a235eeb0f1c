// The validator judges hand-built byte images: sound ones pass silently, and each single broken
// field is named. The images are laid out here, independently of the engine.
#include <algorithm>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cfb/document.h"
#include "cfb/test_image.h"

namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;

using namespace cfb_image;

std::vector<std::string> validate(const Image& img) {
    ILockBytes* raw = nullptr;
    EXPECT_EQ(cfb::create_memory_lock_bytes(img.bytes, &raw), S_OK);
    std::vector<std::string> problems = cfb::validate_document(*raw);
    raw->Release();
    return problems;
}

// A small document that uses every structure: storages, mini and regular streams. Entries:
// 1 "Data", 2 "empty", 3 "small" (2 mini sectors), 4 "edge" (mini sectors 2..65), 5 "big"
// (sectors 13..20), 6 "bigger".
Image sample(int version = 3) {
    Builder b(version);
    const uint32_t dir = b.add(0, u"Data", kStorage);
    b.add(0, u"empty", kStream);
    b.add(0, u"small", kStream, bytes_of(100));
    b.add(dir, u"edge", kStream, bytes_of(4095));
    b.add(dir, u"big", kStream, bytes_of(4096));
    b.add(dir, u"bigger", kStream, bytes_of(5000));
    b.balance();
    return b.build();
}
Image sample3() {
    return sample(3);
}
Image sample4() {
    return sample(4);
}

Image difat() {  // 116 FAT sectors, so one DIFAT sector (sector 116); built once
    static const Image image = [] {
        Builder b;
        b.add(0, u"huge", kStream, bytes_of(7'500'000));
        b.balance();
        return b.build();
    }();
    return image;
}

Image minimal() {  // header, FAT sector, directory sector
    return Builder().build();
}

// Three streams a < b < c under the root: b black on top, a and c red.
Image three() {
    Builder b;
    for (const char16_t* name : {u"a", u"b", u"c"}) b.add(0, name, kStream, bytes_of(10));
    b.balance();
    b.node(1).color = kRed;
    b.node(3).color = kRed;
    return b.build();
}

uint32_t start_of(const Image& img, const std::u16string& name) {
    for (const Node& n : img.nodes)
        if (n.name == name) return n.start;
    ADD_FAILURE() << "no entry of that name";
    return 0;
}
size_t entry_of(const Image& img, const std::u16string& name) {
    for (uint32_t i = 0; i < img.nodes.size(); ++i)
        if (img.nodes[i].name == name) return img.entry(i);
    ADD_FAILURE() << "no entry of that name";
    return 0;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) out += l + "\n";
    return out;
}

// ---------------------------------------------------------------- sound documents

TEST(ValidatorSound, DocumentsOfEveryShapeHaveNoProblems) {
    std::vector<Image> sound = {minimal(), sample(3), sample(4), difat(), three()};
    ASSERT_EQ(sound[0].bytes.size(), 3u * 512);
    ASSERT_GT(sound[3].fat_sectors.size(), 109u);
    ASSERT_EQ(sound[3].difat_sectors.size(), 1u);

    Builder many;
    for (int i = 0; i < 300; ++i)
        many.add(0, u"n" + std::u16string(1, u'a' + i % 26) + std::u16string(1, u'A' + i / 26),
                 kStream, bytes_of(i));
    many.balance();
    sound.push_back(many.build());

    Builder names;  // sibling order is length, then upper case: '_' sorts between the cases
    for (const char16_t* name : {u"zz", u"AAA", u"b", u"_", u"C"}) names.add(0, name, kStream);
    names.add(0, std::u16string(31, u'x'), kStream, bytes_of(5));
    names.balance();
    sound.push_back(names.build());

    Image last_sector_short = sample();  // 4609 bytes still need the 10 sectors of 5000
    put32(last_sector_short.bytes, entry_of(last_sector_short, u"bigger") + 120, 4609);
    sound.push_back(last_sector_short);

    for (size_t i = 0; i < sound.size(); ++i) EXPECT_THAT(validate(sound[i]), IsEmpty()) << i;
}

// ---------------------------------------------------------------- one fault, one finding

// A sound image, one fault laid into it, and the finding that must name it (the only finding
// when `only` is set).
struct Damage {
    const char* what;
    Image (*base)();
    std::function<void(Image&)> damage;
    std::string said;
    bool only = false;
};

std::function<void(Image&)> field16(size_t offset, uint16_t value) {
    return [=](Image& img) { put16(img.bytes, offset, value); };
}
std::function<void(Image&)> field32(size_t offset, uint32_t value) {
    return [=](Image& img) { put32(img.bytes, offset, value); };
}
std::function<void(Image&)> field16_at_entry(uint32_t id, size_t offset, uint16_t value) {
    return [=](Image& img) { put16(img.bytes, img.entry(id) + offset, value); };
}

const Damage kDamages[] = {
    // Header fields.
    {"signature", sample3, field32(0, 0x12345678), "signature is not that of a compound file"},
    {"class id", sample3, field32(8, 1), "class id is not zero"},
    {"minor version", sample3, field16(24, 0x3B),
     "deviation: header: minor version is 0x0000003B, not 0x0000003E", true},
    {"major version", sample3, field16(26, 4), "major version 4 with sector shift 9"},
    {"sector shift", sample3, field16(30, 12), "major version 3 with sector shift 12"},
    {"byte order", sample3, field16(28, 0xFEFF), "byte order mark is 0x0000FEFF"},
    {"mini sector shift", sample3, field16(32, 7), "mini sector shift is 7, not 6"},
    {"reserved", sample3, field16(34, 1), "reserved bytes 34..39 are not zero"},
    {"directory sectors in v3", sample3, field32(40, 1), "version 3 file gives 1 directory"},
    {"mini stream cutoff", sample3, field32(56, 2048), "mini stream cutoff is 2048, not 4096"},
    {"FAT sector count", sample3, field32(44, 2),
     "header gives 2 FAT sectors, but the DIFAT lists 1"},
    {"MiniFAT sector count", sample3, field32(64, 2),
     "the MiniFAT: chain has 1 sector, but the header gives 2"},
    {"DIFAT start without DIFAT sectors", sample3, field32(68, 3),
     "no DIFAT sectors, but the first DIFAT sector is 3"},
    // The file as a whole.
    {"short file", sample3, [](Image& img) { img.bytes.resize(300); },
     "file is 300 bytes, shorter than a header (512 bytes)", true},
    {"last sector in use cut short", sample3,
     [](Image& img) { img.bytes.resize(img.bytes.size() - 10); },
     "file size 16374 is not a multiple of the sector size 512, and its last sector 30 is in use",
     true},
    {"version 4 header sector tail", sample4, [](Image& img) { img.bytes[1000] = 1; },
     "header: bytes 512..4095 of a version 4 header sector are not zero", true},
    // FAT accounting.
    {"FAT past the end of the file", minimal, [](Image& img) { img.set_fat(2, kEnd); },
     "FAT has 3 entries, but the file has only 2 sectors"},
    {"FAT sector not FATSECT", sample3, [](Image& img) { img.set_fat(img.fat_sectors[0], kEnd); },
     "FAT sector 0 is marked ENDOFCHAIN in the FAT, not FATSECT"},
    {"FATSECT outside the DIFAT", minimal,
     [](Image& img) {
         img.bytes.resize(img.bytes.size() + 512);
         img.set_fat(2, kFatMark);
     },
     "sector 2 is marked FATSECT, but the DIFAT does not list it"},
    {"leaked sectors", minimal,
     [](Image& img) {
         img.bytes.resize(img.bytes.size() + 2 * 512);
         img.set_fat(2, 3);
         img.set_fat(3, kEnd);
     },
     "2 sectors are marked in use in the FAT but owned by nothing: 2, 3", true},
    {"cross-linked chains", sample3,  // "big" runs into the second half of "bigger"
     [](Image& img) { img.set_fat(start_of(img, u"big") + 7, start_of(img, u"bigger") + 5); },
     "is used by both directory entry"},
    {"chain loop", sample3,
     [](Image& img) { img.set_fat(start_of(img, u"big") + 7, start_of(img, u"big")); },
     "(\"big\"): chain loops back to sector 13"},
    {"chain past the end", sample3,
     [](Image& img) { img.set_fat(start_of(img, u"big") + 3, 5000); },
     "(\"big\"): sector 5000 is past the end of the file"},
    {"chain reaching a free sector", sample3,
     [](Image& img) { img.set_fat(start_of(img, u"big") + 3, kFree); },
     "(\"big\"): chain reaches FREESECT after 4 sectors"},
    {"stream size beyond its chain", sample3,
     [](Image& img) { put32(img.bytes, entry_of(img, u"big") + 120, 5000); },
     "directory entry 5 (\"big\"): chain has 8 sectors, size needs 10"},
    // DIFAT.
    {"DIFAT sector count", difat, field32(72, 2),
     "header gives 2 DIFAT sectors, but 116 FAT sectors need 1"},
    {"DIFAT sector not DIFSECT", difat, [](Image& img) { img.set_fat(img.difat_sectors[0], kEnd); },
     "DIFAT sector 116 is marked ENDOFCHAIN in the FAT, not DIFSECT"},
    {"last DIFAT sector not ending the chain", difat,
     [](Image& img) { put32(img.bytes, img.sector_offset(img.difat_sectors[0]) + 508, 7); },
     "last DIFAT sector points to 7, not ENDOFCHAIN"},
    {"DIFAT slot past the FAT sectors", difat,
     [](Image& img) {
         const size_t slot = img.fat_sectors.size() - 109;  // first unused slot
         put32(img.bytes, img.sector_offset(img.difat_sectors[0]) + 4 * slot, 3);
     },
     "deviation: DIFAT slot 116 past the 116 FAT sectors is 3, not FREESECT"},
    // MiniFAT and mini stream.
    {"mini stream size beyond its chain", sample3,
     [](Image& img) { put32(img.bytes, entry_of(img, u"small") + 120, 200); },
     "directory entry 3 (\"small\"): mini chain has 2 mini sectors, size needs 4"},
    {"mini sector used twice", sample3,
     [](Image& img) {
         put32(img.bytes, img.minifat_entry(start_of(img, u"small") + 1), start_of(img, u"edge"));
     },
     "mini sector 2 is used by both"},
    {"root chain shorter than the mini stream", sample3,
     [](Image& img) {  // "small", "edge" and more
         put32(img.bytes, img.entry(0) + 120, 2 * 64 + 64 * 64 + 512);
     },
     "the mini stream: chain has 9 sectors"},
    {"mini chain past the mini stream", sample3,
     [](Image& img) { put32(img.bytes, img.minifat_entry(start_of(img, u"small") + 1), 100); },
     "(\"small\"): mini chain reaches 100 after 2 mini sectors, but the mini stream has 66"},
    {"leaked mini sector", sample3,
     [](Image& img) {
         put32(img.bytes, img.entry(0) + 120, 66 * 64 + 64);  // within the 9-sector chain
         put32(img.bytes, img.minifat_entry(66), kEnd);
     },
     "1 mini sector is marked in use in the MiniFAT but owned by nothing: 66", true},
    // Directory.
    {"siblings out of order", three,
     [](Image& img) { put16(img.bytes, img.entry(1), 'd'); },  // "a" becomes "d", stays left
     "directory entry 0 (\"Root Entry\"): sibling tree is out of order: \"d\" comes before "
     "\"b\"",
     true},
    {"name twice ignoring case", three, [](Image& img) { put16(img.bytes, img.entry(3), 'B'); },
     "name \"B\" is there twice (case does not count)"},
    // What the engine reads as it stands but would not write: deviations, said as such.
    {"red over red", three, [](Image& img) { img.bytes[img.entry(2) + 67] = kRed; },
     "deviation: directory entry 0 (\"Root Entry\"): the top of the sibling tree, directory "
     "entry 2 (\"b\"), is red\n"
     "deviation: directory entry 0 (\"Root Entry\"): red directory entry 2 (\"b\") has a red "
     "child",
     true},
    {"unequal black height", three, [](Image& img) { img.bytes[img.entry(1) + 67] = kBlack; },
     "deviation: directory entry 0 (\"Root Entry\"): below directory entry 2 (\"b\") the left "
     "side has 2 black nodes on a path, the right side 1",
     true},
    {"red top over black children", three,
     [](Image& img) {
         img.bytes[img.entry(1) + 67] = kBlack;
         img.bytes[img.entry(2) + 67] = kRed;
         img.bytes[img.entry(3) + 67] = kBlack;
     },
     "deviation: directory entry 0 (\"Root Entry\"): the top of the sibling tree, directory "
     "entry 2 (\"b\"), is red",
     true},
    {"empty name, length 2", three,
     [](Image& img) {
         put16(img.bytes, img.entry(1), 0);
         put16(img.bytes, img.entry(1) + 64, 2);
     },
     "deviation: directory entry 1: name is empty (name length field 2)", true},
    {"empty name, length 0", three, field16_at_entry(1, 64, 0),
     "deviation: directory entry 1: name is empty (name length field 0)", true},
    {"two empty names", three,
     [](Image& img) {
         put16(img.bytes, img.entry(1) + 64, 0);
         put16(img.bytes, img.entry(3), 0);
         put16(img.bytes, img.entry(3) + 64, 2);
     },
     "directory entry 0 (\"Root Entry\"): name \"\" is there twice"},
    {"reserved characters in a name", three,
     [](Image& img) { put16(img.bytes, img.entry(1), '!'); },
     "deviation: directory entry 1 (\"!\"): name holds one of / \\ : !", true},
    {"root name of the wrong length", three, field16_at_entry(0, 64, 4),
     "deviation: directory entry 0 (\"R\"): name length field is 4, but the name has 1 "
     "character and a NUL is 2 bytes more",
     true},
    {"unreachable entry", three, [](Image& img) { put32(img.bytes, img.entry(2) + 72, kNone); },
     "directory entry 3 (\"c\") is not reachable from the root"},
    {"entry reached twice", three,
     [](Image& img) { put32(img.bytes, img.entry(1) + 72, 2); },  // "a" points up to "b"
     "directory entry 2 (\"b\") is reached a second time (from directory entry 1 (\"a\"))"},
    {"link past the directory", three, [](Image& img) { put32(img.bytes, img.entry(3) + 68, 77); },
     "directory entry 3 (\"c\"): points to directory entry 77, but the directory has 4 entries"},
    {"name length not the name's", three,
     [](Image& img) { put16(img.bytes, img.entry(1) + 64, 6); },  // "a" + NUL is 4 bytes
     "directory entry 1 (\"a\"): name length field is 6, but the name has 1 character"},
    {"name length out of range", three, [](Image& img) { put16(img.bytes, img.entry(1) + 64, 66); },
     "directory entry 1: name length field is 66 (even, at most 64 bytes"},
    {"object type", three, [](Image& img) { img.bytes[img.entry(3) + 66] = 3; },
     "directory entry 3 (\"c\"): object type 3 is not valid"},
    {"colour", three, [](Image& img) { img.bytes[img.entry(1) + 67] = 2; },
     "deviation: directory entry 1 (\"a\"): colour is 2, not red or black"},
    {"root not first", three, [](Image& img) { img.bytes[img.entry(0) + 66] = kStorage; },
     "directory entry 0 is not the root (object type 1)"},
    {"storage with a size", sample3,
     [](Image& img) { put32(img.bytes, entry_of(img, u"Data") + 120, 5); },
     "(\"Data\"): a storage with size 5"},
    {"stream with a child", sample3,
     [](Image& img) { put32(img.bytes, entry_of(img, u"small") + 76, 1); },
     "(\"small\"): a stream with a child"},
};

TEST(ValidatorDamage, EverySingleFaultIsNamed) {
    for (const Damage& d : kDamages) {
        Image img = d.base();
        d.damage(img);
        const std::vector<std::string> problems = validate(img);
        if (d.only) {
            EXPECT_EQ(joined(problems), d.said + "\n") << d.what;
        } else {
            EXPECT_THAT(joined(problems), HasSubstr(d.said)) << d.what;
        }
    }
}

// ---------------------------------------------------------------- past the committed end

// The bytes of a memory byte array.
std::vector<uint8_t> contents(ILockBytes& bytes) {
    STATSTG stat{};
    EXPECT_EQ(bytes.Stat(&stat, STATFLAG_NONAME), S_OK);
    std::vector<uint8_t> out(stat.cbSize);
    ULONG got = 0;
    EXPECT_EQ(bytes.ReadAt(0, out.data(), static_cast<ULONG>(out.size()), &got), S_OK);
    return out;
}

// Sectors past the last one the FAT marks in use, whole or partial, within what the FAT can
// account for or beyond: what a process killed during a commit leaves. The validator notes them
// and finds no problem; a read-only open leaves them, a writable open cuts them and leaves the
// sound document.
TEST(ValidatorEnd, BytesPastTheCommittedEndAreNotedAndAWritableOpenCutsThem) {
    std::mt19937 rng(7);
    struct Case {
        const char* what;
        Image (*base)();
        size_t appended;
        bool zeros;
    };
    // minimal() holds 2 sectors, and its FAT can account for 128.
    const Case cases[] = {
        {"a partial sector", minimal, 100, false},
        {"a partial sector of zeros", sample4, 1000, true},
        {"free sectors the FAT accounts for", minimal, 3 * 512, false},
        {"sectors past the FAT", minimal, 200 * 512, true},
        {"sectors and a partial one past the FAT", minimal, 130 * 512 + 77, false},
    };
    for (const Case& c : cases) {
        const Image sound = c.base();
        Image grown = sound;
        for (size_t i = 0; i < c.appended; ++i)
            grown.bytes.push_back(c.zeros ? 0 : static_cast<uint8_t>(rng()));
        EXPECT_THAT(validate(grown),
                    ::testing::ElementsAre(
                        "note: file size " + std::to_string(grown.bytes.size()) + " is " +
                        std::to_string(c.appended) + " bytes past the committed end at offset " +
                        std::to_string(sound.bytes.size()) +
                        " (no sector of the document holds them); a writable open cuts them"))
            << c.what;
        for (const DWORD mode : {DWORD{STGM_READ}, DWORD{STGM_READWRITE}}) {
            ILockBytes* raw = nullptr;
            ASSERT_EQ(cfb::create_memory_lock_bytes(grown.bytes, &raw), S_OK);
            IStorage* root = nullptr;
            ASSERT_EQ(StgOpenStorageOnILockBytes(raw, nullptr, mode | STGM_SHARE_EXCLUSIVE, nullptr,
                                                 0, &root),
                      S_OK)
                << c.what;
            root->Release();
            const std::vector<uint8_t> after = contents(*raw);
            raw->Release();
            EXPECT_TRUE(after == (mode == STGM_READ ? grown.bytes : sound.bytes))
                << c.what << (mode == STGM_READ ? ": read-only" : ": writable");
        }
    }
}

// ---------------------------------------------------------------- hostile bytes

TEST(ValidatorHostile, TruncatedDocumentsAreReportedNotCrashed) {
    const Image img = sample();
    for (size_t size = 0; size < img.bytes.size(); size += 97) {
        Image cut = img;
        cut.bytes.resize(size);
        EXPECT_FALSE(validate(cut).empty()) << "cut at " << size;
    }
}

TEST(ValidatorHostile, RandomDamageNeverCrashesAndProblemsStayBounded) {
    const Image img = sample();
    std::mt19937 rng(42);
    for (int round = 0; round < 2000; ++round) {
        Image bad = img;
        const int flips = 1 + static_cast<int>(rng() % 8);
        // Aim at the structures: header, FAT, directory, MiniFAT.
        for (int i = 0; i < flips; ++i) bad.bytes[rng() % (5 * 512)] = static_cast<uint8_t>(rng());
        EXPECT_LE(validate(bad).size(), 201u);
    }
}

TEST(ValidatorHostile, EveryFatEntryWrongGivesACappedReport) {
    Builder b;
    b.add(0, u"s", kStream, bytes_of(200'000));
    b.balance();
    Image img = b.build();
    for (uint32_t s = 0; s < img.bytes.size() / 512 - 1; ++s)
        if (img.fat(s) != kFatMark) img.set_fat(s, 0xFFFFFFFB);
    const auto problems = validate(img);
    ASSERT_EQ(problems.size(), 201u);
    EXPECT_THAT(problems.back(), ::testing::MatchesRegex("\\.\\.\\. and [0-9]+ more problems"));
}

}  // namespace
