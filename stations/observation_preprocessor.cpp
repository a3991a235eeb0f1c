#include "stations/observation_preprocessor.h"

#include <cmath>
#include <new>

#include <vyr/glonass_map.h>
#include <vyr/mjd_time.h>

namespace {

using Signal = VYR_OBSERVATIONEPOCH_SIGNAL;

constexpr double kSpeedOfLight = 299792458.0;
// Six cycles of code-minus-phase change per second of gap pass as ordinary drift.
constexpr double kThresholdCyclesPerDay = 518400.0;
constexpr double kWholeMillisecondTolerance = 1e-5;

constexpr int kGpsSatellites = 33, kGpsSlots = 6;
constexpr int kGlonassSatellites = 25, kGlonassSlots = 4;
constexpr int kGalileoSatellites = 51, kGalileoSlots = 5;

int clock_jump_slot(VYR_SATELLITE_SYSTEM system, VYR_OBSTYPE type) {
    switch (system) {
        case VYR_SATSYS_GPS:
            return type >= VYR_OBS_L1CA && type <= VYR_OBS_L5 ? type - 1 : 0;
        case VYR_SATSYS_GLONASS:
            return type == VYR_OBS_L1P                            ? 1
                   : (type == VYR_OBS_L2Y || type == VYR_OBS_L2P) ? 2
                   : type == VYR_OBS_L2C                          ? 3
                                                                  : 0;
        case VYR_SATSYS_GALILEO:
            return type >= VYR_OBS_E5A && type <= VYR_OBS_E6 ? type - VYR_OBS_E5A : 0;
        default:
            return 0;
    }
}

int system_index(VYR_SATELLITE_SYSTEM system) {
    return system >= VYR_SATSYS_GPS && system <= VYR_SATSYS_SBAS ? system - 1 : -1;
}

}  // namespace

CObservationPreprocessor::CObservationPreprocessor() {
    VYR_GLONASS_FREQUENCYMAP map{};
    const CGlonassChannelMapStore* store = CGlonassChannelMapStore::Instance();
    if (store != nullptr && store->Get(map)) SetGlonassFrequencyMap(map);
}

void CObservationPreprocessor::SetEnabled(VYR_SATELLITE_SYSTEM system, bool enabled) {
    const int i = system_index(system);
    if (i >= 0) m_enabled[size_t(i)] = enabled;
}

bool CObservationPreprocessor::IsEnabled(VYR_SATELLITE_SYSTEM system) const {
    const int i = system_index(system);
    return i >= 0 && m_enabled[size_t(i)];
}

void CObservationPreprocessor::SetGlonassFrequencyMap(const VYR_GLONASS_FREQUENCYMAP& map) {
    m_frequencies.setGlonassFrequencyMap(map);
    m_glonassMap = true;
}

CObservationPreprocessor::Entry* CObservationPreprocessor::FindEntry(const VYR_SATID& sat,
                                                                     VYR_OBSTYPE type) {
    std::unique_ptr<Entry[]>* table = nullptr;
    int satellites = 0, slots = 0;
    switch (sat.system) {
        case VYR_SATSYS_GPS:
            table = &m_gps, satellites = kGpsSatellites, slots = kGpsSlots;
            break;
        case VYR_SATSYS_GLONASS:
            table = &m_glonass, satellites = kGlonassSatellites, slots = kGlonassSlots;
            break;
        case VYR_SATSYS_GALILEO:
            table = &m_galileo, satellites = kGalileoSatellites, slots = kGalileoSlots;
            break;
        default:
            return nullptr;
    }
    if (sat.prn >= satellites) return nullptr;
    if (!*table) table->reset(new (std::nothrow) Entry[size_t(satellites * slots)]());
    if (!*table) return nullptr;
    return &(*table)[size_t(sat.prn * slots + clock_jump_slot(sat.system, type))];
}

void CObservationPreprocessor::CorrectClockJumps(VYR_OBSERVATIONEPOCH& epoch) {
    if (vyr::is_valid_observation_epoch(epoch)) {
        m_threshold = m_first ? 1.0
                              : ((static_cast<double>(epoch.mjd) - m_previousMjd) +
                                 (epoch.fraction - m_previousFraction)) *
                                    kThresholdCyclesPerDay;
        for (VYR_OBSERVATIONEPOCH_SV& sv : epoch.satellites) {
            for (Signal& signal : sv.observations) {
                if ((signal.flags & Signal::kPhaseValid) == 0) continue;
                Entry* entry = FindEntry(sv.satId, signal.obsType);
                if (entry == nullptr) continue;
                if ((signal.flags & Signal::kCodeValid) == 0) {
                    signal.phase += entry->correction;
                    continue;
                }
                if (!IsEnabled(sv.satId.system) ||
                    (sv.satId.system == VYR_SATSYS_GLONASS && !m_glonassMap))
                    continue;
                const VYR_FREQUENCY_BAND band =
                    Vyr_ObsTypeToFrequencyBand(VYR_OBSTYPE{signal.obsType});
                const double lambda = m_frequencies.getWavelengthValue(sv.satId, band);
                const double jump = m_frequencies.getMSecJumpValue(sv.satId, band);
                if (lambda <= 0.0 || jump <= 0.0) continue;
                signal.phase += entry->correction;
                const double d = signal.code / lambda - signal.phase;
                const double delta = entry->previous - d;
                if (std::fabs(delta) <= m_threshold) {
                    entry->previous = d;
                    continue;
                }
                const double ratio = std::fabs(delta / jump);
                const double k = std::round(ratio);
                if (std::fabs(k - ratio) >= kWholeMillisecondTolerance) {
                    // Not a clock jump: start the phase afresh from the code.
                    signal.phase -= entry->correction;
                    entry->correction = std::floor(signal.code / lambda - signal.phase);
                    signal.phase += entry->correction;
                    entry->previous = 0.0;
                    if (!m_first) signal.flags |= Signal::kLossOfLock;
                } else {
                    const double step = jump * (delta >= 0.0 ? -k : k);
                    signal.phase += step;
                    entry->correction += step;
                    entry->previous = signal.code / lambda - signal.phase;
                }
            }
        }
        m_first = false;
    }
    m_previousMjd = epoch.mjd;
    m_previousFraction = epoch.fraction;
}

namespace vyr_stations {

void align_time_tag(VYR_OBSERVATIONEPOCH& epoch, uint32_t gridMs,
                    const CFrequencyManager& frequencies) {
    if (gridMs == 0) return;
    const double ms = epoch.fraction * mjd::kMillisecondsPerDay;
    const double grid = static_cast<double>(gridMs);
    double aligned = std::floor(ms / grid + 0.5) * grid;
    const double shift = (ms - aligned) / 1000.0;  // seconds
    if (std::fabs(shift) < 1e-5) return;
    uint32_t mjd = epoch.mjd;
    while (aligned >= mjd::kMillisecondsPerDay) {
        aligned -= mjd::kMillisecondsPerDay;
        ++mjd;
    }
    epoch.mjd = mjd;
    epoch.fraction = aligned / mjd::kMillisecondsPerDay;
    for (VYR_OBSERVATIONEPOCH_SV& sv : epoch.satellites) {
        for (Signal& signal : sv.observations) {
            if (signal.flags & Signal::kCodeValid) signal.code -= shift * kSpeedOfLight;
            if (signal.flags & Signal::kPhaseValid) {
                const VYR_FREQUENCY_BAND band =
                    Vyr_ObsTypeToFrequencyBand(VYR_OBSTYPE{signal.obsType});
                signal.phase -= frequencies.getFrequencyValue(sv.satId, band) * shift;
            }
        }
    }
}

}  // namespace vyr_stations
