#include "storage/name_conversion.h"

#include "cfb/cfb.h"

namespace vyr {

bool name_to_utf16(const char* name, std::u16string& out) {
    if (name == nullptr) return false;
    return cfb::utf8_to_utf16(name, out);
}

}  // namespace vyr
