#include "stations/statistics_update.h"

#include <cmath>
#include <new>
#include <utility>
#include <vector>

#include <vyr/mjd_time.h>

#include "records/record_io.h"
#include "stations/data_rate.h"
#include "stations/statistics_format.h"
#include "storage/factories.h"
#include "storage/layout.h"

namespace vyr_stations {

namespace {

// Intervals this short (about 0.05 s) are not a data rate but a repeated or split epoch.
constexpr double kSmallestCountedInterval = 5.77e-7;

using Signal = VYR_OBSERVATIONEPOCH_SIGNAL;

bool earlier(uint32_t mjdA, double fractionA, uint32_t mjdB, double fractionB) {
    return mjdA != mjdB ? mjdA < mjdB : fractionA < fractionB;
}

double days_between(uint32_t mjdA, double fractionA, uint32_t mjdB, double fractionB) {
    return (static_cast<double>(mjdB) - static_cast<double>(mjdA)) + (fractionB - fractionA);
}

// Field by field: the packed counters cannot be bound to references.
void add_counts(VYR_OBSERVATION_STAT& sum, const VYR_OBSERVATION_STAT& sat) {
    for (int s = 0; s < vyr::kStatisticsSignalSlots; ++s) {
        sum.phaseCount[s] += sat.phaseCount[s];
        sum.codeCount[s] += sat.codeCount[s];
        sum.dopplerCount[s] += sat.dopplerCount[s];
        sum.lossOfLockCount[s] += sat.lossOfLockCount[s];
        if (sat.obsType[s] != VYR_OBS_NONE) sum.obsType[s] = sat.obsType[s];
    }
}

// A stream of the station storage, opened for reading; false when it is missing.
bool open_for_reading(const CVyrPtrSmart<CStg>& storage, uint32_t id, CStm& stream) {
    return CFactoryStream(storage.Get()).Open(id, stream);
}

bool stream_is_empty(CStm& stream) {
    STATSTG status{};
    return stream.Stat(status, STATFLAG_NONAME) && status.cbSize == 0;
}

template <class T>
VYR_ERROR write_entry(const CVyrPtrSmart<CStg>& storage, uint32_t id, const T& record) {
    CStm stream;
    if (!CFactoryStream(storage.Get()).OpenOrCreate(id, vyr::kDispositionOpenAlways, stream))
        return VYR_E_CANNOT_CREATE_ENTRY;
    return WriteSingleRecord(stream, record);
}

}  // namespace

RoundedEpochTime round_epoch_time(uint32_t mjd, double fraction) {
    double ms = std::floor(fraction * mjd::kMillisecondsPerDay / 10.0 + 0.5) * 10.0;
    RoundedEpochTime rounded{mjd, 0.0, 0};
    while (ms >= mjd::kMillisecondsPerDay) {
        ms -= mjd::kMillisecondsPerDay;
        ++rounded.mjd;
    }
    rounded.fraction = ms / mjd::kMillisecondsPerDay;
    rounded.halfHour = std::min(47, static_cast<int>(std::floor(rounded.fraction * 48.0)));
    return rounded;
}

int statistics_signal_slot(VYR_SATELLITE_SYSTEM system, VYR_OBSTYPE type) {
    switch (system) {
        case VYR_SATSYS_GPS:
            return type == VYR_OBS_L1P                            ? 1
                   : (type == VYR_OBS_L2Y || type == VYR_OBS_L2P) ? 2
                   : type == VYR_OBS_L2C                          ? 3
                   : type == VYR_OBS_L5                           ? 4
                                                                  : 0;
        case VYR_SATSYS_GLONASS:
            return type == VYR_OBS_L1P                            ? 1
                   : (type == VYR_OBS_L2Y || type == VYR_OBS_L2P) ? 2
                   : type == VYR_OBS_L2C                          ? 3
                                                                  : 0;
        case VYR_SATSYS_GALILEO:
            return type == VYR_OBS_E5A ? 1 : type == VYR_OBS_E5B ? 2 : type == VYR_OBS_E5AB ? 3 : 0;
        case VYR_SATSYS_SBAS:
            return type == VYR_OBS_L5 ? 1 : 0;
        default:
            return 0;
    }
}

vyr::ObservationStatistics summarise_statistics(VYR_OBSERVATION_SVSTAT& satellites,
                                                const StatisticsSummary& summary) {
    const uint32_t rate = data_rate_from_interval(summary.stationEpochs, summary.smallestInterval);
    vyr::ObservationStatistics systems;
    bool any = false;
    uint32_t firstMjd = 0, lastMjd = 0;
    double firstFraction = 0.0, lastFraction = 0.0;
    for (int n = 1; n <= vyr::kCompactSatelliteMax; ++n) {
        VYR_OBSERVATION_STAT& sat = satellites.satellites[n];
        sat.stationEpochs = summary.stationEpochs;
        if (sat.firstMjd == 0) continue;
        if (!any || earlier(sat.firstMjd, sat.firstFraction, firstMjd, firstFraction)) {
            firstMjd = sat.firstMjd;
            firstFraction = sat.firstFraction;
        }
        if (!any || earlier(lastMjd, lastFraction, sat.lastMjd, sat.lastFraction)) {
            lastMjd = sat.lastMjd;
            lastFraction = sat.lastFraction;
        }
        any = true;
        const VYR_SATELLITE_SYSTEM system = vyr::satellite_from_compact_number(uint8_t(n)).system;
        VYR_OBSERVATION_STAT& sum = systems[system];
        sum.satelliteEpochs += sat.satelliteEpochs;
        add_counts(sum, sat);
    }
    for (auto& [system, sum] : systems) {
        sum.firstMjd = firstMjd;
        sum.firstFraction = firstFraction;
        sum.lastMjd = lastMjd;
        sum.lastFraction = lastFraction;
        sum.dataRate = rate;
        sum.stationEpochs = summary.stationEpochs;
        sum.system = system;
        sum.sourceTagWritten = summary.sourceTagWritten ? 1 : 0;
        sum.reserved = 0;
        sum.clockJumpCorrected =
            (system >= 0 && system < 5 && summary.clockJumpCorrected[size_t(system)]) ? 1 : 0;
    }
    return systems;
}

ObservationStatisticsWriter::ObservationStatisticsWriter(const CVyrPtrSmart<CStg>& stationStorage,
                                                         uint32_t version)
    : m_storage(stationStorage), m_version(version) {}

VYR_ERROR ObservationStatisticsWriter::Load(bool epochsStored) {
    auto satellites =
        std::unique_ptr<VYR_OBSERVATION_SVSTAT>(new (std::nothrow) VYR_OBSERVATION_SVSTAT{});
    if (!satellites) return VYR_E_MEMORY_OVERFLOW;
    // Statistics describe what "Observations" holds: with no epochs stored (a new station, or
    // one whose observations were reset) earlier statistics no longer apply.
    const bool hasEpochs = epochsStored;
    CStm stream;
    if (hasEpochs &&
        open_for_reading(m_storage, vyr_storage::kStreamObservationSatelliteStatistics, stream) &&
        !stream_is_empty(stream)) {
        const VYR_ERROR read = ReadSingleRecord(stream, m_version, *satellites);
        if (read != VYR_OK) return read;
    }
    m_availability.reset(new (std::nothrow) CVyrCollectionSvAvailStat(m_storage, m_version));
    if (!m_availability) return VYR_E_MEMORY_OVERFLOW;
    if (m_availability->OpenResult() != VYR_OK) return m_availability->OpenResult();
    if (!hasEpochs) {
        const VYR_ERROR cleared = m_availability->DeleteAll();
        if (cleared != VYR_OK) return cleared;
    }
    const VYR_ERROR loaded = m_availability->LoadCache();
    if (loaded != VYR_OK) return loaded;
    m_summary.stationEpochs = satellites->satellites[1].stationEpochs;
    m_satellites = std::move(satellites);
    return VYR_OK;
}

bool ObservationStatisticsWriter::Update(VYR_OBSERVATIONEPOCH& epoch) {
    const RoundedEpochTime time = round_epoch_time(epoch.mjd, epoch.fraction);
    if (!m_dayValid || m_day.mjd != time.mjd) {
        if (!m_availability->GetByKey(time.mjd, m_day)) {
            m_day = VYR_SVAVAIL_STAT{};
            m_day.mjd = time.mjd;
        }
        m_dayValid = true;
    }
    m_touched.clear();
    bool bad = false, availabilityChanged = false;
    for (VYR_OBSERVATIONEPOCH_SV& sv : epoch.satellites) {
        if (sv.satId.system < VYR_SATSYS_GPS || sv.satId.system > VYR_SATSYS_SBAS) continue;
        const uint8_t n = vyr::compact_satellite_number(sv.satId);
        if (n == 0) continue;
        VYR_OBSERVATION_STAT& e = m_satellites->satellites[n];
        m_touched.emplace_back(n, e);
        if (e.firstMjd == 0) {
            e.firstMjd = time.mjd;
            e.firstFraction = time.fraction;
        }
        ++e.satelliteEpochs;
        e.lastMjd = time.mjd;
        e.lastFraction = time.fraction;
        for (Signal& signal : sv.observations) {
            if ((signal.flags & Signal::kTracked) == 0) continue;
            const int s = statistics_signal_slot(sv.satId.system, signal.obsType);
            e.obsType[s] = signal.obsType;
            if (signal.flags & Signal::kCodeValid) {
                if (signal.code == 0.0) {
                    signal.flags &= uint16_t(~Signal::kCodeValid);
                    bad = true;
                } else {
                    ++e.codeCount[s];
                }
            }
            if (signal.flags & Signal::kPhaseValid) {
                if (signal.phase == 0.0) {
                    signal.flags &= uint16_t(~Signal::kPhaseValid);
                } else {
                    ++e.phaseCount[s];
                    if (signal.flags & Signal::kLossOfLock) ++e.lossOfLockCount[s];
                }
            }
            if (signal.flags & Signal::kDopplerValid) {
                if (signal.doppler == 0.0)
                    signal.flags &= uint16_t(~Signal::kDopplerValid);
                else
                    ++e.dopplerCount[s];
            }
        }
        VYR_SVAVAIL_SATELLITE& day = m_day.satellites[n];
        if (day.observed != 1 || day.halfHours[time.halfHour] != 1) {
            day.observed = 1;
            day.halfHours[time.halfHour] = 1;
            availabilityChanged = true;
        }
    }
    if (availabilityChanged) m_availability->Store(m_day);
    if (bad) {
        Rollback();
        epoch.status = 0;
        return false;
    }
    return true;
}

void ObservationStatisticsWriter::Rollback() {
    // Newest first, so a satellite listed twice gets its oldest copy back.
    for (auto it = m_touched.rbegin(); it != m_touched.rend(); ++it)
        m_satellites->satellites[it->first] = it->second;
    m_touched.clear();
}

void ObservationStatisticsWriter::NoteWritten(const VYR_OBSERVATIONEPOCH& epoch) {
    if (m_hasLast) {
        const double interval = days_between(m_lastMjd, m_lastFraction, epoch.mjd, epoch.fraction);
        if (interval > kSmallestCountedInterval && interval < m_summary.smallestInterval)
            m_summary.smallestInterval = interval;
    }
    m_hasLast = true;
    m_lastMjd = epoch.mjd;
    m_lastFraction = epoch.fraction;
    if (epoch.sourceTag != 0) m_summary.sourceTagWritten = true;
    ++m_summary.stationEpochs;
    m_touched.clear();
}

void ObservationStatisticsWriter::BeginWriteOperation() {
    m_summary.sourceTagWritten = false;
}

void ObservationStatisticsWriter::SetClockJumpCorrected(VYR_SATELLITE_SYSTEM system,
                                                        bool corrected) {
    if (system >= 0 && system < 5) m_summary.clockJumpCorrected[size_t(system)] = corrected;
}

VYR_ERROR ObservationStatisticsWriter::Write() {
    if (!m_satellites) return VYR_OK;
    const vyr::ObservationStatistics systems = summarise_statistics(*m_satellites, m_summary);
    VYR_ERROR result = write_entry(m_storage, vyr_storage::kStreamObservationStatistics, systems);
    const VYR_ERROR satellites =
        write_entry(m_storage, vyr_storage::kStreamObservationSatelliteStatistics, *m_satellites);
    if (result == VYR_OK) result = satellites;
    const VYR_ERROR availability = m_availability->Flush();
    return result != VYR_OK ? result : availability;
}

}  // namespace vyr_stations
