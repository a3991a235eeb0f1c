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

}  // namespace cfb
