// A byte array over another that can be put back byte for byte: the unit of work of a writer
// that must leave a document exactly as it found it when the work fails.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "cfb/document.h"
#include "cfb/interfaces.h"

namespace cfb {

// Reads pass through. The first write, resize or cut of every block below the size the array
// had when wrapped saves that block's bytes, so `undo` can restore them and the size. A
// copy-on-write document only ever overwrites free sectors and its header, so what is saved
// stays small however much is written past the end.
class CFB_API UndoLockBytes final : public ILockBytes {
public:
    // Takes a reference to inner; the result starts with one reference of its own.
    static HRESULT wrap(ILockBytes* inner, UndoLockBytes** out);

    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override;
    HRESULT ReadAt(uint64_t offset, void* pv, ULONG cb, ULONG* pcbRead) override;
    HRESULT WriteAt(uint64_t offset, const void* pv, ULONG cb, ULONG* pcbWritten) override;
    HRESULT Flush() override;
    HRESULT SetSize(uint64_t cb) override;
    HRESULT Stat(STATSTG* pstatstg, DWORD grfStatFlag) override;

    // The first write, resize or flush that failed since the wrap, S_OK when none did. A commit
    // that met one may have stopped half way, so the work is not known to be durable.
    HRESULT first_failure() const { return first_failure_; }
    // From now on every change is refused with STG_E_ACCESSDENIED: what is released afterwards
    // (a commit on close, a cut of the file) leaves the bytes alone.
    void freeze() { frozen_ = true; }
    // Puts back every saved block and the original size, the header block last, then flushes.
    // Freezes the array.
    HRESULT undo();

private:
    static constexpr uint64_t kBlock = 512;  // the smallest sector: no write straddles less

    explicit UndoLockBytes(ILockBytes* inner, uint64_t size);
    ~UndoLockBytes() override;
    // Saves the original bytes of every block of [from, to) below the original size.
    HRESULT save(uint64_t from, uint64_t to);
    HRESULT failed(HRESULT hr);

    ILockBytes* inner_;
    uint64_t original_size_;
    std::unordered_map<uint64_t, std::vector<uint8_t>> saved_;  // by block number
    HRESULT first_failure_ = S_OK;
    bool frozen_ = false;
    ULONG refs_ = 1;
};

}  // namespace cfb
