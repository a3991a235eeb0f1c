// Helpers of the storage wrapper tests: a scratch folder per test, and a walk of a document
// through the engine itself, independent of the wrappers under test.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "cfb/cfb.h"
#include "storage/stg.h"

namespace storage_test {

// A folder of the current test's own, below the build tree when CTest runs the test.
class ScratchDir {
public:
    ScratchDir() {
        const char* binary = std::getenv("VYR_BINARY_DIR");
        const auto* test = testing::UnitTest::GetInstance()->current_test_info();
        m_path = (binary != nullptr ? std::filesystem::path(binary)
                                    : std::filesystem::temp_directory_path()) /
                 "storage_scratch" /
                 (std::string(test->test_suite_name()) + "." + test->name() + "." +
                  std::to_string(getpid()));
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~ScratchDir() { std::filesystem::remove_all(m_path); }
    std::string File(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

inline std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline CVyrIPtrSmart<ILockBytes> memory_bytes() {
    ILockBytes* bytes = nullptr;
    EXPECT_EQ(cfb::create_memory_lock_bytes({}, &bytes), S_OK);
    return CVyrIPtrSmart<ILockBytes>(bytes);
}

// Creates (or replaces) a stream holding content.
inline void put_stream(CStg& storage, const char* name, const std::string& content) {
    CStm stream;
    ASSERT_TRUE(storage.CreateStream(name, STGM_READWRITE | STGM_CREATE, stream)) << name;
    ASSERT_TRUE(stream.Write(content.data(), static_cast<uint32_t>(content.size()))) << name;
}

// Every element below a storage: "Storage/Stream" -> the stream's bytes, "Storage" -> "<storage>".
using Tree = std::map<std::string, std::string>;

inline void walk(IStorage& storage, const std::string& prefix, Tree& tree) {
    IEnumSTATSTG* elements = nullptr;
    ASSERT_EQ(storage.EnumElements(0, nullptr, 0, &elements), S_OK);
    STATSTG element;
    ULONG fetched = 0;
    constexpr DWORD kRead = STGM_READ | STGM_SHARE_EXCLUSIVE;
    while (SUCCEEDED(elements->Next(1, &element, &fetched)) && fetched == 1) {
        std::string path;
        cfb::utf16_to_utf8(element.pwcsName, path);
        path = prefix + path;
        IStorage* child = nullptr;
        IStream* stream = nullptr;
        if (element.type == STGTY_STORAGE &&
            SUCCEEDED(storage.OpenStorage(element.pwcsName, nullptr, kRead, nullptr, 0, &child))) {
            tree[path] = "<storage>";
            walk(*child, path + "/", tree);
            child->Release();
        } else if (SUCCEEDED(storage.OpenStream(element.pwcsName, nullptr, kRead, 0, &stream))) {
            std::string content(element.cbSize, '\0');
            ULONG read = 0;
            stream->Read(content.data(), static_cast<ULONG>(content.size()), &read);
            tree[path] = content.substr(0, read);
            stream->Release();
        }
        CoTaskMemFree(element.pwcsName);
    }
    elements->Release();
}

inline Tree tree_of(ILockBytes* bytes) {
    Tree tree;
    IStorage* root = nullptr;
    EXPECT_EQ(StgOpenStorageOnILockBytes(bytes, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr,
                                         0, &root),
              S_OK);
    if (root == nullptr) return tree;
    walk(*root, "", tree);
    root->Release();
    return tree;
}

inline Tree tree_of_file(const std::string& path) {
    ILockBytes* bytes = nullptr;
    EXPECT_EQ(cfb::create_file_lock_bytes(path.c_str(), STGM_READ, false, &bytes), S_OK);
    if (bytes == nullptr) return {};
    const Tree tree = tree_of(bytes);
    bytes->Release();
    return tree;
}

// Replaces (or adds) one root stream of a closed compound file and commits.
inline void put_root_stream(const std::string& path, const std::string& name,
                            const std::string& content) {
    CStg document;
    ASSERT_TRUE(document.OpenDocument(path.c_str(), 2));
    put_stream(document, name.c_str(), content);
}

inline void remove_root_entry(const std::string& path, const std::string& name) {
    CStg document;
    ASSERT_TRUE(document.OpenDocument(path.c_str(), 2));
    ASSERT_TRUE(document.DestroyElement(name.c_str()));
}

}  // namespace storage_test
