// A byte array on a file, holding the exclusive document lock for as long as it lives.
#pragma once

#include "cfb/interfaces.h"

namespace cfb {

enum class FileOpen { existing, create_new, replace };

// flock(LOCK_EX | LOCK_NB) on the descriptor: it conflicts with every other open of the
// file, in other processes and in this one. A file someone holds gives STG_E_LOCKVIOLATION
// (and `replace` truncates only after the lock is taken).
HRESULT open_file_lock_bytes(const char* path, bool writable, FileOpen how, ILockBytes** out);

}  // namespace cfb
