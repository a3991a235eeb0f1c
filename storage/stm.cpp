#include "storage/stm.h"

#include "storage/status_text.h"
#include "storage/stg.h"

bool CStm::IsOpen() const {
    return m_accessMode != vyr::kAccessClosed;
}

bool CStm::CanWrite() const {
    return m_accessMode == vyr::kAccessWrite || m_accessMode == vyr::kAccessReadWrite;
}

bool CStm::Read(void* buffer, uint32_t count) {
    if (!IsOpen()) return false;
    ULONG read = 0;
    m_lastStatus = m_stream->Read(buffer, count, &read);
    if (FAILED(m_lastStatus)) return false;
    if (read < count) {
        m_lastStatus = S_FALSE;
        return false;
    }
    return true;
}

bool CStm::Write(const void* buffer, uint32_t count) {
    if (!CanWrite()) return false;
    ULONG written = 0;
    m_lastStatus = m_stream->Write(buffer, count, &written);
    return SUCCEEDED(m_lastStatus) && written == count;
}

bool CStm::SetSize(uint32_t size) {
    if (!CanWrite()) return false;
    m_lastStatus = m_stream->SetSize(size);
    return SUCCEEDED(m_lastStatus);
}

bool CStm::TruncateAtPosition() {
    if (!CanWrite()) return false;
    uint64_t position = 0;
    uint64_t end = 0;
    if (!SeekTo(0, STREAM_SEEK_CUR, &position) || !SeekTo(0, STREAM_SEEK_END, &end)) return false;
    if (end == position) return true;
    // Finding the end moved the seek pointer; put it back so the caller goes on where it was.
    if (!SeekTo(static_cast<int64_t>(position), STREAM_SEEK_SET, nullptr)) return false;
    if (end < position) return true;
    m_lastStatus = m_stream->SetSize(position);
    return SUCCEEDED(m_lastStatus);
}

bool CStm::Seek(int64_t offset, DWORD origin) {
    if (!IsOpen()) return false;
    return SeekTo(offset, origin, nullptr);
}

bool CStm::Seek(int32_t offset, DWORD origin) {
    return Seek(static_cast<int64_t>(offset), origin);
}

bool CStm::SeekToBegin() {
    return Seek(int64_t{0}, STREAM_SEEK_SET);
}

bool CStm::SeekToEnd() {
    return Seek(int64_t{0}, STREAM_SEEK_END);
}

bool CStm::GetPosition(uint64_t& position) {
    if (!IsOpen()) return false;
    return SeekTo(0, STREAM_SEEK_CUR, &position);
}

bool CStm::SeekTo(int64_t offset, DWORD origin, uint64_t* position) {
    m_lastStatus = m_stream->Seek(offset, origin, position);
    return SUCCEEDED(m_lastStatus);
}

bool CStm::Stat(STATSTG& status, DWORD flag) {
    if (!IsOpen() || (flag != STATFLAG_DEFAULT && flag != STATFLAG_NONAME)) return false;
    m_lastStatus = m_stream->Stat(&status, flag);
    return SUCCEEDED(m_lastStatus);
}

bool CStm::Close() {
    if (!IsOpen()) return false;
    m_stream.Reset();
    m_lastStatus = S_OK;
    m_accessMode = vyr::kAccessClosed;
    return true;
}

HRESULT CStm::GetLastError(char* text, uint32_t size) const {
    vyr::copy_status_text(m_lastStatus, text, size);
    return m_lastStatus;
}
