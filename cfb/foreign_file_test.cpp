// What other writers leave in documents: odd bytes in fields no reader uses, sibling trees
// coloured wrongly or not balanced at all, out of order, and names the engine would not create.
// The engine opens such files and reads every stream as written, the validator says which are
// deviations and which defects, and what the engine writes back is sound.
#include <gmock/gmock.h>

#include <chrono>
#include <functional>

#include "cfb/foreign_documents.h"
#include "cfb/test_support.h"

namespace cfb::testing {
namespace {

using ::testing::HasSubstr;

struct Oddity {
    const char* what;
    std::function<void(std::vector<uint8_t>&)> apply;
    const char* validator_says;  // nullptr: the validator has nothing to say
};

bool starts_with(const std::string& line, const char* prefix) {
    return line.rfind(prefix, 0) == 0;
}

// Lines that are neither notes nor deviations.
std::vector<std::string> defects_of(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const std::string& l : lines)
        if (!starts_with(l, "note: ") && !starts_with(l, "deviation: ")) out.push_back(l);
    return out;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) out += l + "\n";
    return out;
}

const std::vector<Oddity>& oddities() {
    static const std::vector<Oddity> all = {
        {"root name length 2 over the name \"Root Entry\"",
         [](std::vector<uint8_t>& img) {
             put16(img.data() + entry_offset(img, 0) + kEntryNameLengthAt, 2);
         },
         "deviation: directory entry 0: name length field is 2, but the name has 0 characters"},
        {"root name without a terminator and an odd length",
         [](std::vector<uint8_t>& img) {
             uint8_t* root = img.data() + entry_offset(img, 0);
             std::fill(root + kEntryNameAt, root + kEntryNameAt + kEntryNameBytes, 'A');
             put16(root + kEntryNameLengthAt, 77);
         },
         "deviation: directory entry 0: name length field is 77"},
        {"unused directory entries not zeroed",
         [](std::vector<uint8_t>& img) {
             // Entries 5..7 of the second directory sector are unused (type 0).
             for (uint32_t id = 5; id < 8; ++id) {
                 uint8_t* e = img.data() + entry_offset(img, id);
                 for (size_t i = 0; i < kEntryBytes; ++i) e[i] = static_cast<uint8_t>(0x5A + i);
                 e[kEntryTypeAt] = 0;
             }
         },
         nullptr},
        {"header DIFAT slots past the FAT sectors not FREESECT",
         [](std::vector<uint8_t>& img) {
             for (uint32_t slot = 1; slot < kHeaderDifatSlots; ++slot)
                 put32(img.data() + kHeaderDifatAt + kSectorIdBytes * slot, 0);
         },
         "deviation: DIFAT slot 1 past the 1 FAT sector is 0, not FREESECT"},
        // Written by some writers in transacted mode; readers ignore it.
        {"transaction signature set",
         [](std::vector<uint8_t>& img) { put32(img.data() + kHeaderTransactionAt, 7); }, nullptr},
        {"file longer than its last sector",
         [](std::vector<uint8_t>& img) { img.resize(img.size() + 300, 0xAB); }, "note: file size"},
        {"version 3 stream and root sizes with garbage in the high half",
         [](std::vector<uint8_t>& img) {
             for (uint32_t id = 0; id < 5; ++id) {
                 uint8_t* e = img.data() + entry_offset(img, id);
                 if (e[kEntryTypeAt] == 2 || e[kEntryTypeAt] == 5)
                     put32(e + kEntrySizeAt + 4, 0xDEADBEEF);
             }
         },
         "deviation: directory entry 2"},
    };
    return all;
}

// Each oddity opens read-only and read-write with every stream as written, the validator names
// it as no defect (or says nothing), and a commit after an edit writes a sound document.
TEST(ForeignFiles, HarmlessOdditiesOpenReadAsWrittenAndCommitSoundly) {
    for (const Oddity& odd : oddities()) {
        SCOPED_TRACE(odd.what);
        MemoryDocument doc(false);
        doc.image = sample_image();
        odd.apply(doc.image);
        EXPECT_EQ(tree_in(doc.image, kRO), sample_tree());
        const std::vector<std::string> problems = problems_in(doc.image);
        if (odd.validator_says == nullptr) {
            EXPECT_TRUE(problems.empty()) << problems.front();
        } else {
            EXPECT_THAT(joined(problems), HasSubstr(odd.validator_says));
            EXPECT_THAT(defects_of(problems), ::testing::IsEmpty());
        }
        ASSERT_EQ(doc.reopen(kRW), S_OK);
        EXPECT_EQ(tree_of(doc.root.get()), sample_tree());
        ASSERT_EQ(put_stream(doc.root.get(), "added", pattern(700, 9)), S_OK);
        Tree expected = sample_tree();
        expected["added"] = pattern(700, 9);
        EXPECT_EQ(doc.committed_tree(), expected);
        doc.root.reset();
        EXPECT_EQ(problems_in(doc.image), std::vector<std::string>{});
    }
}

Tree tree_of_content(const std::map<std::string, std::optional<std::string>>& content) {
    Tree out;
    for (const auto& [path, bytes] : content) out[path] = bytes ? *bytes : "<storage>";
    return out;
}

// Documents other writers make open read-only and read-write with every stream as written
// (or are refused, two siblings of one name); the validator calls colour and odd names
// deviations and order a defect; after one stream changes, the commit writes every tree
// balanced and in order, and only the odd names are left to remark on.
TEST(ForeignFiles, TreesAndNamesOfOtherWritersReadAsWrittenAndAreWrittenBackSound) {
    for (const cfb_image::ForeignDocument& d : cfb_image::foreign_documents()) {
        SCOPED_TRACE(d.what);
        const Tree expected = tree_of_content(d.content);
        for (const DWORD mode : {kRO, kRW}) {
            const std::optional<Tree> read = tree_in(d.bytes, mode);
            if (d.opens) {
                ASSERT_TRUE(read.has_value());
                EXPECT_EQ(*read, expected);
            } else {
                EXPECT_FALSE(read.has_value());
            }
        }
        const std::vector<std::string> problems = problems_in(d.bytes);
        const std::vector<std::string> defects = defects_of(problems);
        switch (d.verdict) {
            case cfb_image::Verdict::sound:
                EXPECT_THAT(problems, ::testing::IsEmpty());
                break;
            case cfb_image::Verdict::deviation:
                EXPECT_THAT(problems, ::testing::Not(::testing::IsEmpty()));
                EXPECT_THAT(defects, ::testing::IsEmpty());
                break;
            case cfb_image::Verdict::defect:
                EXPECT_THAT(defects, ::testing::Not(::testing::IsEmpty()));
                break;
        }
        if (d.validator_says != nullptr) {
            EXPECT_THAT(joined(problems), HasSubstr(d.validator_says));
        }
        if (!d.opens) continue;

        MemoryDocument doc(false);
        doc.image = d.bytes;
        ASSERT_EQ(doc.reopen(kRW), S_OK);
        ASSERT_EQ(put_stream(doc.root.get(), "Echo", pattern(900, 4)), S_OK);
        Tree changed = expected;
        changed["Echo"] = pattern(900, 4);
        EXPECT_EQ(doc.committed_tree(), changed);
        doc.root.reset();
        for (const std::string& line : problems_in(doc.image))
            EXPECT_TRUE(line.find("name is empty") != std::string::npos ||
                        line.find("name holds one of") != std::string::npos)
                << line;
    }
}

std::u16string number_name(uint32_t i) {
    return u16("s" + std::to_string(i));
}

// 100,000 siblings in one line, under the root and one storage down: the engine walks it without
// recursion (a recursive walk would overflow the stack) in bounded time, reads it, and writes it
// back balanced; the validator says it is a deviation, once per tree.
TEST(ForeignFiles, HundredThousandSiblingsInALineOpenAndAreWrittenBackBalanced) {
    constexpr uint32_t kCount = 100'000;
    cfb_image::Builder b;
    const uint32_t sub = b.add(0, u"Sub", cfb_image::kStorage);
    for (uint32_t i = 0; i < kCount; ++i)
        b.add(i % 2 ? sub : 0, number_name(i), cfb_image::kStream,
              i % 9973 == 0 ? cfb_image::bytes_of(50, static_cast<uint8_t>(i))
                            : std::vector<uint8_t>{});
    b.balance();
    b.line(0, cfb_image::kBlack);
    b.line(sub, cfb_image::kRed, true);
    MemoryDocument doc(false);
    doc.image = b.build().bytes;

    const std::vector<std::string> problems = problems_in(doc.image);
    EXPECT_THAT(defects_of(problems), ::testing::IsEmpty());
    // The root's tree: black heights differ. Sub's, all red: a red top and red over red.
    EXPECT_EQ(problems.size(), 3u) << joined(problems);

    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(doc.reopen(kRO), S_OK);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    Ref<IStorage> inner;
    ASSERT_EQ(doc.root->OpenStorage(u"Sub", nullptr, kRO, nullptr, 0, inner.out()), S_OK);
    for (const uint32_t i : {0u, 9973u * 3, 9973u * 5}) {
        IStorage* at = i % 2 ? inner.get() : doc.root.get();
        Ref<IStream> s;
        ASSERT_EQ(at->OpenStream(number_name(i).c_str(), nullptr, kRO, 0, s.out()), S_OK) << i;
        const std::vector<uint8_t> want = cfb_image::bytes_of(50, static_cast<uint8_t>(i));
        EXPECT_EQ(read_all(s.get()), std::string(want.begin(), want.end())) << i;
    }
    inner.reset();

    ASSERT_EQ(doc.reopen(kRW), S_OK);
    ASSERT_EQ(put_stream(doc.root.get(), "s0", "changed"), S_OK);
    ASSERT_EQ(doc.root->Commit(0), S_OK);
    doc.root.reset();
    EXPECT_THAT(problems_in(doc.image), ::testing::IsEmpty());
}

// Odd names of a document stay reachable: opened, destroyed, renamed and copied from. Creating
// them, or renaming to them, stays refused.
TEST(ForeignFiles, OddNamesAreReachableButNeverCreated) {
    cfb_image::Sketch sketch = cfb_image::foreign_sketch();
    for (const char16_t* name : {u"", u"a/b", u"c\\d", u"e:f", u"g!"}) sketch.stream(0, name, 30);
    MemoryDocument doc(false);
    doc.image = sketch.builder().build().bytes;
    ASSERT_EQ(doc.reopen(kRW), S_OK);
    for (const std::u16string name : {u"", u"a/b", u"c\\d", u"e:f", u"g!"}) {
        SCOPED_TRACE(u8(name));
        Ref<IStream> s;
        EXPECT_EQ(doc.root->OpenStream(name.c_str(), nullptr, kRO, 0, s.out()), S_OK);
        EXPECT_EQ(read_all(s.get()).size(), 30u);
        s.reset();
        EXPECT_EQ(doc.root->CreateStream(name.c_str(), kRW | STGM_CREATE, 0, 0, s.out()),
                  STG_E_INVALIDNAME);
        EXPECT_EQ(doc.root->RenameElement(u"Alpha", name.c_str()), STG_E_INVALIDNAME);
        EXPECT_EQ(doc.root->MoveElementTo(name.c_str(), doc.root.get(), u"copy", STGMOVE_COPY),
                  S_OK);
        EXPECT_EQ(doc.root->DestroyElement(u"copy"), S_OK);
    }
    EXPECT_EQ(doc.root->RenameElement(u"a/b", u"ab"), S_OK);
    EXPECT_EQ(doc.root->DestroyElement(u""), S_OK);
    Tree expected = tree_of_content(sketch.content());
    expected.erase("");
    expected["ab"] = expected["a/b"];
    expected.erase("a/b");
    EXPECT_EQ(doc.committed_tree(), expected);
}

}  // namespace
}  // namespace cfb::testing
