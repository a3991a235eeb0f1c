#include "storage/name_conversion.h"

#include "cfb/cfb.h"

namespace vyr {

bool path_to_utf16(const char* path, std::u16string& out) {
    return path != nullptr && cfb::utf8_to_utf16(path, out);
}

bool element_name_to_utf16(const char* name, std::u16string& out) {
    if (name == nullptr) return false;
    if (cfb::utf8_to_utf16(name, out)) return true;
    // Latin-1 is the first 256 code points of UTF-16.
    out.clear();
    for (const char* c = name; *c != '\0'; ++c) out.push_back(static_cast<unsigned char>(*c));
    return true;
}

}  // namespace vyr
