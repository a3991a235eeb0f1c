// Repair of millisecond receiver clock jumps in the carrier phase: a jump of the clock moves
// every code by c x 1 ms but leaves the phase alone, so the code-minus-phase difference jumps by
// a whole number of millisecond equivalents. Such jumps are taken out of the phase; any other
// jump re-aligns the phase to the code and is marked as a loss of lock.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include <vyr/frequency_manager.h>
#include <vyr/observation_epoch.h>

class CObservationPreprocessor {
public:
    // Takes the process-wide GLONASS channel map when one is set.
    CObservationPreprocessor();
    virtual ~CObservationPreprocessor() = default;
    CObservationPreprocessor(const CObservationPreprocessor&) = delete;
    CObservationPreprocessor& operator=(const CObservationPreprocessor&) = delete;

    void SetEnabled(VYR_SATELLITE_SYSTEM system, bool enabled);
    bool IsEnabled(VYR_SATELLITE_SYSTEM system) const;
    // Replaces the channel map taken at construction (GLONASS is corrected only with one).
    void SetGlonassFrequencyMap(const VYR_GLONASS_FREQUENCYMAP& map);

    void CorrectClockJumps(VYR_OBSERVATIONEPOCH& epoch);

    const CFrequencyManager& Frequencies() const { return m_frequencies; }

private:
    struct Entry {
        double previous = 0.0;    // code minus phase, cycles
        double correction = 0.0;  // accumulated, cycles
    };
    Entry* FindEntry(const VYR_SATID& sat, VYR_OBSTYPE type);

    CFrequencyManager m_frequencies;
    bool m_glonassMap = false;
    double m_threshold = 1.0;
    uint32_t m_previousMjd = 0;
    double m_previousFraction = 0.0;
    bool m_first = true;
    std::array<bool, 4> m_enabled{};     // GPS, GLONASS, Galileo, SBAS
    std::unique_ptr<Entry[]> m_gps;      // 33 satellites x 6 slots
    std::unique_ptr<Entry[]> m_glonass;  // 25 x 4
    std::unique_ptr<Entry[]> m_galileo;  // 51 x 5
};

namespace vyr_stations {

// Moves the time tag to the nearest multiple of gridMs and the code and phase with it; nothing
// changes for a shift below 10 microseconds.
void align_time_tag(VYR_OBSERVATIONEPOCH& epoch, uint32_t gridMs,
                    const CFrequencyManager& frequencies);

}  // namespace vyr_stations
