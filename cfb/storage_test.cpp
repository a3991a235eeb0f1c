// Storages: names, creation and opening rules, enumeration, destroy, copy, move and rename.
#include <locale.h>
#include <wctype.h>

#include "cfb/entry_name.h"
#include "cfb/test_support.h"

namespace cfb::testing {
namespace {

// Names of 1 to 31 UTF-16 units without / \ : ! are created; looking one up refuses only what no
// entry can hold, as documents of other writers hold such names (foreign_file_test.cpp).
TEST(ElementNames, LengthAndReservedCharactersDecide) {
    struct Case {
        std::u16string name;
        HRESULT status;
    };
    const Case cases[] = {
        {std::u16string(31, u'x'), S_OK}, {std::u16string(32, u'x'), STG_E_INVALIDNAME},
        {u"", STG_E_INVALIDNAME},         {u"a/b", STG_E_INVALIDNAME},
        {u"a\\b", STG_E_INVALIDNAME},     {u"a:b", STG_E_INVALIDNAME},
        {u"a!b", STG_E_INVALIDNAME}};
    MemoryDocument doc;
    for (const Case& c : cases) {
        Ref<IStorage> sub;
        EXPECT_EQ(doc.root->CreateStorage(c.name.c_str(), kRW, 0, 0, sub.out()), c.status)
            << u8(c.name);
        Ref<IStream> s;  // a storage of that name is no stream
        EXPECT_EQ(doc.root->OpenStream(c.name.c_str(), nullptr, kRW, 0, s.out()),
                  c.name.size() > 31 ? STG_E_INVALIDNAME : STG_E_FILENOTFOUND)
            << u8(c.name);
    }
    Ref<IStorage> sub;
    EXPECT_EQ(doc.root->CreateStorage(nullptr, kRW, 0, 0, sub.out()), STG_E_INVALIDPOINTER);
    EXPECT_EQ(doc.committed_tree(), (Tree{{std::string(31, 'x'), "<storage>"}}));
}

// Names match whatever their case, but a stream is no storage and a missing name is not found.
TEST(ElementLookup, NamesMatchInAnyCaseWithinTheirType) {
    MemoryDocument doc;
    ASSERT_EQ(put_stream(doc.root.get(), "Data", "1"), S_OK);
    ASSERT_EQ(put_stream(doc.root.get(), "ärger", "2"), S_OK);
    Ref<IStorage> a;
    ASSERT_EQ(doc.root->CreateStorage(u"a", kRW, 0, 0, a.out()), S_OK);
    a.reset();
    Ref<IStream> s;
    for (const char16_t* name : {u"DATA", u"ÄRGER", u"A"})
        EXPECT_EQ(doc.root->CreateStream(name, kRW, 0, 0, s.out()), STG_E_FILEALREADYEXISTS);
    EXPECT_EQ(doc.root->CreateStorage(u"a", kRW, 0, 0, a.out()), STG_E_FILEALREADYEXISTS);
    for (const char16_t* name : {u"missing", u"Data"})
        EXPECT_EQ(doc.root->OpenStorage(name, nullptr, kRW, nullptr, 0, a.out()),
                  STG_E_FILENOTFOUND);
    ASSERT_EQ(doc.root->OpenStream(u"data", nullptr, kRO, 0, s.out()), S_OK);
    EXPECT_EQ(read_all(s.get()), "1");
}

// Case is the full simple upper-case mapping of Unicode, so names of any script match in either
// case, and the sibling trees the engine writes are in the order the validator expects.
TEST(ElementLookup, CaseFollowsUnicodeForEveryScript) {
    MemoryDocument doc;
    const std::string names[] = {"\u00b5", "\u00e0", "\u017f", "T",      "\u0101", "\u01c6",
                                 "\u10d0", "\u1e9b", "\u2c30", "\uff41", "\u0561", "\u03c3"};
    for (const std::string& name : names) ASSERT_EQ(put_stream(doc.root.get(), name, name), S_OK);
    Ref<IStream> s;
    // The capitals of ā, ǆ, ⰰ, ａ, ա and σ name the streams already there.
    for (const char16_t* capital :
         {u"\u0100", u"\u01c4", u"\u2c00", u"\uff21", u"\u0531", u"\u03a3"})
        EXPECT_EQ(doc.root->CreateStream(capital, kRW, 0, 0, s.out()), STG_E_FILEALREADYEXISTS)
            << u8(capital);
    doc.committed_tree();
    EXPECT_EQ(problems_in(doc.image), std::vector<std::string>{});

    // The table agrees with the C library's Unicode data wherever that is installed.
    const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    if (utf8 == static_cast<locale_t>(0)) GTEST_SKIP() << "no C.UTF-8 locale to compare with";
    for (char32_t unit = 0; unit <= 0xFFFF; ++unit) {
        if (unit >= 0xD800 && unit <= 0xDFFF) continue;
        const wint_t upper = towupper_l(static_cast<wint_t>(unit), utf8);
        const char16_t expected = upper <= 0xFFFF ? static_cast<char16_t>(upper) : unit;
        ASSERT_EQ(upper_unit(static_cast<char16_t>(unit)), expected) << std::hex << +unit;
    }
    freelocale(utf8);
}

// An open element is neither opened again, replaced, moved nor destroyed (nor its storage while
// something inside is open); once released it is free again.
TEST(OpenElement, OpenElementsAreProtectedUntilReleased) {
    MemoryDocument doc;
    Ref<IStorage> sub;
    ASSERT_EQ(doc.root->CreateStorage(u"sub", kRW, 0, 0, sub.out()), S_OK);
    Ref<IStorage> again;
    EXPECT_EQ(doc.root->OpenStorage(u"sub", nullptr, kRW, nullptr, 0, again.out()),
              STG_E_ACCESSDENIED);
    Ref<IStream> inner;
    ASSERT_EQ(sub->CreateStream(u"s", kRW, 0, 0, inner.out()), S_OK);
    sub.reset();
    EXPECT_EQ(doc.root->DestroyElement(u"sub"), STG_E_ACCESSDENIED);
    inner.reset();
    EXPECT_EQ(doc.root->OpenStorage(u"sub", nullptr, kRW, nullptr, 0, again.out()), S_OK);
    again.reset();
    EXPECT_EQ(doc.root->DestroyElement(u"sub"), S_OK);

    Ref<IStream> s;
    ASSERT_EQ(doc.root->CreateStream(u"s", kRW, 0, 0, s.out()), S_OK);
    Ref<IStream> other;
    EXPECT_EQ(doc.root->CreateStream(u"s", kRW | STGM_CREATE, 0, 0, other.out()),
              STG_E_ACCESSDENIED);
    EXPECT_EQ(doc.root->MoveElementTo(u"s", doc.root.get(), u"t", STGMOVE_MOVE),
              STG_E_ACCESSDENIED);
    EXPECT_EQ(doc.root->MoveElementTo(u"s", doc.root.get(), u"t", 7), STG_E_INVALIDFLAG);
}

TEST(OpenElement, ModesOtherThanExclusiveSharingAreRefused) {
    MemoryDocument doc;
    Ref<IStream> s;
    for (const DWORD mode : {DWORD{STGM_READWRITE | STGM_SHARE_DENY_NONE}, kRW | STGM_TRANSACTED,
                             DWORD{3 | STGM_SHARE_EXCLUSIVE}})
        EXPECT_EQ(doc.root->CreateStream(u"s", mode, 0, 0, s.out()), STG_E_INVALIDFLAG) << mode;
}

TEST(OpenElement, ChildOutlivingItsParentStorageStaysUsable) {
    MemoryDocument doc;
    Ref<IStorage> sub;
    ASSERT_EQ(doc.root->CreateStorage(u"sub", kRW, 0, 0, sub.out()), S_OK);
    Ref<IStream> s;
    ASSERT_EQ(sub->CreateStream(u"s", kRW, 0, 0, s.out()), S_OK);
    sub.reset();
    ASSERT_EQ(s->Write("abc", 3, nullptr), S_OK);
    s.reset();
    ASSERT_EQ(doc.root->Commit(0), S_OK);
    EXPECT_EQ(tree_of(doc.root.get()), (Tree{{"sub", "<storage>"}, {"sub/s", "abc"}}));
}

// Enumeration lists children in sibling order (shorter names first); Stat tells the same of
// one element, its name only when asked for.
TEST(Enumerate, ListsAndStatsNamesTypesAndSizes) {
    MemoryDocument doc;
    Ref<IStream> bb;
    ASSERT_EQ(doc.root->CreateStream(u"bb", kRW, 0, 0, bb.out()), S_OK);
    ASSERT_EQ(bb->SetSize(5), S_OK);
    Ref<IStorage> sub;
    ASSERT_EQ(doc.root->CreateStorage(u"a", kRW, 0, 0, sub.out()), S_OK);
    Ref<IEnumSTATSTG> items;
    ASSERT_EQ(doc.root->EnumElements(0, nullptr, 0, items.out()), S_OK);
    STATSTG st[3];
    ULONG fetched = 0;
    EXPECT_EQ(items->Next(3, st, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 2u);
    EXPECT_EQ(std::u16string(st[0].pwcsName), u"a");
    EXPECT_EQ(st[0].type, STGTY_STORAGE);
    EXPECT_EQ(std::u16string(st[1].pwcsName), u"bb");
    EXPECT_EQ(st[1].type, STGTY_STREAM);
    EXPECT_EQ(st[1].cbSize, 5u);
    for (ULONG i = 0; i < fetched; ++i) CoTaskMemFree(st[i].pwcsName);
    ASSERT_EQ(items->Reset(), S_OK);
    EXPECT_EQ(items->Skip(1), S_OK);
    EXPECT_EQ(items->Skip(5), S_FALSE);

    ASSERT_EQ(bb->Stat(st, STATFLAG_DEFAULT), S_OK);
    EXPECT_EQ(std::u16string(st[0].pwcsName), u"bb");
    CoTaskMemFree(st[0].pwcsName);
    EXPECT_EQ(st[0].type, STGTY_STREAM);
    EXPECT_EQ(st[0].cbSize, 5u);
    ASSERT_EQ(bb->Stat(st, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(st[0].pwcsName, nullptr);
    ASSERT_EQ(doc.root->Stat(st, STATFLAG_DEFAULT), S_OK);
    EXPECT_EQ(std::u16string(st[0].pwcsName), u"Root Entry");
    CoTaskMemFree(st[0].pwcsName);
    EXPECT_EQ(st[0].type, STGTY_STORAGE);
}

// Siblings added in scrambled order, non-ASCII names among them, form a valid tree.
TEST(Enumerate, HundredsOfSiblingsAndNonAsciiNamesKeepAValidTree) {
    MemoryDocument doc;
    Tree expected;
    for (int i = 0; i < 700; ++i) {
        const std::string name = "item" + std::to_string(i * 7919 % 1000);
        ASSERT_EQ(put_stream(doc.root.get(), name, name), S_OK);
        expected[name] = name;
    }
    for (const char* name : {"ärger", "Ärger2", "Ωmega", "данные", "\x05SummaryInformation"}) {
        ASSERT_EQ(put_stream(doc.root.get(), name, name), S_OK);
        expected[name] = name;
    }
    EXPECT_EQ(doc.committed_tree(), expected);
    EXPECT_TRUE(problems_in(doc.image).empty());
}

TEST(Nesting, DeeplyNestedStoragesRoundTrip) {
    MemoryDocument doc;
    Tree expected;
    std::string path;
    for (int i = 0; i < 100; ++i) {
        path += i == 0 ? "d" : "/d";
        expected[path] = "<storage>";
    }
    expected[path + "/leaf"] = "deep";
    put_tree(doc.root.get(), expected);
    EXPECT_EQ(doc.committed_tree(), expected);
}

// Destroying an element, or creating over it with the create flag, drops everything inside it;
// the file shrinks once the metadata moved into the freed sectors.
TEST(Destroy, DestroyedOrReplacedSubtreesGiveTheirSectorsBack) {
    MemoryDocument doc;
    put_tree(doc.root.get(), {{"a", "<storage>"},
                              {"a/big", pattern(200000, 1)},
                              {"sub", "<storage>"},
                              {"sub/big", pattern(500000, 2)},
                              {"sub/small", "x"}});
    ASSERT_EQ(doc.root->Commit(0), S_OK);
    const size_t before = doc.image.size();
    ASSERT_EQ(doc.root->DestroyElement(u"sub"), S_OK);
    EXPECT_EQ(doc.root->DestroyElement(u"sub"), STG_E_FILENOTFOUND);
    ASSERT_EQ(put_stream(doc.root.get(), "a", "now a stream"), S_OK);
    ASSERT_EQ(doc.root->Commit(0), S_OK);
    ASSERT_EQ(doc.root->Commit(0), S_OK);
    EXPECT_LT(doc.image.size(), before / 8);  // neither large stream is left
    EXPECT_TRUE(problems_in(doc.image).empty());
    EXPECT_EQ(tree_of(doc.root.get()), (Tree{{"a", "now a stream"}}));
}

TEST(Destroy, FreedSectorsAreReusedRatherThanGrowingTheFile) {
    MemoryDocument doc;
    ASSERT_EQ(put_stream(doc.root.get(), "first", "k"), S_OK);
    ASSERT_EQ(put_stream(doc.root.get(), "big", pattern(500000, 1)), S_OK);
    ASSERT_EQ(doc.root->Commit(0), S_OK);
    const size_t size = doc.image.size();
    for (unsigned round = 0; round < 5; ++round) {
        ASSERT_EQ(doc.root->DestroyElement(u"big"), S_OK);
        ASSERT_EQ(doc.root->Commit(0), S_OK);
        ASSERT_EQ(put_stream(doc.root.get(), "big", pattern(500000, round)), S_OK);
        ASSERT_EQ(doc.root->Commit(0), S_OK);
    }
    EXPECT_LE(doc.image.size(), size + 4096);
    EXPECT_TRUE(problems_in(doc.image).empty());
}

// A deep copy into another document leaves the source as it was; nothing is copied into itself.
TEST(Copy, CopiesAStorageDeeplyIntoAnotherDocumentButNeverIntoItself) {
    MemoryDocument a;
    MemoryDocument b;
    const Tree source{{"src", "<storage>"},
                      {"src/a", pattern(6000, 9)},
                      {"src/inner", "<storage>"},
                      {"src/inner/b", "bee"}};
    put_tree(a.root.get(), source);
    ASSERT_EQ(a.root->MoveElementTo(u"src", b.root.get(), u"copy", STGMOVE_COPY), S_OK);
    Ref<IStorage> src;
    ASSERT_EQ(a.root->OpenStorage(u"src", nullptr, kRW, nullptr, 0, src.out()), S_OK);
    EXPECT_EQ(a.root->MoveElementTo(u"src", src.get(), u"again", STGMOVE_COPY), STG_E_ACCESSDENIED);
    src.reset();
    EXPECT_EQ(tree_of(a.root.get()), source);
    EXPECT_EQ(b.committed_tree(), (Tree{{"copy", "<storage>"},
                                        {"copy/a", pattern(6000, 9)},
                                        {"copy/inner", "<storage>"},
                                        {"copy/inner/b", "bee"}}));
    EXPECT_TRUE(problems_in(b.image).empty());
}

TEST(Move, MovesAStreamAndReplacesAnExistingTarget) {
    MemoryDocument doc;
    ASSERT_EQ(put_stream(doc.root.get(), "s", "moved"), S_OK);
    Ref<IStorage> dest;
    ASSERT_EQ(doc.root->CreateStorage(u"dest", kRW, 0, 0, dest.out()), S_OK);
    ASSERT_EQ(put_stream(dest.get(), "t", "old"), S_OK);
    ASSERT_EQ(doc.root->MoveElementTo(u"s", dest.get(), u"t", STGMOVE_MOVE), S_OK);
    dest.reset();
    EXPECT_EQ(tree_of(doc.root.get()), (Tree{{"dest", "<storage>"}, {"dest/t", "moved"}}));
}

TEST(Rename, RenamesAndRefusesClashes) {
    MemoryDocument doc;
    ASSERT_EQ(put_stream(doc.root.get(), "a", "1"), S_OK);
    ASSERT_EQ(put_stream(doc.root.get(), "b", "2"), S_OK);
    EXPECT_EQ(doc.root->RenameElement(u"a", u"b"), STG_E_FILEALREADYEXISTS);
    EXPECT_EQ(doc.root->RenameElement(u"zz", u"y"), STG_E_FILENOTFOUND);
    ASSERT_EQ(doc.root->RenameElement(u"a", u"A"), S_OK);  // a change of case only
    ASSERT_EQ(doc.root->RenameElement(u"b", u"longer name"), S_OK);
    EXPECT_EQ(doc.committed_tree(), (Tree{{"A", "1"}, {"longer name", "2"}}));
}

}  // namespace
}  // namespace cfb::testing
