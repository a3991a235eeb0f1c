#include "stations/observation_filter.h"

#include <algorithm>
#include <cmath>

#include <vyr/mjd_time.h>

namespace {

using Signal = VYR_OBSERVATIONEPOCH_SIGNAL;

constexpr double kOneMillisecond = 1.1574074074074074e-8;  // day
constexpr double kWindowWidening = 2.3148148148148148e-8;  // 2 ms, day
constexpr uint8_t kAllBands = 0x3F;                        // bands 1 to 6

uint8_t band_bit(VYR_OBSTYPE type) {
    const VYR_FREQUENCY_BAND band = Vyr_ObsTypeToFrequencyBand(type);
    return band >= VYR_BAND_L1 && band <= VYR_BAND_E6 ? uint8_t(1u << (band - 1)) : 0;
}

std::vector<VYR_INTERVAL> widened_sorted(const std::vector<VYR_INTERVAL>& windows) {
    std::vector<VYR_INTERVAL> result;
    result.reserve(windows.size());
    for (const VYR_INTERVAL& w : windows)
        result.push_back({w.start - kWindowWidening, w.end + kWindowWidening});
    std::stable_sort(
        result.begin(), result.end(),
        [](const VYR_INTERVAL& a, const VYR_INTERVAL& b) { return a.start < b.start; });
    return result;
}

// Forward-only test of one window list: windows that ended before t are passed for good; a
// window whose end is not after its start excludes only its start.
bool in_windows(const std::vector<VYR_INTERVAL>& windows, size_t& cursor, double t) {
    while (cursor < windows.size() && std::max(windows[cursor].start, windows[cursor].end) < t)
        ++cursor;
    if (cursor >= windows.size()) return false;
    const VYR_INTERVAL& w = windows[cursor];
    return w.end > w.start ? (w.start <= t && t <= w.end) : t == w.start;
}

}  // namespace

bool CFilterObservations::SetTimeSpan(double start, double end) {
    if (!Configurable()) return false;
    if (start > 0.0 && end >= start) {
        m_spanActive = true;
        m_start = start;
        m_end = end;
    }
    return true;
}

bool CFilterObservations::SetSamplingInterval(int32_t milliseconds) {
    if (!Configurable()) return false;
    ChangeSamplingInterval(milliseconds);
    return true;
}

void CFilterObservations::ChangeSamplingInterval(int32_t milliseconds) {
    m_samplingActive = milliseconds > 0;
    m_interval = m_samplingActive ? milliseconds / mjd::kMillisecondsPerDay : 0.0;
}

bool CFilterObservations::SetExcludedSatellites(const std::set<VYR_SATID>& satellites) {
    if (!Configurable()) return false;
    m_excluded = satellites;
    m_excludedActive = !satellites.empty();
    return true;
}

bool CFilterObservations::SetSystemExcluded(VYR_SATELLITE_SYSTEM system, bool excluded) {
    if (!Configurable()) return false;
    switch (system) {
        case VYR_SATSYS_GLONASS:
            m_excludeGlonass = excluded;
            return true;
        case VYR_SATSYS_GPS:
            m_excludeGps = excluded;
            return true;
        case VYR_SATSYS_GALILEO:
            m_excludeGalileo = excluded;
            return true;
        case VYR_SATSYS_SBAS:
            m_excludeSbas = excluded;
            return true;
        default:
            return false;
    }
}

bool CFilterObservations::SetWindows(const VYR_WINDOWS& windows) {
    if (!Configurable()) return false;
    m_windows = new (std::nothrow) VYR_WINDOWS(widened_sorted(windows));
    return m_windows.IsValid();
}

bool CFilterObservations::SetSatelliteWindows(const VYR_SV_WINDOWS& windows) {
    if (!Configurable()) return false;
    m_svWindows = new (std::nothrow) VYR_SV_WINDOWS();
    if (!m_svWindows.IsValid()) return false;
    for (int n = 1; n <= vyr::kCompactSatelliteMax; ++n)
        (*m_svWindows)[size_t(n)] = widened_sorted(windows[size_t(n)]);
    return true;
}

bool CFilterObservations::SetMarkLossOfLock(bool mark) {
    if (!Configurable()) return false;
    m_markLossOfLock = mark;
    return true;
}

bool CFilterObservations::SetClockJumpCorrection(VYR_SATELLITE_SYSTEM system, bool enabled) {
    if (!Configurable()) return false;
    m_preprocessor.SetEnabled(system, enabled);
    if (enabled && system != VYR_SATSYS_SBAS) m_clockJump = true;
    return true;
}

void CFilterObservations::Reset() {
    m_windowCursor = 0;
    m_svCursors.fill(0);
    m_bandMasks.fill(0);
    m_state = kRunning;
}

bool CFilterObservations::RemoveExcluded(VYR_OBSERVATIONEPOCH& epoch) const {
    auto& sats = epoch.satellites;
    auto remove_if = [&sats](auto predicate) {
        sats.erase(std::remove_if(sats.begin(), sats.end(), predicate), sats.end());
        return !sats.empty();
    };
    if (m_excludedActive && !remove_if([this](const VYR_OBSERVATIONEPOCH_SV& sv) {
            return m_excluded.count(sv.satId);
        }))
        return false;
    const std::pair<VYR_SATELLITE_SYSTEM, bool> systems[] = {{VYR_SATSYS_GLONASS, m_excludeGlonass},
                                                             {VYR_SATSYS_GPS, m_excludeGps},
                                                             {VYR_SATSYS_GALILEO, m_excludeGalileo},
                                                             {VYR_SATSYS_SBAS, m_excludeSbas}};
    for (const auto& [system, excluded] : systems) {
        if (!excluded) continue;
        const VYR_SATELLITE_SYSTEM left_out = system;  // clang 14 captures no structured binding
        if (!remove_if([left_out](const VYR_OBSERVATIONEPOCH_SV& sv) {
                return sv.satId.system == left_out;
            }))
            return false;
    }
    return !sats.empty();
}

bool CFilterObservations::InSampling(double fraction) const {
    if (!m_samplingActive) return true;
    const double r = std::fmod(fraction, m_interval);
    return r <= kOneMillisecond || r >= m_interval - kOneMillisecond;
}

bool CFilterObservations::InStationWindow(double t) {
    return m_windows.IsValid() && in_windows(*m_windows, m_windowCursor, t);
}

bool CFilterObservations::RemoveSatellitesInWindows(VYR_OBSERVATIONEPOCH& epoch, double t) {
    if (!m_svWindows.IsValid()) return true;
    auto& sats = epoch.satellites;
    auto kept = sats.begin();
    for (auto it = sats.begin(); it != sats.end(); ++it) {
        const VYR_SATELLITE_SYSTEM system = it->satId.system;
        const uint8_t n = (system == VYR_SATSYS_GPS || system == VYR_SATSYS_GLONASS)
                              ? vyr::compact_satellite_number(it->satId)
                              : 0;
        if (n != 0 && in_windows((*m_svWindows)[n], m_svCursors[n], t)) {
            // The satellite is back after its window only with a loss of lock.
            if (m_markLossOfLock) m_bandMasks[n] = kAllBands;
            continue;
        }
        if (kept != it) *kept = std::move(*it);
        ++kept;
    }
    sats.erase(kept, sats.end());
    return !sats.empty();
}

void CFilterObservations::MarkLossOfLock(VYR_OBSERVATIONEPOCH& epoch) {
    for (VYR_OBSERVATIONEPOCH_SV& sv : epoch.satellites) {
        const uint8_t n = vyr::compact_satellite_number(sv.satId);
        if (n == 0 || m_bandMasks[n] == 0) continue;
        for (Signal& signal : sv.observations) {
            const uint8_t bit = band_bit(signal.obsType);
            if ((m_bandMasks[n] & bit) == 0) continue;
            m_bandMasks[n] &= uint8_t(~bit);
            signal.flags |= Signal::kLossOfLock;
        }
    }
}

void CFilterObservations::NoteRefused(const VYR_OBSERVATIONEPOCH& epoch) {
    std::array<uint8_t, vyr::kSatelliteTableSize> clean{};
    for (const VYR_OBSERVATIONEPOCH_SV& sv : epoch.satellites) {
        const uint8_t n = vyr::compact_satellite_number(sv.satId);
        if (n == 0) continue;
        for (const Signal& signal : sv.observations)
            if ((signal.flags & Signal::kPhaseValid) && !(signal.flags & Signal::kLossOfLock))
                clean[n] |= band_bit(signal.obsType);
    }
    for (size_t n = 0; n < clean.size(); ++n) m_bandMasks[n] |= uint8_t(kAllBands & ~clean[n]);
}

bool CFilterObservations::Apply(VYR_OBSERVATIONEPOCH& epoch, bool align) {
    if (m_state == kConfigurable) return false;
    m_state = kInUse;
    if (!RemoveExcluded(epoch)) return false;
    if (m_clockJump) m_preprocessor.CorrectClockJumps(epoch);
    if (align) vyr_stations::align_time_tag(epoch, m_gridMs, m_preprocessor.Frequencies());
    const double t = static_cast<double>(epoch.mjd) + epoch.fraction;
    if (m_spanActive) {
        if (t < m_start) return false;
        if (t > m_end) {
            m_state = kPastEnd;
            return false;
        }
    }
    if (!InSampling(epoch.fraction) || InStationWindow(t) || !RemoveSatellitesInWindows(epoch, t)) {
        if (m_markLossOfLock) NoteRefused(epoch);
        return false;
    }
    if (m_markLossOfLock) MarkLossOfLock(epoch);
    return true;
}
