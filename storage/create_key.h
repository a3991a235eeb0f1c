// CCreateKey: the project's generator of keys and identifiers. It hands out random keys and
// identifiers not used before in the project, derives association keys from their
// descriptions, and remembers everything it handed out (the project saves that on close).
#pragma once

#include <cstdint>
#include <set>
#include <vector>

#include <vyr/association.h>
#include <vyr/key.h>

class CCreateKey {
public:
    CCreateKey();

    // A new identifier (never 0xFFFFFFFF), now used.
    uint32_t NewId();
    // A new type-1 key, now used.
    void NewKey(VYR_KEY& key);
    // The key of an association, the same for the same description whatever its flags word;
    // it counts as used so that NewKey never hands it out.
    void KeyFromStationAssoc(const VYR_STATION_ASSOC& assoc, VYR_KEY& key);
    void KeyFromIonoCompAssoc(const VYR_IONO_COMPUTED_ASSOC& assoc, VYR_KEY& key);

    void RegisterIds(const std::vector<uint32_t>& ids);
    void RegisterKeys(const std::vector<uint64_t>& keys);
    // Ascending; the identifiers include 0xFFFFFFFF.
    void GetIds(std::vector<uint32_t>& ids) const;
    void GetKeys(std::vector<uint64_t>& keys) const;

private:
    std::set<uint32_t> m_usedIds;
    std::set<uint64_t> m_usedKeys;
};
