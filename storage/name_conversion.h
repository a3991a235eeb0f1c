// Entry names and document paths reach the library as 8-bit text; the platform takes UTF-16.
#pragma once

#include <string>

namespace vyr {

// Document paths are UTF-8, the locale encoding of this platform, which turns them back into
// the same bytes; no other reading would name the same file. False (out unspecified) when path
// is null or its bytes are not valid UTF-8.
bool path_to_utf16(const char* path, std::u16string& out);

// Element names are UTF-8, else Latin-1: names made from texts of imported files (a marker
// name) need not be UTF-8, and each byte must still give one name, the same every time. False
// only when name is null.
bool element_name_to_utf16(const char* name, std::u16string& out);

}  // namespace vyr
