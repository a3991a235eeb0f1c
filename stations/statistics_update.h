// Keeping a station's observation statistics up to date while epochs are written: the satellite
// statistics, the per-system statistics derived from them and the daily availability.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include <vyr/observation_epoch.h>
#include <vyr/smart_ptr.h>
#include <vyr/statistics.h>

#include "stations/statistics_avail_collection.h"
#include "storage/stg.h"

namespace vyr_stations {

// An epoch time rounded to the nearest 10 ms, carrying into the next day.
struct RoundedEpochTime {
    uint32_t mjd = 0;
    double fraction = 0.0;
    int halfHour = 0;  // 0 to 47
};
RoundedEpochTime round_epoch_time(uint32_t mjd, double fraction);

// The signal slot (0 to 4) of an observation type in the statistics of a system.
int statistics_signal_slot(VYR_SATELLITE_SYSTEM system, VYR_OBSTYPE type);

// Station-wide values the per-system records receive.
struct StatisticsSummary {
    uint32_t stationEpochs = 0;
    uint32_t epochsWithInterval = 0;  // epochs whose interval was taken into the smallest one
    double smallestInterval = 1.0;    // day fraction
    bool sourceTagWritten = false;
    std::array<bool, 5> clockJumpCorrected{};  // by system value 0 to 4
};

// The per-system records of a station's satellite statistics; also sets the station's epoch
// count in every satellite record.
vyr::ObservationStatistics summarise_statistics(VYR_OBSERVATION_SVSTAT& satellites,
                                                const StatisticsSummary& summary);

class ObservationStatisticsWriter {
public:
    ObservationStatisticsWriter(const CVyrPtrSmart<CStg>& stationStorage, uint32_t version);

    bool IsLoaded() const { return m_satellites != nullptr; }
    // Reads the stored satellite statistics (missing: zeros) and opens the availability. Without
    // epochs stored in "Observations" both start empty, whatever was left of them.
    VYR_ERROR Load(bool epochsStored);

    // Counts the epoch; clears valid bits of zero values; an epoch with a zero code is refused
    // (status 0, false) and the satellite statistics are left as they were.
    bool Update(VYR_OBSERVATIONEPOCH& epoch);
    // Takes the satellite counts of the last Update back (its epoch could not be stored).
    void Rollback();
    // After the epoch of the last Update was stored: counts it and notes the interval to the
    // previous one, its time and its sourceTag.
    void NoteWritten(const VYR_OBSERVATIONEPOCH& epoch);
    // The sourceTag flag tells about the last write operation only.
    void BeginWriteOperation();
    void SetClockJumpCorrected(VYR_SATELLITE_SYSTEM system, bool corrected);

    // Writes "ObservationStatistics", "ObservationSatelliteStatistics" and the availability.
    VYR_ERROR Write();

private:
    CVyrPtrSmart<CStg> m_storage;
    uint32_t m_version;
    std::unique_ptr<VYR_OBSERVATION_SVSTAT> m_satellites;
    // Satellite records as they were before the last Update.
    std::vector<std::pair<uint8_t, VYR_OBSERVATION_STAT>> m_touched;
    // The availability of the day of the last epoch, so that it is looked up once per day.
    VYR_SVAVAIL_STAT m_day{};
    bool m_dayValid = false;
    std::unique_ptr<CVyrCollectionSvAvailStat> m_availability;
    StatisticsSummary m_summary;
    uint32_t m_lastMjd = 0;
    double m_lastFraction = 0.0;
    bool m_hasLast = false;
};

}  // namespace vyr_stations
