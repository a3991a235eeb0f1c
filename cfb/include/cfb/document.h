// Document-level entry points of the compound-file engine, the byte arrays it ships with and
// its validator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cfb/interfaces.h"

// The engine is linked into libvyr.so and these names are exported from it, so callers of the
// shared library can make and inspect documents of their own.
#if defined(__GNUC__)
#define CFB_API __attribute__((visibility("default")))
#else
#define CFB_API
#endif

// Memory handed out by the engine (STATSTG names) is released with this.
CFB_API void* CoTaskMemAlloc(size_t cb);
CFB_API void CoTaskMemFree(void* pv);

// File documents. The file is locked exclusively (across processes and within this one) for as
// long as the root storage lives; a second open fails with STG_E_SHAREVIOLATION. Without
// STGM_CREATE an existing file gives STG_E_FILEALREADYEXISTS.
CFB_API HRESULT StgCreateDocfile(const OLECHAR* pwcsName, DWORD grfMode, DWORD reserved,
                                 IStorage** ppstgOpen);
CFB_API HRESULT StgOpenStorage(const OLECHAR* pwcsName, IStorage* pstgPriority, DWORD grfMode,
                               SNB snbExclude, DWORD reserved, IStorage** ppstgOpen);

// Documents on a caller's byte array.
CFB_API HRESULT StgCreateDocfileOnILockBytes(ILockBytes* plkbyt, DWORD grfMode, DWORD reserved,
                                             IStorage** ppstgOpen);
CFB_API HRESULT StgOpenStorageOnILockBytes(ILockBytes* plkbyt, IStorage* pstgPriority,
                                           DWORD grfMode, SNB snbExclude, DWORD reserved,
                                           IStorage** ppstgOpen);

// Extended forms: pStgOptions chooses the sector size (512 or 4096) when creating; riid must be
// IID_IStorage and ppObjectOpen receives an IStorage*.
CFB_API HRESULT StgCreateStorageEx(const OLECHAR* pwcsName, DWORD grfMode, DWORD stgfmt,
                                   DWORD grfAttrs, STGOPTIONS* pStgOptions,
                                   void* pSecurityDescriptor, const IID& riid, void** ppObjectOpen);
CFB_API HRESULT StgOpenStorageEx(const OLECHAR* pwcsName, DWORD grfMode, DWORD stgfmt,
                                 DWORD grfAttrs, STGOPTIONS* pStgOptions, void* pSecurityDescriptor,
                                 const IID& riid, void** ppObjectOpen);

namespace cfb {

// A byte array on a file, opened read-only (STGM_READ) or read/write, created when create is
// set. Takes the exclusive document lock on the file, or the shared one for a read-only open
// with STGM_SHARE_DENY_WRITE.
CFB_API HRESULT create_file_lock_bytes(const char* path, DWORD grfMode, bool create,
                                       ILockBytes** out);

// A growable byte array in memory, starting with the given bytes.
CFB_API HRESULT create_memory_lock_bytes(std::vector<uint8_t> initial, ILockBytes** out);

// True when a live document (in this process or another) holds path: a writer, or readers
// sharing it.
CFB_API bool is_file_locked(const char* path);

// Checks a document byte for byte: header, DIFAT, FAT, MiniFAT, directory and every
// red-black tree. Returns one line per problem, naming exactly what is wrong; empty when sound.
// Lines that start with "note: " are no problem (bytes past the committed end, which the next
// writable open cuts); lines that start with "deviation: " name what the engine reads as it
// stands but would not write (wrongly coloured sibling trees, empty names or names with
// / \ : !, odd bytes in fields no reader uses). Every other line is a defect.
CFB_API std::vector<std::string> validate_document(ILockBytes& bytes);

// Salvage: reading what can be read of a damaged document. The open follows every chain as
// far as it is sound and cuts a stream where its chain breaks (it then reads, and states its
// size, as the bytes before the break); a storage whose sibling tree holds unusable links keeps
// the elements still reachable. Only the header, the root entry and the directory's first
// sector must be sound; without them the open fails and `refusal` says why. Each cut is
// recorded. The document is read-only: a mode asking for write access gives STG_E_INVALIDFLAG.
// Opens through StgOpenStorage never salvage, so damage there is refused as before.
struct SalvageCut {
    std::vector<std::u16string> path;  // element names from the root; empty: the root storage
    bool stream = true;                // a stream cut short; else a storage that lost elements
    uint64_t at = 0;                   // streams: the bytes kept
    uint64_t size = 0;                 // streams: the size the directory gives
    std::string reason;                // what broke, naming the sector or entry (UTF-8)
};
struct SalvageReport {
    std::vector<SalvageCut> cuts;  // in path order
    std::string refusal;           // when the open failed on damage: why
};
// grfMode: STGM_READ with STGM_SHARE_EXCLUSIVE or STGM_SHARE_DENY_WRITE, as for StgOpenStorage.
CFB_API HRESULT open_for_salvage(const char* path, DWORD grfMode, IStorage** out,
                                 SalvageReport* report);
CFB_API HRESULT open_for_salvage_on(ILockBytes* bytes, DWORD grfMode, IStorage** out,
                                    SalvageReport* report);

// Why the last open of a document on this thread refused it as damaged (STG_E_DOCFILECORRUPT or
// STG_E_INVALIDHEADER): what is wrong and where, in one line of UTF-8 ("FAT sector 17 is listed
// twice"). Each open clears it, so it is empty after an open that succeeded or failed for
// another cause (a missing file, a lock held elsewhere).
CFB_API std::string last_refusal();

// UTF-8 to UTF-16 and back; false when the input is not valid in its encoding.
CFB_API bool utf8_to_utf16(const std::string& in, std::u16string& out);
CFB_API bool utf16_to_utf8(const std::u16string& in, std::string& out);

}  // namespace cfb
