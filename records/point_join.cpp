// CVyrCollectionPoint: point positions completed with their point descriptions.
#include "records/collection_stream.h"
#include "records/result_collections.h"
#include "storage/layout.h"

CVyrCollectionPoint::CVyrCollectionPoint(const CVyrPtrSmart<CStg>& resultStorage, uint32_t version)
    : m_positions(resultStorage, version) {
    // Opened for this read only, so that the descriptions stay free for their own collection.
    vyr_records::CollectionStream descriptions(resultStorage, vyr_storage::kStreamPointDescriptions,
                                               version);
    std::vector<VYR_POINT_DESC> records;
    if (descriptions.ReadAll(records) != VYR_OK) return;
    for (const VYR_POINT_DESC& record : records)
        m_descriptions.emplace(+record.id, record.description);  // the first of an id wins
    m_descriptionsRead = true;
}

VYR_ERROR CVyrCollectionPoint::Join(VYR_ERROR read, const VYR_POINT_POSITION& position,
                                    VYR_POINT& record) const {
    if (read != VYR_OK) return read;
    if (!m_descriptionsRead) return VYR_E_NO_POINT_DESCRIPTION;
    const auto found = m_descriptions.find(position.position.descriptionId);
    if (found == m_descriptions.end()) return VYR_E_NO_POINT_DESCRIPTION;
    record.description = found->second;
    record.position = position;
    return VYR_OK;
}

VYR_ERROR CVyrCollectionPoint::GetAt(uint32_t index, VYR_POINT& record) {
    VYR_POINT_POSITION position;
    const VYR_ERROR read = m_positions.GetAt(index, position);
    return Join(read, position, record);
}

VYR_ERROR CVyrCollectionPoint::GetFirst(VYR_POINT& record) {
    VYR_POINT_POSITION position;
    const VYR_ERROR read = m_positions.GetFirst(position);
    return Join(read, position, record);
}

VYR_ERROR CVyrCollectionPoint::GetNext(VYR_POINT& record) {
    VYR_POINT_POSITION position;
    const VYR_ERROR read = m_positions.GetNext(position);
    return Join(read, position, record);
}

// The points joined before a failure stay in the vector.
VYR_ERROR CVyrCollectionPoint::GetAll(std::vector<VYR_POINT>& records) {
    records.clear();
    std::vector<VYR_POINT_POSITION> positions;
    const VYR_ERROR read = m_positions.GetAll(positions);
    if (read != VYR_OK) return read;
    records.reserve(positions.size());
    for (const VYR_POINT_POSITION& position : positions) {
        VYR_POINT point;
        const VYR_ERROR joined = Join(VYR_OK, position, point);
        if (joined != VYR_OK) return joined;
        records.push_back(std::move(point));
    }
    return VYR_OK;
}
