// A storage whose streams run out of room on cue: a write beyond the budget stores only what
// fits and fails, as a full disk does, and the stream stays usable once room is given back.
// The engine itself stops writing after a failed write to its byte array, so a partial write
// that later writes can follow is made one level up, at the stream.
#pragma once

#include <memory>

#include "cfb/cfb.h"
#include "storage/forwarding_storage_test_support.h"

namespace vyr_test {

// Bytes the streams may still take; negative: no limit.
struct WriteBudget {
    long bytesLeft = -1;
};

class FullDiskStream final : public IStream {
public:
    FullDiskStream(IStream* inner, std::shared_ptr<WriteBudget> budget)
        : m_inner(inner), m_budget(std::move(budget)) {}
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override {
        const ULONG left = --m_refs;
        if (left == 0) delete this;
        return left;
    }
    HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) override {
        return m_inner->Read(pv, cb, pcbRead);
    }
    HRESULT Write(const void* pv, ULONG cb, ULONG* pcbWritten) override {
        if (m_budget->bytesLeft < 0 || cb <= static_cast<ULONG>(m_budget->bytesLeft)) {
            if (m_budget->bytesLeft >= 0) m_budget->bytesLeft -= static_cast<long>(cb);
            return m_inner->Write(pv, cb, pcbWritten);
        }
        const auto fits = static_cast<ULONG>(m_budget->bytesLeft);
        m_budget->bytesLeft = 0;
        ULONG written = 0;
        (void)m_inner->Write(pv, fits, &written);
        if (pcbWritten != nullptr) *pcbWritten = written;
        return STG_E_MEDIUMFULL;
    }
    HRESULT Seek(int64_t move, DWORD origin, uint64_t* position) override {
        return m_inner->Seek(move, origin, position);
    }
    HRESULT SetSize(uint64_t size) override { return m_inner->SetSize(size); }
    HRESULT Commit(DWORD flags) override { return m_inner->Commit(flags); }
    HRESULT Stat(STATSTG* status, DWORD flag) override { return m_inner->Stat(status, flag); }

private:
    ~FullDiskStream() override { m_inner->Release(); }
    IStream* m_inner;
    std::shared_ptr<WriteBudget> m_budget;
    ULONG m_refs = 1;
};

// Hands out its streams through FullDiskStream; everything else goes to the inner storage.
class FullDiskStorage final : public storage_test::ForwardingStorage {
public:
    FullDiskStorage(IStorage* inner, std::shared_ptr<WriteBudget> budget)
        : ForwardingStorage(inner), m_budget(std::move(budget)) {
        m_inner->AddRef();
    }
    HRESULT CreateStream(const OLECHAR* name, DWORD mode, DWORD r1, DWORD r2,
                         IStream** stream) override {
        return wrap(m_inner->CreateStream(name, mode, r1, r2, stream), stream);
    }
    HRESULT OpenStream(const OLECHAR* name, void* r1, DWORD mode, DWORD r2,
                       IStream** stream) override {
        return wrap(m_inner->OpenStream(name, r1, mode, r2, stream), stream);
    }

private:
    HRESULT wrap(HRESULT result, IStream** stream) {
        if (FAILED(result) || stream == nullptr || *stream == nullptr) return result;
        *stream = new FullDiskStream(*stream, m_budget);
        return result;
    }
    std::shared_ptr<WriteBudget> m_budget;
};

}  // namespace vyr_test
