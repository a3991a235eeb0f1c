// A byte array on a file, holding the exclusive document lock for as long as it lives.
#pragma once

#include "cfb/interfaces.h"

namespace cfb {

// existing_shared: an existing file opened read-only beside other such readers (deny-write).
enum class FileOpen { existing, existing_shared, create_new, replace };

// flock(LOCK_EX | LOCK_NB) on the descriptor: it conflicts with every other open of the file, in
// other processes and in this one; a shared reader takes LOCK_SH, which conflicts only with the
// exclusive lock. A file someone holds gives STG_E_SHAREVIOLATION (and `replace` truncates only
// after the lock is taken).
HRESULT open_file_lock_bytes(const char* path, bool writable, FileOpen how, ILockBytes** out);

}  // namespace cfb
