// The header at the start of a compound file: version, sector size, where the FAT, DIFAT,
// MiniFAT and directory begin, and the first 109 FAT sector ids.
#pragma once

#include <cstdint>
#include <vector>

#include "cfb/allocation_table.h"
#include "cfb/interfaces.h"
#include "cfb/layout.h"

namespace cfb {

struct Header {
    uint16_t major = 3;
    uint16_t sector_shift = kSectorShiftV3;
    uint32_t num_dir_sectors = 0;  // version 4 only; zero in version 3
    uint32_t num_fat_sectors = 0;
    uint32_t first_dir_sector = kEndOfChain;
    uint32_t first_minifat_sector = kEndOfChain;
    uint32_t num_minifat_sectors = 0;
    uint32_t first_difat_sector = kEndOfChain;
    uint32_t num_difat_sectors = 0;
    uint32_t difat[kHeaderDifatSlots];

    Header();
    uint32_t sector_size() const { return 1u << sector_shift; }
};

// Checks signature, byte order, version/sector-size pairing, mini sector size and cutoff:
// STG_E_INVALIDHEADER when anything is off, with the reason recorded (cfb/refusal.h).
HRESULT parse_header(const uint8_t* bytes, Header& out);
// The whole header sector (512 or 4096 bytes).
std::vector<uint8_t> serialize_header(const Header& header);

}  // namespace cfb
