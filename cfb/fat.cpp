#include "cfb/fat.h"

#include <algorithm>

#include "cfb/little_endian.h"

namespace cfb {

HRESULT load_fat(ILockBytes& bytes, const Header& header, uint32_t file_sectors,
                 std::vector<uint32_t>& fat, SectorClaims& claimed, bool salvage) {
    const uint32_t size = header.sector_size();
    const uint32_t per_sector = size / 4;
    uint32_t fat_count = header.num_fat_sectors;
    if (fat_count > file_sectors || header.num_difat_sectors > file_sectors) {
        if (!salvage) return STG_E_DOCFILECORRUPT;
        fat_count = std::min(fat_count, file_sectors);
    }
    claimed.assign(std::max<size_t>(size_t{fat_count} * per_sector, file_sectors), false);
    std::vector<uint32_t> fat_sectors;
    for (uint32_t i = 0; i < std::min(fat_count, kHeaderDifatSlots); ++i)
        fat_sectors.push_back(header.difat[i]);
    std::vector<uint8_t> sector(size);
    uint32_t next = header.first_difat_sector;
    for (uint32_t walked = 0; fat_sectors.size() < fat_count; ++walked) {
        // Claims bound the salvaged walk: the chain cannot loop.
        if (next >= file_sectors || claimed[next] ||
            (!salvage && walked >= header.num_difat_sectors)) {
            if (!salvage) return STG_E_DOCFILECORRUPT;
            break;
        }
        claimed[next] = true;
        const HRESULT hr = read_bytes(bytes, (uint64_t{next} + 1) * size, sector.data(), size);
        if (FAILED(hr)) return hr;
        for (uint32_t i = 0; i + 1 < per_sector && fat_sectors.size() < fat_count; ++i)
            fat_sectors.push_back(get32(sector.data() + 4 * i));
        next = get32(sector.data() + size - 4);
    }
    for (uint32_t& s : fat_sectors) {
        if (s >= file_sectors || claimed[s]) {
            if (!salvage) return STG_E_DOCFILECORRUPT;
            s = kNoSector;  // its part of the table stays free
            continue;
        }
        claimed[s] = true;
    }
    // Runs of consecutive FAT sectors are read with one call each, straight into the table.
    fat.assign(size_t{fat_sectors.size()} * per_sector, kFreeSect);
    for (size_t k = 0; k < fat_sectors.size();) {
        if (fat_sectors[k] == kNoSector) {
            ++k;
            continue;
        }
        size_t end = k + 1;
        while (end < fat_sectors.size() && fat_sectors[end] == fat_sectors[end - 1] + 1) ++end;
        auto* raw = reinterpret_cast<uint8_t*>(fat.data() + k * per_sector);
        const HRESULT hr =
            read_bytes(bytes, (uint64_t{fat_sectors[k]} + 1) * size, raw, (end - k) * size);
        if (FAILED(hr)) return hr;
        for (size_t i = 0; i < (end - k) * per_sector; ++i)
            fat[k * per_sector + i] = get32(raw + 4 * i);
        k = end;
    }
    return S_OK;
}

namespace {

uint32_t difat_sectors_for(uint32_t fat_sectors, uint32_t per_sector) {
    if (fat_sectors <= kHeaderDifatSlots) return 0;
    return (fat_sectors - kHeaderDifatSlots + per_sector - 2) / (per_sector - 1);
}

// Writes `ids` (sector numbers, ascending) holding `data` sector by sector, one call per run.
HRESULT write_sectors(RegularSpace& space, const std::vector<uint32_t>& ids,
                      const std::vector<uint8_t>& data) {
    const uint32_t size = space.sector_size();
    size_t i = 0;
    while (i < ids.size()) {
        size_t j = i;
        while (j + 1 < ids.size() && ids[j + 1] == ids[j] + 1) ++j;
        const HRESULT hr = space.write(ids[i], 0, data.data() + i * size, (j - i + 1) * size);
        if (FAILED(hr)) return hr;
        i = j + 1;
    }
    return S_OK;
}

}  // namespace

HRESULT store_fat(RegularSpace& space, AllocationTable& fat, Header& header) {
    const uint32_t size = space.sector_size();
    const uint32_t per_sector = size / 4;
    std::vector<uint32_t> fat_sectors;
    std::vector<uint32_t> difat_sectors;
    // Each placement may grow the table, which may need one more FAT sector: place until the
    // sectors placed describe the whole table, themselves included.
    for (;;) {
        const uint32_t need_fat = (fat.size() + per_sector - 1) / per_sector;
        const auto have_fat = static_cast<uint32_t>(fat_sectors.size());
        const uint32_t need_difat = difat_sectors_for(have_fat, per_sector);
        if (have_fat >= need_fat && difat_sectors.size() >= need_difat) break;
        const uint32_t s = fat.allocate(kNoSector);
        if (s == kNoSector) return STG_E_MEDIUMFULL;
        if (have_fat < need_fat) {
            fat.set_next(s, kFatSect);
            fat_sectors.push_back(s);
        } else {
            fat.set_next(s, kDifSect);
            difat_sectors.push_back(s);
        }
    }

    std::vector<uint8_t> data(fat_sectors.size() * size, 0xFF);
    for (uint32_t i = 0; i < fat.size(); ++i) put32(data.data() + 4 * size_t{i}, fat.next(i));
    HRESULT hr = write_sectors(space, fat_sectors, data);
    if (FAILED(hr)) return hr;

    std::vector<uint8_t> difat(difat_sectors.size() * size, 0xFF);
    size_t k = kHeaderDifatSlots;
    for (size_t d = 0; d < difat_sectors.size(); ++d) {
        uint8_t* sector = difat.data() + d * size;
        for (uint32_t i = 0; i + 1 < per_sector && k < fat_sectors.size(); ++i, ++k)
            put32(sector + 4 * i, fat_sectors[k]);
        put32(sector + size - 4, d + 1 < difat_sectors.size() ? difat_sectors[d + 1] : kEndOfChain);
    }
    for (size_t d = 0; d < difat_sectors.size(); ++d) {
        hr = space.write(difat_sectors[d], 0, difat.data() + d * size, size);
        if (FAILED(hr)) return hr;
    }

    header.num_fat_sectors = static_cast<uint32_t>(fat_sectors.size());
    for (uint32_t i = 0; i < kHeaderDifatSlots; ++i)
        header.difat[i] = i < fat_sectors.size() ? fat_sectors[i] : kFreeSect;
    header.num_difat_sectors = static_cast<uint32_t>(difat_sectors.size());
    header.first_difat_sector = difat_sectors.empty() ? kEndOfChain : difat_sectors.front();
    return S_OK;
}

}  // namespace cfb
