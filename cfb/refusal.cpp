// The per-thread reason of the last refused open.
#include "cfb/refusal.h"

#include <cstdio>

#include "cfb/document.h"
#include "cfb/layout.h"

namespace cfb {

namespace {
thread_local std::string t_refusal;
}  // namespace

HRESULT refuse(HRESULT code, std::string why) {
    t_refusal = std::move(why);
    return code;
}

void clear_refusal() {
    t_refusal.clear();
}

std::string last_refusal() {
    return t_refusal;
}

std::string sector_text(uint32_t id) {
    switch (id) {
        case kFreeSect:
            return "FREESECT";
        case kEndOfChain:
            return "ENDOFCHAIN";
        case kFatSect:
            return "FATSECT";
        case kDifSect:
            return "DIFSECT";
        default:
            break;
    }
    if (id > kMaxRegSect) {
        char text[24];
        std::snprintf(text, sizeof text, "marker 0x%08X", id);
        return text;
    }
    return "sector " + std::to_string(id);
}

}  // namespace cfb
