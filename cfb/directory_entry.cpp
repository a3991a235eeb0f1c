#include "cfb/directory_entry.h"

#include <cstdio>
#include <cstring>

#include "cfb/document.h"
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
    if (name_bytes > kEntryNameBytes || name_bytes % 2 != 0) return -1;
    if (name_bytes == 0) return 0;
    const int units = name_bytes / 2 - 1;
    const uint8_t* name = p + kEntryNameAt;
    if (get16(name + 2 * units) != 0) return -1;
    int i = 0;
    for (; i + 4 <= units; i += 4)  // four units at a time: opening reads every name
        if (has_zero_unit(get_word(name + 2 * i))) return -1;
    for (; i < units; ++i)
        if (get16(name + 2 * i) == 0) return -1;
    return units;
}

std::string name_fault(const uint8_t* p) {
    const uint16_t name_bytes = get16(p + kEntryNameLengthAt);
    const std::string length = "name length " + std::to_string(name_bytes);
    if (name_bytes > kEntryNameBytes) return length + " is longer than 64 bytes";
    if (name_bytes % 2 != 0) return length + " is odd";
    const int units = name_bytes / 2 - 1;
    if (units >= 0 && get16(p + kEntryNameAt + 2 * units) != 0)
        return length + ", but the name does not end in a terminator there";
    return "the name holds a terminator before its end (" + length + ")";
}

std::string entry_label(uint32_t id, const uint8_t* p) {
    std::string out = "directory entry " + std::to_string(id);
    const int units = name_units(p);
    if (units < 0) return out;
    std::u16string name(static_cast<size_t>(units), u'\0');
    for (int i = 0; i < units; ++i)
        name[i] = static_cast<char16_t>(get16(p + kEntryNameAt + 2 * i));
    std::string text;
    if (!utf16_to_utf8(name, text)) return out;
    out += " \"";
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F || c == '\\' || c == '"') {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", b);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

HRESULT decode_entry(const uint8_t* p, DirectoryEntry& out) {
    out = DirectoryEntry{};
    out.type = p[kEntryTypeAt];
    if (out.type == kTypeEmpty) return S_OK;
    if (out.type != kTypeStorage && out.type != kTypeStream && out.type != kTypeRoot)
        return STG_E_DOCFILECORRUPT;
    // The root's name is never looked up or shown, and other writers leave odd bytes there
    // (a length of 2 over a full "Root Entry"): it is not read at all.
    if (out.type != kTypeRoot) {
        const int units = name_units(p);
        if (units < 0) return STG_E_DOCFILECORRUPT;
        out.name.resize(static_cast<size_t>(units));
        for (int i = 0; i < units; ++i)
            out.name[i] = static_cast<char16_t>(get16(p + kEntryNameAt + 2 * i));
    }
    out.colour = p[kEntryColourAt];
    out.left = get32(p + kEntryLeftAt);
    out.right = get32(p + kEntryRightAt);
    out.child = get32(p + kEntryChildAt);
    get_clsid(p + kEntryClsidAt, out.clsid);
    out.state_bits = get32(p + kEntryStateBitsAt);
    out.ctime = get64(p + kEntryCreatedAt);
    out.mtime = get64(p + kEntryModifiedAt);
    out.start = get32(p + kEntryStartAt);
    out.size = get64(p + kEntrySizeAt);
    return S_OK;
}

void encode_entry(const DirectoryEntry& e, uint8_t* p) {
    std::memset(p, 0, kEntryBytes);
    put32(p + kEntryLeftAt, kNoStream);
    put32(p + kEntryRightAt, kNoStream);
    put32(p + kEntryChildAt, kNoStream);
    if (e.type == kTypeEmpty) return;
    for (size_t i = 0; i < e.name.size(); ++i) put16(p + kEntryNameAt + 2 * i, e.name[i]);
    put16(p + kEntryNameLengthAt, static_cast<uint16_t>((e.name.size() + 1) * 2));
    p[kEntryTypeAt] = e.type;
    p[kEntryColourAt] = e.colour;
    put32(p + kEntryLeftAt, e.left);
    put32(p + kEntryRightAt, e.right);
    put32(p + kEntryChildAt, e.child);
    put_clsid(p + kEntryClsidAt, e.clsid);
    put32(p + kEntryStateBitsAt, e.state_bits);
    put64(p + kEntryCreatedAt, e.ctime);
    put64(p + kEntryModifiedAt, e.mtime);
    put32(p + kEntryStartAt, e.start);
    put64(p + kEntrySizeAt, e.size);
}

}  // namespace cfb
