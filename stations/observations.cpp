#include "stations/observations.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "records/record_io.h"
#include "stations/observation_epoch_format.h"
#include "stations/observation_record_layout.h"
#include "stations/statistics_format.h"
#include "storage/factories.h"
#include "storage/layout.h"

namespace {

constexpr VYR_SATELLITE_SYSTEM kCorrectedSystems[] = {VYR_SATSYS_GPS, VYR_SATSYS_GLONASS,
                                                      VYR_SATSYS_GALILEO};

// Reads a single-record entry of the station; a missing or empty entry leaves the record empty.
template <class T>
VYR_ERROR read_optional_entry(const CVyrPtrSmart<CStg>& storage, uint32_t id, uint32_t version,
                              T& record) {
    CStm stream;
    if (!CFactoryStream(storage.Get()).Open(id, stream)) return VYR_OK;
    STATSTG status{};
    if (!stream.Stat(status, STATFLAG_NONAME)) return VYR_E_READ_ENTRY_FAILED;
    if (status.cbSize == 0) return VYR_OK;
    return ReadSingleRecord(stream, version, record);
}

}  // namespace

CVyrObservations::CVyrObservations(const CVyrPtrSmart<CStg>& stationStorage, uint32_t version)
    : m_storage(stationStorage), m_statistics(stationStorage, version), m_version(version) {
    // Repair on writing is asked for by default but acts only once SetOptions names it.
    m_options.clockJumpCorrection = 1;
    m_stream = new (std::nothrow) CStm();
    if (!m_storage.IsValid() || !m_stream.IsValid() ||
        !CFactoryStream(m_storage.Get())
             .OpenOrCreate(vyr_storage::kStreamObservations, vyr::kDispositionOpenAlways,
                           *m_stream))
        m_setupResult = VYR_E_CANNOT_CREATE_ENTRY;
}

CVyrObservations::~CVyrObservations() {
    if (m_options.deferStatistics != 0 && m_statistics.IsLoaded()) (void)m_statistics.Write();
    m_iterator.Reset();
    if (m_stream.IsValid()) m_stream->Close();
}

void CVyrObservations::Release() {
    delete this;
}

VYR_ERROR CVyrObservations::SetOptions(const VYR_OBSERVATION_OPTIONS& options) {
    if (m_statistics.IsLoaded()) return VYR_E_INVALID_STATUS;
    m_options = options;
    for (VYR_SATELLITE_SYSTEM system : kCorrectedSystems) {
        m_writePreprocessor.SetEnabled(system, options.clockJumpCorrection != 0);
        m_statistics.SetClockJumpCorrected(system, options.clockJumpCorrection != 0);
    }
    return VYR_OK;
}

VYR_ERROR CVyrObservations::BeginWrite() {
    if (!m_stream.IsValid()) return VYR_E_INVALID_INTERFACE;
    if (m_setupResult != VYR_OK) return m_setupResult;
    if (!vyr_records::is_writable(*m_stream)) return VYR_E_INVALID_OPEN_MODE;
    // Reading may have moved the position; epochs are only ever appended.
    if (!m_stream->SeekToEnd()) return VYR_E_WRITE_ENTRY_FAILED;
    m_statistics.BeginWriteOperation();
    return VYR_OK;
}

VYR_ERROR CVyrObservations::WriteOne(const VYR_OBSERVATIONEPOCH& epoch, bool& written) {
    written = false;
    if (!vyr::is_valid_observation_epoch(epoch)) return VYR_OK;
    if (!m_statistics.IsLoaded()) {
        STATSTG status{};
        if (!m_stream->Stat(status, STATFLAG_NONAME)) return VYR_E_READ_ENTRY_FAILED;
        const VYR_ERROR loaded = m_statistics.Load(status.cbSize > 0);
        if (loaded != VYR_OK) return loaded;
    }
    m_work = epoch;
    if (!m_statistics.Update(m_work)) return VYR_OK;
    if (m_options.clockJumpCorrection != 0 && m_work.status == 1)
        m_writePreprocessor.CorrectClockJumps(m_work);
    const VYR_ERROR result = vyr_stations::write_observation_epoch(*m_stream, m_work);
    if (result != VYR_OK) {
        // Statistics count only what the stream holds.
        m_statistics.Rollback();
        return result == VYR_E_INVALID_PARAMETER || result == VYR_E_BUFFER_TOO_SHORT
                   ? result
                   : VYR_E_WRITE_ENTRY_FAILED;
    }
    m_statistics.NoteWritten(m_work);
    written = true;
    return VYR_OK;
}

VYR_ERROR CVyrObservations::WriteOneRecord(const VYR_OBSERVATION& record) {
    if (!vyr_stations::is_valid_observation_header(record)) return VYR_OK;
    VYR_OBSERVATIONEPOCH epoch;
    Vyr_ConvertToObsEpoch(record, epoch);
    bool written = false;
    return WriteOne(epoch, written);
}

VYR_ERROR CVyrObservations::FinishWrite(VYR_ERROR result) {
    if (m_options.deferStatistics != 0 || !m_statistics.IsLoaded()) return result;
    const VYR_ERROR statistics = m_statistics.Write();
    return result != VYR_OK ? result : statistics;
}

VYR_ERROR CVyrObservations::AddEpoch(const VYR_OBSERVATIONEPOCH& epoch) {
    const VYR_ERROR ready = BeginWrite();
    if (ready != VYR_OK) return ready;
    bool written = false;
    return FinishWrite(WriteOne(epoch, written));
}

VYR_ERROR CVyrObservations::AddEpochs(const std::vector<VYR_OBSERVATIONEPOCH>& epochs) {
    const VYR_ERROR ready = BeginWrite();
    if (ready != VYR_OK) return ready;
    VYR_ERROR result = VYR_OK;
    bool written = false;
    for (const VYR_OBSERVATIONEPOCH& epoch : epochs)
        if ((result = WriteOne(epoch, written)) != VYR_OK) break;
    return FinishWrite(result);
}

VYR_ERROR CVyrObservations::AddObservation(const VYR_OBSERVATION& record) {
    const VYR_ERROR ready = BeginWrite();
    if (ready != VYR_OK) return ready;
    if (record.count < 1 || record.count > VYR_OBSERVATION::kMaxSatellites)
        return VYR_E_INVALID_PARAMETER;
    return FinishWrite(WriteOneRecord(record));
}

VYR_ERROR CVyrObservations::AddObservations(const std::vector<VYR_OBSERVATION>& records) {
    const VYR_ERROR ready = BeginWrite();
    if (ready != VYR_OK) return ready;
    VYR_ERROR result = VYR_OK;
    for (const VYR_OBSERVATION& record : records) {
        if (record.count < 1 || record.count > VYR_OBSERVATION::kMaxSatellites) continue;
        if ((result = WriteOneRecord(record)) != VYR_OK) break;
    }
    return FinishWrite(result);
}

VYR_ERROR CVyrObservations::AddObservationBuffer(const uint8_t* buffer, uint32_t size,
                                                 uint32_t& taken) {
    taken = 0;
    const VYR_ERROR ready = BeginWrite();
    if (ready != VYR_OK) return ready;
    if (buffer == nullptr || size <= VYR_OBSERVATION::kHeaderSize) return VYR_E_INVALID_PARAMETER;
    VYR_ERROR result = VYR_OK;
    uint64_t offset = 0;
    while (size - offset >= VYR_OBSERVATION::kHeaderSize) {
        VYR_OBSERVATION record{};
        std::memcpy(&record, buffer + offset, VYR_OBSERVATION::kHeaderSize);
        const uint64_t count = record.count > 0 ? uint64_t(record.count) : 0;
        const uint64_t satelliteBytes = count * vyr_stations::satellite_record_size(record.flags);
        const uint64_t remaining = size - offset - VYR_OBSERVATION::kHeaderSize;
        if (satelliteBytes > remaining) {
            // A record cut short by the buffer's end.
            if (taken == 0) result = VYR_E_INVALID_PARAMETER;
            break;
        }
        const bool valid = vyr_stations::is_valid_observation_header(record);
        if (valid) {
            const uint64_t copied = std::min<uint64_t>(count, VYR_OBSERVATION::kMaxSatellites) *
                                    vyr_stations::satellite_record_size(record.flags);
            std::memcpy(record.satellites, buffer + offset + VYR_OBSERVATION::kHeaderSize,
                        size_t(copied));
            if (record.count > VYR_OBSERVATION::kMaxSatellites)
                record.count = VYR_OBSERVATION::kMaxSatellites;
            // A record whose epoch is not stored does not end the buffer.
            (void)WriteOneRecord(record);
        }
        if (valid || taken > 0) ++taken;
        offset += VYR_OBSERVATION::kHeaderSize + satelliteBytes;
    }
    return FinishWrite(result);
}

VYR_ERROR CVyrObservations::AddEncodedEpochs(const uint8_t* buffer, uint32_t size,
                                             uint32_t& written) {
    written = 0;
    const VYR_ERROR ready = BeginWrite();
    if (ready != VYR_OK) return ready;
    if (buffer == nullptr && size > 0) return VYR_E_INVALID_PARAMETER;
    VYR_ERROR result = VYR_OK;
    uint32_t offset = 0;
    while (offset < size) {
        const uint32_t remaining = size - offset;
        uint32_t consumed = 0;
        result = Vyr_DeserializeObsEpoch(buffer + offset, remaining, m_decoded, consumed);
        if (result != VYR_OK) break;
        if (consumed == 0 || consumed > remaining) {
            result = VYR_E_READ_ENTRY_FAILED;
            break;
        }
        offset += consumed;
        bool stored = false;
        if ((result = WriteOne(m_decoded, stored)) != VYR_OK) break;
        if (stored) ++written;
    }
    return FinishWrite(result);
}

VYR_ERROR CVyrObservations::ConfigureFilter(CItrObservations& iterator,
                                            const VYR_OBSERVATION_FILTER& settings) {
    CFilterObservations& filter = iterator.Filter();
    filter.SetTimeSpan(settings.startTime, settings.endTime);
    filter.SetSamplingInterval(settings.samplingInterval);
    filter.SetExcludedSatellites(settings.excludedSatellites);
    filter.SetSystemExcluded(VYR_SATSYS_GLONASS, settings.excludeGlonass != 0);
    filter.SetSystemExcluded(VYR_SATSYS_GPS, settings.excludeGps != 0);
    filter.SetSystemExcluded(VYR_SATSYS_GALILEO, settings.excludeGalileo != 0);
    filter.SetSystemExcluded(VYR_SATSYS_SBAS, settings.excludeSbas != 0);
    if (settings.applyWindows != 0) {
        VYR_WINDOWS windows;
        const VYR_ERROR read =
            read_optional_entry(m_storage, vyr_storage::kStreamWindows, m_version, windows);
        if (read != VYR_OK) return read;
        if (!filter.SetWindows(windows)) return VYR_E_MEMORY_OVERFLOW;
    }
    if (settings.applySatelliteWindows != 0) {
        VYR_SV_WINDOWS windows;
        const VYR_ERROR read = read_optional_entry(m_storage, vyr_storage::kStreamSatelliteWindows,
                                                   m_version, windows);
        if (read != VYR_OK) return read;
        if (!filter.SetSatelliteWindows(windows)) return VYR_E_MEMORY_OVERFLOW;
    }
    filter.SetMarkLossOfLock(settings.markLossOfLock != 0);
    filter.SetClockJumpCorrection(VYR_SATSYS_GPS, settings.clockJumpGps != 0);
    filter.SetClockJumpCorrection(VYR_SATSYS_GLONASS, settings.clockJumpGlonass != 0);
    filter.SetClockJumpCorrection(VYR_SATSYS_GALILEO, settings.clockJumpGalileo != 0);
    filter.SetClockJumpCorrection(VYR_SATSYS_SBAS, settings.clockJumpSbas != 0);
    if (settings.historySize >= 2 && !iterator.SetHistorySize(settings.historySize))
        return VYR_E_MEMORY_OVERFLOW;
    return VYR_OK;
}

VYR_ERROR CVyrObservations::StartIterator(const VYR_OBSERVATION_FILTER* filter, bool align,
                                          uint32_t dataRate) {
    if (!m_stream.IsValid()) return VYR_E_INVALID_INTERFACE;
    if (m_setupResult != VYR_OK) return m_setupResult;
    m_iterator = new (std::nothrow) CItrObservations(m_stream, m_version);
    if (!m_iterator.IsValid()) return VYR_E_INVALID_INTERFACE;
    if (filter != nullptr) {
        const VYR_ERROR configured = ConfigureFilter(*m_iterator, *filter);
        if (configured != VYR_OK) return configured;
    }
    return m_iterator->Start(align, dataRate);
}

VYR_ERROR CVyrObservations::Start(const VYR_OBSERVATION_FILTER* filter, bool align) {
    return StartIterator(filter, align, 0);
}

VYR_ERROR CVyrObservations::StartAndGetFirst(VYR_OBSERVATIONEPOCH& epoch,
                                             const VYR_OBSERVATION_FILTER* filter, bool align,
                                             uint32_t dataRate) {
    const VYR_ERROR started = StartIterator(filter, align, dataRate);
    if (started != VYR_OK) return started;
    return m_iterator->GetCurrent(epoch);
}

VYR_ERROR CVyrObservations::ReadInto(std::vector<VYR_OBSERVATIONEPOCH>& epochs, size_t from,
                                     bool align) {
    size_t filled = from;
    VYR_ERROR result = VYR_OK;
    while (filled < epochs.size()) {
        if ((result = m_iterator->MoveNext(align)) != VYR_OK) break;
        m_iterator->GetCurrent(epochs[filled++]);
    }
    // Only what was read: no empty epochs pretend to be data.
    epochs.resize(filled);
    return result;
}

VYR_ERROR CVyrObservations::StartAndGetEpochs(uint32_t count,
                                              std::vector<VYR_OBSERVATIONEPOCH>& epochs,
                                              const VYR_OBSERVATION_FILTER* filter, bool align,
                                              uint32_t dataRate) {
    const VYR_ERROR started = StartIterator(filter, align, dataRate);
    if (started != VYR_OK || count == 0) {
        epochs.clear();
        return started;
    }
    epochs.resize(count);
    m_iterator->GetCurrent(epochs[0]);
    return ReadInto(epochs, 1, align);
}

VYR_ERROR CVyrObservations::GetNextEpochs(uint32_t count, std::vector<VYR_OBSERVATIONEPOCH>& epochs,
                                          bool align) {
    if (!m_iterator.IsValid()) return VYR_E_INVALID_INTERFACE;
    if (count == 0) {
        epochs.clear();
        return VYR_OK;
    }
    const uint32_t history = m_iterator->GetHistorySize();
    if (history >= 2 && count > history) return VYR_E_INVALID_PARAMETER;
    epochs.resize(count);
    return ReadInto(epochs, 0, align);
}

VYR_ERROR CVyrObservations::MoveSeveral(uint32_t count, uint32_t& moved, bool align) {
    if (count >= 2 && count > m_iterator->GetHistorySize()) return VYR_E_INVALID_PARAMETER;
    for (uint32_t i = 0; i < count; ++i) {
        const VYR_ERROR result = m_iterator->MoveNext(align);
        if (result != VYR_OK) return result;
        ++moved;
    }
    return VYR_OK;
}

VYR_ERROR CVyrObservations::Skip(uint32_t count, uint32_t& skipped, bool align) {
    skipped = 0;
    if (!m_iterator.IsValid()) return VYR_E_INVALID_INTERFACE;
    return MoveSeveral(count, skipped, align);
}

VYR_ERROR CVyrObservations::StartAndSkip(uint32_t count, uint32_t& read,
                                         const VYR_OBSERVATION_FILTER* filter, bool align) {
    read = 0;
    const VYR_ERROR started = StartIterator(filter, align, 0);
    if (started != VYR_OK) return started;
    read = 1;
    return count < 2 ? VYR_OK : MoveSeveral(count - 1, read, align);
}

VYR_ERROR CVyrObservations::GetNext(VYR_OBSERVATIONEPOCH& epoch, bool align) {
    if (!m_iterator.IsValid()) return VYR_E_INVALID_INTERFACE;
    const VYR_ERROR moved = m_iterator->MoveNext(align);
    if (moved != VYR_OK) return moved;
    return m_iterator->GetCurrent(epoch);
}

VYR_ERROR CVyrObservations::MoveNext(bool align) {
    if (!m_iterator.IsValid()) return VYR_E_INVALID_INTERFACE;
    return m_iterator->MoveNext(align);
}

VYR_ERROR CVyrObservations::GetCurrent(VYR_OBSERVATIONEPOCH& epoch) {
    if (!m_iterator.IsValid()) return VYR_E_INVALID_INTERFACE;
    return m_iterator->GetCurrent(epoch);
}

VYR_ERROR CVyrObservations::GetHistoryEpoch(int32_t offset, VYR_OBSERVATIONEPOCH& epoch) {
    if (!m_iterator.IsValid()) return VYR_E_INVALID_INTERFACE;
    return m_iterator->GetHistoryEpoch(offset, epoch);
}

VYR_ERROR CVyrObservations::GetHistorySize(uint32_t& size) {
    if (!m_iterator.IsValid()) return VYR_E_INVALID_INTERFACE;
    size = m_iterator->GetHistorySize();
    return VYR_OK;
}

VYR_ERROR CVyrObservations::GetHistoryCount(uint32_t& count) {
    if (!m_iterator.IsValid()) return VYR_E_INVALID_INTERFACE;
    count = m_iterator->GetHistoryCount();
    return VYR_OK;
}

VYR_ERROR CVyrObservations::SetSamplingInterval(int32_t milliseconds) {
    if (!m_iterator.IsValid()) return VYR_E_INVALID_INTERFACE;
    m_iterator->Filter().ChangeSamplingInterval(milliseconds);
    return VYR_OK;
}
