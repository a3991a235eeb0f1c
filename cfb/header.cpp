#include "cfb/header.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "cfb/little_endian.h"
#include "cfb/refusal.h"

namespace cfb {

Header::Header() {
    std::fill(std::begin(difat), std::end(difat), kFreeSect);
}

HRESULT parse_header(const uint8_t* p, Header& out) {
    auto refused = [](std::string why) { return refuse(STG_E_INVALIDHEADER, std::move(why)); };
    if (std::memcmp(p + kHeaderSignatureAt, kSignature, sizeof kSignature) != 0)
        return refused("the header is not a compound file's (no signature)");
    out.major = get16(p + kHeaderMajorVersionAt);
    out.sector_shift = get16(p + kHeaderSectorShiftAt);
    const uint16_t order = get16(p + kHeaderByteOrderAt);
    if (order != kByteOrderMark) {
        char text[64];
        std::snprintf(text, sizeof text, "the header's byte order mark is 0x%04X, not 0xFFFE",
                      order);
        return refused(text);
    }
    if (!((out.major == 3 && out.sector_shift == kSectorShiftV3) ||
          (out.major == 4 && out.sector_shift == kSectorShiftV4)))
        return refused("the header gives version " + std::to_string(out.major) +
                       " with sector shift " + std::to_string(out.sector_shift) +
                       " (version 3 has 9, version 4 has 12)");
    const uint16_t mini_shift = get16(p + kHeaderMiniSectorShiftAt);
    if (mini_shift != kMiniSectorShift)
        return refused("the header's mini sector shift is " + std::to_string(mini_shift) +
                       ", not 6");
    const uint32_t cutoff = get32(p + kHeaderMiniCutoffAt);
    if (cutoff != kMiniStreamCutoff)
        return refused("the header's mini stream cutoff is " + std::to_string(cutoff) +
                       ", not 4096");
    out.num_dir_sectors = get32(p + kHeaderDirSectorsAt);
    out.num_fat_sectors = get32(p + kHeaderFatSectorsAt);
    out.first_dir_sector = get32(p + kHeaderFirstDirSectorAt);
    out.first_minifat_sector = get32(p + kHeaderFirstMiniFatAt);
    out.num_minifat_sectors = get32(p + kHeaderMiniFatSectorsAt);
    out.first_difat_sector = get32(p + kHeaderFirstDifatAt);
    out.num_difat_sectors = get32(p + kHeaderDifatSectorsAt);
    for (uint32_t i = 0; i < kHeaderDifatSlots; ++i)
        out.difat[i] = get32(p + kHeaderDifatAt + kSectorIdBytes * i);
    return S_OK;
}

std::vector<uint8_t> serialize_header(const Header& h) {
    std::vector<uint8_t> out(h.sector_size(), 0);
    uint8_t* p = out.data();
    std::memcpy(p + kHeaderSignatureAt, kSignature, sizeof kSignature);
    put16(p + kHeaderMinorVersionAt, kMinorVersion);
    put16(p + kHeaderMajorVersionAt, h.major);
    put16(p + kHeaderByteOrderAt, kByteOrderMark);
    put16(p + kHeaderSectorShiftAt, h.sector_shift);
    put16(p + kHeaderMiniSectorShiftAt, kMiniSectorShift);
    put32(p + kHeaderDirSectorsAt, h.major == 4 ? h.num_dir_sectors : 0);
    put32(p + kHeaderFatSectorsAt, h.num_fat_sectors);
    put32(p + kHeaderFirstDirSectorAt, h.first_dir_sector);
    put32(p + kHeaderMiniCutoffAt, kMiniStreamCutoff);
    put32(p + kHeaderFirstMiniFatAt, h.first_minifat_sector);
    put32(p + kHeaderMiniFatSectorsAt, h.num_minifat_sectors);
    put32(p + kHeaderFirstDifatAt, h.first_difat_sector);
    put32(p + kHeaderDifatSectorsAt, h.num_difat_sectors);
    for (uint32_t i = 0; i < kHeaderDifatSlots; ++i)
        put32(p + kHeaderDifatAt + kSectorIdBytes * i, h.difat[i]);
    return out;
}

}  // namespace cfb
