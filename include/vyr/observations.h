// Observation access of a station: writing epochs (with the statistics kept up to date) and
// reading them back through a filter, with millisecond clock-jump repair and time-tag alignment.
#pragma once

#include <cstdint>
#include <set>
#include <vector>

#include "vyr/error.h"
#include "vyr/observation_epoch.h"
#include "vyr/observation_record.h"
#include "vyr/satellite.h"

#pragma pack(push, 1)
struct VYR_OBSERVATION_OPTIONS {
    uint8_t deferStatistics = 0;      // non-zero: write the statistics only when the object goes
    uint8_t clockJumpCorrection = 0;  // repair millisecond clock jumps while writing (not SBAS)
    uint8_t reserved1 = 0;            // not interpreted
    uint8_t reserved2 = 0;
    uint16_t reserved3 = 0;
};
#pragma pack(pop)
static_assert(sizeof(VYR_OBSERVATION_OPTIONS) == 6);

// Filter settings of the start operations. Kept in memory only, never stored, so it keeps
// natural alignment: a packed layout would misalign the satellite set.
struct VYR_OBSERVATION_FILTER {
    double startTime =
        0.0;  // MJD day plus fraction; a span is taken only if start > 0, end >= start
    double endTime = 0.0;
    int32_t samplingInterval = 0;  // milliseconds; 0 keeps every epoch
    uint8_t applyWindows = 0;
    uint8_t applySatelliteWindows = 0;
    uint8_t markLossOfLock = 0;
    uint8_t clockJumpGps = 0;
    uint8_t clockJumpGlonass = 0;
    uint8_t clockJumpGalileo = 0;
    uint8_t clockJumpSbas = 0;  // accepted; SBAS is never corrected
    uint32_t historySize = 0;   // below 2: no history
    uint8_t excludeGlonass = 0;
    uint8_t excludeGps = 0;
    uint8_t excludeGalileo = 0;
    uint8_t excludeSbas = 0;
    std::set<VYR_SATID> excludedSatellites;
};

// Operations in slot order. Handed out by the station, it holds the station's storage and its
// "Observations" stream until released; statistics deferred by SetOptions are written then. One
// thread at a time. Write operations return VYR_E_INVALID_INTERFACE when the stream is not open
// (or the error of setting it up), VYR_E_INVALID_OPEN_MODE in a project opened for reading;
// invalid epochs are skipped, not refused, and the statistics are written after each call
// unless deferred. Read
// operations return VYR_E_INVALID_INTERFACE before a start operation; moving past the last epoch
// gives VYR_E_ITERATOR_AT_END, a damaged epoch VYR_E_ITERATOR_READ_FAILED.
class IVyrObservations {
public:
    // Sets how later writes behave; VYR_E_INVALID_STATUS once a write has loaded the statistics.
    virtual VYR_ERROR SetOptions(const VYR_OBSERVATION_OPTIONS& options) = 0;
    // Writes the packed VYR_OBSERVATION records of a buffer; taken counts them. A record cut
    // short at the end stops the walk (VYR_E_INVALID_PARAMETER when it is the first, as for a
    // null buffer or one no longer than a record header).
    virtual VYR_ERROR AddObservationBuffer(const uint8_t* buffer, uint32_t size,
                                           uint32_t& taken) = 0;
    // Writes the epochs in order; stops at the first write that fails.
    virtual VYR_ERROR AddEpochs(const std::vector<VYR_OBSERVATIONEPOCH>& epochs) = 0;
    // Converts and writes the records in order; records whose satellite count is out of range
    // are skipped.
    virtual VYR_ERROR AddObservations(const std::vector<VYR_OBSERVATION>& records) = 0;
    // Writes one epoch.
    virtual VYR_ERROR AddEpoch(const VYR_OBSERVATIONEPOCH& epoch) = 0;
    // Converts and writes one record; VYR_E_INVALID_PARAMETER for a satellite count outside
    // the record's range.
    virtual VYR_ERROR AddObservation(const VYR_OBSERVATION& record) = 0;
    // Decodes the epochs of a buffer and writes them; written counts those stored. A decoding
    // failure stops the walk and is returned.
    virtual VYR_ERROR AddEncodedEpochs(const uint8_t* buffer, uint32_t size, uint32_t& written) = 0;
    // Starts an iteration and reads up to count epochs; the vector holds only what was read.
    // filter may be null (no filter settings); dataRate in milliseconds sets the alignment grid.
    virtual VYR_ERROR StartAndGetEpochs(uint32_t count, std::vector<VYR_OBSERVATIONEPOCH>& epochs,
                                        const VYR_OBSERVATION_FILTER* filter, bool align,
                                        uint32_t dataRate) = 0;
    // Starts an iteration and moves count - 1 epochs on; read counts the epochs passed.
    // VYR_E_INVALID_PARAMETER when count exceeds a history of 2 or more.
    virtual VYR_ERROR StartAndSkip(uint32_t count, uint32_t& read,
                                   const VYR_OBSERVATION_FILTER* filter, bool align) = 0;
    // Starts an iteration and reads its first epoch.
    virtual VYR_ERROR StartAndGetFirst(VYR_OBSERVATIONEPOCH& epoch,
                                       const VYR_OBSERVATION_FILTER* filter, bool align,
                                       uint32_t dataRate) = 0;
    // Starts (or restarts) an iteration at the first epoch the filter lets through.
    virtual VYR_ERROR Start(const VYR_OBSERVATION_FILTER* filter, bool align) = 0;
    // Reads up to count further epochs; the vector holds only what was read.
    // VYR_E_INVALID_PARAMETER when count exceeds a history of 2 or more.
    virtual VYR_ERROR GetNextEpochs(uint32_t count, std::vector<VYR_OBSERVATIONEPOCH>& epochs,
                                    bool align) = 0;
    // Moves count epochs on; skipped counts them. VYR_E_INVALID_PARAMETER as GetNextEpochs.
    virtual VYR_ERROR Skip(uint32_t count, uint32_t& skipped, bool align) = 0;
    // Moves one epoch on and reads it.
    virtual VYR_ERROR GetNext(VYR_OBSERVATIONEPOCH& epoch, bool align) = 0;
    // Moves one epoch on.
    virtual VYR_ERROR MoveNext(bool align) = 0;
    // Reads the current epoch; VYR_E_ITERATOR_INVALID_STATUS when there is none.
    virtual VYR_ERROR GetCurrent(VYR_OBSERVATIONEPOCH& epoch) = 0;
    // An epoch kept in the history: offset 0 = current, -1 = the epoch before, ...
    // VYR_E_ITERATOR_INVALID_STATUS before a start, VYR_E_MEMORY_OVERFLOW beyond what is kept.
    virtual VYR_ERROR GetHistoryEpoch(int32_t offset, VYR_OBSERVATIONEPOCH& epoch) = 0;
    // The history size of the filter the iteration started with.
    virtual VYR_ERROR GetHistorySize(uint32_t& size) = 0;
    // Epochs the history holds now.
    virtual VYR_ERROR GetHistoryCount(uint32_t& count) = 0;
    // Changes the sampling interval of the running iteration.
    virtual VYR_ERROR SetSamplingInterval(int32_t milliseconds) = 0;
    // Drops the object; the smart pointer holding it calls this.
    virtual void Release() = 0;

protected:
    virtual ~IVyrObservations() = default;  // the object goes through Release
};
