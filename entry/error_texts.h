// Lookup in the library's message table.
#pragma once

#include <vyr/error.h>

namespace vyr_entry {

// The text of the code's low 16 bits, or null when the table has none.
const char* find_error_text(VYR_ERROR code);

}  // namespace vyr_entry
