#include "cfb/fat.h"

#include <algorithm>

#include "cfb/little_endian.h"
#include "cfb/refusal.h"

namespace cfb {

namespace {

// Why the DIFAT chain cannot list the FAT: it ends early, leaves the file, loops or runs longer
// than the header says.
HRESULT refuse_difat(const Header& header, uint32_t walked, uint32_t previous, uint32_t next,
                     uint32_t file_sectors, const SectorClaims& claimed) {
    const std::string at = walked == 0 ? "the header's first DIFAT sector is "
                                       : "DIFAT " + sector_text(previous) + " links to ";
    std::string why;
    if (walked >= header.num_difat_sectors)
        why = "the header counts " + std::to_string(header.num_difat_sectors) +
              " DIFAT sectors, too few to list its " + std::to_string(header.num_fat_sectors) +
              " FAT sectors";
    else if (next == kEndOfChain || next == kFreeSect)
        why = "the DIFAT chain ends after " + std::to_string(walked) + " of the header's " +
              std::to_string(header.num_difat_sectors) + " sectors";
    else if (next >= file_sectors)
        why = at + sector_text(next) + ", past the end of the file";
    else if (claimed[next])
        why = at + sector_text(next) + " again (a loop)";
    return refuse(STG_E_DOCFILECORRUPT, std::move(why));
}

// Why the FAT sector at `s` in `listed` cannot be read: out of the file, or listed before.
HRESULT refuse_fat_sector(const std::vector<uint32_t>& listed, const uint32_t* s,
                          uint32_t file_sectors) {
    const std::string fat = "FAT sector " + std::to_string(*s);
    if (*s > kMaxRegSect)
        return refuse(STG_E_DOCFILECORRUPT, "the DIFAT gives " + sector_text(*s) +
                                                " as FAT sector #" +
                                                std::to_string(s - listed.data()));
    if (*s >= file_sectors)
        return refuse(STG_E_DOCFILECORRUPT, fat + " lies past the end of the file (of " +
                                                std::to_string(file_sectors) + " sectors)");
    const bool twice = std::find(listed.data(), s, *s) != s;
    return refuse(STG_E_DOCFILECORRUPT, fat + (twice ? " is listed twice" : " is a DIFAT sector"));
}

}  // namespace

HRESULT load_fat(ILockBytes& bytes, const Header& header, uint32_t file_sectors,
                 std::vector<uint32_t>& fat, SectorClaims& claimed, bool salvage) {
    const uint32_t size = header.sector_size();
    const uint32_t per_sector = size / kSectorIdBytes;
    uint32_t fat_count = header.num_fat_sectors;
    if (fat_count > file_sectors || header.num_difat_sectors > file_sectors) {
        if (!salvage) {
            const bool fat = fat_count > file_sectors;
            return refuse(STG_E_DOCFILECORRUPT,
                          "the header counts " +
                              std::to_string(fat ? fat_count : header.num_difat_sectors) +
                              (fat ? " FAT" : " DIFAT") + " sectors, but the file has only " +
                              std::to_string(file_sectors) + " sectors");
        }
        fat_count = std::min(fat_count, file_sectors);
    }
    claimed.assign(std::max<size_t>(size_t{fat_count} * per_sector, file_sectors), false);
    std::vector<uint32_t> fat_sectors;
    for (uint32_t i = 0; i < std::min(fat_count, kHeaderDifatSlots); ++i)
        fat_sectors.push_back(header.difat[i]);
    std::vector<uint8_t> sector(size);
    uint32_t next = header.first_difat_sector;
    uint32_t previous = kNoSector;
    for (uint32_t walked = 0; fat_sectors.size() < fat_count; ++walked) {
        // Claims bound the salvaged walk: the chain cannot loop.
        if (next >= file_sectors || claimed[next] ||
            (!salvage && walked >= header.num_difat_sectors)) {
            if (!salvage)
                return refuse_difat(header, walked, previous, next, file_sectors, claimed);
            break;
        }
        claimed[next] = true;
        previous = next;
        const HRESULT hr = read_bytes(bytes, (uint64_t{next} + 1) * size, sector.data(), size);
        if (FAILED(hr)) return hr;
        for (uint32_t i = 0; i + 1 < per_sector && fat_sectors.size() < fat_count; ++i)
            fat_sectors.push_back(get32(sector.data() + kSectorIdBytes * i));
        next = get32(sector.data() + size - kSectorIdBytes);
    }
    for (uint32_t& s : fat_sectors) {
        if (s >= file_sectors || claimed[s]) {
            if (!salvage) return refuse_fat_sector(fat_sectors, &s, file_sectors);
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
            fat[k * per_sector + i] = get32(raw + kSectorIdBytes * i);
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
    const uint32_t per_sector = size / kSectorIdBytes;
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
    for (uint32_t i = 0; i < fat.size(); ++i) put32(data.data() + kSectorIdBytes * i, fat.next(i));
    HRESULT hr = write_sectors(space, fat_sectors, data);
    if (FAILED(hr)) return hr;

    std::vector<uint8_t> difat(difat_sectors.size() * size, 0xFF);
    size_t k = kHeaderDifatSlots;
    for (size_t d = 0; d < difat_sectors.size(); ++d) {
        uint8_t* sector = difat.data() + d * size;
        for (uint32_t i = 0; i + 1 < per_sector && k < fat_sectors.size(); ++i, ++k)
            put32(sector + kSectorIdBytes * i, fat_sectors[k]);
        put32(sector + size - kSectorIdBytes,
              d + 1 < difat_sectors.size() ? difat_sectors[d + 1] : kEndOfChain);
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
