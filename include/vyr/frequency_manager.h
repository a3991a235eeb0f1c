// Carrier frequency, wavelength and millisecond-jump value of a signal, by satellite and band.
// GPS, Galileo and SBAS frequencies are constants; GLONASS ones follow each slot's frequency
// channel, learnt from a channel map. Every unknown combination gives 0.
#pragma once

#include <cstdint>

#include "vyr/export.h"
#include "vyr/glonass_map.h"
#include "vyr/obs_types.h"
#include "vyr/satellite.h"

// A plain value object: copies are independent, nothing fails, one thread at a time per object.
class VYR_API CFrequencyManager {
public:
    // GLONASS wavelengths unknown (0) until a map is set.
    CFrequencyManager();
    CFrequencyManager(const CFrequencyManager& other);
    CFrequencyManager& operator=(const CFrequencyManager& other);
    virtual ~CFrequencyManager();

    // Takes the wavelengths of every slot whose channel is set; slots marked -111 keep theirs,
    // so one map can be applied on top of another.
    void setGlonassFrequencyMap(const VYR_GLONASS_FREQUENCYMAP& map);

    // Hz.
    double getFrequencyValue(const VYR_SATID& sat, const VYR_FREQUENCY_BAND& band) const;
    // Metres.
    double getWavelengthValue(const VYR_SATID& sat, const VYR_FREQUENCY_BAND& band) const;
    // Carrier cycles in one millisecond: the phase jump a 1 ms receiver clock jump causes.
    double getMSecJumpValue(const VYR_SATID& sat, const VYR_FREQUENCY_BAND& band) const;

private:
    static constexpr int kGlonassBands = 2;  // L1, L2
    static constexpr int kGlonassSlots = 24;

    // Row of the wavelength table: 1 for L2, 0 (L1) for every other band.
    uint16_t getGlonassLUTFrequencyIndex(const VYR_FREQUENCY_BAND& band) const;
    // The stored wavelength, or 0 for a slot outside 1-24.
    double glonass_wavelength(const VYR_SATID& sat, const VYR_FREQUENCY_BAND& band) const;

    double m_glonassWavelength[kGlonassBands][kGlonassSlots];
};
