// Helpers of the engine's tests: owning pointers, trees read back through the public
// interfaces, a byte array that fails on cue, and the independent checker.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <sys/wait.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cfb/cfb.h"
#include "cfb/layout.h"
#include "cfb/little_endian.h"

namespace cfb::testing {

// Releases on scope exit, like the platform's smart pointers.
template <typename T>
class Ref {
public:
    Ref() = default;
    explicit Ref(T* p) : p_(p) {}
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    Ref(Ref&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
    ~Ref() { reset(); }
    void reset() {
        if (p_ != nullptr) p_->Release();
        p_ = nullptr;
    }
    T** out() {
        reset();
        return &p_;
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

constexpr DWORD kRW = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
constexpr DWORD kRO = STGM_READ | STGM_SHARE_EXCLUSIVE;

inline std::u16string u16(const std::string& s) {
    std::u16string out;
    EXPECT_TRUE(utf8_to_utf16(s, out));
    return out;
}
inline std::string u8(const std::u16string& s) {
    std::string out;
    EXPECT_TRUE(utf16_to_utf8(s, out));
    return out;
}

// Path ("a/b/c") -> "<storage>" or the stream's bytes, read through the public interfaces.
using Tree = std::map<std::string, std::string>;

inline std::string read_all(IStream* stream) {
    STATSTG st;
    EXPECT_EQ(stream->Stat(&st, STATFLAG_NONAME), S_OK);
    std::string out(st.cbSize, '\0');
    EXPECT_EQ(stream->Seek(0, STREAM_SEEK_SET, nullptr), S_OK);
    ULONG got = 0;
    EXPECT_EQ(stream->Read(out.data(), static_cast<ULONG>(out.size()), &got), S_OK);
    EXPECT_EQ(got, out.size());
    return out;
}

inline void read_tree(IStorage* storage, const std::string& prefix, Tree& out) {
    IEnumSTATSTG* raw = nullptr;
    ASSERT_EQ(storage->EnumElements(0, nullptr, 0, &raw), S_OK);
    Ref<IEnumSTATSTG> items(raw);
    STATSTG st;
    ULONG fetched = 0;
    while (items->Next(1, &st, &fetched) == S_OK && fetched == 1) {
        const std::u16string name = st.pwcsName;
        CoTaskMemFree(st.pwcsName);
        const std::string path = prefix + u8(name);
        if (st.type == STGTY_STORAGE) {
            out[path] = "<storage>";
            Ref<IStorage> child;
            ASSERT_EQ(storage->OpenStorage(name.c_str(), nullptr, kRO, nullptr, 0, child.out()),
                      S_OK);
            read_tree(child.get(), path + "/", out);
        } else {
            Ref<IStream> stream;
            ASSERT_EQ(storage->OpenStream(name.c_str(), nullptr, kRO, 0, stream.out()), S_OK);
            out[path] = read_all(stream.get());
        }
    }
}

inline Tree tree_of(IStorage* storage) {
    Tree out;
    read_tree(storage, "", out);
    return out;
}

inline HRESULT put_stream(IStorage* storage, const std::string& name, const std::string& bytes) {
    IStream* raw = nullptr;
    HRESULT hr = storage->CreateStream(u16(name).c_str(), kRW | STGM_CREATE, 0, 0, &raw);
    if (FAILED(hr)) return hr;
    Ref<IStream> stream(raw);
    ULONG put = 0;
    return stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &put);
}

inline std::string parent_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash);
}
inline std::string name_of(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

// Storages opened on the way down to paths ("a/b"), each once (an open storage cannot be
// opened again), all released together.
struct OpenPath {
    std::map<std::string, Ref<IStorage>> levels;
    IStorage* open(IStorage* root, const std::string& path) {
        if (path.empty()) return root;
        if (const auto it = levels.find(path); it != levels.end()) return it->second.get();
        IStorage* parent = open(root, parent_of(path));
        Ref<IStorage>& level = levels[path];
        if (parent != nullptr) {
            EXPECT_EQ(parent->OpenStorage(u16(name_of(path)).c_str(), nullptr, kRW, nullptr, 0,
                                          level.out()),
                      S_OK)
                << path;
        }
        return level.get();
    }
};

// Writes a tree as tree_of() gives it: a storage's entry comes before what it holds.
inline void put_tree(IStorage* root, const Tree& tree) {
    OpenPath open;
    for (const auto& [path, value] : tree) {
        IStorage* parent = open.open(root, parent_of(path));
        ASSERT_NE(parent, nullptr) << path;
        const std::string name = name_of(path);
        Ref<IStorage> made;
        ASSERT_EQ(value == "<storage>"
                      ? parent->CreateStorage(u16(name).c_str(), kRW, 0, 0, made.out())
                      : put_stream(parent, name, value),
                  S_OK)
            << path;
    }
}

inline std::string pattern(size_t n, unsigned seed) {
    std::string s(n, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (auto& c : s) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 24);
    }
    return s;
}

// Bytes shared between the document and the test, so the test sees exactly what was written.
// After `writes_left` writes (WriteAt or SetSize) every later one fails, or, with
// `drop` set, reports success without changing anything (the process died unnoticed).
class FaultyBytes final : public ILockBytes {
public:
    FaultyBytes(std::vector<uint8_t>& bytes, long writes_left, bool drop)
        : bytes_(bytes), writes_left_(writes_left), drop_(drop) {}
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT ReadAt(uint64_t offset, void* pv, ULONG cb, ULONG* pcbRead) override {
        ULONG n = 0;
        if (offset < bytes_.size())
            n = static_cast<ULONG>(std::min<uint64_t>(cb, bytes_.size() - offset));
        if (n > 0) std::memcpy(pv, bytes_.data() + offset, n);
        if (pcbRead != nullptr) *pcbRead = n;
        return S_OK;
    }
    HRESULT WriteAt(uint64_t offset, const void* pv, ULONG cb, ULONG* pcbWritten) override {
        if (pcbWritten != nullptr) *pcbWritten = 0;
        if (!may_write()) return drop_ ? report(cb, pcbWritten) : STG_E_WRITEFAULT;
        write_offsets.push_back(offset);
        if (offset + cb > bytes_.size()) bytes_.resize(offset + cb);
        if (cb > 0) std::memcpy(bytes_.data() + offset, pv, cb);
        return report(cb, pcbWritten);
    }
    HRESULT Flush() override {
        ++flushes;
        return S_OK;
    }
    HRESULT SetSize(uint64_t cb) override {
        if (!may_write()) return drop_ ? S_OK : STG_E_WRITEFAULT;
        bytes_.resize(cb);
        return S_OK;
    }
    HRESULT Stat(STATSTG* st, DWORD) override {
        *st = STATSTG{};
        st->cbSize = bytes_.size();
        return S_OK;
    }
    long writes() const { return writes_; }
    // Every later write succeeds again, as on a disk that has room again.
    void heal() { writes_left_ = -1; }
    std::vector<uint64_t> write_offsets;  // of the WriteAt calls applied
    int flushes = 0;

private:
    ~FaultyBytes() override = default;
    bool may_write() {
        ++writes_;
        return writes_left_ < 0 || writes_ <= writes_left_;
    }
    static HRESULT report(ULONG cb, ULONG* out) {
        if (out != nullptr) *out = cb;
        return S_OK;
    }
    std::vector<uint8_t>& bytes_;
    long writes_left_;
    bool drop_;
    long writes_ = 0;
    ULONG refs_ = 1;
};

// A fresh directory for the test's files, removed afterwards.
class TempDir {
public:
    TempDir() {
        std::string templ = (std::filesystem::temp_directory_path() / "cfb-test-XXXXXX").string();
        path_ = ::mkdtemp(templ.data());
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    std::u16string wfile(const std::string& name) const { return u16(file(name)); }

private:
    std::string path_;
};

inline std::vector<uint8_t> file_bytes(const std::string& path) {
    std::vector<uint8_t> out(std::filesystem::file_size(path));
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f != nullptr) {
        EXPECT_EQ(std::fread(out.data(), 1, out.size(), f), out.size());
        std::fclose(f);
    }
    return out;
}

inline void write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    std::fclose(f);
}

// Runs the independent checker (olefile plus its own accounting). Its warnings are not
// failures: it flags unused entries written as the format says (zero, NOSTREAM links).
// Returns its exit status; 0 means valid.
inline int independent_check(const std::string& path) {
    const char* source = std::getenv("VYR_SOURCE_DIR");
    std::string tool = "/work/shared/tools/cfb_check.py";
    if (source != nullptr && std::filesystem::exists(std::string(source) + "/tools/cfb_check.py"))
        tool = std::string(source) + "/tools/cfb_check.py";
    const std::string command = "python3 " + tool + " '" + path + "' > /dev/null";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The validator's findings on a byte image (empty when sound).
inline std::vector<std::string> problems_in(const std::vector<uint8_t>& image) {
    ILockBytes* raw = nullptr;
    EXPECT_EQ(create_memory_lock_bytes(image, &raw), S_OK);
    Ref<ILockBytes> bytes(raw);
    return validate_document(*bytes.get());
}

// A document on memory whose bytes the test can look at: the FaultyBytes never fails.
struct MemoryDocument {
    std::vector<uint8_t> image;
    Ref<IStorage> root;
    explicit MemoryDocument(bool create = true) {
        if (create) {
            Ref<ILockBytes> bytes(new FaultyBytes(image, -1, false));
            EXPECT_EQ(StgCreateDocfileOnILockBytes(bytes.get(), kRW, 0, root.out()), S_OK);
        }
    }
    HRESULT reopen(DWORD mode = kRW) {
        root.reset();
        Ref<ILockBytes> bytes(new FaultyBytes(image, -1, false));
        return StgOpenStorageOnILockBytes(bytes.get(), nullptr, mode, nullptr, 0, root.out());
    }
    // Commits, reopens and reads the whole tree back.
    Tree committed_tree() {
        EXPECT_EQ(root->Commit(0), S_OK);
        if (FAILED(reopen())) {
            ADD_FAILURE() << "the committed document does not open";
            return {};
        }
        return tree_of(root.get());
    }
};

// A committed document with a mini stream, a regular stream and a storage holding a regular
// stream; its directory fits its first sector and has unused entries.
inline const Tree& sample_tree() {
    static const Tree tree{{"large", pattern(10000, 2)},
                           {"small", pattern(300, 1)},
                           {"sub", "<storage>"},
                           {"sub/x", pattern(5000, 3)}};
    return tree;
}

inline std::vector<uint8_t> sample_image() {
    MemoryDocument doc;
    put_tree(doc.root.get(), sample_tree());
    EXPECT_EQ(doc.root->Commit(0), S_OK);
    doc.root.reset();
    return doc.image;
}

inline HRESULT open_image(const std::vector<uint8_t>& image, DWORD mode, Ref<IStorage>& root) {
    ILockBytes* raw = nullptr;
    EXPECT_EQ(create_memory_lock_bytes(image, &raw), S_OK);
    Ref<ILockBytes> bytes(raw);
    return StgOpenStorageOnILockBytes(bytes.get(), nullptr, mode, nullptr, 0, root.out());
}

// The tree a byte image opens as, or nothing when it does not open.
inline std::optional<Tree> tree_in(const std::vector<uint8_t>& image, DWORD mode = kRO) {
    Ref<IStorage> root;
    if (FAILED(open_image(image, mode, root))) return std::nullopt;
    return tree_of(root.get());
}

// Offset of directory entry `id` of a version 3 image whose directory starts contiguously.
inline size_t entry_offset(const std::vector<uint8_t>& image, uint32_t id) {
    return (get32(image.data() + kHeaderFirstDirSectorAt) + 1) * 512 + id * kEntryBytes;
}

}  // namespace cfb::testing
