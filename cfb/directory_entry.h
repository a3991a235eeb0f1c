// One 128-byte directory entry: name, type, red-black links, CLSID, state bits, times, start
// sector and size.
#pragma once

#include <cstdint>
#include <string>

#include "cfb/interfaces.h"
#include "cfb/layout.h"

namespace cfb {

enum EntryType : uint8_t { kTypeEmpty = 0, kTypeStorage = 1, kTypeStream = 2, kTypeRoot = 5 };
enum EntryColour : uint8_t { kRed = 0, kBlack = 1 };

struct DirectoryEntry {
    std::u16string name;
    uint8_t type = kTypeEmpty;
    uint8_t colour = kBlack;
    uint32_t left = kNoStream;
    uint32_t right = kNoStream;
    uint32_t child = kNoStream;
    CLSID clsid;
    uint32_t state_bits = 0;
    uint64_t ctime = 0;
    uint64_t mtime = 0;
    uint32_t start = 0;
    uint64_t size = 0;
};

// The UTF-16 units of the name of the entry at p, or -1 when its length field is odd or too
// long, or the name does not end in a terminator or holds one inside. A length of 0 is an empty
// name.
int name_units(const uint8_t* p);

// What name_units refused in the entry at p ("name length 70 is longer than 64 bytes").
std::string name_fault(const uint8_t* p);
// "directory entry 4", with the name in quotes when it is sound (escaped to one printable line).
std::string entry_label(uint32_t id, const uint8_t* p);

// STG_E_DOCFILECORRUPT for an unknown type or a name length that is odd, too long, not ending
// in a terminator or holding one inside. A length of 0 is an empty name. Any units are taken,
// even those take_name refuses: other writers' names are read as they stand. Empty entries
// decode without further checks; the root entry's name is not decoded (left empty).
HRESULT decode_entry(const uint8_t* p, DirectoryEntry& out);
// An empty entry is written all zero with NOSTREAM links.
void encode_entry(const DirectoryEntry& entry, uint8_t* p);

}  // namespace cfb
