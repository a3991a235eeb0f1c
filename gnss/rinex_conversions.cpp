#include <vyr/rinex_conversions.h>

#include <string>
#include <string_view>

#include "gnss/rinex_codes.h"

namespace {

using vyr_gnss::rinex_attribute_code;
using vyr_gnss::rinex_band_code;

// RINEX signals we read, by system, band digit and the attribute letters that share a type.
struct RinexToType {
    eSATSYS system;
    char band;
    std::string_view attributes;
    VYR_OBSTYPE type;
};

constexpr RinexToType kRinexToType[] = {
    {eSATSYS_GPS, '1', "C", VYR_OBS_L1CA},       {eSATSYS_GPS, '1', "PYW", VYR_OBS_L1P},
    {eSATSYS_GPS, '2', "DYW", VYR_OBS_L2Y},      {eSATSYS_GPS, '2', "P", VYR_OBS_L2P},
    {eSATSYS_GPS, '2', "CSLX", VYR_OBS_L2C},     {eSATSYS_GPS, '5', "NIQX", VYR_OBS_L5},
    {eSATSYS_GLONASS, '1', "C", VYR_OBS_L1CA},   {eSATSYS_GLONASS, '1', "P", VYR_OBS_L1P},
    {eSATSYS_GLONASS, '2', "P", VYR_OBS_L2P},    {eSATSYS_GLONASS, '2', "C", VYR_OBS_L2C},
    {eSATSYS_GALILEO, '1', "CABZX", VYR_OBS_E1}, {eSATSYS_GALILEO, '6', "CABZX", VYR_OBS_E6},
    {eSATSYS_GALILEO, '5', "IQX", VYR_OBS_E5A},  {eSATSYS_GALILEO, '7', "IQX", VYR_OBS_E5B},
    {eSATSYS_GALILEO, '8', "IQX", VYR_OBS_E5AB}, {eSATSYS_SBAS, '1', "C", VYR_OBS_L1CA},
    {eSATSYS_SBAS, '5', "CIQX", VYR_OBS_L5},
};

// The one RINEX signal we write for each of our types.
struct TypeToRinex {
    eSATSYS system;
    VYR_OBSTYPE type;
    char band;
    char attribute;
};

constexpr TypeToRinex kTypeToRinex[] = {
    {eSATSYS_GPS, VYR_OBS_L1CA, '1', 'C'},     {eSATSYS_GPS, VYR_OBS_L1P, '1', 'P'},
    {eSATSYS_GPS, VYR_OBS_L2Y, '2', 'W'},      {eSATSYS_GPS, VYR_OBS_L2P, '2', 'P'},
    {eSATSYS_GPS, VYR_OBS_L2C, '2', 'X'},      {eSATSYS_GPS, VYR_OBS_L5, '5', 'X'},
    {eSATSYS_GLONASS, VYR_OBS_L1CA, '1', 'C'}, {eSATSYS_GLONASS, VYR_OBS_L1P, '1', 'P'},
    {eSATSYS_GLONASS, VYR_OBS_L2P, '2', 'P'},  {eSATSYS_GLONASS, VYR_OBS_L2C, '2', 'C'},
    {eSATSYS_GALILEO, VYR_OBS_E5A, '5', 'X'},  {eSATSYS_GALILEO, VYR_OBS_E5B, '7', 'X'},
    {eSATSYS_GALILEO, VYR_OBS_E1, '1', 'X'},   {eSATSYS_GALILEO, VYR_OBS_E5AB, '8', 'Q'},
    {eSATSYS_GALILEO, VYR_OBS_E6, '6', 'X'},   {eSATSYS_SBAS, VYR_OBS_L1CA, '1', 'C'},
    {eSATSYS_SBAS, VYR_OBS_L5, '5', 'I'},
};

const TypeToRinex* written_signal(eSATSYS system, VYR_OBSTYPE type) {
    for (const TypeToRinex& entry : kTypeToRinex)
        if (entry.system == system && entry.type == type) return &entry;
    return nullptr;
}

bool has_attribute(std::string_view letters, uint32_t attribute) {
    for (const char letter : letters) {
        if (rinex_attribute_code(letter) == attribute) return true;
    }
    return false;
}

}  // namespace

eSATSYS Vyr_Vyr2RnxSatSys(const VYR_SATELLITE_SYSTEM& system) {
    return system >= VYR_SATSYS_GPS && system <= VYR_SATSYS_SBAS ? static_cast<eSATSYS>(system)
                                                                 : eSATSYS_OTHER;
}

VYR_SATELLITE_SYSTEM Vyr_Rnx2VyrSatSys(const eSATSYS& system) {
    return system >= eSATSYS_GPS && system <= eSATSYS_SBAS
               ? static_cast<VYR_SATELLITE_SYSTEM>(system)
               : VYR_SATSYS_NONE;
}

VYR_OBSTYPE Vyr_Rnx2VyrObsType(const eSATSYS& system, const RNX_OBS_CODE& code) {
    for (const RinexToType& entry : kRinexToType) {
        if (entry.system == system && rinex_band_code(entry.band) == code.band &&
            has_attribute(entry.attributes, code.attribute))
            return entry.type;
    }
    return VYR_OBS_NONE;
}

RNX_OBS_CODE Vyr_Vyr2RnxObsType(const eSATSYS& system, const VYR_OBSTYPE& type) {
    RNX_OBS_CODE code{};
    if (const TypeToRinex* entry = written_signal(system, type)) {
        code.band = rinex_band_code(entry->band);
        code.attribute = rinex_attribute_code(entry->attribute);
    }
    return code;
}

std::string Vyr_RnxSignalText(const eSATSYS& system, const VYR_OBSTYPE& type) {
    const TypeToRinex* entry = written_signal(system, type);
    return entry != nullptr ? std::string{entry->band, entry->attribute} : std::string();
}

uint16_t Vyr_RnxSnrFlag2VyrQualitydBHz(const unsigned short& flag) {
    return static_cast<uint16_t>(flag * 120 + 50);
}

uint16_t Vyr_VyrQualitydBHz2RnxSnrFlag(const unsigned short& quality) {
    return static_cast<uint16_t>((static_cast<double>(quality) - 50.0) / 120.0 + 0.5);
}
