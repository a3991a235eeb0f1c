#include "cfb/open_mode.h"

namespace cfb {

HRESULT check_mode(DWORD mode, ModeUse use) {
    constexpr DWORD kShareBits = 0x70;
    const DWORD access = access_of(mode);
    if (access == 3) return STG_E_INVALIDFLAG;
    const DWORD share = mode & kShareBits;
    const bool document = use == ModeUse::open_document || use == ModeUse::create_document;
    const bool create = use == ModeUse::create_element || use == ModeUse::create_document;
    if (share != STGM_SHARE_EXCLUSIVE && !(document && share == STGM_SHARE_DENY_WRITE))
        return STG_E_INVALIDFLAG;
    DWORD allowed = 3u | kShareBits;
    if (create) allowed |= STGM_CREATE;
    if (document) allowed |= STGM_TRANSACTED;
    if ((mode & ~allowed) != 0) return STG_E_INVALIDFLAG;
    if (use == ModeUse::create_document && !can_write(access)) return STG_E_INVALIDFLAG;
    return S_OK;
}

}  // namespace cfb
