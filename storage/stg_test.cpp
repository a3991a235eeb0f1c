#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "storage/forwarding_storage_test_support.h"
#include "storage/status_text.h"
#include "storage/stg.h"
#include "storage/storage_test_support.h"

namespace {

using storage_test::memory_bytes;
using storage_test::put_stream;
using storage_test::Tree;
using storage_test::tree_of;

IStorage* engine_document(ILockBytes* bytes) {
    IStorage* storage = nullptr;
    EXPECT_EQ(StgCreateDocfileOnILockBytes(
                  bytes, STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE, 0, &storage),
              S_OK);
    return storage;
}

class CStgDocumentTest : public testing::Test {
protected:
    storage_test::ScratchDir dir;
    const std::string path = dir.File("project.vyr");
};

TEST_F(CStgDocumentTest, RootOpenedForWritingMakesItsChangesDurableWhenItGoes) {
    {
        CStg root;
        ASSERT_TRUE(root.CreateDocument(path.c_str()));
        EXPECT_EQ(root.GetAccessMode(), vyr::kAccessReadWrite);
        CStg station;
        ASSERT_TRUE(root.OpenOrCreateSubStorage("Station00001", 2, 1, station));
        put_stream(station, "Observations", "epochs");
    }
    {
        CStg root;
        ASSERT_TRUE(root.OpenDocument(path.c_str(), vyr::kAccessWrite));
        CStm stream;
        ASSERT_TRUE(root.CreateStream("StorageVersion", STGM_WRITE | STGM_CREATE, stream));
        ASSERT_TRUE(stream.Write("3.0", 3));
    }
    EXPECT_EQ(storage_test::tree_of_file(path), (Tree{{"Station00001", "<storage>"},
                                                      {"Station00001/Observations", "epochs"},
                                                      {"StorageVersion", "3.0"}}));
}

TEST_F(CStgDocumentTest, ReadOnlyRootRefusesChangesAndLeavesTheFileByteIdentical) {
    {
        CStg root;
        ASSERT_TRUE(root.CreateDocument(path.c_str()));
        put_stream(root, "StorageVersion", "3.0");
    }
    const std::string before = storage_test::read_file(path);
    {
        CStg reader;
        ASSERT_TRUE(reader.OpenDocument(path.c_str(), vyr::kAccessRead));
        EXPECT_EQ(reader.GetAccessMode(), vyr::kAccessRead);
        CStm stream;
        EXPECT_FALSE(reader.CreateStream("New", STGM_READWRITE | STGM_CREATE, stream));
        EXPECT_EQ(reader.GetLastError(), STG_E_ACCESSDENIED);
        EXPECT_FALSE(reader.DestroyElement("StorageVersion"));
        EXPECT_EQ(reader.GetLastError(), STG_E_ACCESSDENIED);
    }
    EXPECT_EQ(storage_test::read_file(path), before);
}

TEST_F(CStgDocumentTest, CreateDocumentNeverReplacesAnExistingFile) {
    std::ofstream(path) << "not a project";
    CStg root;
    EXPECT_FALSE(root.CreateDocument(path.c_str()));
    EXPECT_EQ(root.GetLastError(), STG_E_FILEALREADYEXISTS);
    EXPECT_EQ(root.GetAccessMode(), vyr::kAccessClosed);
    EXPECT_EQ(storage_test::read_file(path), "not a project");
}

TEST_F(CStgDocumentTest, FileHeldByAnotherCStgCannotBeOpenedUntilItGoes) {
    auto first = std::make_unique<CStg>();
    ASSERT_TRUE(first->CreateDocument(path.c_str()));
    CStg second;
    for (int32_t mode : {vyr::kAccessRead, vyr::kAccessReadWrite}) {
        EXPECT_FALSE(second.OpenDocument(path.c_str(), mode));
        const HRESULT status = second.GetLastError();
        EXPECT_EQ(status, STG_E_SHAREVIOLATION) << std::hex << status;
    }
    put_stream(*first, "StorageVersion", "3.0");
    first.reset();
    EXPECT_TRUE(second.OpenDocument(path.c_str(), vyr::kAccessRead));
}

TEST_F(CStgDocumentTest, FailedPreconditionsNeverReachThePlatform) {
    const std::string missing = dir.File("missing.vyr");
    auto bytes = memory_bytes();
    IStorage* storage = engine_document(bytes.Get());
    CStg closed;
    CStg child;
    CStm stream;
    EXPECT_FALSE(closed.CreateDocument(""));
    EXPECT_FALSE(closed.OpenDocument(missing.c_str(), vyr::kAccessClosed));
    EXPECT_FALSE(closed.OpenDocument(missing.c_str(), STGM_READWRITE | STGM_CREATE));
    EXPECT_FALSE(closed.OpenDocumentOnLockBytes(bytes.Get(), vyr::kAccessClosed));
    EXPECT_FALSE(closed.Attach(nullptr));
    EXPECT_FALSE(closed.Attach(storage, 3));
    EXPECT_FALSE(closed.OpenOrCreateStream("Data", 2, 4, stream));
    EXPECT_FALSE(closed.OpenOrCreateSubStorage("Station", 2, 4, child));
    EXPECT_EQ(closed.GetLastError(), S_OK);  // a platform call on "missing" would say not found
    EXPECT_EQ(closed.GetAccessMode(), vyr::kAccessClosed);

    // A second open of an open wrapper fails and leaves it as it was.
    CStg root;
    ASSERT_TRUE(root.CreateDocument(path.c_str()));
    EXPECT_FALSE(root.CreateDocument(missing.c_str()));
    EXPECT_FALSE(root.OpenDocument(missing.c_str(), vyr::kAccessRead));
    EXPECT_FALSE(root.CreateDocumentOnLockBytes(bytes.Get()));
    EXPECT_FALSE(root.Attach(storage));
    EXPECT_EQ(root.GetLastError(), S_OK);
    EXPECT_EQ(root.GetAccessMode(), vyr::kAccessReadWrite);
    EXPECT_FALSE(std::filesystem::exists(missing));
    storage->Release();
}

TEST_F(CStgDocumentTest, ChildHoldingItsParentKeepsTheDocumentOpen) {
    auto child = std::make_unique<CStg>();
    {
        CVyrPtrSmart<CStg> root(new CStg);
        ASSERT_TRUE(root->CreateDocument(path.c_str()));
        ASSERT_TRUE(root->OpenOrCreateSubStorage("Station00001", 2, 1, *child));
        child->SetParent(root);
    }
    EXPECT_TRUE(cfb::is_file_locked(path.c_str()));
    put_stream(*child, "Observations", "epochs");
    child.reset();
    EXPECT_FALSE(cfb::is_file_locked(path.c_str()));
    EXPECT_EQ(storage_test::tree_of_file(path),
              (Tree{{"Station00001", "<storage>"}, {"Station00001/Observations", "epochs"}}));
}

TEST(CStgSourceTest, LockBytesAndCallerStoragesServeAsDocuments) {
    auto bytes = memory_bytes();
    for (const char* name : {"Old", "New"}) {  // creating replaces what the bytes held
        CStg root;
        ASSERT_TRUE(root.CreateDocumentOnLockBytes(bytes.Get()));
        put_stream(root, name, "3.0");
    }
    {
        CStg root;
        ASSERT_TRUE(root.OpenDocumentOnLockBytes(bytes.Get(), vyr::kAccessReadWrite));
        put_stream(root, "Status", "0");
    }
    EXPECT_TRUE(cfb::validate_document(*bytes).empty());
    EXPECT_EQ(tree_of(bytes.Get()), (Tree{{"New", "3.0"}, {"Status", "0"}}));

    IStorage* caller = engine_document(bytes.Get());
    {
        CStg project;
        ASSERT_TRUE(project.Attach(caller));
        EXPECT_EQ(project.GetAccessMode(), vyr::kAccessReadWrite);
        put_stream(project, "StorageVersion", "3.0");
    }
    // The caller's reference survives the wrapper, whose commit made the stream durable.
    STATSTG status;
    ASSERT_EQ(caller->Stat(&status, STATFLAG_NONAME), S_OK);
    caller->Release();
    EXPECT_EQ(tree_of(bytes.Get()), (Tree{{"StorageVersion", "3.0"}}));
}

// What an InstrumentedStorage saw, and the failure it gives every open when told to.
struct PlatformLog {
    int commits = 0;
    HRESULT openFailure = S_OK;
};

// Forwards to an engine storage; counts the commits on it and on the storages opened or
// created through it, and fails opens on request.
class InstrumentedStorage final : public storage_test::ForwardingStorage {
public:
    InstrumentedStorage(IStorage* inner, PlatformLog& log) : ForwardingStorage(inner), m_log(log) {}

    HRESULT OpenStream(const OLECHAR* name, void* r1, DWORD mode, DWORD r2,
                       IStream** out) override {
        if (FAILED(m_log.openFailure)) return m_log.openFailure;
        return ForwardingStorage::OpenStream(name, r1, mode, r2, out);
    }
    HRESULT CreateStorage(const OLECHAR* name, DWORD mode, DWORD r1, DWORD r2,
                          IStorage** out) override {
        return Wrap(m_inner->CreateStorage(name, mode, r1, r2, out), out);
    }
    HRESULT OpenStorage(const OLECHAR* name, IStorage* priority, DWORD mode, SNB exclude,
                        DWORD reserved, IStorage** out) override {
        if (FAILED(m_log.openFailure)) return m_log.openFailure;
        return Wrap(m_inner->OpenStorage(name, priority, mode, exclude, reserved, out), out);
    }
    HRESULT MoveElementTo(const OLECHAR*, IStorage*, const OLECHAR*, DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT Commit(DWORD flags) override {
        ++m_log.commits;
        return ForwardingStorage::Commit(flags);
    }

private:
    HRESULT Wrap(HRESULT status, IStorage** out) {
        if (SUCCEEDED(status)) *out = new InstrumentedStorage(*out, m_log);
        return status;
    }

    PlatformLog& m_log;
};

TEST(CStgCommitTest, OnlyARootOpenedForWritingCommitsAndOnlyOnce) {
    for (int32_t mode : {vyr::kAccessRead, vyr::kAccessWrite, vyr::kAccessReadWrite}) {
        auto bytes = memory_bytes();
        PlatformLog log;
        IStorage* storage = new InstrumentedStorage(engine_document(bytes.Get()), log);
        {
            CStg root;
            ASSERT_TRUE(root.Attach(storage, mode));
            {
                CStg station;
                ASSERT_TRUE(root.OpenOrCreateSubStorage("Station", 2, 4, station));
            }
            EXPECT_EQ(log.commits, 0) << "a child committed, mode " << mode;
        }
        EXPECT_EQ(log.commits, mode == vyr::kAccessRead ? 0 : 1) << "mode " << mode;
        storage->Release();
    }
}

// Each case runs on a fresh document holding the element "Existing" with the content "old".
// Before the call the last status is set to STG_E_INVALIDNAME, which no case produces, so an
// unchanged status shows that the platform was not called.
struct DispositionCase {
    const char* name;
    int32_t mode;
    int32_t disposition;
    HRESULT status;
    std::optional<std::string> after;  // the element's content afterwards; none when absent
};

constexpr HRESULT kUntouched = STG_E_INVALIDNAME;

const DispositionCase kDispositionCases[] = {
    {"Existing", 2, 1, STG_E_FILEALREADYEXISTS, "old"},
    {"Missing", 2, 1, S_OK, ""},
    {"Missing", 0, 1, kUntouched, std::nullopt},
    {"Existing", 1, 2, S_OK, ""},
    {"Existing", 0, 2, kUntouched, "old"},
    {"Existing", 0, 3, S_OK, "old"},
    {"Missing", 2, 3, STG_E_FILENOTFOUND, std::nullopt},
    {"Existing", 2, 4, S_OK, "old"},
    {"Missing", 1, 4, S_OK, ""},
    {"Missing", 0, 4, STG_E_FILENOTFOUND, std::nullopt},
    {"Existing", 2, 0, kUntouched, "old"},
    {"Missing", 2, 5, kUntouched, std::nullopt},
    {"Existing", -1, 3, kUntouched, "old"},
};

// Every case runs on a stream and on a storage holding the stream "Marker".
TEST(CStgDispositionTest, OpenOrCreateStreamAndSubStorageFollowTheDispositionTable) {
    for (const bool storage : {false, true})
        for (const DispositionCase& c : kDispositionCases) {
            const std::string what = std::string(storage ? "storage " : "stream ") + c.name +
                                     " mode " + std::to_string(c.mode) + " disposition " +
                                     std::to_string(c.disposition);
            auto bytes = memory_bytes();
            {
                CStg root;
                ASSERT_TRUE(root.CreateDocumentOnLockBytes(bytes.Get()));
                if (storage) {
                    CStg existing;
                    ASSERT_TRUE(root.CreateSubStorage(u"Existing", STGM_READWRITE, existing));
                    put_stream(existing, "Marker", "old");
                } else {
                    put_stream(root, "Existing", "old");
                }
                ASSERT_FALSE(
                    root.DestroyElement(std::string(40, 'x').c_str()));  // too long: kUntouched
                CStg child;
                CStm stream;
                const bool opened =
                    storage ? root.OpenOrCreateSubStorage(c.name, c.mode, c.disposition, child)
                            : root.OpenOrCreateStream(c.name, c.mode, c.disposition, stream);
                EXPECT_EQ(opened, c.status == S_OK) << what;
                EXPECT_EQ(root.GetLastError(), c.status) << what;
                EXPECT_EQ(storage ? child.GetAccessMode() : stream.GetAccessMode(),
                          opened ? c.mode : vyr::kAccessClosed)
                    << what;
            }
            const Tree tree = tree_of(bytes.Get());
            std::optional<std::string> after;
            if (tree.count(c.name) != 0) after = tree.at(c.name);
            if (storage && after) after = tree.count(c.name + std::string("/Marker")) ? "old" : "";
            EXPECT_EQ(after, c.after) << what;
        }
}

TEST(CStgDispositionTest, OpenAlwaysReplacesNothingWhenTheOpenFailsForAnotherReason) {
    auto bytes = memory_bytes();
    PlatformLog log;
    IStorage* storage = new InstrumentedStorage(engine_document(bytes.Get()), log);
    {
        CStg root;
        ASSERT_TRUE(root.Attach(storage));
        put_stream(root, "Existing", "old");
        CStg station;
        ASSERT_TRUE(root.CreateSubStorage(u"Station", STGM_READWRITE, station));
        log.openFailure = STG_E_INUSE;
        CStm stream;
        EXPECT_FALSE(root.OpenOrCreateStream("Existing", 2, 4, stream));
        EXPECT_EQ(root.GetLastError(), STG_E_INUSE);
        put_stream(station, "Marker", "old");
        CStg again;
        EXPECT_FALSE(root.OpenOrCreateSubStorage("Station", 2, 4, again));
        EXPECT_EQ(root.GetLastError(), STG_E_INUSE);
    }
    storage->Release();
    EXPECT_EQ(tree_of(bytes.Get()),
              (Tree{{"Existing", "old"}, {"Station", "<storage>"}, {"Station/Marker", "old"}}));
}

TEST(CStgElementTest, DestroyElementRemovesAStreamOrAWholeStorage) {
    auto bytes = memory_bytes();
    {
        CStg root;
        ASSERT_TRUE(root.CreateDocumentOnLockBytes(bytes.Get()));
        put_stream(root, "StorageVersion", "3.0");
        put_stream(root, "StationList", "keys");
        {
            CStg station;
            ASSERT_TRUE(root.CreateSubStorage(u"Station", STGM_READWRITE, station));
            put_stream(station, "Residuals", "r");
        }
        EXPECT_TRUE(root.DestroyElement("Station"));
        EXPECT_TRUE(root.DestroyElement("StationList"));
        EXPECT_FALSE(root.DestroyElement("StationList"));
        EXPECT_EQ(root.GetLastError(), STG_E_FILENOTFOUND);
    }
    EXPECT_EQ(tree_of(bytes.Get()), (Tree{{"StorageVersion", "3.0"}}));
}

// Element names are UTF-8, else Latin-1 (texts of imported files need not be UTF-8): each name
// reaches the platform as one UTF-16 name, found again by the same bytes. Document paths are
// only UTF-8: any other reading would name another file.
TEST(CStgNameTest, ElementNamesAreUtf8ElseLatin1AndPathsOnlyUtf8) {
    struct Case {
        const char* name;
        const char* stored;  // the UTF-16 name, shown as UTF-8
        bool utf8;
    };
    const Case cases[] = {
        {"Station-\xc3\x84", "Station-\xc3\x84", true},              // Ä
        {"\xc3\x9cmlaut-\xc2\xb5", "\xc3\x9cmlaut-\xc2\xb5", true},  // Ümlaut-µ
        {"Station\xe9\xff", "Station\xc3\xa9\xc3\xbf", false},
        {"Station\xc3", "Station\xc3\x83", false},  // a cut sequence
        {"\xc3\x28", "\xc3\x83(", false},
        {"\xc0\xaf", "\xc3\x80\xc2\xaf", false},  // an overlong slash
    };
    storage_test::ScratchDir dir;
    auto bytes = memory_bytes();
    Tree expected;
    {
        CStg root;
        ASSERT_TRUE(root.CreateDocumentOnLockBytes(bytes.Get()));
        for (const Case& c : cases) {
            {
                CStg child;
                ASSERT_TRUE(
                    root.OpenOrCreateSubStorage(c.name, 2, vyr::kDispositionCreateNew, child))
                    << c.stored;
                put_stream(child, c.name, "x");
            }
            CStg again;
            EXPECT_TRUE(
                root.OpenOrCreateSubStorage(c.name, 0, vyr::kDispositionOpenExisting, again))
                << c.stored;
            CStm stream;
            EXPECT_TRUE(again.OpenStream(c.name, vyr::kAccessRead, stream)) << c.stored;
            expected[c.stored] = "<storage>";
            expected[std::string(c.stored) + "/" + c.stored] = "x";

            CStg document;
            const std::string path = dir.File(std::string("p") + c.name);
            EXPECT_NO_THROW(EXPECT_EQ(document.CreateDocument(path.c_str()), c.utf8)) << c.stored;
            EXPECT_EQ(document.GetLastError(), c.utf8 ? S_OK : STG_E_INVALIDNAME) << c.stored;
        }
    }
    EXPECT_EQ(tree_of(bytes.Get()), expected);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.File("")),
                            std::filesystem::directory_iterator()),
              2);
}

TEST(CStgLastErrorTest, GetLastErrorGivesTheStatusAndOurTextForIt) {
    auto bytes = memory_bytes();
    CStg root;
    ASSERT_TRUE(root.CreateDocumentOnLockBytes(bytes.Get()));
    CStm stream;
    ASSERT_FALSE(root.OpenStream("Missing", vyr::kAccessRead, stream));
    char text[128];
    EXPECT_EQ(root.GetLastError(text, sizeof text), STG_E_FILENOTFOUND);
    EXPECT_STREQ(text, vyr::status_text(STG_E_FILENOTFOUND));
    char small[6];
    root.GetLastError(small, sizeof small);
    EXPECT_EQ(std::string(small), std::string(text, 5));
    EXPECT_EQ(root.GetLastError(nullptr, 100), STG_E_FILENOTFOUND);

    // Every status of the platform has a text of its own; other codes give the empty string.
    std::set<std::string> texts;
    for (HRESULT code = STG_E_INVALIDFUNCTION; code <= STG_E_DOCFILETOOLARGE; ++code)
        if (*vyr::status_text(code) != '\0') texts.insert(vyr::status_text(code));
    EXPECT_EQ(texts.size(), 32u);
    for (HRESULT code : {S_OK, S_FALSE, E_FAIL, E_OUTOFMEMORY, E_INVALIDARG, STG_E_INVALIDNAME})
        EXPECT_STRNE(vyr::status_text(code), "");
    char none[8] = "xxxxxxx";
    vyr::copy_status_text(cfb_status(0x80030099u), none, sizeof none);
    EXPECT_STREQ(none, "");
}

}  // namespace
