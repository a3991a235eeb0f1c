// CProcessingErrorIntervalMerger: turns reports repeated at consecutive epochs into intervals.
// Each kind of report (code, payload type, payload value) has at most one open interval; a
// report continues it when the interval ended at the report's preceding epoch, and otherwise
// closes it and opens a new one.
#pragma once

#include <cstdint>
#include <map>
#include <tuple>

#include <vyr/processing_errors.h>

class CProcessingErrorIntervalMerger {
public:
    // interval: start = end = the report's time. True when a finished interval was handed back
    // in the argument and must be stored.
    bool Merge(VYR_PROCESSING_ERROR_INTERVAL& interval, double previousEpoch);
    // The open intervals in key order.
    bool FirstOpen(VYR_PROCESSING_ERROR_INTERVAL& interval);
    bool NextOpen(VYR_PROCESSING_ERROR_INTERVAL& interval);
    void ClearOpen();

private:
    // Code, payload type (both signed), payload value.
    using MergeKey = std::tuple<int32_t, int32_t, uint32_t>;

    std::map<MergeKey, VYR_PROCESSING_ERROR_INTERVAL> m_open;
    std::map<MergeKey, VYR_PROCESSING_ERROR_INTERVAL>::const_iterator m_cursor = m_open.end();
};
