#include "stations/raw_data.h"

#include <new>

#include "records/record_io.h"
#include "stations/raw_data_format.h"
#include "storage/factories.h"
#include "storage/layout.h"

CVyrRawData::CVyrRawData(const CVyrPtrSmart<CStg>& resultStorage, uint32_t version)
    : m_storage(resultStorage), m_version(version) {
    m_stream = new (std::nothrow) CStm();
    if (!m_storage.IsValid() || !m_stream.IsValid() ||
        !CFactoryStream(m_storage.Get())
             .OpenOrCreate(vyr_storage::kStreamRawData, vyr::kDispositionOpenAlways, *m_stream))
        m_setupResult = VYR_E_CANNOT_CREATE_ENTRY;
}

CVyrRawData::~CVyrRawData() {
    if (m_stream.IsValid()) m_stream->Close();
}

void CVyrRawData::Release() {
    delete this;
}

VYR_ERROR CVyrRawData::CheckStream() const {
    if (!m_storage.IsValid() || !m_stream.IsValid()) return VYR_E_INVALID_INTERFACE;
    return m_setupResult;
}

VYR_ERROR CVyrRawData::AddRawData(const VYR_RAW_DATA& item) {
    const VYR_ERROR ready = CheckStream();
    if (ready != VYR_OK) return ready;
    // Appending moves the position away from the next item to read.
    m_itemsRead = 0;
    if (!vyr_records::is_writable(*m_stream)) return VYR_E_INVALID_PARAMETER;
    return vyr_stations::append_raw_data(*m_stream, item);
}

VYR_ERROR CVyrRawData::ReadCounted(VYR_RAW_DATA& item) {
    if (!vyr_stations::read_raw_data(*m_stream, m_version, item)) {
        m_itemsRead = 0;
        return VYR_E_NO_MORE_ENTRIES;
    }
    ++m_itemsRead;
    return VYR_OK;
}

VYR_ERROR CVyrRawData::GetFirstRawData(VYR_RAW_DATA& item) {
    const VYR_ERROR ready = CheckStream();
    if (ready != VYR_OK) return ready;
    if (!vyr_records::is_readable(*m_stream)) return VYR_E_INVALID_OPEN_MODE;
    m_itemsRead = 0;
    if (!m_stream->SeekToBegin()) return VYR_E_NO_MORE_ENTRIES;
    return ReadCounted(item);
}

VYR_ERROR CVyrRawData::GetNextRawData(VYR_RAW_DATA& item) {
    const VYR_ERROR ready = CheckStream();
    if (ready != VYR_OK) return ready;
    if (m_itemsRead == 0) return VYR_E_NO_MORE_ENTRIES;
    return ReadCounted(item);
}
