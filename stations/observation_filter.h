// CFilterObservations: decides for one epoch after the other whether the iterator delivers it,
// and what of it: time span, sampling, excluded systems and satellites, exclusion windows (one
// forward-only cursor each), loss-of-lock marking after excluded spans, clock-jump repair and
// time-tag alignment.
#pragma once

#include <array>
#include <cstdint>
#include <set>

#include <vyr/observation_epoch.h>
#include <vyr/smart_ptr.h>
#include <vyr/statistics.h>

#include "stations/observation_preprocessor.h"

class CFilterObservations {
public:
    enum State : int32_t { kConfigurable = 0, kRunning = 1, kInUse = 2, kPastEnd = 3 };

    CFilterObservations() = default;
    virtual ~CFilterObservations() = default;

    // Setters work only while configurable and return false otherwise.
    bool SetTimeSpan(double start, double end);
    bool SetSamplingInterval(int32_t milliseconds);
    bool SetExcludedSatellites(const std::set<VYR_SATID>& satellites);
    bool SetSystemExcluded(VYR_SATELLITE_SYSTEM system, bool excluded);
    // Windows are widened by 2 ms on both sides and sorted by start.
    bool SetWindows(const VYR_WINDOWS& windows);
    bool SetSatelliteWindows(const VYR_SV_WINDOWS& windows);
    bool SetMarkLossOfLock(bool mark);
    bool SetClockJumpCorrection(VYR_SATELLITE_SYSTEM system, bool enabled);
    void SetAlignmentGrid(uint32_t milliseconds) { m_gridMs = milliseconds; }
    // Sampling may change while the filter runs: it applies from the next epoch on.
    void ChangeSamplingInterval(int32_t milliseconds);

    // Back to running: cursors to the first window, masks cleared.
    void Reset();
    // True when the epoch is delivered (possibly changed).
    bool Apply(VYR_OBSERVATIONEPOCH& epoch, bool align);
    State GetState() const { return m_state; }

private:
    bool Configurable() const { return m_state == kConfigurable; }
    bool RemoveExcluded(VYR_OBSERVATIONEPOCH& epoch) const;
    bool InSampling(double fraction) const;
    bool InStationWindow(double t);
    bool RemoveSatellitesInWindows(VYR_OBSERVATIONEPOCH& epoch, double t);
    void MarkLossOfLock(VYR_OBSERVATIONEPOCH& epoch);
    void NoteRefused(const VYR_OBSERVATIONEPOCH& epoch);

    bool m_spanActive = false;
    double m_start = 0.0;
    double m_end = 0.0;
    bool m_samplingActive = false;
    double m_interval = 0.0;  // day fraction
    uint32_t m_gridMs = 1;
    bool m_excludedActive = false;
    std::set<VYR_SATID> m_excluded;
    CVyrPtrSmart<VYR_WINDOWS> m_windows;
    size_t m_windowCursor = 0;
    CVyrPtrSmart<VYR_SV_WINDOWS> m_svWindows;
    std::array<size_t, vyr::kSatelliteTableSize> m_svCursors{};
    bool m_markLossOfLock = false;
    bool m_clockJump = false;
    std::array<uint8_t, vyr::kSatelliteTableSize> m_bandMasks{};
    // GLONASS, GPS, Galileo, SBAS: SBAS is left out unless asked for.
    bool m_excludeGlonass = false;
    bool m_excludeGps = false;
    bool m_excludeGalileo = false;
    bool m_excludeSbas = true;
    State m_state = kConfigurable;
    CObservationPreprocessor m_preprocessor;
};
