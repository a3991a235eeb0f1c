// CVyrObservations: the observation access object a station hands out (GetObservations). It
// writes epochs into the station's "Observations" stream with the statistics kept up to date,
// and reads them back through a filtered iterator.
#pragma once

#include <cstdint>
#include <vector>

#include <vyr/observations.h>
#include <vyr/smart_ptr.h>
#include <vyr/statistics.h>

#include "stations/observation_iterator.h"
#include "stations/observation_preprocessor.h"
#include "stations/statistics_update.h"
#include "storage/stg.h"
#include "storage/stm.h"

class CVyrObservations : public IVyrObservations {
public:
    // Opens (or creates) "Observations" in the station storage. The station checks SetupResult()
    // right after construction: 0 or 0x80009003 (the stream could not be created).
    CVyrObservations(const CVyrPtrSmart<CStg>& stationStorage, uint32_t version);
    CVyrObservations(const CVyrObservations&) = delete;
    CVyrObservations& operator=(const CVyrObservations&) = delete;

    VYR_ERROR SetupResult() const { return m_setupResult; }

    VYR_ERROR SetOptions(const VYR_OBSERVATION_OPTIONS& options) override;
    VYR_ERROR AddObservationBuffer(const uint8_t* buffer, uint32_t size, uint32_t& taken) override;
    VYR_ERROR AddEpochs(const std::vector<VYR_OBSERVATIONEPOCH>& epochs) override;
    VYR_ERROR AddObservations(const std::vector<VYR_OBSERVATION>& records) override;
    VYR_ERROR AddEpoch(const VYR_OBSERVATIONEPOCH& epoch) override;
    VYR_ERROR AddObservation(const VYR_OBSERVATION& record) override;
    VYR_ERROR AddEncodedEpochs(const uint8_t* buffer, uint32_t size, uint32_t& written) override;
    VYR_ERROR StartAndGetEpochs(uint32_t count, std::vector<VYR_OBSERVATIONEPOCH>& epochs,
                                const VYR_OBSERVATION_FILTER* filter, bool align,
                                uint32_t dataRate) override;
    VYR_ERROR StartAndSkip(uint32_t count, uint32_t& read, const VYR_OBSERVATION_FILTER* filter,
                           bool align) override;
    VYR_ERROR StartAndGetFirst(VYR_OBSERVATIONEPOCH& epoch, const VYR_OBSERVATION_FILTER* filter,
                               bool align, uint32_t dataRate) override;
    VYR_ERROR Start(const VYR_OBSERVATION_FILTER* filter, bool align) override;
    VYR_ERROR GetNextEpochs(uint32_t count, std::vector<VYR_OBSERVATIONEPOCH>& epochs,
                            bool align) override;
    VYR_ERROR Skip(uint32_t count, uint32_t& skipped, bool align) override;
    VYR_ERROR GetNext(VYR_OBSERVATIONEPOCH& epoch, bool align) override;
    VYR_ERROR MoveNext(bool align) override;
    VYR_ERROR GetCurrent(VYR_OBSERVATIONEPOCH& epoch) override;
    VYR_ERROR GetHistoryEpoch(int32_t offset, VYR_OBSERVATIONEPOCH& epoch) override;
    VYR_ERROR GetHistorySize(uint32_t& size) override;
    VYR_ERROR GetHistoryCount(uint32_t& count) override;
    VYR_ERROR SetSamplingInterval(int32_t milliseconds) override;
    void Release() override;

    // Writes deferred statistics, then closes the stream.
    ~CVyrObservations() override;

private:
    // Checks the stream and goes to its end: the start of every write operation.
    VYR_ERROR BeginWrite();
    // One epoch: validity, statistics, clock-jump repair, append. written tells whether it was
    // stored (invalid and refused epochs are skipped without error).
    VYR_ERROR WriteOne(const VYR_OBSERVATIONEPOCH& epoch, bool& written);
    VYR_ERROR WriteOneRecord(const VYR_OBSERVATION& record);
    // The end of every write operation: the statistics entries unless deferred.
    VYR_ERROR FinishWrite(VYR_ERROR result);
    VYR_ERROR StartIterator(const VYR_OBSERVATION_FILTER* filter, bool align, uint32_t dataRate);
    VYR_ERROR ConfigureFilter(CItrObservations& iterator, const VYR_OBSERVATION_FILTER& settings);
    // Fills epochs from index from on; the vector ends with the last epoch read.
    VYR_ERROR ReadInto(std::vector<VYR_OBSERVATIONEPOCH>& epochs, size_t from, bool align);
    // Up to count MoveNext; more than one only within the history size.
    VYR_ERROR MoveSeveral(uint32_t count, uint32_t& moved, bool align);

    CVyrPtrSmart<CStg> m_storage;
    CVyrPtrSmart<CStm> m_stream;
    VYR_ERROR m_setupResult = VYR_OK;
    VYR_OBSERVATION_OPTIONS m_options{};
    vyr_stations::ObservationStatisticsWriter m_statistics;
    CVyrPtrSmart<CItrObservations> m_iterator;
    CObservationPreprocessor m_writePreprocessor;
    // Scratch epochs reused across writes, so that their vectors keep their capacity.
    VYR_OBSERVATIONEPOCH m_work;
    VYR_OBSERVATIONEPOCH m_decoded;
    uint32_t m_version;
};
