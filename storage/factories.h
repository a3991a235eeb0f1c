// CFactoryStorage and CFactoryStream: the children of a storage, addressed by storage kind,
// stream identifier and key instead of by name. Both are made on the stack around one call and
// hold only a plain pointer to the parent.
#pragma once

#include <cstdint>
#include <string>

#include <vyr/key.h>

#include "storage/stg.h"

class CFactoryStorage {
public:
    explicit CFactoryStorage(CStg* parent) : m_parent(parent) {}

    // The name of kind 1 to 11, or null.
    static const char* GetName(uint32_t kind);
    // The name of a keyed storage (kinds 1, 3 and 5 only) into buffer; false when the kind, the
    // key or the buffer size does not allow one.
    static bool MakeName(uint32_t kind, const VYR_KEY& key, char* buffer, size_t size);

    // Opened with the parent's access mode.
    bool OpenOrCreate(uint32_t kind, int32_t disposition, CStg& child);
    bool OpenOrCreateStation(const VYR_KEY& key, int32_t disposition, CStg& child);
    bool OpenOrCreateStationAssoc(const VYR_KEY& key, int32_t disposition, CStg& child);
    bool OpenOrCreateIonoCompAssoc(const VYR_KEY& key, int32_t disposition, CStg& child);
    bool DestroyStation(const VYR_KEY& key);
    bool DestroyStationAssoc(const VYR_KEY& key);
    bool DestroyIonoCompAssoc(const VYR_KEY& key);

private:
    bool OpenOrCreateKeyed(uint32_t kind, const VYR_KEY& key, int32_t disposition, CStg& child);
    bool DestroyKeyed(uint32_t kind, const VYR_KEY& key);

    CStg* m_parent;
};

class CFactoryStream {
public:
    explicit CFactoryStream(CStg* parent) : m_parent(parent) {}

    // The name of identifier 1 to 95, or null.
    static const char* GetName(uint32_t id);

    // Opened with the parent's access mode.
    bool OpenOrCreate(uint32_t id, int32_t disposition, CStm& stream);
    bool Open(uint32_t id, CStm& stream);
    bool Destroy(uint32_t id);
    // The parent's last status (and its text).
    HRESULT GetLastError(char* text = nullptr, uint32_t size = 0) const;

private:
    CStg* m_parent;
};
