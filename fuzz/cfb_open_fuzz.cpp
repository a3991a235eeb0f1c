// Hostile bytes opened as a document: the engine must refuse or read them, never crash or hang,
// and the validator must say what is wrong without either.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "cfb/cfb.h"

namespace {

// Sibling trees are the engine's to bound; this only keeps the walk's own recursion finite.
constexpr int kMaxDepth = 128;

void read_stream(IStream* stream) {
    STATSTG stat;
    if (SUCCEEDED(stream->Stat(&stat, STATFLAG_NONAME))) {
        uint64_t total = 0;
        char buf[4096];
        ULONG got = 0;
        while (SUCCEEDED(stream->Read(buf, sizeof buf, &got)) && got > 0) {
            total += got;
            if (total > stat.cbSize) __builtin_trap();  // more bytes than the stream has
        }
        // Read again from the middle: the engine's cached chain must agree with a fresh walk.
        if (SUCCEEDED(
                stream->Seek(static_cast<int64_t>(stat.cbSize / 2), STREAM_SEEK_SET, nullptr)))
            stream->Read(buf, sizeof buf, &got);
    }
}

void walk(IStorage* storage, int depth) {
    STATSTG self;
    if (SUCCEEDED(storage->Stat(&self, STATFLAG_DEFAULT))) CoTaskMemFree(self.pwcsName);
    if (depth >= kMaxDepth) return;
    IEnumSTATSTG* it = nullptr;
    if (FAILED(storage->EnumElements(0, nullptr, 0, &it))) return;
    STATSTG stat;
    ULONG got = 0;
    while (SUCCEEDED(it->Next(1, &stat, &got)) && got == 1) {
        if (stat.type == STGTY_STORAGE) {
            IStorage* sub = nullptr;
            if (SUCCEEDED(storage->OpenStorage(
                    stat.pwcsName, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &sub))) {
                walk(sub, depth + 1);
                sub->Release();
            }
        } else if (stat.type == STGTY_STREAM) {
            IStream* stream = nullptr;
            if (SUCCEEDED(storage->OpenStream(stat.pwcsName, nullptr,
                                              STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream))) {
                read_stream(stream);
                stream->Release();
            }
        }
        CoTaskMemFree(stat.pwcsName);
    }
    it->Release();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ILockBytes* bytes = nullptr;
    if (FAILED(cfb::create_memory_lock_bytes(std::vector<uint8_t>(data, data + size), &bytes)))
        return 0;
    cfb::validate_document(*bytes);
    IStorage* root = nullptr;
    if (SUCCEEDED(StgOpenStorageOnILockBytes(bytes, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE,
                                             nullptr, 0, &root))) {
        walk(root, 0);
        root->Release();
    }
    bytes->Release();
    return 0;
}
