// CItrObservations: one pass over a station's "Observations" stream from its start, one epoch in
// memory (plus the history ring), every epoch through the filter.
#pragma once

#include <cstdint>

#include <vyr/error.h>
#include <vyr/observation_epoch.h>
#include <vyr/smart_ptr.h>

#include "stations/observation_filter.h"
#include "stations/stack.h"
#include "storage/stm.h"

class CItrObservations {
public:
    enum State : int32_t { kNotStarted = 0, kRunning = 1, kEnded = 2 };

    CItrObservations(const CVyrPtrSmart<CStm>& stream, uint32_t version);
    virtual ~CItrObservations() = default;

    CFilterObservations& Filter() { return m_filter; }
    // Sizes of 2 and more keep a history; allowed only before the start.
    bool SetHistorySize(uint32_t size);

    // Rewinds, reads and filters up to the first accepted epoch. dataRate (ms) sets the grid.
    VYR_ERROR Start(bool align, uint32_t dataRate);
    VYR_ERROR MoveNext(bool align);
    VYR_ERROR GetCurrent(VYR_OBSERVATIONEPOCH& epoch) const;
    VYR_ERROR GetHistoryEpoch(int32_t offset, VYR_OBSERVATIONEPOCH& epoch) const;
    uint32_t GetHistorySize() const { return m_historySize; }
    uint32_t GetHistoryCount() const;
    State GetState() const { return m_state; }

    // The error of an iterator operation that failed: at the end, or a read failure.
    VYR_ERROR FailureCode() const;

private:
    bool ReadRecord();
    VYR_ERROR FilterLoop(bool align);

    CVyrPtrSmart<CStm> m_stream;
    VYR_OBSERVATIONEPOCH m_current;
    bool m_hasCurrent = false;
    bool m_damaged = false;  // the stream held bytes that are no epoch
    CStack<VYR_OBSERVATIONEPOCH> m_history;
    CFilterObservations m_filter;
    uint32_t m_recordsRead = 0;
    uint32_t m_historySize = 1;
    State m_state = kNotStarted;
    uint32_t m_version;
};
