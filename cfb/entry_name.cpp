#include "cfb/entry_name.h"

namespace cfb {

HRESULT take_name(const OLECHAR* name, std::u16string& out) {
    if (name == nullptr) return STG_E_INVALIDPOINTER;
    out.clear();
    for (const OLECHAR* p = name; *p != 0; ++p) {
        if (out.size() == kMaxNameUnits) return STG_E_INVALIDNAME;
        if (*p == u'/' || *p == u'\\' || *p == u':' || *p == u'!') return STG_E_INVALIDNAME;
        out.push_back(*p);
    }
    return out.empty() ? STG_E_INVALIDNAME : S_OK;
}

char16_t upper_unit(char16_t c) {
    if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
    if (c < 0x80) return c;
    // Latin-1 small letters a-grave .. thorn, except the division sign.
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
    if (c == 0xFF) return 0x178;
    // Greek small alpha .. omega (final sigma excluded: it has no capital of its own).
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return static_cast<char16_t>(c - 0x20);
    // Cyrillic small a .. ya, and the small letters with their capitals 0x400..0x40F.
    if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 0x20);
    if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
    return c;
}

int compare_names(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    for (size_t i = 0; i < a.size(); ++i) {
        const char16_t x = upper_unit(a[i]);
        const char16_t y = upper_unit(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

}  // namespace cfb
