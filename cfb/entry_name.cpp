#include "cfb/entry_name.h"

#include "cfb/little_endian.h"

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

HRESULT take_existing_name(const OLECHAR* name, std::u16string& out) {
    if (name == nullptr) return STG_E_INVALIDPOINTER;
    out.clear();
    for (const OLECHAR* p = name; *p != 0; ++p) {
        if (out.size() == kMaxNameUnits) return STG_E_INVALIDNAME;
        out.push_back(*p);
    }
    return S_OK;
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

int compare_stored_names(const uint8_t* a, size_t a_units, const uint8_t* b, size_t b_units) {
    if (a_units != b_units) return a_units < b_units ? -1 : 1;
    size_t i = 0;
    while (i + 4 <= a_units && get_word(a + 2 * i) == get_word(b + 2 * i)) i += 4;
    for (; i < a_units; ++i) {
        const uint16_t x = get16(a + 2 * i);
        const uint16_t y = get16(b + 2 * i);
        if (x == y) continue;  // the common case needs no table
        const char16_t ux = upper_unit(static_cast<char16_t>(x));
        const char16_t uy = upper_unit(static_cast<char16_t>(y));
        if (ux != uy) return ux < uy ? -1 : 1;
    }
    return 0;
}

}  // namespace cfb
