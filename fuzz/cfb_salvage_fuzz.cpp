// Hostile bytes opened for salvage: the open reads what is sound and cuts the rest, so every
// stream it hands out must read to exactly the size it states, and a refusal must say why.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "cfb/cfb.h"
#include "document_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ILockBytes* bytes = nullptr;
    if (FAILED(cfb::create_memory_lock_bytes(std::vector<uint8_t>(data, data + size), &bytes)))
        return 0;
    IStorage* root = nullptr;
    cfb::SalvageReport report;
    const HRESULT hr =
        cfb::open_for_salvage_on(bytes, STGM_READ | STGM_SHARE_EXCLUSIVE, &root, &report);
    if (SUCCEEDED(hr)) {
        // A cut stream states the bytes it keeps; a stream short of its size was cut unseen.
        fuzz_walk::walk(root, 0, [](IStream* stream, uint64_t size) {
            if (fuzz_walk::read_stream(stream, size) != size) __builtin_trap();
        });
        root->Release();
        for (const cfb::SalvageCut& cut : report.cuts)
            if (cut.reason.empty() || (cut.stream && cut.at >= cut.size)) __builtin_trap();
    } else if (report.refusal.empty()) {
        __builtin_trap();  // refused without a word of why
    }
    bytes->Release();
    return 0;
}
