#include "stations/observation_iterator.h"

#include "records/record_io.h"
#include "stations/observation_epoch_format.h"

CItrObservations::CItrObservations(const CVyrPtrSmart<CStm>& stream, uint32_t version)
    : m_stream(stream), m_version(version) {}

bool CItrObservations::SetHistorySize(uint32_t size) {
    if (m_state != kNotStarted || size < 2 || !m_history.SetSize(size)) return false;
    m_historySize = size;
    return true;
}

bool CItrObservations::ReadRecord() {
    m_hasCurrent = false;
    uint64_t before = 0;
    const bool positioned = m_stream->GetPosition(before);
    if (vyr_stations::read_observation_epoch(*m_stream, m_version, m_current)) {
        ++m_recordsRead;
        return true;
    }
    // A read that fails before the stream's end met damage, not the end.
    STATSTG status{};
    m_damaged = !positioned || !m_stream->Stat(status, STATFLAG_NONAME) || before < status.cbSize;
    m_state = kEnded;
    return false;
}

VYR_ERROR CItrObservations::FilterLoop(bool align) {
    for (;;) {
        if (m_recordsRead < 2) m_filter.Reset();
        if (m_filter.Apply(m_current, align)) {
            m_hasCurrent = true;
            if (m_historySize >= 2) m_history.Push(m_current);
            return VYR_OK;
        }
        // Epochs are stored in time order: past the end of the span nothing more is accepted.
        if (m_filter.GetState() == CFilterObservations::kPastEnd) {
            m_state = kEnded;
            return FailureCode();
        }
        if (!ReadRecord()) return FailureCode();
    }
}

VYR_ERROR CItrObservations::Start(bool align, uint32_t dataRate) {
    if (!m_stream.IsValid()) return VYR_E_INVALID_INTERFACE;
    if (!vyr_records::is_readable(*m_stream)) return VYR_E_INVALID_OPEN_MODE;
    if (!m_stream->SeekToBegin()) return VYR_E_ITERATOR_READ_FAILED;
    m_state = kRunning;
    m_recordsRead = 0;
    m_damaged = false;
    m_filter.SetAlignmentGrid(dataRate == 0 ? 1 : dataRate >= 1000 ? 200 : dataRate / 5);
    if (!ReadRecord()) return FailureCode();
    return FilterLoop(align);
}

VYR_ERROR CItrObservations::MoveNext(bool align) {
    if (m_state != kRunning) return FailureCode();
    if (!ReadRecord()) return FailureCode();
    return FilterLoop(align);
}

VYR_ERROR CItrObservations::GetCurrent(VYR_OBSERVATIONEPOCH& epoch) const {
    if (!m_hasCurrent) return VYR_E_ITERATOR_INVALID_STATUS;
    epoch = m_current;
    return VYR_OK;
}

VYR_ERROR CItrObservations::GetHistoryEpoch(int32_t offset, VYR_OBSERVATIONEPOCH& epoch) const {
    if (m_state == kNotStarted) return VYR_E_ITERATOR_INVALID_STATUS;
    if (m_historySize < 2) {
        if (offset != 0 || !m_hasCurrent) return VYR_E_MEMORY_OVERFLOW;
        epoch = m_current;
        return VYR_OK;
    }
    return m_history.Get(offset, epoch) ? VYR_OK : VYR_E_MEMORY_OVERFLOW;
}

uint32_t CItrObservations::GetHistoryCount() const {
    if (m_historySize < 2) return m_state != kNotStarted ? 1 : 0;
    return m_history.Count();
}

VYR_ERROR CItrObservations::FailureCode() const {
    if (m_damaged) return VYR_E_ITERATOR_READ_FAILED;
    return m_state == kEnded ? VYR_E_ITERATOR_AT_END : VYR_E_ITERATOR_READ_FAILED;
}
