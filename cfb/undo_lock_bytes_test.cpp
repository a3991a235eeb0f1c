// A unit of work on a document can be taken back byte for byte: whether it was abandoned before
// its commit, or a write, resize or flush failed at any point of it, commit included.
#include "cfb/test_support.h"

namespace cfb::testing {
namespace {

// A committed document with free sectors inside it, as every document has after an edit: the
// unit of work below reuses them, which is what the undo has to put back.
std::vector<uint8_t> edited_image() {
    MemoryDocument doc;
    put_tree(doc.root.get(), sample_tree());
    EXPECT_EQ(put_stream(doc.root.get(), "gone", pattern(9000, 7)), S_OK);
    EXPECT_EQ(doc.root->Commit(0), S_OK);
    EXPECT_EQ(doc.root->DestroyElement(u"gone"), S_OK);
    EXPECT_EQ(doc.root->Commit(0), S_OK);
    doc.root.reset();
    return doc.image;
}

// Opens the document on `bytes`, changes it, and commits unless told not to; failures are
// ignored, as the bytes may be failing underneath. The document stays open.
Ref<IStorage> work(ILockBytes* bytes, bool commit) {
    Ref<IStorage> root;
    if (FAILED(StgOpenStorageOnILockBytes(bytes, nullptr, kRW, nullptr, 0, root.out())))
        return root;
    put_stream(root.get(), "new", pattern(30000, 8));
    put_stream(root.get(), "small", pattern(100, 9));
    root->DestroyElement(u"large");
    if (commit) root->Commit(0);
    return root;
}

Ref<UndoLockBytes> wrap(ILockBytes* inner) {
    UndoLockBytes* raw = nullptr;
    EXPECT_EQ(UndoLockBytes::wrap(inner, &raw), S_OK);
    return Ref<UndoLockBytes>(raw);
}

TEST(UndoLockBytes, AbandonedOrCommittedWorkIsUndoneByteForByte) {
    const std::vector<uint8_t> original = edited_image();
    for (const bool commit : {false, true}) {
        std::vector<uint8_t> image = original;
        Ref<ILockBytes> file(new FaultyBytes(image, -1, false));
        Ref<UndoLockBytes> undoable = wrap(file.get());
        Ref<IStorage> root = work(undoable.get(), commit);
        if (commit) {
            EXPECT_NE(image, original);
        }
        undoable->freeze();
        if (!commit) {
            EXPECT_TRUE(FAILED(root->Commit(0)));  // the closing commit writes nothing
        }
        root.reset();
        EXPECT_EQ(undoable->first_failure(), S_OK);  // a refused write is no failure of the file
        EXPECT_EQ(undoable->undo(), S_OK);
        EXPECT_EQ(image, original) << (commit ? "after a commit" : "abandoned");
    }
}

TEST(UndoLockBytes, EveryFailingWriteIsSeenAndUndone) {
    const std::vector<uint8_t> original = edited_image();
    long writes = 0;
    {
        std::vector<uint8_t> image = original;
        Ref<ILockBytes> file(new FaultyBytes(image, -1, false));
        work(wrap(file.get()).get(), true).reset();
        writes = static_cast<FaultyBytes*>(file.get())->writes();
    }
    ASSERT_GT(writes, 3);
    for (long k = 0; k < writes; ++k) {
        std::vector<uint8_t> image = original;
        Ref<ILockBytes> file(new FaultyBytes(image, k, false));
        Ref<UndoLockBytes> undoable = wrap(file.get());
        work(undoable.get(), true).reset();
        EXPECT_TRUE(FAILED(undoable->first_failure())) << "write " << k + 1 << " failed unseen";
        static_cast<FaultyBytes*>(file.get())->heal();
        EXPECT_EQ(undoable->undo(), S_OK);
        EXPECT_EQ(image, original) << "failing write " << k + 1;
    }
}

}  // namespace
}  // namespace cfb::testing
