// The GLONASS offset correction of CVyrCollectionResidual.
#include <algorithm>

#include "records/result_collections.h"

CVyrCollectionResidual::CVyrCollectionResidual(const CVyrPtrSmart<CStg>& resultStorage,
                                               uint32_t version, VYR_RESIDUAL_TYPE type)
    : CVyrCollectionReadOnly(resultStorage, version, type) {
    m_slotOffset.fill(-1);
    if (OpenResult() == VYR_OK) LoadOffsets(resultStorage, version);
}

// The offsets stream is opened only for this read and closed again.
void CVyrCollectionResidual::LoadOffsets(const CVyrPtrSmart<CStg>& resultStorage,
                                         uint32_t version) {
    VYR_RESIDUAL_OFFSET_TYPE offsetType{};
    if (!VyrConvertToOffsetType(Type(), offsetType)) return;
    CVyrCollectionResidualOffsetSvEx offsets(resultStorage, version, offsetType);
    if (offsets.GetAll(m_offsets) != VYR_OK || m_offsets.empty()) {
        m_offsets.clear();
        return;
    }
    for (size_t i = 0; i < m_offsets.size(); ++i) {
        const VYR_RESIDUAL_OFFSET_SV& record = m_offsets[i];
        // The first stored record of a slot wins; later ones for the same slot are ignored.
        if (record.slot > kMaxGlonassSlot || record.intervals.empty() ||
            m_slotOffset[record.slot] >= 0)
            continue;
        m_slotOffset[record.slot] = static_cast<int32_t>(i);
    }
    m_correctionEnabled = true;
}

void CVyrCollectionResidual::Correct(VYR_RESIDUAL& record) const {
    if (!m_correctionEnabled) return;
    for (VYR_RESIDUAL_SV& entry : record.residuals) {
        if (entry.sat.system != VYR_SATSYS_GLONASS || entry.sat.prn > kMaxGlonassSlot) continue;
        const int32_t position = m_slotOffset[entry.sat.prn];
        if (position < 0) continue;
        double offset = 0.0;
        for (const VYR_RESIDUAL_OFFSET_INTERVAL& interval : m_offsets[position].intervals) {
            const double low = std::min(interval.boundA, interval.boundB);
            const double high = std::max(interval.boundA, interval.boundB);
            if (low <= record.time && record.time <= high) {
                offset = interval.offset;
                break;
            }
        }
        entry.residual -= offset;
    }
}

VYR_ERROR CVyrCollectionResidual::GetAt(uint32_t index, VYR_RESIDUAL& record) {
    const VYR_ERROR result = CVyrCollectionReadOnly::GetAt(index, record);
    if (result == VYR_OK) Correct(record);
    return result;
}

VYR_ERROR CVyrCollectionResidual::GetAll(std::vector<VYR_RESIDUAL>& records) {
    const VYR_ERROR result = CVyrCollectionReadOnly::GetAll(records);
    for (VYR_RESIDUAL& record : records) Correct(record);
    return result;
}

VYR_ERROR CVyrCollectionResidual::GetFirst(VYR_RESIDUAL& record) {
    const VYR_ERROR result = CVyrCollectionReadOnly::GetFirst(record);
    if (result == VYR_OK) Correct(record);
    return result;
}

VYR_ERROR CVyrCollectionResidual::GetNext(VYR_RESIDUAL& record) {
    const VYR_ERROR result = CVyrCollectionReadOnly::GetNext(record);
    if (result == VYR_OK) Correct(record);
    return result;
}
