// The compound-file engine: the structured-storage service of this platform.
#pragma once

#include "cfb/document.h"
#include "cfb/interfaces.h"
#include "cfb/status.h"
#include "cfb/undo_lock_bytes.h"
