#include "records/processing_error_interval_merger.h"

bool CProcessingErrorIntervalMerger::Merge(VYR_PROCESSING_ERROR_INTERVAL& interval,
                                           double previousEpoch) {
    m_cursor = m_open.end();
    const MergeKey key{static_cast<int32_t>(interval.code),
                       static_cast<int32_t>(interval.payload.Type()), interval.payload.KeyValue()};
    auto [it, opened] = m_open.emplace(key, interval);
    if (opened) return false;
    VYR_PROCESSING_ERROR_INTERVAL& open = it->second;
    // Exact equality: the caller hands back the very epoch time it reported before.
    if (previousEpoch == open.end) {
        open.end = interval.start;
        return false;
    }
    // The run is broken: the open interval starts again at this report and keeps its payload,
    // the caller stores the finished run with the payload of this report.
    const double finishedStart = open.start, finishedEnd = open.end;
    open.start = interval.start;
    open.end = interval.end;
    interval.start = finishedStart;
    interval.end = finishedEnd;
    return true;
}

bool CProcessingErrorIntervalMerger::FirstOpen(VYR_PROCESSING_ERROR_INTERVAL& interval) {
    m_cursor = m_open.begin();
    return NextOpen(interval);
}

bool CProcessingErrorIntervalMerger::NextOpen(VYR_PROCESSING_ERROR_INTERVAL& interval) {
    if (m_cursor == m_open.end()) return false;
    interval = m_cursor->second;
    ++m_cursor;
    return true;
}

void CProcessingErrorIntervalMerger::ClearOpen() {
    m_open.clear();
    m_cursor = m_open.end();
}
