// Documents as wholes: create, reopen, commit and discard, locks, versions, access.
#include <sys/wait.h>

#include "cfb/test_support.h"

namespace cfb::testing {
namespace {

// Through the file functions that take a sector size: the tree comes back, the header and file
// length fit the version, and both checkers find nothing wrong.
TEST(DocumentRoundTrip, BothVersionsSurviveCommitAndReopen) {
    struct Version {
        uint16_t options_version;
        uint32_t sector_size;
        uint8_t major;
    };
    const Tree expected{{"big", pattern(100000, 1)},
                        {"small", "hello"},
                        {"sub", "<storage>"},
                        {"sub/inner", pattern(4096, 2)}};
    for (const Version v : {Version{1, 512, 3}, Version{2, 4096, 4}}) {
        SCOPED_TRACE("version " + std::to_string(v.major));
        TempDir dir;
        const auto path = dir.wfile("a.cfb");
        STGOPTIONS options;
        options.usVersion = v.options_version;
        options.ulSectorSize = v.sector_size;
        void* raw = nullptr;
        ASSERT_EQ(StgCreateStorageEx(path.c_str(), kRW, STGFMT_DOCFILE, 0, &options, nullptr,
                                     IID_IStorage, &raw),
                  S_OK);
        Ref<IStorage> root(static_cast<IStorage*>(raw));
        put_tree(root.get(), expected);
        ASSERT_EQ(root->Commit(0), S_OK);
        root.reset();
        const std::vector<uint8_t> image = file_bytes(dir.file("a.cfb"));
        EXPECT_EQ(image[26], v.major);
        EXPECT_EQ(image.size() % v.sector_size, 0u);
        EXPECT_TRUE(problems_in(image).empty());
        EXPECT_EQ(independent_check(dir.file("a.cfb")), 0);
        ASSERT_EQ(StgOpenStorageEx(path.c_str(), kRO, STGFMT_DOCFILE, 0, nullptr, nullptr,
                                   IID_IStorage, &raw),
                  S_OK);
        Ref<IStorage> reopened(static_cast<IStorage*>(raw));
        EXPECT_EQ(tree_of(reopened.get()), expected);
    }
}

TEST(DocumentCreate, NewFileOpensAsAnEmptyDocumentWithoutAnyCommit) {
    TempDir dir;
    const auto path = dir.wfile("new.cfb");
    {
        Ref<IStorage> root;
        ASSERT_EQ(StgCreateDocfile(path.c_str(), kRW, 0, root.out()), S_OK);
        ASSERT_EQ(put_stream(root.get(), "never committed", "x"), S_OK);
    }
    EXPECT_EQ(file_bytes(dir.file("new.cfb")).size() % 512, 0u);
    EXPECT_EQ(independent_check(dir.file("new.cfb")), 0);
    Ref<IStorage> root;
    ASSERT_EQ(StgOpenStorage(path.c_str(), nullptr, kRO, nullptr, 0, root.out()), S_OK);
    EXPECT_TRUE(tree_of(root.get()).empty());
}

TEST(DocumentCreate, ExistingFileOrBytesNeedTheCreateFlagAndMissingFilesAreNotFound) {
    TempDir dir;
    const auto path = dir.wfile("a.cfb");
    Ref<IStorage> root;
    EXPECT_EQ(StgOpenStorage(path.c_str(), nullptr, kRO, nullptr, 0, root.out()),
              STG_E_FILENOTFOUND);
    ASSERT_EQ(StgCreateDocfile(path.c_str(), kRW, 0, root.out()), S_OK);
    ASSERT_EQ(put_stream(root.get(), "s", "x"), S_OK);
    ASSERT_EQ(root->Commit(0), S_OK);
    root.reset();
    EXPECT_EQ(StgCreateDocfile(path.c_str(), kRW, 0, root.out()), STG_E_FILEALREADYEXISTS);
    ASSERT_EQ(StgCreateDocfile(path.c_str(), kRW | STGM_CREATE, 0, root.out()), S_OK);
    EXPECT_TRUE(tree_of(root.get()).empty());

    ILockBytes* raw = nullptr;
    ASSERT_EQ(create_memory_lock_bytes({1, 2, 3}, &raw), S_OK);
    Ref<ILockBytes> bytes(raw);
    EXPECT_EQ(StgCreateDocfileOnILockBytes(bytes.get(), kRW, 0, root.out()),
              STG_E_FILEALREADYEXISTS);
    EXPECT_EQ(StgCreateDocfileOnILockBytes(bytes.get(), kRW | STGM_CREATE, 0, root.out()), S_OK);
}

TEST(DocumentCreate, UnsupportedModesAndSectorSizesAreRefused) {
    TempDir dir;
    const auto path = dir.wfile("a.cfb");
    Ref<IStorage> root;
    for (const DWORD mode : {DWORD{STGM_READWRITE | STGM_SHARE_DENY_NONE}, kRO})
        EXPECT_EQ(StgCreateDocfile(path.c_str(), mode, 0, root.out()), STG_E_INVALIDFLAG) << mode;
    STGOPTIONS options;
    options.usVersion = 2;
    options.ulSectorSize = 1024;
    void* raw = nullptr;
    EXPECT_EQ(StgCreateStorageEx(path.c_str(), kRW, STGFMT_DOCFILE, 0, &options, nullptr,
                                 IID_IStorage, &raw),
              STG_E_INVALIDPARAMETER);
}

// The work since the last commit is gone, and so are the sectors it had added to the file.
TEST(DocumentCommit, ReleasingTheRootWithoutCommitDiscardsChangesAndTheirGrowth) {
    MemoryDocument doc;
    ASSERT_EQ(put_stream(doc.root.get(), "kept", "1"), S_OK);
    ASSERT_EQ(doc.root->Commit(0), S_OK);
    const size_t committed_size = doc.image.size();
    ASSERT_EQ(put_stream(doc.root.get(), "kept", "changed"), S_OK);
    // More than the engine gathers in memory before writing, so the bytes grow.
    ASSERT_EQ(put_stream(doc.root.get(), "lost", pattern(size_t{3} << 20, 1)), S_OK);
    ASSERT_GT(doc.image.size(), committed_size);
    ASSERT_EQ(doc.reopen(), S_OK);
    EXPECT_EQ(doc.image.size(), committed_size);
    EXPECT_EQ(tree_of(doc.root.get()), (Tree{{"kept", "1"}}));
}

// Opening read-write and committing without a change writes nothing (the same bytes written
// again would still touch the file); the first change is written.
TEST(DocumentCommit, CommittingAnUnchangedDocumentWritesNothing) {
    MemoryDocument doc;
    ASSERT_EQ(put_stream(doc.root.get(), "s", pattern(6000, 3)), S_OK);
    ASSERT_EQ(doc.root->Commit(0), S_OK);
    ASSERT_EQ(doc.root->Commit(0), S_OK);  // moves the metadata into what the first one freed
    doc.root.reset();
    Ref<ILockBytes> bytes(new FaultyBytes(doc.image, -1, false));
    const auto* counter = static_cast<FaultyBytes*>(bytes.get());
    for (const bool change : {false, true}) {
        Ref<IStorage> root;
        ASSERT_EQ(StgOpenStorageOnILockBytes(bytes.get(), nullptr, kRW, nullptr, 0, root.out()),
                  S_OK);
        EXPECT_EQ(tree_of(root.get()).size(), 1u);  // reading changes nothing
        if (change) {
            ASSERT_EQ(put_stream(root.get(), "t", "new"), S_OK);
        }
        ASSERT_EQ(root->Commit(0), S_OK);
        ASSERT_EQ(root->Commit(0), S_OK);
        root.reset();
        EXPECT_EQ(counter->writes() > 0, change);
    }
}

TEST(DocumentLock, HeldDocumentIsNeitherReplacedNorLockedOnceReleased) {
    TempDir dir;
    const auto path = dir.wfile("a.cfb");
    const std::string file = dir.file("a.cfb");
    Ref<IStorage> first;
    ASSERT_EQ(StgCreateDocfile(path.c_str(), kRW, 0, first.out()), S_OK);
    ASSERT_EQ(put_stream(first.get(), "s", "kept"), S_OK);
    ASSERT_EQ(first->Commit(0), S_OK);
    EXPECT_TRUE(is_file_locked(file.c_str()));
    Ref<IStorage> second;
    // Replacing a held file would truncate it under its holder.
    EXPECT_EQ(StgCreateDocfile(path.c_str(), kRW | STGM_CREATE, 0, second.out()),
              STG_E_SHAREVIOLATION);
    first.reset();
    EXPECT_FALSE(is_file_locked(file.c_str()));
    ASSERT_EQ(StgOpenStorage(path.c_str(), nullptr, kRO, nullptr, 0, second.out()), S_OK);
    EXPECT_EQ(tree_of(second.get()), (Tree{{"s", "kept"}}));
}

// Share modes as the platform has them: readers that deny only writing share a document, every
// other pair conflicts (STG_E_SHAREVIOLATION), in this process and in another alike, and the
// lock goes with its holder.
TEST(DocumentLock, ShareModesInThisProcessAndAnother) {
    TempDir dir;
    const auto path = dir.wfile("a.cfb");
    constexpr DWORD kShared = STGM_READ | STGM_SHARE_DENY_WRITE;
    constexpr DWORD kWriteDenyWrite = STGM_READWRITE | STGM_SHARE_DENY_WRITE;
    {
        Ref<IStorage> made;
        ASSERT_EQ(StgCreateDocfile(path.c_str(), kRW, 0, made.out()), S_OK);
    }
    const std::vector<uint8_t> base = file_bytes(dir.file("a.cfb"));
    struct Case {
        std::vector<DWORD> held;
        DWORD asked;
        bool shares;
    };
    const Case cases[] = {
        {{kShared}, kShared, true},
        {{kShared, kShared}, kShared, true},
        {{kShared, kShared}, kRW, false},
        {{kShared}, kRO, false},
        {{kShared}, kWriteDenyWrite, false},
        {{kRO}, kShared, false},
        {{kRW}, kShared, false},
        {{kRW}, kRO, false},
        {{kWriteDenyWrite}, kShared, false},
    };
    const auto open = [&](DWORD mode) {
        Ref<IStorage> root;
        return StgOpenStorage(path.c_str(), nullptr, mode, nullptr, 0, root.out());
    };
    for (const Case& c : cases) {
        char what[64];
        std::snprintf(what, sizeof what, "held 0x%02X (%zu), asked 0x%02X", c.held[0],
                      c.held.size(), c.asked);
        const HRESULT expected = c.shares ? S_OK : STG_E_SHAREVIOLATION;
        {
            std::vector<Ref<IStorage>> holders(c.held.size());
            for (size_t i = 0; i < c.held.size(); ++i)
                ASSERT_EQ(
                    StgOpenStorage(path.c_str(), nullptr, c.held[i], nullptr, 0, holders[i].out()),
                    S_OK)
                    << what;
            EXPECT_EQ(open(c.asked), expected) << what << ", in this process";
            const pid_t child = ::fork();
            if (child == 0) ::_exit(open(c.asked) == expected ? 0 : 1);
            int status = 0;
            ASSERT_EQ(::waitpid(child, &status, 0), child);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
                << what << ", in another process";
        }
        EXPECT_EQ(open(c.asked), S_OK) << what << ", after the holders went";
    }
    EXPECT_EQ(file_bytes(dir.file("a.cfb")), base);
}

// Nothing opened from a read-only document gets more access than it: every change is refused.
TEST(DocumentAccess, ReadOnlyDocumentRefusesEveryChange) {
    MemoryDocument doc;
    ASSERT_EQ(put_stream(doc.root.get(), "s", "x"), S_OK);
    ASSERT_EQ(doc.root->Commit(0), S_OK);
    const std::vector<uint8_t> before = doc.image;
    ASSERT_EQ(doc.reopen(kRO), S_OK);
    Ref<IStream> s;
    EXPECT_EQ(doc.root->CreateStream(u"t", kRW, 0, 0, s.out()), STG_E_ACCESSDENIED);
    EXPECT_EQ(doc.root->OpenStream(u"s", nullptr, kRW, 0, s.out()), STG_E_ACCESSDENIED);
    EXPECT_EQ(doc.root->DestroyElement(u"s"), STG_E_ACCESSDENIED);
    EXPECT_EQ(doc.root->RenameElement(u"s", u"t"), STG_E_ACCESSDENIED);
    ASSERT_EQ(doc.root->OpenStream(u"s", nullptr, kRO, 0, s.out()), S_OK);
    EXPECT_EQ(s->Write("y", 1, nullptr), STG_E_ACCESSDENIED);
    EXPECT_EQ(s->SetSize(0), STG_E_ACCESSDENIED);
    EXPECT_EQ(read_all(s.get()), "x");
    EXPECT_EQ(doc.root->Commit(0), S_OK);
    EXPECT_EQ(doc.image, before);
}

TEST(DocumentDifat, FileNeedingMoreThan109FatSectorsRoundTrips) {
    TempDir dir;
    const auto path = dir.wfile("big.cfb");
    const std::string chunk = pattern(1 << 20, 5);
    {
        Ref<IStorage> root;
        ASSERT_EQ(StgCreateDocfile(path.c_str(), kRW, 0, root.out()), S_OK);
        Ref<IStream> s;
        ASSERT_EQ(root->CreateStream(u"big", kRW, 0, 0, s.out()), S_OK);
        for (int i = 0; i < 9; ++i)
            ASSERT_EQ(s->Write(chunk.data(), static_cast<ULONG>(chunk.size()), nullptr), S_OK);
        s.reset();
        ASSERT_EQ(put_stream(root.get(), "small", "after"), S_OK);
        ASSERT_EQ(root->Commit(0), S_OK);
    }
    const std::vector<uint8_t> image = file_bytes(dir.file("big.cfb"));
    EXPECT_GT(image[kHeaderDifatSectorsAt], 0);
    EXPECT_TRUE(problems_in(image).empty());
    EXPECT_EQ(independent_check(dir.file("big.cfb")), 0);
    Ref<IStorage> root;
    ASSERT_EQ(StgOpenStorage(path.c_str(), nullptr, kRW, nullptr, 0, root.out()), S_OK);
    Ref<IStream> s;
    ASSERT_EQ(root->OpenStream(u"big", nullptr, kRO, 0, s.out()), S_OK);
    std::string piece(chunk.size(), '\0');
    ASSERT_EQ(s->Seek(8 * chunk.size(), STREAM_SEEK_SET, nullptr), S_OK);
    ASSERT_EQ(s->Read(piece.data(), static_cast<ULONG>(piece.size()), nullptr), S_OK);
    EXPECT_EQ(piece, chunk);
}

}  // namespace
}  // namespace cfb::testing
