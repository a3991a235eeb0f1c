// The document entry points: files and caller byte arrays, created or opened.
#include <cstdlib>
#include <string>

#include "cfb/compound_file.h"
#include "cfb/document.h"
#include "cfb/file_lock_bytes.h"
#include "cfb/open_mode.h"
#include "cfb/refusal.h"
#include "cfb/storage.h"

void* CoTaskMemAlloc(size_t cb) {
    return std::malloc(cb == 0 ? 1 : cb);
}
void CoTaskMemFree(void* pv) {
    std::free(pv);
}

namespace {

using cfb::CompoundFile;

HRESULT path_of(const OLECHAR* name, std::string& path) {
    if (name == nullptr) return STG_E_INVALIDNAME;
    return cfb::utf16_to_utf8(std::u16string(name), path) && !path.empty() ? S_OK
                                                                           : STG_E_INVALIDNAME;
}

HRESULT root_storage(std::shared_ptr<CompoundFile> file, DWORD mode, IStorage** out) {
    *out = new cfb::Storage(file, &file->root(), cfb::access_of(mode), true);
    return S_OK;
}

HRESULT create_on(ILockBytes* bytes, DWORD mode, uint16_t major, IStorage** out) {
    std::shared_ptr<CompoundFile> file;
    const HRESULT hr = CompoundFile::create(bytes, major, &file);
    if (FAILED(hr)) return hr;
    return root_storage(std::move(file), mode, out);
}

HRESULT open_on(ILockBytes* bytes, DWORD mode, IStorage** out) {
    std::shared_ptr<CompoundFile> file;
    const HRESULT hr = CompoundFile::open(bytes, cfb::can_write(cfb::access_of(mode)), &file);
    if (FAILED(hr)) return hr;
    return root_storage(std::move(file), mode, out);
}

HRESULT create_file(const OLECHAR* name, DWORD mode, uint16_t major, IStorage** out) {
    if (out == nullptr) return STG_E_INVALIDPOINTER;
    *out = nullptr;
    HRESULT hr = cfb::check_mode(mode, cfb::ModeUse::create_document);
    if (FAILED(hr)) return hr;
    std::string path;
    hr = path_of(name, path);
    if (FAILED(hr)) return hr;
    ILockBytes* bytes = nullptr;
    const auto how = (mode & STGM_CREATE) != 0 ? cfb::FileOpen::replace : cfb::FileOpen::create_new;
    hr = cfb::open_file_lock_bytes(path.c_str(), true, how, &bytes);
    if (FAILED(hr)) return hr;
    hr = create_on(bytes, mode, major, out);
    bytes->Release();
    return hr;
}

HRESULT open_file(const OLECHAR* name, DWORD mode, IStorage** out) {
    cfb::clear_refusal();  // also when the open fails before it reads the document
    if (out == nullptr) return STG_E_INVALIDPOINTER;
    *out = nullptr;
    HRESULT hr = cfb::check_mode(mode, cfb::ModeUse::open_document);
    if (FAILED(hr)) return hr;
    std::string path;
    hr = path_of(name, path);
    if (FAILED(hr)) return hr;
    ILockBytes* bytes = nullptr;
    // Readers that deny only writing share the file with each other.
    const bool writable = cfb::can_write(cfb::access_of(mode));
    const bool shared = !writable && (mode & 0x70u) == STGM_SHARE_DENY_WRITE;
    hr = cfb::open_file_lock_bytes(
        path.c_str(), writable, shared ? cfb::FileOpen::existing_shared : cfb::FileOpen::existing,
        &bytes);
    if (FAILED(hr)) return hr;
    hr = open_on(bytes, mode, out);
    bytes->Release();
    return hr;
}

HRESULT salvage_on(ILockBytes* bytes, DWORD mode, IStorage** out, cfb::SalvageReport* report) {
    std::shared_ptr<CompoundFile> file;
    const HRESULT hr = CompoundFile::open_salvaged(bytes, &file, *report);
    if (FAILED(hr)) return hr;
    return root_storage(std::move(file), mode, out);
}

// A salvaged document is never written: its damage would be committed as the new state.
HRESULT check_salvage_call(DWORD mode, IStorage** out, cfb::SalvageReport* report) {
    if (out == nullptr || report == nullptr) return STG_E_INVALIDPOINTER;
    *out = nullptr;
    *report = {};
    const HRESULT hr = cfb::check_mode(mode, cfb::ModeUse::open_document);
    if (FAILED(hr)) return hr;
    return cfb::can_write(cfb::access_of(mode)) ? STG_E_INVALIDFLAG : S_OK;
}

// Version 3 (512-byte sectors) unless the options ask for version 4's 4096-byte sectors.
HRESULT major_from(const STGOPTIONS* options, uint16_t* major) {
    *major = 3;
    if (options == nullptr) return S_OK;
    if (options->ulSectorSize == 4096 && options->usVersion >= 2)
        *major = 4;
    else if (options->ulSectorSize != 512 || options->usVersion < 1)
        return STG_E_INVALIDPARAMETER;
    return S_OK;
}

}  // namespace

HRESULT StgCreateDocfile(const OLECHAR* pwcsName, DWORD grfMode, DWORD, IStorage** ppstgOpen) {
    return create_file(pwcsName, grfMode, 3, ppstgOpen);
}

HRESULT StgOpenStorage(const OLECHAR* pwcsName, IStorage* pstgPriority, DWORD grfMode,
                       SNB snbExclude, DWORD, IStorage** ppstgOpen) {
    if (pstgPriority != nullptr || snbExclude != nullptr) return STG_E_INVALIDPARAMETER;
    return open_file(pwcsName, grfMode, ppstgOpen);
}

HRESULT StgCreateDocfileOnILockBytes(ILockBytes* plkbyt, DWORD grfMode, DWORD,
                                     IStorage** ppstgOpen) {
    if (plkbyt == nullptr || ppstgOpen == nullptr) return STG_E_INVALIDPOINTER;
    *ppstgOpen = nullptr;
    const HRESULT hr = cfb::check_mode(grfMode, cfb::ModeUse::create_document);
    if (FAILED(hr)) return hr;
    STATSTG st;
    if ((grfMode & STGM_CREATE) == 0 && SUCCEEDED(plkbyt->Stat(&st, STATFLAG_NONAME)) &&
        st.cbSize > 0)
        return STG_E_FILEALREADYEXISTS;
    return create_on(plkbyt, grfMode, 3, ppstgOpen);
}

HRESULT StgOpenStorageOnILockBytes(ILockBytes* plkbyt, IStorage* pstgPriority, DWORD grfMode,
                                   SNB snbExclude, DWORD, IStorage** ppstgOpen) {
    cfb::clear_refusal();
    if (plkbyt == nullptr || ppstgOpen == nullptr) return STG_E_INVALIDPOINTER;
    *ppstgOpen = nullptr;
    if (pstgPriority != nullptr || snbExclude != nullptr) return STG_E_INVALIDPARAMETER;
    const HRESULT hr = cfb::check_mode(grfMode, cfb::ModeUse::open_document);
    if (FAILED(hr)) return hr;
    return open_on(plkbyt, grfMode, ppstgOpen);
}

HRESULT StgCreateStorageEx(const OLECHAR* pwcsName, DWORD grfMode, DWORD stgfmt, DWORD,
                           STGOPTIONS* pStgOptions, void*, const IID& riid, void** ppObjectOpen) {
    if (ppObjectOpen == nullptr) return STG_E_INVALIDPOINTER;
    *ppObjectOpen = nullptr;
    if (!(riid == IID_IStorage)) return E_NOINTERFACE;
    if (stgfmt != STGFMT_DOCFILE && stgfmt != STGFMT_STORAGE) return STG_E_INVALIDPARAMETER;
    uint16_t major = 3;
    const HRESULT hr = major_from(pStgOptions, &major);
    if (FAILED(hr)) return hr;
    return create_file(pwcsName, grfMode, major, reinterpret_cast<IStorage**>(ppObjectOpen));
}

HRESULT StgOpenStorageEx(const OLECHAR* pwcsName, DWORD grfMode, DWORD stgfmt, DWORD, STGOPTIONS*,
                         void*, const IID& riid, void** ppObjectOpen) {
    if (ppObjectOpen == nullptr) return STG_E_INVALIDPOINTER;
    *ppObjectOpen = nullptr;
    if (!(riid == IID_IStorage)) return E_NOINTERFACE;
    if (stgfmt != STGFMT_DOCFILE && stgfmt != STGFMT_STORAGE) return STG_E_INVALIDPARAMETER;
    return open_file(pwcsName, grfMode, reinterpret_cast<IStorage**>(ppObjectOpen));
}

namespace cfb {

HRESULT open_for_salvage(const char* path, DWORD grfMode, IStorage** out, SalvageReport* report) {
    HRESULT hr = check_salvage_call(grfMode, out, report);
    if (FAILED(hr)) return hr;
    if (path == nullptr || *path == '\0') return STG_E_INVALIDNAME;
    const bool shared = (grfMode & 0x70u) == STGM_SHARE_DENY_WRITE;
    ILockBytes* bytes = nullptr;
    hr = open_file_lock_bytes(path, false, shared ? FileOpen::existing_shared : FileOpen::existing,
                              &bytes);
    if (FAILED(hr)) return hr;
    hr = salvage_on(bytes, grfMode, out, report);
    bytes->Release();
    return hr;
}

HRESULT open_for_salvage_on(ILockBytes* bytes, DWORD grfMode, IStorage** out,
                            SalvageReport* report) {
    if (bytes == nullptr) return STG_E_INVALIDPOINTER;
    const HRESULT hr = check_salvage_call(grfMode, out, report);
    if (FAILED(hr)) return hr;
    return salvage_on(bytes, grfMode, out, report);
}

}  // namespace cfb
