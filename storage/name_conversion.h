// Entry names and document paths reach the library as 8-bit text; the platform takes UTF-16.
#pragma once

#include <string>

namespace vyr {

// 8-bit names are UTF-8, the locale encoding of this platform. False (out unspecified) when
// name is null or its bytes are not valid UTF-8.
bool name_to_utf16(const char* name, std::u16string& out);

}  // namespace vyr
