// Hostile bytes opened as a document: the engine must refuse or read them, never crash or hang,
// and the validator must say what is wrong without either.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "cfb/cfb.h"
#include "document_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ILockBytes* bytes = nullptr;
    if (FAILED(cfb::create_memory_lock_bytes(std::vector<uint8_t>(data, data + size), &bytes)))
        return 0;
    cfb::validate_document(*bytes);
    IStorage* root = nullptr;
    if (SUCCEEDED(StgOpenStorageOnILockBytes(bytes, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE,
                                             nullptr, 0, &root))) {
        fuzz_walk::walk(
            root, 0, [](IStream* stream, uint64_t size) { fuzz_walk::read_stream(stream, size); });
        root->Release();
    }
    bytes->Release();
    return 0;
}
