// A space of equal sectors with its allocation table: the file's regular sectors (FAT) or the
// mini sectors inside the mini stream (MiniFAT). Sector chains work on either.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "cfb/allocation_table.h"
#include "cfb/interfaces.h"

namespace cfb {

// Sectors of sector_size bytes that `bytes` bytes fill. Sizes come from stored entries, so the
// count must not overflow for a size near 2^64 (which would make it 0).
inline uint64_t sectors_for(uint64_t bytes, uint32_t sector_size) {
    return bytes / sector_size + (bytes % sector_size != 0 ? 1 : 0);
}

class SectorChain;

class SectorSpace {
public:
    virtual ~SectorSpace() = default;
    virtual uint32_t sector_size() const = 0;
    virtual AllocationTable& table() = 0;
    // n bytes from `offset` bytes into sector `first`, running on through the following
    // sectors in index order (callers pass runs of consecutive sectors).
    virtual HRESULT read(uint32_t first, uint64_t offset, void* p, size_t n) = 0;
    virtual HRESULT write(uint32_t first, uint64_t offset, const void* p, size_t n) = 0;
    // A free sector, preferably `preferred`; STG_E_MEDIUMFULL when none is left.
    virtual HRESULT allocate(uint32_t preferred, uint32_t* out) = 0;
};

// The regular sectors of the byte array; sector s starts at (s + 1) * sector size, after the
// header sector. Reads past the end of the array give zeros.
//
// Consecutive writes are gathered and handed on in large pieces cut at page boundaries of the
// file: a stream written in small pieces costs few calls, and the 512-byte header no longer
// shifts every piece across a page boundary. Reads see gathered bytes (they are handed on
// first); the commit hands everything on before it flushes. A failure to hand bytes on sticks:
// every later call reports it, so a document missing them is never committed.
//
// Small reads (records and epochs come a few dozen bytes at a time) are served from windows of
// the byte array read ahead in one call. A few windows are kept, so that streams read side by
// side (two residual types aligned by epoch, several stations' epochs) do not evict each other
// at every record. Every write drops the windows, and so must anything else that changes the
// byte array (drop_read_ahead).
class RegularSpace final : public SectorSpace {
public:
    RegularSpace(ILockBytes* bytes, uint32_t sector_size)
        : bytes_(bytes), sector_size_(sector_size) {}
    uint32_t sector_size() const override { return sector_size_; }
    AllocationTable& table() override { return fat_; }
    HRESULT read(uint32_t first, uint64_t offset, void* p, size_t n) override;
    HRESULT write(uint32_t first, uint64_t offset, const void* p, size_t n) override;
    HRESULT allocate(uint32_t preferred, uint32_t* out) override;
    // Hands every gathered byte on to the byte array.
    HRESULT flush_writes();
    // Forgets what was read ahead: the byte array was changed behind this space's back.
    void drop_read_ahead() {
        for (Window& window : windows_) window.bytes.clear();
    }

private:
    HRESULT hand_on(size_t n);                             // the first n gathered bytes
    HRESULT read_through(uint64_t at, void* p, size_t n);  // past the window

    ILockBytes* bytes_;
    uint32_t sector_size_;
    AllocationTable fat_{true};
    std::vector<uint8_t> gathered_;
    uint64_t gathered_at_ = 0;  // offset in the byte array of gathered_[0]
    struct Window {
        std::vector<uint8_t> bytes;  // read ahead; empty when there is none
        uint64_t at = 0;             // offset in the byte array of bytes[0]
        uint64_t used = 0;           // when it last served a read: the oldest is refilled
    };
    std::array<Window, 4> windows_;
    uint64_t reads_ = 0;
    HRESULT failure_ = S_OK;
};

// 64-byte sectors inside the mini stream, a chain of regular sectors held by the root entry.
// The mini stream grows as mini sectors are allocated.
class MiniSpace final : public SectorSpace {
public:
    static constexpr uint32_t kMiniSectorSize = kMiniSectorBytes;
    explicit MiniSpace(SectorChain& mini_stream) : mini_stream_(mini_stream) {}
    uint32_t sector_size() const override { return kMiniSectorSize; }
    AllocationTable& table() override { return minifat_; }
    HRESULT read(uint32_t first, uint64_t offset, void* p, size_t n) override;
    HRESULT write(uint32_t first, uint64_t offset, const void* p, size_t n) override;
    HRESULT allocate(uint32_t preferred, uint32_t* out) override;

private:
    SectorChain& mini_stream_;
    AllocationTable minifat_{false};
};

// Reads n bytes at offset of the byte array; the part past its end reads as zeros.
HRESULT read_bytes(ILockBytes& bytes, uint64_t offset, void* p, size_t n);
HRESULT write_bytes(ILockBytes& bytes, uint64_t offset, const void* p, size_t n);

}  // namespace cfb
