#include <vyr/frequency_manager.h>

namespace {

constexpr double kSpeedOfLight = 299792458.0;

constexpr double kL1 = 1.57542e9;
constexpr double kL2 = 1.2276e9;
constexpr double kL5 = 1.17645e9;
constexpr double kE5b = 1.20714e9;
constexpr double kE5ab = 1.191795e9;
constexpr double kE6 = 1.27875e9;

// GLONASS FDMA: base frequency plus channel times step, per band.
constexpr double kGlonassL1Base = 1.602e9;
constexpr double kGlonassL1Step = 562500.0;
constexpr double kGlonassL2Base = 1.246e9;
constexpr double kGlonassL2Step = 437500.0;

double constant_frequency(VYR_SATELLITE_SYSTEM system, VYR_FREQUENCY_BAND band) {
    switch (system) {
        case VYR_SATSYS_GPS:
            return band == VYR_BAND_L1   ? kL1
                   : band == VYR_BAND_L2 ? kL2
                   : band == VYR_BAND_L5 ? kL5
                                         : 0.0;
        case VYR_SATSYS_GALILEO:
            switch (band) {
                case VYR_BAND_L1:
                    return kL1;
                case VYR_BAND_L5:
                    return kL5;
                case VYR_BAND_E5B:
                    return kE5b;
                case VYR_BAND_E5AB:
                    return kE5ab;
                case VYR_BAND_E6:
                    return kE6;
                default:
                    return 0.0;
            }
        case VYR_SATSYS_SBAS:
            return band == VYR_BAND_L1 ? kL1 : band == VYR_BAND_L5 ? kL5 : 0.0;
        default:
            return 0.0;
    }
}

}  // namespace

CFrequencyManager::CFrequencyManager() : m_glonassWavelength{} {}

CFrequencyManager::CFrequencyManager(const CFrequencyManager& other) = default;
CFrequencyManager& CFrequencyManager::operator=(const CFrequencyManager& other) = default;
CFrequencyManager::~CFrequencyManager() = default;

void CFrequencyManager::setGlonassFrequencyMap(const VYR_GLONASS_FREQUENCYMAP& map) {
    for (int slot = 0; slot < kGlonassSlots; ++slot) {
        const int16_t channel = map.channel[slot];
        if (channel == VYR_GLONASS_FREQUENCYMAP::kNotSet) continue;
        m_glonassWavelength[0][slot] = kSpeedOfLight / (channel * kGlonassL1Step + kGlonassL1Base);
        m_glonassWavelength[1][slot] = kSpeedOfLight / (channel * kGlonassL2Step + kGlonassL2Base);
    }
}

double CFrequencyManager::getFrequencyValue(const VYR_SATID& sat,
                                            const VYR_FREQUENCY_BAND& band) const {
    if (sat.system != VYR_SATSYS_GLONASS) return constant_frequency(sat.system, band);
    const double wavelength = glonass_wavelength(sat, band);
    return wavelength > 0.0 ? kSpeedOfLight / wavelength : 0.0;
}

double CFrequencyManager::getWavelengthValue(const VYR_SATID& sat,
                                             const VYR_FREQUENCY_BAND& band) const {
    if (sat.system == VYR_SATSYS_GLONASS) return glonass_wavelength(sat, band);
    const double frequency = constant_frequency(sat.system, band);
    return frequency > 0.0 ? kSpeedOfLight / frequency : 0.0;
}

double CFrequencyManager::getMSecJumpValue(const VYR_SATID& sat,
                                           const VYR_FREQUENCY_BAND& band) const {
    return getFrequencyValue(sat, band) / 1000.0;
}

uint16_t CFrequencyManager::getGlonassLUTFrequencyIndex(const VYR_FREQUENCY_BAND& band) const {
    return band == VYR_BAND_L2 ? 1 : 0;
}

double CFrequencyManager::glonass_wavelength(const VYR_SATID& sat,
                                             const VYR_FREQUENCY_BAND& band) const {
    if (sat.prn < 1 || sat.prn > kGlonassSlots) return 0.0;
    return m_glonassWavelength[getGlonassLUTFrequencyIndex(band)][sat.prn - 1];
}
