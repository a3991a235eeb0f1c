// Storages: names, creation and opening rules, enumeration, destroy, copy, move and rename.
#include "cfb/test_support.h"

namespace cfb::testing {
namespace {

TEST(ElementNames, ThirtyOneUnitsAreAcceptedAndThirtyTwoRefused) {
    MemoryDocument doc;
    const std::u16string n31(31, u'x');
    const std::u16string n32(32, u'x');
    Ref<IStream> s;
    EXPECT_EQ(doc.root->CreateStream(n31.c_str(), kRW, 0, 0, s.out()), S_OK);
    EXPECT_EQ(doc.root->CreateStream(n32.c_str(), kRW, 0, 0, s.out()), STG_E_INVALIDNAME);
    EXPECT_EQ(doc.root->OpenStream(n32.c_str(), nullptr, kRW, 0, s.out()), STG_E_INVALIDNAME);
    s.reset();
    ASSERT_EQ(doc.root->Commit(0), S_OK);
    ASSERT_EQ(doc.reopen(), S_OK);
    EXPECT_EQ(tree_of(doc.root.get()), (Tree{{std::string(31, 'x'), ""}}));
}

TEST(ElementNames, EmptyNamesAndReservedCharactersAreRefused) {
    MemoryDocument doc;
    Ref<IStorage> sub;
    for (const char16_t* bad : {u"", u"a/b", u"a\\b", u"a:b", u"a!b"})
        EXPECT_EQ(doc.root->CreateStorage(bad, kRW, 0, 0, sub.out()), STG_E_INVALIDNAME);
    EXPECT_EQ(doc.root->CreateStorage(nullptr, kRW, 0, 0, sub.out()), STG_E_INVALIDPOINTER);
}

TEST(ElementNames, NamesDifferingOnlyInCaseAreTheSameElement) {
    MemoryDocument doc;
    ASSERT_EQ(put_stream(doc.root.get(), "Data", "1"), S_OK);
    Ref<IStream> s;
    EXPECT_EQ(doc.root->CreateStream(u"DATA", kRW, 0, 0, s.out()), STG_E_FILEALREADYEXISTS);
    ASSERT_EQ(doc.root->OpenStream(u"data", nullptr, kRO, 0, s.out()), S_OK);
    EXPECT_EQ(read_all(s.get()), "1");
}

TEST(ElementNames, NonAsciiNamesRoundTripInSiblingOrder) {
    MemoryDocument doc;
    for (const char* name : {"ärger", "Ärger2", "Ωmega", "данные", "\x05SummaryInformation"})
        ASSERT_EQ(put_stream(doc.root.get(), name, name), S_OK);
    ASSERT_EQ(doc.root->Commit(0), S_OK);
    EXPECT_TRUE(problems_in(doc.image).empty());
    ASSERT_EQ(doc.reopen(), S_OK);
    EXPECT_EQ(tree_of(doc.root.get()).size(), 5u);
}

TEST(CreateElement, ExistingNameWithoutCreateFlagIsRefused) {
    MemoryDocument doc;
    Ref<IStorage> a;
    ASSERT_EQ(doc.root->CreateStorage(u"a", kRW, 0, 0, a.out()), S_OK);
    a.reset();
    Ref<IStream> s;
    EXPECT_EQ(doc.root->CreateStream(u"a", kRW, 0, 0, s.out()), STG_E_FILEALREADYEXISTS);
    EXPECT_EQ(doc.root->CreateStorage(u"a", kRW, 0, 0, a.out()), STG_E_FILEALREADYEXISTS);
}

TEST(CreateElement, CreateFlagReplacesTheElementAndFreesItsSectors) {
    MemoryDocument doc;
    Ref<IStorage> a;
    ASSERT_EQ(doc.root->CreateStorage(u"a", kRW, 0, 0, a.out()), S_OK);
    ASSERT_EQ(put_stream(a.get(), "big", pattern(200000, 1)), S_OK);
    a.reset();
    ASSERT_EQ(doc.root->Commit(0), S_OK);
    const size_t before = doc.image.size();
    ASSERT_EQ(put_stream(doc.root.get(), "a", "now a stream"), S_OK);
    ASSERT_EQ(doc.root->Commit(0), S_OK);
    ASSERT_EQ(doc.root->Commit(0), S_OK);
    EXPECT_LT(doc.image.size(), before / 4);
    EXPECT_EQ(tree_of(doc.root.get()), (Tree{{"a", "now a stream"}}));
    EXPECT_TRUE(problems_in(doc.image).empty());
}

TEST(OpenElement, MissingElementOrWrongTypeIsNotFound) {
    MemoryDocument doc;
    ASSERT_EQ(put_stream(doc.root.get(), "s", ""), S_OK);
    Ref<IStorage> sub;
    EXPECT_EQ(doc.root->OpenStorage(u"missing", nullptr, kRW, nullptr, 0, sub.out()),
              STG_E_FILENOTFOUND);
    EXPECT_EQ(doc.root->OpenStorage(u"s", nullptr, kRW, nullptr, 0, sub.out()), STG_E_FILENOTFOUND);
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
    EXPECT_EQ(doc.root->CreateStream(u"s", STGM_READWRITE | STGM_SHARE_DENY_NONE, 0, 0, s.out()),
              STG_E_INVALIDFLAG);
    EXPECT_EQ(doc.root->CreateStream(u"s", kRW | STGM_TRANSACTED, 0, 0, s.out()),
              STG_E_INVALIDFLAG);
    EXPECT_EQ(doc.root->CreateStream(u"s", 3 | STGM_SHARE_EXCLUSIVE, 0, 0, s.out()),
              STG_E_INVALIDFLAG);
}

TEST(OpenElement, ChildCannotHaveMoreAccessThanItsParent) {
    MemoryDocument doc;
    Ref<IStorage> sub;
    ASSERT_EQ(doc.root->CreateStorage(u"sub", kRW, 0, 0, sub.out()), S_OK);
    ASSERT_EQ(put_stream(sub.get(), "s", "x"), S_OK);
    sub.reset();
    ASSERT_EQ(doc.root->OpenStorage(u"sub", nullptr, kRO, nullptr, 0, sub.out()), S_OK);
    Ref<IStream> s;
    EXPECT_EQ(sub->OpenStream(u"s", nullptr, kRW, 0, s.out()), STG_E_ACCESSDENIED);
    EXPECT_EQ(sub->CreateStream(u"t", kRW, 0, 0, s.out()), STG_E_ACCESSDENIED);
    EXPECT_EQ(sub->DestroyElement(u"s"), STG_E_ACCESSDENIED);
    EXPECT_EQ(sub->RenameElement(u"s", u"t"), STG_E_ACCESSDENIED);
    EXPECT_EQ(sub->OpenStream(u"s", nullptr, kRO, 0, s.out()), S_OK);
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

TEST(Enumerate, ListsChildrenWithTypesAndSizes) {
    MemoryDocument doc;
    ASSERT_EQ(put_stream(doc.root.get(), "bb", "12345"), S_OK);
    Ref<IStorage> sub;
    ASSERT_EQ(doc.root->CreateStorage(u"a", kRW, 0, 0, sub.out()), S_OK);
    Ref<IEnumSTATSTG> items;
    ASSERT_EQ(doc.root->EnumElements(0, nullptr, 0, items.out()), S_OK);
    STATSTG st[3];
    ULONG fetched = 0;
    EXPECT_EQ(items->Next(3, st, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 2u);
    EXPECT_EQ(std::u16string(st[0].pwcsName), u"a");  // shorter names first
    EXPECT_EQ(st[0].type, STGTY_STORAGE);
    EXPECT_EQ(std::u16string(st[1].pwcsName), u"bb");
    EXPECT_EQ(st[1].type, STGTY_STREAM);
    EXPECT_EQ(st[1].cbSize, 5u);
    for (ULONG i = 0; i < fetched; ++i) CoTaskMemFree(st[i].pwcsName);
    ASSERT_EQ(items->Reset(), S_OK);
    EXPECT_EQ(items->Skip(1), S_OK);
    EXPECT_EQ(items->Skip(5), S_FALSE);
    ASSERT_EQ(doc.root->Stat(st, STATFLAG_DEFAULT), S_OK);
    EXPECT_EQ(std::u16string(st[0].pwcsName), u"Root Entry");
    CoTaskMemFree(st[0].pwcsName);
}

TEST(Enumerate, HundredsOfSiblingsKeepAValidTree) {
    MemoryDocument doc;
    Tree expected;
    for (int i = 0; i < 700; ++i) {
        const std::string name = "item" + std::to_string(i * 7919 % 1000);
        ASSERT_EQ(put_stream(doc.root.get(), name, name), S_OK);
        expected[name] = name;
    }
    ASSERT_EQ(doc.root->Commit(0), S_OK);
    EXPECT_TRUE(problems_in(doc.image).empty());
    ASSERT_EQ(doc.reopen(), S_OK);
    EXPECT_EQ(tree_of(doc.root.get()), expected);
}

TEST(Nesting, DeeplyNestedStoragesRoundTrip) {
    MemoryDocument doc;
    {
        std::vector<Ref<IStorage>> chain(100);
        IStorage* parent = doc.root.get();
        for (auto& level : chain) {
            ASSERT_EQ(parent->CreateStorage(u"d", kRW, 0, 0, level.out()), S_OK);
            parent = level.get();
        }
        ASSERT_EQ(put_stream(parent, "leaf", "deep"), S_OK);
    }
    ASSERT_EQ(doc.root->Commit(0), S_OK);
    ASSERT_EQ(doc.reopen(), S_OK);
    const Tree tree = tree_of(doc.root.get());
    EXPECT_EQ(tree.size(), 101u);
    std::string leaf;
    for (int i = 0; i < 100; ++i) leaf += "d/";
    EXPECT_EQ(tree.at(leaf + "leaf"), "deep");
}

TEST(Destroy, RemovesAWholeSubtreeAndItsSectors) {
    MemoryDocument doc;
    put_tree(doc.root.get(),
             {{"sub", "<storage>"}, {"sub/big", pattern(500000, 1)}, {"sub/small", "x"}});
    ASSERT_EQ(doc.root->Commit(0), S_OK);
    ASSERT_EQ(doc.root->DestroyElement(u"sub"), S_OK);
    EXPECT_EQ(doc.root->DestroyElement(u"sub"), STG_E_FILENOTFOUND);
    ASSERT_EQ(doc.root->Commit(0), S_OK);
    ASSERT_EQ(doc.root->Commit(0), S_OK);
    EXPECT_LT(doc.image.size(), 8192u);
    EXPECT_TRUE(problems_in(doc.image).empty());
    EXPECT_TRUE(tree_of(doc.root.get()).empty());
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

TEST(Copy, CopiesAStorageDeeplyIntoAnotherStorage) {
    MemoryDocument doc;
    put_tree(doc.root.get(), {{"src", "<storage>"},
                              {"src/a", pattern(10000, 1)},
                              {"src/inner", "<storage>"},
                              {"src/inner/b", "bee"}});
    Ref<IStorage> dest;
    ASSERT_EQ(doc.root->CreateStorage(u"dest", kRW, 0, 0, dest.out()), S_OK);
    ASSERT_EQ(doc.root->MoveElementTo(u"src", dest.get(), u"copy", STGMOVE_COPY), S_OK);
    dest.reset();
    ASSERT_EQ(doc.root->Commit(0), S_OK);
    const Tree tree = tree_of(doc.root.get());
    EXPECT_EQ(tree.at("dest/copy/a"), pattern(10000, 1));
    EXPECT_EQ(tree.at("dest/copy/inner/b"), "bee");
    EXPECT_EQ(tree.at("src/inner/b"), "bee");
    EXPECT_TRUE(problems_in(doc.image).empty());
}

TEST(Copy, CopyingAStorageIntoItselfIsDenied) {
    MemoryDocument doc;
    Ref<IStorage> src;
    ASSERT_EQ(doc.root->CreateStorage(u"src", kRW, 0, 0, src.out()), S_OK);
    EXPECT_EQ(doc.root->MoveElementTo(u"src", src.get(), u"again", STGMOVE_COPY),
              STG_E_ACCESSDENIED);
}

TEST(Copy, CopiesBetweenDocuments) {
    MemoryDocument a;
    MemoryDocument b;
    ASSERT_EQ(put_stream(a.root.get(), "s", pattern(6000, 9)), S_OK);
    ASSERT_EQ(a.root->MoveElementTo(u"s", b.root.get(), u"t", STGMOVE_COPY), S_OK);
    ASSERT_EQ(b.root->Commit(0), S_OK);
    ASSERT_EQ(b.reopen(), S_OK);
    EXPECT_EQ(tree_of(b.root.get()), (Tree{{"t", pattern(6000, 9)}}));
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
    ASSERT_EQ(doc.root->Commit(0), S_OK);
    ASSERT_EQ(doc.reopen(), S_OK);
    EXPECT_EQ(tree_of(doc.root.get()), (Tree{{"A", "1"}, {"longer name", "2"}}));
}

}  // namespace
}  // namespace cfb::testing
