// The FAT on disk: its sectors are listed by the header's 109 DIFAT slots and then by a chain
// of DIFAT sectors, each holding (sector size / 4 - 1) ids and the id of the next one.
#pragma once

#include <cstdint>
#include <vector>

#include "cfb/header.h"
#include "cfb/sector_space.h"

namespace cfb {

// Reads the FAT the header describes. Every FAT and DIFAT sector must lie below
// file_sectors and appear once; they are marked in `claimed` (sized to the FAT or the file,
// whichever is larger).
//
// With `salvage` set, damage is no refusal: a FAT sector count beyond the file is cut to it, the
// DIFAT chain is followed as far as it is sound, and a FAT sector listed out of range or twice
// leaves its part of the table free, so chains running through it end there.
HRESULT load_fat(ILockBytes& bytes, const Header& header, uint32_t file_sectors,
                 std::vector<uint32_t>& fat, SectorClaims& claimed, bool salvage = false);

// Places FAT and DIFAT sectors for `fat` (allocating them in it, so they describe themselves),
// writes them and fills the header's FAT and DIFAT fields.
HRESULT store_fat(RegularSpace& space, AllocationTable& fat, Header& header);

}  // namespace cfb
