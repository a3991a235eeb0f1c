// The document-level entry points of the platform: the extended forms when bound, the classic
// forms as fallback.
#pragma once

#include "cfb/cfb.h"

class CSupportStgStorageEx {
public:
    using StgStorageExFunction = HRESULT (*)(const OLECHAR* name, DWORD mode, DWORD format,
                                             DWORD attributes, STGOPTIONS* options, void* security,
                                             const IID& iid, void** object);

    // The first construction in the process binds the extended entry points.
    CSupportStgStorageEx();

    // Creates (or opens) a document file with the given platform mode: the extended entry point
    // first, the classic one when that fails. The status of the last call is returned.
    HRESULT CreateDocument(const OLECHAR* path, DWORD mode, IStorage** storage) const;
    HRESULT OpenDocument(const OLECHAR* path, DWORD mode, IStorage** storage) const;

private:
    StgStorageExFunction m_createStorageEx;
    StgStorageExFunction m_openStorageEx;
};
