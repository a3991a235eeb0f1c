#include "storage/create_key.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>

#include "storage/key_text.h"

namespace {

// The process's generator is seeded once at library load; each draw gives 15 bits.
uint32_t draw() {
    return static_cast<uint32_t>(std::rand()) & 0x7FFFu;
}

// A 16-bit half from two consecutive draws.
uint32_t random_half() {
    const uint32_t a = draw();
    const uint32_t b = draw();
    return (b ^ (a * 2u)) & 0xFFFFu;
}

// Continues a CRC-32 from value s, as zlib's running CRC does.
uint32_t crc(uint32_t s, const void* bytes, size_t count) {
    return static_cast<uint32_t>(
        crc32(s, static_cast<const Bytef*>(bytes), static_cast<uInt>(count)));
}

uint32_t crc_of_key_value(uint32_t s, const VYR_KEY& key) {
    switch (key.type) {
        case VYR_KEY_NUMBER64:
            return crc(s, key.value, 8);
        case VYR_KEY_NUMBER32:
            return crc(s, key.value, 4);
        case VYR_KEY_TEXT: {
            const std::string text = vyr_storage::key_text(key);
            return crc(s, text.data(), text.size());
        }
        default:
            return s;
    }
}

}  // namespace

CCreateKey::CCreateKey() {
    m_usedIds.insert(0xFFFFFFFFu);
}

uint32_t CCreateKey::NewId() {
    for (;;) {
        const uint32_t high = random_half();
        const uint32_t low = random_half();
        const uint32_t id = high * 65536u + low;
        if (m_usedIds.insert(id).second) return id;
    }
}

void CCreateKey::NewKey(VYR_KEY& key) {
    for (;;) {
        uint64_t number = 0;
        for (int half = 0; half < 4; ++half) number = (number << 16) | random_half();
        if (m_usedKeys.insert(number).second) {
            key = vyr_storage::key_from_number(number);
            return;
        }
    }
}

void CCreateKey::KeyFromStationAssoc(const VYR_STATION_ASSOC& assoc, VYR_KEY& key) {
    const uint32_t low = crc(crc(0, &assoc.first, 4), &assoc.rover, sizeof assoc.rover);
    uint32_t high = crc(low, &assoc.first, 4);
    for (const VYR_ASSOC_STATION& linked : assoc.linkedStations.stations)
        high = crc(high, &linked, sizeof linked);
    high = crc_of_key_value(high, assoc.ionoComputedAssocKey);

    const uint64_t number = (static_cast<uint64_t>(high) << 32) | low;
    m_usedKeys.insert(number);
    key = vyr_storage::key_from_number(number);
}

void CCreateKey::KeyFromIonoCompAssoc(const VYR_IONO_COMPUTED_ASSOC& assoc, VYR_KEY& key) {
    const auto count = static_cast<uint32_t>(assoc.stations.size());
    uint32_t high = count;
    for (const VYR_ASSOC_STATION& station : assoc.stations)
        high = crc(high, &station, sizeof station);

    const uint64_t number = (static_cast<uint64_t>(high) << 32) | count;
    m_usedKeys.insert(number);
    key = vyr_storage::key_from_number(number);
}

void CCreateKey::RegisterIds(const std::vector<uint32_t>& ids) {
    m_usedIds.insert(ids.begin(), ids.end());
}

void CCreateKey::RegisterKeys(const std::vector<uint64_t>& keys) {
    m_usedKeys.insert(keys.begin(), keys.end());
}

void CCreateKey::GetIds(std::vector<uint32_t>& ids) const {
    ids.assign(m_usedIds.begin(), m_usedIds.end());
}

void CCreateKey::GetKeys(std::vector<uint64_t>& keys) const {
    keys.assign(m_usedKeys.begin(), m_usedKeys.end());
}
