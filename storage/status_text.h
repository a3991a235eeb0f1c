// Texts of the platform's status codes, shown by GetLastError of the storage wrappers. This
// platform has no system message table, so the library keeps its own.
#pragma once

#include <cstdint>

#include "cfb/status.h"

namespace vyr {

// The text of a status code; the empty string for a code without text.
const char* status_text(HRESULT status);

// Writes the text of status into text, cut to size - 1 bytes and always terminated. Writes
// nothing when text is null or size is 0.
void copy_status_text(HRESULT status, char* text, uint32_t size);

}  // namespace vyr
