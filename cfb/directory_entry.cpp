#include "cfb/directory_entry.h"

#include <cstring>

#include "cfb/little_endian.h"

namespace cfb {

namespace {

void get_clsid(const uint8_t* p, CLSID& c) {
    c.Data1 = get32(p);
    c.Data2 = get16(p + 4);
    c.Data3 = get16(p + 6);
    std::memcpy(c.Data4, p + 8, 8);
}

void put_clsid(uint8_t* p, const CLSID& c) {
    put32(p, c.Data1);
    put16(p + 4, c.Data2);
    put16(p + 6, c.Data3);
    std::memcpy(p + 8, c.Data4, 8);
}

}  // namespace

int name_units(const uint8_t* p) {
    // An empty name comes with a length of 2 (the terminator) or, from some writers, 0.
    const uint16_t name_bytes = get16(p + kEntryNameLengthAt);
    if (name_bytes > 64 || name_bytes % 2 != 0) return -1;
    if (name_bytes == 0) return 0;
    const int units = name_bytes / 2 - 1;
    if (get16(p + 2 * units) != 0) return -1;
    int i = 0;
    for (; i + 4 <= units; i += 4)  // four units at a time: opening reads every name
        if (has_zero_unit(get_word(p + 2 * i))) return -1;
    for (; i < units; ++i)
        if (get16(p + 2 * i) == 0) return -1;
    return units;
}

HRESULT decode_entry(const uint8_t* p, DirectoryEntry& out) {
    out = DirectoryEntry{};
    out.type = p[66];
    if (out.type == kTypeEmpty) return S_OK;
    if (out.type != kTypeStorage && out.type != kTypeStream && out.type != kTypeRoot)
        return STG_E_DOCFILECORRUPT;
    // The root's name is never looked up or shown, and other writers leave odd bytes there
    // (a length of 2 over a full "Root Entry"): it is not read at all.
    if (out.type != kTypeRoot) {
        const int units = name_units(p);
        if (units < 0) return STG_E_DOCFILECORRUPT;
        out.name.resize(static_cast<size_t>(units));
        for (int i = 0; i < units; ++i) out.name[i] = static_cast<char16_t>(get16(p + 2 * i));
    }
    out.colour = p[67];
    out.left = get32(p + 68);
    out.right = get32(p + 72);
    out.child = get32(p + 76);
    get_clsid(p + 80, out.clsid);
    out.state_bits = get32(p + 96);
    out.ctime = get64(p + 100);
    out.mtime = get64(p + 108);
    out.start = get32(p + 116);
    out.size = get64(p + 120);
    return S_OK;
}

void encode_entry(const DirectoryEntry& e, uint8_t* p) {
    std::memset(p, 0, kEntryBytes);
    put32(p + 68, kNoStream);
    put32(p + 72, kNoStream);
    put32(p + 76, kNoStream);
    if (e.type == kTypeEmpty) return;
    for (size_t i = 0; i < e.name.size(); ++i) put16(p + 2 * i, e.name[i]);
    put16(p + 64, static_cast<uint16_t>((e.name.size() + 1) * 2));
    p[66] = e.type;
    p[67] = e.colour;
    put32(p + 68, e.left);
    put32(p + 72, e.right);
    put32(p + 76, e.child);
    put_clsid(p + 80, e.clsid);
    put32(p + 96, e.state_bits);
    put64(p + 100, e.ctime);
    put64(p + 108, e.mtime);
    put32(p + 116, e.start);
    put64(p + 120, e.size);
}

}  // namespace cfb
