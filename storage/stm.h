// One stream of a compound document. CStg opens and creates it; every operation reports success
// as a boolean and keeps the platform's status of its last call.
#pragma once

#include <cstdint>

#include <vyr/smart_ptr.h>
#include "cfb/cfb.h"

class CStg;

namespace vyr {

// Access modes kept by CStg and CStm. The platform mode word of an open is the access mode with
// STGM_SHARE_EXCLUSIVE: a project is used by one process at a time.
inline constexpr int32_t kAccessClosed = -1;
inline constexpr int32_t kAccessRead = 0;
inline constexpr int32_t kAccessWrite = 1;
inline constexpr int32_t kAccessReadWrite = 2;

}  // namespace vyr

class CStm {
public:
    CStm() = default;
    CStm(const CStm&) = delete;
    CStm& operator=(const CStm&) = delete;

    // True only when all count bytes were read. A short read consumes what was there, sets the
    // last status to S_FALSE (1) and returns false: callers take it as the end of the stream.
    bool Read(void* buffer, uint32_t count);
    // Requires write access (mode 1 or 2); true only when all count bytes were written.
    bool Write(const void* buffer, uint32_t count);
    // Requires write access.
    bool SetSize(uint32_t size);
    // Requires write access. Cuts the stream at the seek pointer, which stays where it was.
    bool TruncateAtPosition();
    // origin: STREAM_SEEK_SET, STREAM_SEEK_CUR or STREAM_SEEK_END.
    bool Seek(int64_t offset, DWORD origin);
    // The 32-bit offset is sign-extended, so negative offsets move backwards.
    bool Seek(int32_t offset, DWORD origin);
    bool SeekToBegin();
    bool SeekToEnd();
    bool GetPosition(uint64_t& position);
    // flag STATFLAG_DEFAULT (the caller frees pwcsName with CoTaskMemFree) or STATFLAG_NONAME.
    bool Stat(STATSTG& status, DWORD flag);
    // Releases the stream: last status 0, access mode -1.
    bool Close();

    // The last status; when text is given it receives the status's text (see status_text.h).
    HRESULT GetLastError(char* text = nullptr, uint32_t size = 0) const;
    // -1 closed, 0 read, 1 write, 2 read/write.
    int32_t GetAccessMode() const { return m_accessMode; }

private:
    friend class CStg;

    bool IsOpen() const;
    bool CanWrite() const;
    bool SeekTo(int64_t offset, DWORD origin, uint64_t* position);

    CVyrIPtrSmart<IStream> m_stream;
    HRESULT m_lastStatus = S_OK;
    int32_t m_accessMode = vyr::kAccessClosed;
};
