// IStorage on an element of an open compound file, and the enumerator of its children.
#pragma once

#include <memory>

#include "cfb/compound_file.h"
#include "cfb/open_mode.h"

namespace cfb {

class Storage final : public IStorage {
public:
    // `root` storages own the document's transaction: releasing one discards what was not
    // committed and closes the document.
    Storage(std::shared_ptr<CompoundFile> file, Node* node, DWORD access, bool root);

    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT CreateStream(const OLECHAR* pwcsName, DWORD grfMode, DWORD reserved1, DWORD reserved2,
                         IStream** ppstm) override;
    HRESULT OpenStream(const OLECHAR* pwcsName, void* reserved1, DWORD grfMode, DWORD reserved2,
                       IStream** ppstm) override;
    HRESULT CreateStorage(const OLECHAR* pwcsName, DWORD grfMode, DWORD reserved1, DWORD reserved2,
                          IStorage** ppstg) override;
    HRESULT OpenStorage(const OLECHAR* pwcsName, IStorage* pstgPriority, DWORD grfMode,
                        SNB snbExclude, DWORD reserved, IStorage** ppstg) override;
    HRESULT MoveElementTo(const OLECHAR* pwcsName, IStorage* pstgDest, const OLECHAR* pwcsNewName,
                          DWORD grfFlags) override;
    HRESULT Commit(DWORD grfCommitFlags) override;
    HRESULT EnumElements(DWORD reserved1, void* reserved2, DWORD reserved3,
                         IEnumSTATSTG** ppenum) override;
    HRESULT DestroyElement(const OLECHAR* pwcsName) override;
    HRESULT RenameElement(const OLECHAR* pwcsOldName, const OLECHAR* pwcsNewName) override;
    HRESULT Stat(STATSTG* pstatstg, DWORD grfStatFlag) override;

private:
    ~Storage() override = default;
    // The checks shared by the create and open calls, then the element itself.
    HRESULT make_element(const OLECHAR* name, DWORD mode, uint8_t type, Node** out);
    HRESULT open_element(const OLECHAR* name, DWORD mode, uint8_t type, Node** out);

    std::shared_ptr<CompoundFile> file_;
    Node* node_;
    DWORD access_;
    bool root_;
    ULONG refs_ = 1;
};

// Fills a STATSTG for an element; the name (unless STATFLAG_NONAME) is CoTaskMemAlloc'ed.
HRESULT fill_stat(const Node& node, DWORD mode, DWORD flags, STATSTG* out);

}  // namespace cfb
