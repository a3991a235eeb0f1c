// The platform-shaped interfaces of structured storage: storages, streams, the byte array
// beneath a document and the element enumerator. Names and values follow the platform so that
// the code above is written exactly against the operations it would call there.
#pragma once

#include <cstdint>

#include "cfb/status.h"

using OLECHAR = char16_t;
using SNB = OLECHAR**;

struct FILETIME {
    uint32_t dwLowDateTime = 0;
    uint32_t dwHighDateTime = 0;
};

struct GUID {
    uint32_t Data1 = 0;
    uint16_t Data2 = 0;
    uint16_t Data3 = 0;
    uint8_t Data4[8] = {};
};
using CLSID = GUID;
using IID = GUID;

inline bool operator==(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
    for (int i = 0; i < 8; ++i)
        if (a.Data4[i] != b.Data4[i]) return false;
    return true;
}

// {0000000B-0000-0000-C000-000000000046}
inline constexpr IID IID_IStorage = {0x0000000B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Access, sharing and creation bits of an open mode word.
constexpr DWORD STGM_READ = 0x0;
constexpr DWORD STGM_WRITE = 0x1;
constexpr DWORD STGM_READWRITE = 0x2;
constexpr DWORD STGM_SHARE_DENY_NONE = 0x40;
constexpr DWORD STGM_SHARE_DENY_READ = 0x30;
constexpr DWORD STGM_SHARE_DENY_WRITE = 0x20;
constexpr DWORD STGM_SHARE_EXCLUSIVE = 0x10;
constexpr DWORD STGM_FAILIFTHERE = 0x0;
constexpr DWORD STGM_CREATE = 0x1000;
constexpr DWORD STGM_DIRECT = 0x0;
constexpr DWORD STGM_TRANSACTED = 0x10000;

// Element types reported by Stat and the enumerator.
enum STGTY : DWORD { STGTY_STORAGE = 1, STGTY_STREAM = 2, STGTY_LOCKBYTES = 3, STGTY_PROPERTY = 4 };

constexpr DWORD STATFLAG_DEFAULT = 0;  // Stat fills pwcsName (free it with CoTaskMemFree)
constexpr DWORD STATFLAG_NONAME = 1;

constexpr DWORD STREAM_SEEK_SET = 0;
constexpr DWORD STREAM_SEEK_CUR = 1;
constexpr DWORD STREAM_SEEK_END = 2;

constexpr DWORD STGMOVE_MOVE = 0;
constexpr DWORD STGMOVE_COPY = 1;

constexpr DWORD STGC_DEFAULT = 0;

constexpr DWORD STGFMT_STORAGE = 0;
constexpr DWORD STGFMT_DOCFILE = 5;

struct STATSTG {
    OLECHAR* pwcsName = nullptr;
    DWORD type = 0;
    uint64_t cbSize = 0;
    FILETIME mtime;
    FILETIME ctime;
    FILETIME atime;
    DWORD grfMode = 0;
    DWORD grfLocksSupported = 0;
    CLSID clsid;
    DWORD grfStateBits = 0;
    DWORD reserved = 0;
};

// Options of the extended document functions: version 1 writes 512-byte sectors (format
// version 3), version 2 with ulSectorSize 4096 writes format version 4.
struct STGOPTIONS {
    uint16_t usVersion = 1;
    uint16_t reserved = 0;
    uint32_t ulSectorSize = 512;
    const OLECHAR* pwcsTemplateFile = nullptr;
};

class IUnknown {
public:
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    virtual ~IUnknown() = default;
};

class ISequentialStream : public IUnknown {
public:
    virtual HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) = 0;
    virtual HRESULT Write(const void* pv, ULONG cb, ULONG* pcbWritten) = 0;
};

class IStream : public ISequentialStream {
public:
    virtual HRESULT Seek(int64_t dlibMove, DWORD dwOrigin, uint64_t* plibNewPosition) = 0;
    virtual HRESULT SetSize(uint64_t libNewSize) = 0;
    virtual HRESULT Commit(DWORD grfCommitFlags) = 0;
    virtual HRESULT Stat(STATSTG* pstatstg, DWORD grfStatFlag) = 0;
};

class IEnumSTATSTG : public IUnknown {
public:
    // Fills up to celt records; S_FALSE when fewer than celt were left.
    virtual HRESULT Next(ULONG celt, STATSTG* rgelt, ULONG* pceltFetched) = 0;
    virtual HRESULT Skip(ULONG celt) = 0;
    virtual HRESULT Reset() = 0;
};

class IStorage : public IUnknown {
public:
    virtual HRESULT CreateStream(const OLECHAR* pwcsName, DWORD grfMode, DWORD reserved1,
                                 DWORD reserved2, IStream** ppstm) = 0;
    virtual HRESULT OpenStream(const OLECHAR* pwcsName, void* reserved1, DWORD grfMode,
                               DWORD reserved2, IStream** ppstm) = 0;
    virtual HRESULT CreateStorage(const OLECHAR* pwcsName, DWORD grfMode, DWORD reserved1,
                                  DWORD reserved2, IStorage** ppstg) = 0;
    virtual HRESULT OpenStorage(const OLECHAR* pwcsName, IStorage* pstgPriority, DWORD grfMode,
                                SNB snbExclude, DWORD reserved, IStorage** ppstg) = 0;
    // Moves or (grfFlags STGMOVE_COPY) copies a stream or a whole storage into pstgDest.
    virtual HRESULT MoveElementTo(const OLECHAR* pwcsName, IStorage* pstgDest,
                                  const OLECHAR* pwcsNewName, DWORD grfFlags) = 0;
    // Commit on any storage of a document makes the whole document durable.
    virtual HRESULT Commit(DWORD grfCommitFlags) = 0;
    virtual HRESULT EnumElements(DWORD reserved1, void* reserved2, DWORD reserved3,
                                 IEnumSTATSTG** ppenum) = 0;
    virtual HRESULT DestroyElement(const OLECHAR* pwcsName) = 0;
    virtual HRESULT RenameElement(const OLECHAR* pwcsOldName, const OLECHAR* pwcsNewName) = 0;
    virtual HRESULT Stat(STATSTG* pstatstg, DWORD grfStatFlag) = 0;
};

// The byte array a document lives on (a file, a block of memory, or the caller's own).
class ILockBytes : public IUnknown {
public:
    virtual HRESULT ReadAt(uint64_t ulOffset, void* pv, ULONG cb, ULONG* pcbRead) = 0;
    virtual HRESULT WriteAt(uint64_t ulOffset, const void* pv, ULONG cb, ULONG* pcbWritten) = 0;
    virtual HRESULT Flush() = 0;
    virtual HRESULT SetSize(uint64_t cb) = 0;
    virtual HRESULT Stat(STATSTG* pstatstg, DWORD grfStatFlag) = 0;
};
