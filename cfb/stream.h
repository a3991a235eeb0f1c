// IStream on a stream element: a seek pointer over the element's cached sector chain.
#pragma once

#include <memory>

#include "cfb/compound_file.h"

namespace cfb {

class Stream final : public IStream {
public:
    Stream(std::shared_ptr<CompoundFile> file, Node* node, DWORD access);

    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) override;
    HRESULT Write(const void* pv, ULONG cb, ULONG* pcbWritten) override;
    HRESULT Seek(int64_t dlibMove, DWORD dwOrigin, uint64_t* plibNewPosition) override;
    HRESULT SetSize(uint64_t libNewSize) override;
    // Stream changes become durable with the document's commit; nothing to do here.
    HRESULT Commit(DWORD grfCommitFlags) override;
    HRESULT Stat(STATSTG* pstatstg, DWORD grfStatFlag) override;

private:
    ~Stream() override = default;
    HRESULT check_writable() const;

    std::shared_ptr<CompoundFile> file_;
    Node* node_;
    DWORD access_;
    uint64_t position_ = 0;
    ULONG refs_ = 1;
};

}  // namespace cfb
