#include "storage/factories.h"

#include <cstring>

#include "storage/key_text.h"
#include "storage/layout.h"

using vyr_storage::kStorageIonoCompAssoc;
using vyr_storage::kStorageStation;
using vyr_storage::kStorageStationAssoc;

const char* CFactoryStorage::GetName(uint32_t kind) {
    return vyr_storage::storage_kind_name(kind);
}

bool CFactoryStorage::MakeName(uint32_t kind, const VYR_KEY& key, char* buffer, size_t size) {
    if (kind != kStorageStation && kind != kStorageStationAssoc && kind != kStorageIonoCompAssoc)
        return false;
    std::string name;
    if (buffer == nullptr || !vyr_storage::make_keyed_name(GetName(kind), key, name) ||
        name.size() >= size)
        return false;
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    return true;
}

bool CFactoryStorage::OpenOrCreate(uint32_t kind, int32_t disposition, CStg& child) {
    const char* name = GetName(kind);
    if (m_parent == nullptr || name == nullptr) return false;
    return m_parent->OpenOrCreateSubStorage(name, m_parent->GetAccessMode(), disposition, child);
}

bool CFactoryStorage::OpenOrCreateKeyed(uint32_t kind, const VYR_KEY& key, int32_t disposition,
                                        CStg& child) {
    char name[vyr_storage::kKeyedNameBufferSize];
    if (m_parent == nullptr || !MakeName(kind, key, name, sizeof name)) return false;
    return m_parent->OpenOrCreateSubStorage(name, m_parent->GetAccessMode(), disposition, child);
}

bool CFactoryStorage::DestroyKeyed(uint32_t kind, const VYR_KEY& key) {
    char name[vyr_storage::kKeyedNameBufferSize];
    if (m_parent == nullptr || !MakeName(kind, key, name, sizeof name)) return false;
    return m_parent->DestroyElement(name);
}

bool CFactoryStorage::OpenOrCreateStation(const VYR_KEY& key, int32_t disposition, CStg& child) {
    return OpenOrCreateKeyed(kStorageStation, key, disposition, child);
}

bool CFactoryStorage::OpenOrCreateStationAssoc(const VYR_KEY& key, int32_t disposition,
                                               CStg& child) {
    return OpenOrCreateKeyed(kStorageStationAssoc, key, disposition, child);
}

bool CFactoryStorage::OpenOrCreateIonoCompAssoc(const VYR_KEY& key, int32_t disposition,
                                                CStg& child) {
    return OpenOrCreateKeyed(kStorageIonoCompAssoc, key, disposition, child);
}

bool CFactoryStorage::DestroyStation(const VYR_KEY& key) {
    return DestroyKeyed(kStorageStation, key);
}

bool CFactoryStorage::DestroyStationAssoc(const VYR_KEY& key) {
    return DestroyKeyed(kStorageStationAssoc, key);
}

bool CFactoryStorage::DestroyIonoCompAssoc(const VYR_KEY& key) {
    return DestroyKeyed(kStorageIonoCompAssoc, key);
}

const char* CFactoryStream::GetName(uint32_t id) {
    return vyr_storage::stream_name(id);
}

bool CFactoryStream::OpenOrCreate(uint32_t id, int32_t disposition, CStm& stream) {
    const char* name = GetName(id);
    if (m_parent == nullptr || name == nullptr) return false;
    return m_parent->OpenOrCreateStream(name, m_parent->GetAccessMode(), disposition, stream);
}

bool CFactoryStream::Open(uint32_t id, CStm& stream) {
    const char* name = GetName(id);
    if (m_parent == nullptr || name == nullptr) return false;
    return m_parent->OpenStream(name, m_parent->GetAccessMode(), stream);
}

bool CFactoryStream::Destroy(uint32_t id) {
    // CStg refuses the null name of an identifier outside the table.
    return m_parent != nullptr && m_parent->DestroyElement(GetName(id));
}

HRESULT CFactoryStream::GetLastError(char* text, uint32_t size) const {
    return m_parent != nullptr ? m_parent->GetLastError(text, size) : S_OK;
}
