// A storage that hands every call to another one: the base of test storages that change only
// a few calls (count commits, fail opens, run streams out of room).
#pragma once

#include "cfb/cfb.h"

namespace storage_test {

class ForwardingStorage : public IStorage {
public:
    // Takes over the caller's reference to inner.
    explicit ForwardingStorage(IStorage* inner) : m_inner(inner) {}
    ULONG AddRef() override { return ++m_references; }
    ULONG Release() override {
        const ULONG left = --m_references;
        if (left == 0) delete this;
        return left;
    }
    HRESULT CreateStream(const OLECHAR* name, DWORD mode, DWORD r1, DWORD r2,
                         IStream** out) override {
        return m_inner->CreateStream(name, mode, r1, r2, out);
    }
    HRESULT OpenStream(const OLECHAR* name, void* r1, DWORD mode, DWORD r2,
                       IStream** out) override {
        return m_inner->OpenStream(name, r1, mode, r2, out);
    }
    HRESULT CreateStorage(const OLECHAR* name, DWORD mode, DWORD r1, DWORD r2,
                          IStorage** out) override {
        return m_inner->CreateStorage(name, mode, r1, r2, out);
    }
    HRESULT OpenStorage(const OLECHAR* name, IStorage* priority, DWORD mode, SNB exclude,
                        DWORD reserved, IStorage** out) override {
        return m_inner->OpenStorage(name, priority, mode, exclude, reserved, out);
    }
    HRESULT MoveElementTo(const OLECHAR* name, IStorage* destination, const OLECHAR* newName,
                          DWORD flags) override {
        return m_inner->MoveElementTo(name, destination, newName, flags);
    }
    HRESULT Commit(DWORD flags) override { return m_inner->Commit(flags); }
    HRESULT EnumElements(DWORD r1, void* r2, DWORD r3, IEnumSTATSTG** out) override {
        return m_inner->EnumElements(r1, r2, r3, out);
    }
    HRESULT DestroyElement(const OLECHAR* name) override { return m_inner->DestroyElement(name); }
    HRESULT RenameElement(const OLECHAR* from, const OLECHAR* to) override {
        return m_inner->RenameElement(from, to);
    }
    HRESULT Stat(STATSTG* status, DWORD flag) override { return m_inner->Stat(status, flag); }

protected:
    ~ForwardingStorage() override { m_inner->Release(); }
    IStorage* m_inner;

private:
    ULONG m_references = 1;
};

}  // namespace storage_test
