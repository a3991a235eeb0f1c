#include <vyr/obs_types.h>

namespace {

struct BandOfType {
    VYR_FREQUENCY_BAND band;
    uint16_t frequencyIndex;
};

// Indexed by observation type 0 to 11.
constexpr BandOfType kBandOfType[] = {
    {VYR_BAND_NONE, 0}, {VYR_BAND_L1, 0}, {VYR_BAND_L1, 0},   {VYR_BAND_L2, 1},
    {VYR_BAND_L2, 1},   {VYR_BAND_L2, 1}, {VYR_BAND_L5, 2},   {VYR_BAND_L5, 2},
    {VYR_BAND_E5B, 1},  {VYR_BAND_L1, 0}, {VYR_BAND_E5AB, 3}, {VYR_BAND_E6, 0},
};
constexpr int32_t kTypeCount = static_cast<int32_t>(sizeof(kBandOfType) / sizeof(kBandOfType[0]));

BandOfType band_of(VYR_OBSTYPE type) {
    return type >= 0 && type < kTypeCount ? kBandOfType[type] : kBandOfType[0];
}

// Shared by the two keys of the shape (satellite, third field).
bool satellite_then_less(const VYR_SATID& a, int32_t thirdA, const VYR_SATID& b, int32_t thirdB) {
    if (a.system != b.system) return a.system < b.system;
    if (a.prn != b.prn) return a.prn < b.prn;
    return thirdA < thirdB;
}

}  // namespace

VYR_FREQUENCY_BAND Vyr_ObsTypeToFrequencyBand(const VYR_OBSTYPE& type) {
    return band_of(type).band;
}

uint16_t Vyr_ObsTypeToFrequencyBand(const VYR_OBSTYPE& type, VYR_FREQUENCY_BAND& band) {
    const BandOfType entry = band_of(type);
    band = entry.band;
    return entry.frequencyIndex;
}

bool VYR_OBSTYPE_KEY::operator==(const VYR_OBSTYPE_KEY& other) const {
    return satId == other.satId && obsType == other.obsType;
}

bool VYR_OBSTYPE_KEY::operator<(const VYR_OBSTYPE_KEY& other) const {
    return satellite_then_less(satId, obsType, other.satId, other.obsType);
}

VYR_FREQUENCY_BAND_KEY::VYR_FREQUENCY_BAND_KEY(const VYR_SATID& sat, VYR_FREQUENCY_BAND band_)
    : satId(sat), band(band_) {}

VYR_FREQUENCY_BAND_KEY::VYR_FREQUENCY_BAND_KEY(const VYR_OBSTYPE_KEY& key)
    : satId(key.satId), band(Vyr_ObsTypeToFrequencyBand(VYR_OBSTYPE{key.obsType})) {}

bool VYR_FREQUENCY_BAND_KEY::operator==(const VYR_FREQUENCY_BAND_KEY& other) const {
    return satId == other.satId && band == other.band;
}

bool VYR_FREQUENCY_BAND_KEY::operator<(const VYR_FREQUENCY_BAND_KEY& other) const {
    return satellite_then_less(satId, band, other.satId, other.band);
}

VYR_SATSYSTEM_BAND_KEY::VYR_SATSYSTEM_BAND_KEY(VYR_SATELLITE_SYSTEM system_,
                                               VYR_FREQUENCY_BAND band_)
    : system(system_), band(band_) {}

VYR_SATSYSTEM_BAND_KEY::VYR_SATSYSTEM_BAND_KEY(const VYR_OBSTYPE_KEY& key)
    : system(key.satId.system), band(Vyr_ObsTypeToFrequencyBand(VYR_OBSTYPE{key.obsType})) {}

VYR_SATSYSTEM_BAND_KEY::VYR_SATSYSTEM_BAND_KEY(const VYR_FREQUENCY_BAND_KEY& key)
    : system(key.satId.system), band(key.band) {}

bool VYR_SATSYSTEM_BAND_KEY::operator==(const VYR_SATSYSTEM_BAND_KEY& other) const {
    return system == other.system && band == other.band;
}

bool VYR_SATSYSTEM_BAND_KEY::operator<(const VYR_SATSYSTEM_BAND_KEY& other) const {
    if (system != other.system) return system < other.system;
    return band < other.band;
}
