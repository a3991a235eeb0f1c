// Epochs for tests and benchmarks: built to a given shape, filled with distinct values, and
// compared field by field.
#pragma once

#include <cstdint>
#include <vector>

#include <vyr/observation_epoch.h>

namespace vyr_test {

struct SatelliteShape {
    VYR_SATELLITE_SYSTEM system;
    int satellites;
    int signals;
};

// A valid epoch with the given satellites; every number differs so that a swapped field shows.
inline VYR_OBSERVATIONEPOCH make_epoch(const std::vector<SatelliteShape>& shape,
                                       uint32_t mjd = 60000, double fraction = 0.25) {
    VYR_OBSERVATIONEPOCH epoch;
    epoch.mjd = mjd;
    epoch.fraction = fraction;
    epoch.status = 1;
    epoch.occupation = VYR_OBSERVATIONEPOCH::OCCUPATION_STATIC;
    int serial = 0;
    for (const SatelliteShape& group : shape) {
        for (int s = 0; s < group.satellites; ++s) {
            VYR_OBSERVATIONEPOCH_SV sv;
            sv.satId = {group.system, static_cast<uint8_t>(s + 1)};
            for (int k = 0; k < group.signals; ++k, ++serial) {
                VYR_OBSERVATIONEPOCH_SIGNAL signal;
                signal.flags = VYR_OBSERVATIONEPOCH_SIGNAL::kPhaseValid |
                               VYR_OBSERVATIONEPOCH_SIGNAL::kCodeValid;
                signal.obsType = static_cast<VYR_OBSTYPE>(1 + (k % 11));
                signal.phase = 1.1e8 + serial * 0.125;
                signal.code = 2.1e7 + serial * 0.5;
                signal.doppler = -1000.0 + serial;
                signal.quality = static_cast<uint16_t>(800 + serial);
                sv.observations.push_back(signal);
            }
            epoch.satellites.push_back(sv);
        }
    }
    return epoch;
}

// 12 GPS satellites with 6 signals, 8 GLONASS with 4, 10 Galileo with 5, 3 SBAS with 2.
inline std::vector<SatelliteShape> multi_gnss_shape() {
    return {{VYR_SATSYS_GPS, 12, 6},
            {VYR_SATSYS_GLONASS, 8, 4},
            {VYR_SATSYS_GALILEO, 10, 5},
            {VYR_SATSYS_SBAS, 3, 2}};
}

// The stored form of an epoch; empty when it cannot be encoded.
inline std::vector<uint8_t> encode_epoch(const VYR_OBSERVATIONEPOCH& epoch) {
    std::vector<uint8_t> bytes(200000);
    uint32_t written = 0;
    const uint32_t capacity = static_cast<uint32_t>(bytes.size());
    if (Vyr_SerializeObsEpoch(epoch, bytes.data(), capacity, written) != VYR_OK) written = 0;
    bytes.resize(written);
    return bytes;
}

inline bool same_signal(const VYR_OBSERVATIONEPOCH_SIGNAL& a,
                        const VYR_OBSERVATIONEPOCH_SIGNAL& b) {
    return a.flags == b.flags && a.obsType == b.obsType && a.phase == b.phase && a.code == b.code &&
           a.doppler == b.doppler && a.auxValue == b.auxValue && a.quality == b.quality &&
           a.spare1 == b.spare1 && a.spare2 == b.spare2 && a.spare3 == b.spare3 &&
           a.spare4 == b.spare4;
}

inline bool same_epoch(const VYR_OBSERVATIONEPOCH& a, const VYR_OBSERVATIONEPOCH& b) {
    if (a.mjd != b.mjd || a.fraction != b.fraction || a.headerWord != b.headerWord ||
        a.headerReal != b.headerReal || a.status != b.status || a.occupation != b.occupation ||
        a.sourceTag != b.sourceTag || a.satellites.size() != b.satellites.size())
        return false;
    for (size_t i = 0; i < a.satellites.size(); ++i) {
        const VYR_OBSERVATIONEPOCH_SV& x = a.satellites[i];
        const VYR_OBSERVATIONEPOCH_SV& y = b.satellites[i];
        if (!(x.satId == y.satId) || x.systemData != y.systemData ||
            x.observations.size() != y.observations.size())
            return false;
        for (size_t k = 0; k < x.observations.size(); ++k) {
            if (!same_signal(x.observations[k], y.observations[k])) return false;
        }
    }
    return true;
}

}  // namespace vyr_test
