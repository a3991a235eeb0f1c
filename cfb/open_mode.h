// The open modes the engine supports. Every element is opened exclusively (the only sharing
// the system uses); modes asking for anything else are refused with STG_E_INVALIDFLAG rather
// than half honoured.
#pragma once

#include "cfb/interfaces.h"

namespace cfb {

enum class ModeUse { open_element, create_element, open_document, create_document };

// Element modes: an access, STGM_SHARE_EXCLUSIVE, STGM_CREATE when creating. Document modes
// also take STGM_TRANSACTED (the engine is always transacted) and STGM_SHARE_DENY_WRITE
// (shared with other such readers when read-only; a writer locks exclusively either way);
// creating needs write access.
HRESULT check_mode(DWORD mode, ModeUse use);

inline DWORD access_of(DWORD mode) {
    return mode & 3u;
}
inline bool can_read(DWORD access) {
    return access != STGM_WRITE;
}
inline bool can_write(DWORD access) {
    return access != STGM_READ;
}
// A child may not be opened with more access than its parent has.
inline bool access_within(DWORD child, DWORD parent) {
    return (!can_read(child) || can_read(parent)) && (!can_write(child) || can_write(parent));
}

}  // namespace cfb
