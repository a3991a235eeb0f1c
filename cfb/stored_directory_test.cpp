// An opened document builds a storage's children only when they are first asked for, but it
// checks the whole directory on open: damage deep in a storage nobody opens is still refused at
// once, and what is never reached is never looked at.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "cfb/node.h"
#include "cfb/test_image.h"
#include "cfb/test_support.h"

namespace cfb::testing {
namespace {

// Root / "a" / "b" / {"deep", "c" / {"x", "y", "z"}}: entries 1 .. 7, laid out balanced.
struct Nested {
    cfb_image::Builder builder;
    uint32_t a, b, deep, c, x, y, z;
    Nested() {
        a = builder.add(0, u"a", cfb_image::kStorage);
        b = builder.add(a, u"b", cfb_image::kStorage);
        deep = builder.add(b, u"deep", cfb_image::kStream, cfb_image::bytes_of(5000, 3));
        c = builder.add(b, u"c", cfb_image::kStorage);
        x = builder.add(c, u"x", cfb_image::kStream, cfb_image::bytes_of(100, 4));
        y = builder.add(c, u"y", cfb_image::kStream);
        z = builder.add(c, u"z", cfb_image::kStream, cfb_image::bytes_of(700, 5));
        builder.balance();
    }
};

struct Case {
    const char* what;
    // Changes the built image; `n` names the entries.
    std::function<void(cfb_image::Image& img, const Nested& n)> damage;
    // Empty when the document opens; else the refusal (a regular expression), which must name
    // this fault and not one another check found.
    const char* reason;
};

// A word of entry `id` at `field`.
void put_field(cfb_image::Image& img, uint32_t id, size_t field, uint32_t v) {
    cfb_image::put32(img.bytes, img.entry(id) + field, v);
}

TEST(StoredDirectory, DamageAnywhereIsRefusedOnOpenAndWhatIsNeverReachedIsNotRead) {
    const Case cases[] = {
        {"sound", [](cfb_image::Image&, const Nested&) {}, ""},
        {"a cycle three storages down",
         [](cfb_image::Image& img, const Nested& n) { put_field(img, n.y, kEntryLeftAt, n.y); },
         "^directory entry [0-9]+ \"y\" is linked twice$"},
        {"a link past the directory three storages down",
         [](cfb_image::Image& img, const Nested& n) { put_field(img, n.y, kEntryRightAt, 100000); },
         "^directory entry 100000 lies past the end of the directory"},
        {"an entry of unknown type three storages down",
         [](cfb_image::Image& img, const Nested& n) {
             img.bytes[img.entry(n.z) + kEntryTypeAt] = 7;
         },
         "^directory entry [0-9]+ \"z\" is linked in, but of unknown type 7$"},
        {"a name without its terminator three storages down",
         [](cfb_image::Image& img, const Nested& n) {
             cfb_image::put16(img.bytes, img.entry(n.x) + kEntryNameLengthAt, kEntryNameBytes);
             for (size_t i = 0; i < kEntryNameBytes; i += 2)
                 cfb_image::put16(img.bytes, img.entry(n.x) + kEntryNameAt + i, 'q');
         },
         "^directory entry [0-9]+: name length 64, but the name does not end in a terminator"},
        {"two siblings of one name (case aside) three storages down",
         [](cfb_image::Image& img, const Nested& n) {
             cfb_image::put16(img.bytes, img.entry(n.z) + kEntryNameAt, 'X');
         },
         "^directory entry [0-9]+ \"X\" repeats the name of a sibling$"},
        {"a large stream's chain past the end of the file two storages down",
         [](cfb_image::Image& img, const Nested& n) {
             put_field(img, n.deep, kEntryStartAt, 0x00FFFFF0);
         },
         "^directory entry [0-9]+ \"deep\": its chain starts at sector 16777200, past the end "
         "of the file$"},
        {"two streams on one mini chain three storages down",
         [](cfb_image::Image& img, const Nested& n) {
             put_field(img, n.z, kEntryStartAt,
                       cfb_image::get32(img.bytes, img.entry(n.x) + kEntryStartAt));
         },
         "^directory entry [0-9]+ \"z\": its chain starts at mini sector [0-9]+, which another "
         "chain or table also uses$"},
        {"an entry of unknown type that no tree reaches",
         [](cfb_image::Image& img, const Nested&) {
             const uint32_t unused = static_cast<uint32_t>(img.nodes.size());
             img.bytes[img.entry(unused) + kEntryTypeAt] = 9;
             put_field(img, unused, kEntryLeftAt, 12345);
         },
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Nested n;
        cfb_image::Image img = n.builder.build();
        c.damage(img, n);
        const bool opens = *c.reason == '\0';
        for (const DWORD mode : {kRO, kRW}) {
            Ref<IStorage> root;
            EXPECT_EQ(open_image(img.bytes, mode, root), opens ? S_OK : STG_E_DOCFILECORRUPT);
            if (opens)
                EXPECT_EQ(last_refusal(), "");
            else
                EXPECT_THAT(last_refusal(), ::testing::ContainsRegex(c.reason));
        }
        if (!opens) continue;
        const std::optional<Tree> read = tree_in(img.bytes, kRO);
        ASSERT_TRUE(read.has_value());
        const std::vector<uint8_t> z = cfb_image::bytes_of(700, 5);
        EXPECT_EQ(read->at("a/b/c/z"), std::string(z.begin(), z.end()));
        EXPECT_EQ(read, tree_in(img.bytes, kRW));
    }
}

// kMaxDepth storages nested open; one more is refused, naming the storage that holds it.
TEST(StoredDirectory, StoragesNestedPastTheLimitAreRefusedNamingTheDeepest) {
    for (const unsigned levels : {kMaxDepth, kMaxDepth + 1}) {
        SCOPED_TRACE(levels);
        cfb_image::Builder builder;
        uint32_t parent = 0;
        for (unsigned level = 0; level < levels; ++level)
            parent = builder.add(parent, u"s" + std::u16string(1, u'a' + level % 26),
                                 cfb_image::kStorage);
        builder.balance();
        const cfb_image::Image img = builder.build();
        Ref<IStorage> root;
        if (levels == kMaxDepth) {
            EXPECT_EQ(open_image(img.bytes, kRO, root), S_OK);
            continue;
        }
        EXPECT_EQ(open_image(img.bytes, kRO, root), STG_E_DOCFILECORRUPT);
        EXPECT_EQ(last_refusal(), "directory entry " + std::to_string(levels - 1) +
                                      " \"sv\": storages nest deeper than 256");
    }
}

}  // namespace
}  // namespace cfb::testing
