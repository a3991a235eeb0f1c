#include "cfb/storage.h"

#include <cstring>
#include <vector>

#include "cfb/document.h"
#include "cfb/stream.h"

namespace cfb {

HRESULT fill_stat(const Node& node, DWORD mode, DWORD flags, STATSTG* out) {
    if (out == nullptr) return STG_E_INVALIDPOINTER;
    *out = STATSTG{};
    if (flags != STATFLAG_NONAME) {
        const size_t bytes = (node.name.size() + 1) * sizeof(OLECHAR);
        out->pwcsName = static_cast<OLECHAR*>(CoTaskMemAlloc(bytes));
        if (out->pwcsName == nullptr) return STG_E_INSUFFICIENTMEMORY;
        std::memcpy(out->pwcsName, node.name.c_str(), bytes);
    }
    out->type = node.is_stream() ? STGTY_STREAM : STGTY_STORAGE;
    out->cbSize = node.is_stream() ? node.size : 0;
    out->mtime = {static_cast<uint32_t>(node.mtime), static_cast<uint32_t>(node.mtime >> 32)};
    out->ctime = {static_cast<uint32_t>(node.ctime), static_cast<uint32_t>(node.ctime >> 32)};
    out->grfMode = mode;
    out->clsid = node.clsid;
    out->grfStateBits = node.state_bits;
    return S_OK;
}

namespace {

// A snapshot of a storage's children, taken when the enumerator is made.
class Enumerator final : public IEnumSTATSTG {
public:
    explicit Enumerator(const Node& storage) {
        for (const auto& [name, child] : storage.children()) {
            Item item{child->name, child->is_stream() ? STGTY_STREAM : STGTY_STORAGE,
                      child->is_stream() ? child->size : 0, child->clsid, child->state_bits};
            items_.push_back(item);
        }
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT Next(ULONG celt, STATSTG* rgelt, ULONG* pceltFetched) override {
        if (rgelt == nullptr || (pceltFetched == nullptr && celt != 1)) return STG_E_INVALIDPOINTER;
        ULONG fetched = 0;
        while (fetched < celt && next_ < items_.size()) {
            const Item& item = items_[next_];
            STATSTG& out = rgelt[fetched];
            out = STATSTG{};
            const size_t bytes = (item.name.size() + 1) * sizeof(OLECHAR);
            out.pwcsName = static_cast<OLECHAR*>(CoTaskMemAlloc(bytes));
            if (out.pwcsName == nullptr) break;
            std::memcpy(out.pwcsName, item.name.c_str(), bytes);
            out.type = item.type;
            out.cbSize = item.size;
            out.clsid = item.clsid;
            out.grfStateBits = item.state_bits;
            ++fetched, ++next_;
        }
        if (pceltFetched != nullptr) *pceltFetched = fetched;
        return fetched == celt ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG celt) override {
        const size_t left = items_.size() - next_;
        next_ += std::min<size_t>(celt, left);
        return celt <= left ? S_OK : S_FALSE;
    }
    HRESULT Reset() override {
        next_ = 0;
        return S_OK;
    }

private:
    ~Enumerator() override = default;
    struct Item {
        std::u16string name;
        DWORD type;
        uint64_t size;
        CLSID clsid;
        uint32_t state_bits;
    };
    std::vector<Item> items_;
    size_t next_ = 0;
    ULONG refs_ = 1;
};

}  // namespace

Storage::Storage(std::shared_ptr<CompoundFile> file, Node* node, DWORD access, bool root)
    : file_(std::move(file)), node_(node), access_(access), root_(root) {}

ULONG Storage::AddRef() {
    return ++refs_;
}

ULONG Storage::Release() {
    const ULONG left = --refs_;
    if (left == 0) {
        if (root_)
            file_->close();
        else
            node_->open = false;
        delete this;
    }
    return left;
}

HRESULT Storage::make_element(const OLECHAR* name, DWORD mode, uint8_t type, Node** out) {
    if (file_->closed()) return STG_E_REVERTED;
    HRESULT hr = check_mode(mode, ModeUse::create_element);
    if (FAILED(hr)) return hr;
    std::u16string key;
    hr = take_name(name, key);
    if (FAILED(hr)) return hr;
    if (!can_write(access_) || !access_within(access_of(mode), access_)) return STG_E_ACCESSDENIED;
    if (Node* existing = node_->find(key)) {
        if ((mode & STGM_CREATE) == 0) return STG_E_FILEALREADYEXISTS;
        if (existing->open_within()) return STG_E_ACCESSDENIED;
        file_->destroy_child(*node_, *existing);
    }
    hr = file_->add_child(*node_, key, type, out);
    if (FAILED(hr)) return hr;
    (*out)->open = true;
    return S_OK;
}

HRESULT Storage::open_element(const OLECHAR* name, DWORD mode, uint8_t type, Node** out) {
    if (file_->closed()) return STG_E_REVERTED;
    HRESULT hr = check_mode(mode, ModeUse::open_element);
    if (FAILED(hr)) return hr;
    std::u16string key;
    hr = take_existing_name(name, key);
    if (FAILED(hr)) return hr;
    Node* found = node_->find(key);
    if (found == nullptr || found->is_stream() != (type == kTypeStream)) return STG_E_FILENOTFOUND;
    if (found->open || !access_within(access_of(mode), access_)) return STG_E_ACCESSDENIED;
    found->open = true;
    *out = found;
    return S_OK;
}

HRESULT Storage::CreateStream(const OLECHAR* pwcsName, DWORD grfMode, DWORD, DWORD,
                              IStream** ppstm) {
    if (ppstm == nullptr) return STG_E_INVALIDPOINTER;
    *ppstm = nullptr;
    Node* node = nullptr;
    const HRESULT hr = make_element(pwcsName, grfMode, kTypeStream, &node);
    if (SUCCEEDED(hr)) *ppstm = new Stream(file_, node, access_of(grfMode));
    return hr;
}

HRESULT Storage::OpenStream(const OLECHAR* pwcsName, void* reserved1, DWORD grfMode, DWORD,
                            IStream** ppstm) {
    if (ppstm == nullptr) return STG_E_INVALIDPOINTER;
    *ppstm = nullptr;
    if (reserved1 != nullptr) return STG_E_INVALIDPARAMETER;
    Node* node = nullptr;
    const HRESULT hr = open_element(pwcsName, grfMode, kTypeStream, &node);
    if (SUCCEEDED(hr)) *ppstm = new Stream(file_, node, access_of(grfMode));
    return hr;
}

HRESULT Storage::CreateStorage(const OLECHAR* pwcsName, DWORD grfMode, DWORD, DWORD,
                               IStorage** ppstg) {
    if (ppstg == nullptr) return STG_E_INVALIDPOINTER;
    *ppstg = nullptr;
    Node* node = nullptr;
    const HRESULT hr = make_element(pwcsName, grfMode, kTypeStorage, &node);
    if (SUCCEEDED(hr)) *ppstg = new Storage(file_, node, access_of(grfMode), false);
    return hr;
}

HRESULT Storage::OpenStorage(const OLECHAR* pwcsName, IStorage* pstgPriority, DWORD grfMode,
                             SNB snbExclude, DWORD, IStorage** ppstg) {
    if (ppstg == nullptr) return STG_E_INVALIDPOINTER;
    *ppstg = nullptr;
    if (pstgPriority != nullptr || snbExclude != nullptr) return STG_E_INVALIDPARAMETER;
    Node* node = nullptr;
    const HRESULT hr = open_element(pwcsName, grfMode, kTypeStorage, &node);
    if (SUCCEEDED(hr)) *ppstg = new Storage(file_, node, access_of(grfMode), false);
    return hr;
}

HRESULT Storage::MoveElementTo(const OLECHAR* pwcsName, IStorage* pstgDest,
                               const OLECHAR* pwcsNewName, DWORD grfFlags) {
    if (grfFlags != STGMOVE_MOVE && grfFlags != STGMOVE_COPY) return STG_E_INVALIDFLAG;
    auto* dest = dynamic_cast<Storage*>(pstgDest);
    if (pstgDest == nullptr) return STG_E_INVALIDPOINTER;
    if (dest == nullptr) return STG_E_INVALIDPARAMETER;  // only storages of this engine
    if (file_->closed() || dest->file_->closed()) return STG_E_REVERTED;
    std::u16string key;
    std::u16string new_key;
    HRESULT hr = take_existing_name(pwcsName, key);
    if (SUCCEEDED(hr)) hr = take_name(pwcsNewName, new_key);
    if (FAILED(hr)) return hr;
    Node* source = node_->find(key);
    if (source == nullptr) return STG_E_FILENOTFOUND;
    if (!can_write(dest->access_) || (grfFlags == STGMOVE_MOVE && !can_write(access_)))
        return STG_E_ACCESSDENIED;
    if (grfFlags == STGMOVE_MOVE && source->open_within()) return STG_E_ACCESSDENIED;
    // Never into itself, and never replacing the element being copied or one holding it.
    if (source->contains(dest->node_)) return STG_E_ACCESSDENIED;
    Node* existing = dest->node_->find(new_key);
    if (existing != nullptr && (existing->open_within() || existing->contains(source)))
        return STG_E_ACCESSDENIED;
    if (existing != nullptr) dest->file_->destroy_child(*dest->node_, *existing);
    hr = dest->file_->copy_element(*file_, *source, *dest->node_, new_key);
    if (FAILED(hr)) return hr;
    if (grfFlags == STGMOVE_MOVE) file_->destroy_child(*node_, *source);
    return S_OK;
}

HRESULT Storage::Commit(DWORD) {
    return file_->commit();
}

HRESULT Storage::EnumElements(DWORD, void* reserved2, DWORD, IEnumSTATSTG** ppenum) {
    if (ppenum == nullptr) return STG_E_INVALIDPOINTER;
    *ppenum = nullptr;
    if (reserved2 != nullptr) return STG_E_INVALIDPARAMETER;
    if (file_->closed()) return STG_E_REVERTED;
    if (!can_read(access_)) return STG_E_ACCESSDENIED;
    *ppenum = new Enumerator(*node_);
    return S_OK;
}

HRESULT Storage::DestroyElement(const OLECHAR* pwcsName) {
    if (file_->closed()) return STG_E_REVERTED;
    std::u16string key;
    const HRESULT hr = take_existing_name(pwcsName, key);
    if (FAILED(hr)) return hr;
    if (!can_write(access_)) return STG_E_ACCESSDENIED;
    Node* found = node_->find(key);
    if (found == nullptr) return STG_E_FILENOTFOUND;
    if (found->open_within()) return STG_E_ACCESSDENIED;
    file_->destroy_child(*node_, *found);
    return S_OK;
}

HRESULT Storage::RenameElement(const OLECHAR* pwcsOldName, const OLECHAR* pwcsNewName) {
    if (file_->closed()) return STG_E_REVERTED;
    std::u16string old_key;
    std::u16string new_key;
    HRESULT hr = take_existing_name(pwcsOldName, old_key);
    if (SUCCEEDED(hr)) hr = take_name(pwcsNewName, new_key);
    if (FAILED(hr)) return hr;
    if (!can_write(access_)) return STG_E_ACCESSDENIED;
    Node* found = node_->find(old_key);
    if (found == nullptr) return STG_E_FILENOTFOUND;
    const Node* clash = node_->find(new_key);
    if (clash != nullptr && clash != found) return STG_E_FILEALREADYEXISTS;
    if (found->open_within()) return STG_E_ACCESSDENIED;
    file_->rename_child(*node_, *found, new_key);
    return S_OK;
}

HRESULT Storage::Stat(STATSTG* pstatstg, DWORD grfStatFlag) {
    if (file_->closed()) return STG_E_REVERTED;
    return fill_stat(*node_, access_ | STGM_SHARE_EXCLUSIVE, grfStatFlag, pstatstg);
}

}  // namespace cfb
