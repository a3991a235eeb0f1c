// Stored forms of exclusion windows and observation statistics. Projects of storage versions 1
// and 2 keep shorter statistics layouts (GPS only, then GPS and GLONASS); they are converted on
// reading. Every writer produces the current layout.
// Stored layout: docs/format.md, section 6.6 (older layouts: section 5).
#pragma once

#include <cstdint>

#include <vyr/statistics.h>

#include "records/record_io.h"

namespace vyr_stations {

// What the statistics update records: known systems and signal types, times of a day writers
// accept or 0 where nothing was recorded; availability only for such a day, never 0. Readers
// take anything else for damage, so the public writers refuse it (0x80008001).
bool is_plausible_stat(const VYR_OBSERVATION_STAT& stat);
bool is_plausible_svstat(const VYR_OBSERVATION_SVSTAT& statistics);
bool is_plausible_system_map(const vyr::ObservationStatistics& statistics);
bool is_plausible_availability(const VYR_SVAVAIL_STAT& availability);

// Satellite windows: 126 counted lists (satellites 1 to 126); 56 in versions 1 and 2.
inline constexpr int kSatelliteWindowLists = 126;
inline constexpr int kOlderSatelliteWindowLists = 56;

bool read_windows(CStm& stream, VYR_WINDOWS& windows);
bool write_windows(CStm& stream, const VYR_WINDOWS& windows);
bool read_sv_windows(CStm& stream, uint32_t version, VYR_SV_WINDOWS& windows);
bool write_sv_windows(CStm& stream, const VYR_SV_WINDOWS& windows);

// Version 1: 33 records of 87 bytes; version 2: 57 records of 88 bytes; 3: 127 of 143.
bool read_observation_svstat(CStm& stream, uint32_t version, VYR_OBSERVATION_SVSTAT& statistics);
// Version 1: 33 blocks of 49 bytes and the day (1621 bytes); version 2: 57 blocks (2797).
bool read_svavail_stat(CStm& stream, uint32_t version, VYR_SVAVAIL_STAT& availability);
// Version 3: the counted map; versions 1 and 2: one older record, kept under GPS.
bool read_observation_statistics(CStm& stream, uint32_t version,
                                 vyr::ObservationStatistics& statistics);
bool write_observation_statistics(CStm& stream, const vyr::ObservationStatistics& statistics);

}  // namespace vyr_stations

template <>
struct RecordFormat<VYR_WINDOWS> {
    static bool Read(CStm& stream, uint32_t, VYR_WINDOWS& windows) {
        return vyr_stations::read_windows(stream, windows);
    }
    static bool Write(CStm& stream, const VYR_WINDOWS& windows) {
        return vyr_stations::write_windows(stream, windows);
    }
};

template <>
struct RecordFormat<VYR_SV_WINDOWS> {
    static bool Read(CStm& stream, uint32_t version, VYR_SV_WINDOWS& windows) {
        return vyr_stations::read_sv_windows(stream, version, windows);
    }
    static bool Write(CStm& stream, const VYR_SV_WINDOWS& windows) {
        return vyr_stations::write_sv_windows(stream, windows);
    }
};

template <>
struct RecordFormat<VYR_OBSERVATION_SVSTAT> {
    static bool Read(CStm& stream, uint32_t version, VYR_OBSERVATION_SVSTAT& statistics) {
        return vyr_stations::read_observation_svstat(stream, version, statistics);
    }
    static bool Write(CStm& stream, const VYR_OBSERVATION_SVSTAT& statistics) {
        return stream.Write(&statistics, sizeof statistics);
    }
};

template <>
struct RecordFormat<VYR_SVAVAIL_STAT> {
    static bool Read(CStm& stream, uint32_t version, VYR_SVAVAIL_STAT& availability) {
        return vyr_stations::read_svavail_stat(stream, version, availability);
    }
    static bool Write(CStm& stream, const VYR_SVAVAIL_STAT& availability) {
        return stream.Write(&availability, sizeof availability);
    }
};

template <>
struct RecordFormat<vyr::ObservationStatistics> {
    static bool Read(CStm& stream, uint32_t version, vyr::ObservationStatistics& statistics) {
        return vyr_stations::read_observation_statistics(stream, version, statistics);
    }
    static bool Write(CStm& stream, const vyr::ObservationStatistics& statistics) {
        return vyr_stations::write_observation_statistics(stream, statistics);
    }
};

// The named readers and writers of these records.
struct CRecordReadWindows : CRecordReadSingle<VYR_WINDOWS> {
    using CRecordReadSingle<VYR_WINDOWS>::CRecordReadSingle;
};
struct CRecordWriteWindows : CRecordWriteSingle<VYR_WINDOWS> {
    using CRecordWriteSingle<VYR_WINDOWS>::CRecordWriteSingle;
};
struct CRecordReadSvWindows : CRecordReadSingle<VYR_SV_WINDOWS> {
    using CRecordReadSingle<VYR_SV_WINDOWS>::CRecordReadSingle;
};
struct CRecordWriteSvWindows : CRecordWriteSingle<VYR_SV_WINDOWS> {
    using CRecordWriteSingle<VYR_SV_WINDOWS>::CRecordWriteSingle;
};
struct CRecordReadObservationSvStat : CRecordReadSingle<VYR_OBSERVATION_SVSTAT> {
    using CRecordReadSingle<VYR_OBSERVATION_SVSTAT>::CRecordReadSingle;
};
struct CRecordReadObservationStat : CRecordReadSingle<vyr::ObservationStatistics> {
    using CRecordReadSingle<vyr::ObservationStatistics>::CRecordReadSingle;
};
struct CRecordReadSvAvailStat : CRecordReadMulti<VYR_SVAVAIL_STAT> {
    using CRecordReadMulti<VYR_SVAVAIL_STAT>::CRecordReadMulti;
};
