// The walk the compound-document fuzz targets share: every element enumerated, every storage
// opened, every stream read to its end, so that whatever an open let through is exercised.
#pragma once

#include <cstdint>

#include "cfb/cfb.h"

namespace fuzz_walk {

// Sibling trees are the engine's to bound; this only keeps the walk's own recursion finite.
constexpr int kMaxDepth = 128;

// Reads a stream to its end and returns the bytes read; traps on more bytes than it states.
inline uint64_t read_stream(IStream* stream, uint64_t size) {
    uint64_t total = 0;
    char buf[4096];
    ULONG got = 0;
    while (SUCCEEDED(stream->Read(buf, sizeof buf, &got)) && got > 0) {
        total += got;
        if (total > size) __builtin_trap();  // more bytes than the stream has
    }
    // Read again from the middle: the engine's cached chain must agree with a fresh walk.
    if (SUCCEEDED(stream->Seek(static_cast<int64_t>(size / 2), STREAM_SEEK_SET, nullptr)))
        stream->Read(buf, sizeof buf, &got);
    return total;
}

// Walks `storage`; `on_stream(stream, size)` is called for each stream opened.
template <typename OnStream>
void walk(IStorage* storage, int depth, const OnStream& on_stream) {
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
                walk(sub, depth + 1, on_stream);
                sub->Release();
            }
        } else if (stat.type == STGTY_STREAM) {
            IStream* stream = nullptr;
            if (SUCCEEDED(storage->OpenStream(stat.pwcsName, nullptr,
                                              STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream))) {
                on_stream(stream, stat.cbSize);
                stream->Release();
            }
        }
        CoTaskMemFree(stat.pwcsName);
    }
    it->Release();
}

}  // namespace fuzz_walk
