// Writes the seed documents of the fuzz targets into a folder: small documents through the
// engine that use every structure (mini and regular streams, nesting, siblings, version 4), so
// the fuzzer starts from sound files instead of guessing a signature, and documents as other
// writers leave them (sibling trees unbalanced, wrongly coloured or out of order, empty and odd
// names), laid out byte by byte since the engine never writes such trees, and damaged ones
// (shared, looping and broken chains, sizes past their chains) for the salvaging open.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "../cfb/foreign_documents.h"
#include "../cfb/test_image.h"
#include "cfb/cfb.h"

namespace {

constexpr DWORD kRw = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;

bool add_stream(IStorage* at, const char16_t* name, size_t size) {
    IStream* s = nullptr;
    if (FAILED(at->CreateStream(name, kRw, 0, 0, &s))) return false;
    std::vector<char> data(size);
    for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>(i * 7 + size);
    ULONG written = 0;
    const bool ok =
        size == 0 || SUCCEEDED(s->Write(data.data(), static_cast<ULONG>(size), &written));
    s->Release();
    return ok;
}

// shape 0: empty; 1: mini and regular streams; 2: nesting and siblings.
bool fill(IStorage* root, int shape) {
    if (shape == 0) return true;
    if (shape == 1)
        return add_stream(root, u"small", 100) && add_stream(root, u"edge", 4095) &&
               add_stream(root, u"big", 5000) && add_stream(root, u"empty", 0);
    IStorage* sub = nullptr;
    if (FAILED(root->CreateStorage(u"Sub", kRw, 0, 0, &sub))) return false;
    bool ok = add_stream(sub, u"inner", 300);
    IStorage* deeper = nullptr;
    if (ok && SUCCEEDED(sub->CreateStorage(u"Deeper", kRw, 0, 0, &deeper))) {
        ok = add_stream(deeper, u"leaf", 4100);
        deeper->Release();
    }
    sub->Release();
    const char16_t* names[] = {u"a", u"B", u"cc", u"DD", u"e\u00e9", u"ffff", u"g", u"H1", u"i2"};
    for (const char16_t* n : names) ok = ok && add_stream(root, n, 10);
    return ok;
}

bool write_seed(const std::string& dir, int shape, bool v4) {
    ILockBytes* bytes = nullptr;
    if (FAILED(cfb::create_memory_lock_bytes({}, &bytes))) return false;
    IStorage* root = nullptr;
    bool ok = false;
    // The memory byte array has no sector-size option: version 4 seeds go through a file.
    const std::string path = dir + "/seed-" + std::to_string(shape) + (v4 ? "-v4" : "-v3");
    if (v4) {
        bytes->Release();
        std::u16string name;
        if (!cfb::utf8_to_utf16(path, name)) return false;
        STGOPTIONS options;
        options.usVersion = 2;
        options.ulSectorSize = 4096;
        if (FAILED(StgCreateStorageEx(name.c_str(), kRw | STGM_CREATE, STGFMT_DOCFILE, 0, &options,
                                      nullptr, IID_IStorage, reinterpret_cast<void**>(&root))))
            return false;
        ok = fill(root, shape) && SUCCEEDED(root->Commit(STGC_DEFAULT));
        root->Release();
        return ok;
    }
    if (SUCCEEDED(StgCreateDocfileOnILockBytes(bytes, kRw | STGM_CREATE, 0, &root))) {
        ok = fill(root, shape) && SUCCEEDED(root->Commit(STGC_DEFAULT));
        root->Release();
    }
    STATSTG stat;
    std::vector<char> data;
    if (ok && SUCCEEDED(bytes->Stat(&stat, STATFLAG_NONAME))) {
        data.resize(stat.cbSize);
        ULONG got = 0;
        ok = SUCCEEDED(bytes->ReadAt(0, data.data(), static_cast<ULONG>(data.size()), &got)) &&
             got == data.size();
    }
    bytes->Release();
    if (!ok) return false;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    return std::fclose(f) == 0 && ok;
}

bool write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    const bool ok = f != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return f != nullptr && std::fclose(f) == 0 && ok;
}

// Regular streams that can share sectors, mini streams that can, and a nested one.
cfb_image::Image damage_base() {
    using namespace cfb_image;
    Builder b;
    b.add(0, u"big1", kStream, bytes_of(9000, 1));
    b.add(0, u"big2", kStream, bytes_of(5000, 2));
    b.add(0, u"mini1", kStream, bytes_of(300, 3));
    b.add(0, u"mini2", kStream, bytes_of(200, 4));
    const uint32_t sub = b.add(0, u"Sub", kStorage);
    b.add(sub, u"inner", kStream, bytes_of(4500, 5));
    b.balance();
    return b.build();
}

// Entry ids of damage_base(): 1 big1, 2 big2, 3 mini1, 4 mini2, 5 Sub, 6 inner.
std::vector<std::vector<uint8_t>> damaged_documents() {
    using namespace cfb_image;
    using Damage = void (*)(Image&);
    const Damage damages[] = {
        [](Image& i) { i.set_fat(i.nodes[1].start + 1, i.nodes[2].start); },  // shared sectors
        [](Image& i) { i.set_fat(i.nodes[1].start + 10, 100000); },           // past the file
        [](Image& i) { i.set_fat(i.nodes[2].start + 1, i.nodes[2].start); },  // a loop
        [](Image& i) { i.set_fat(i.nodes[6].start, kFree); },                 // into a free sector
        [](Image& i) { i.set_fat(i.nodes[6].start + 2, i.fat_sectors[0]); },  // into the FAT
        [](Image& i) { put32(i.bytes, i.entry(2) + 120, 50000); },            // size past chain
        [](Image& i) { put32(i.bytes, i.minifat_entry(i.nodes[3].start + 1), i.nodes[4].start); },
        [](Image& i) { put32(i.bytes, i.entry(0) + 120, 64); },  // a mini stream cut short
        [](Image& i) { put32(i.bytes, i.entry(5) + 76, 400); },  // a child past the directory
        [](Image& i) { put32(i.bytes, i.entry(3) + 68, 1); },    // an entry linked twice
        [](Image& i) { i.set_fat(i.directory_start, i.directory_start); },  // directory loop
        [](Image& i) { i.bytes.resize(i.bytes.size() - 700); },             // file cut short
    };
    std::vector<std::vector<uint8_t>> out;
    for (const Damage apply : damages) {
        Image image = damage_base();
        apply(image);
        out.push_back(std::move(image.bytes));
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    std::error_code ec;
    std::filesystem::create_directories(argv[1], ec);
    for (int shape = 0; shape < 3; ++shape)
        for (bool v4 : {false, true})
            if (!write_seed(argv[1], shape, v4)) {
                std::fprintf(stderr, "make_seeds: seed %d%s could not be written\n", shape,
                             v4 ? " (v4)" : "");
                return 1;
            }
    int n = 0;
    for (const cfb_image::ForeignDocument& d : cfb_image::foreign_documents()) {
        const std::string path = std::string(argv[1]) + "/seed-foreign-" + std::to_string(n++);
        if (!write_file(path, d.bytes)) {
            std::fprintf(stderr, "make_seeds: seed \"%s\" could not be written\n", d.what);
            return 1;
        }
    }
    n = 0;
    for (const std::vector<uint8_t>& bytes : damaged_documents()) {
        const std::string path = std::string(argv[1]) + "/seed-damaged-" + std::to_string(n++);
        if (!write_file(path, bytes)) {
            std::fprintf(stderr, "make_seeds: %s could not be written\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
