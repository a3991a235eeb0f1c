// Oddities that other writers leave in sound documents: the engine opens such files and reads
// every stream as written, while the validator still names what is odd.
#include <gmock/gmock.h>

#include <functional>

#include "cfb/test_support.h"

namespace cfb::testing {
namespace {

using ::testing::HasSubstr;

struct Oddity {
    const char* what;
    std::function<void(std::vector<uint8_t>&)> apply;
    const char* validator_says;  // nullptr: the validator has nothing to say
};

const std::vector<Oddity>& oddities() {
    static const std::vector<Oddity> all = {
        {"root name length 2 over the name \"Root Entry\"",
         [](std::vector<uint8_t>& img) { put16(img.data() + entry_offset(img, 0) + 64, 2); },
         "directory entry 0: name length field is 2, but the name has 0 characters"},
        {"root name without a terminator and an odd length",
         [](std::vector<uint8_t>& img) {
             uint8_t* root = img.data() + entry_offset(img, 0);
             std::fill(root, root + 64, 'A');
             put16(root + 64, 77);
         },
         "directory entry 0: name length field is 77"},
        {"unused directory entries not zeroed",
         [](std::vector<uint8_t>& img) {
             // Entries 5..7 of the second directory sector are unused (type 0).
             for (uint32_t id = 5; id < 8; ++id) {
                 uint8_t* e = img.data() + entry_offset(img, id);
                 for (size_t i = 0; i < 128; ++i) e[i] = static_cast<uint8_t>(0x5A + i);
                 e[66] = 0;
             }
         },
         nullptr},
        {"header DIFAT slots past the FAT sectors not FREESECT",
         [](std::vector<uint8_t>& img) {
             for (uint32_t slot = 1; slot < 109; ++slot) put32(img.data() + 76 + 4 * slot, 0);
         },
         "DIFAT slot 1 past the 1 FAT sector is 0, not FREESECT"},
        // Written by some writers in transacted mode; readers ignore it.
        {"transaction signature set", [](std::vector<uint8_t>& img) { put32(img.data() + 52, 7); },
         nullptr},
        {"file longer than its last sector",
         [](std::vector<uint8_t>& img) { img.resize(img.size() + 300, 0xAB); }, "file size"},
        {"version 3 stream and root sizes with garbage in the high half",
         [](std::vector<uint8_t>& img) {
             for (uint32_t id = 0; id < 5; ++id) {
                 uint8_t* e = img.data() + entry_offset(img, id);
                 if (e[66] == 2 || e[66] == 5) put32(e + 124, 0xDEADBEEF);
             }
         },
         "has a high part in a version 3 file"},
    };
    return all;
}

// Each oddity opens read-only and read-write with every stream as written, the validator names
// it (or says nothing), and a commit after an edit writes a sound document.
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
            std::string joined;
            for (const auto& p : problems) joined += p + "\n";
            EXPECT_THAT(joined, HasSubstr(odd.validator_says));
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

}  // namespace
}  // namespace cfb::testing
