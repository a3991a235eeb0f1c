#include "cfb/header.h"

#include <algorithm>
#include <cstring>

#include "cfb/little_endian.h"

namespace cfb {

namespace {
constexpr uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr uint16_t kMinorVersion = 0x003E;
constexpr uint16_t kByteOrder = 0xFFFE;
constexpr uint16_t kMiniSectorShift = 6;
}  // namespace

Header::Header() {
    std::fill(std::begin(difat), std::end(difat), kFreeSect);
}

HRESULT parse_header(const uint8_t* p, Header& out) {
    if (std::memcmp(p, kSignature, 8) != 0) return STG_E_INVALIDHEADER;
    out.major = get16(p + 26);
    out.sector_shift = get16(p + 30);
    if (get16(p + 28) != kByteOrder) return STG_E_INVALIDHEADER;
    if (!((out.major == 3 && out.sector_shift == 9) || (out.major == 4 && out.sector_shift == 12)))
        return STG_E_INVALIDHEADER;
    if (get16(p + 32) != kMiniSectorShift || get32(p + 56) != kMiniStreamCutoff)
        return STG_E_INVALIDHEADER;
    out.num_dir_sectors = get32(p + 40);
    out.num_fat_sectors = get32(p + 44);
    out.first_dir_sector = get32(p + 48);
    out.first_minifat_sector = get32(p + 60);
    out.num_minifat_sectors = get32(p + 64);
    out.first_difat_sector = get32(p + 68);
    out.num_difat_sectors = get32(p + 72);
    for (uint32_t i = 0; i < kHeaderDifatSlots; ++i) out.difat[i] = get32(p + 76 + 4 * i);
    return S_OK;
}

std::vector<uint8_t> serialize_header(const Header& h) {
    std::vector<uint8_t> out(h.sector_size(), 0);
    uint8_t* p = out.data();
    std::memcpy(p, kSignature, 8);
    put16(p + 24, kMinorVersion);
    put16(p + 26, h.major);
    put16(p + 28, kByteOrder);
    put16(p + 30, h.sector_shift);
    put16(p + 32, kMiniSectorShift);
    put32(p + 40, h.major == 4 ? h.num_dir_sectors : 0);
    put32(p + 44, h.num_fat_sectors);
    put32(p + 48, h.first_dir_sector);
    put32(p + 56, kMiniStreamCutoff);
    put32(p + 60, h.first_minifat_sector);
    put32(p + 64, h.num_minifat_sectors);
    put32(p + 68, h.first_difat_sector);
    put32(p + 72, h.num_difat_sectors);
    for (uint32_t i = 0; i < kHeaderDifatSlots; ++i) put32(p + 76 + 4 * i, h.difat[i]);
    return out;
}

}  // namespace cfb
