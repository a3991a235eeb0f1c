#include "records/collection_station.h"

#include <new>

#include "records/collection_assoc.h"
#include "stations/station.h"
#include "stations/station_key.h"
#include "storage/factories.h"
#include "storage/layout.h"

CVyrCollectionStation::CVyrCollectionStation(const CVyrPtrSmart<CStg>& project,
                                             const CVyrPtrSmart<CCreateKey>& keys, uint32_t version)
    : CVyrCollectionStationBase(project, vyr_storage::kStreamStationList, version), m_keys(keys) {}

bool CVyrCollectionStation::IsAlive() const {
    return m_stream.Storage().IsValid() && m_keys.IsValid();
}

VYR_ERROR CVyrCollectionStation::Add(const VYR_STATION_KEY& /*key*/) {
    return VYR_E_NOT_IMPLEMENTED;
}

VYR_ERROR CVyrCollectionStation::DeleteAll() {
    return VYR_E_NOT_IMPLEMENTED;
}

template <class Interface>
VYR_ERROR CVyrCollectionStation::MakeStation(const VYR_STATION_KEY& key, bool create,
                                             CVyrIPtrSmart<Interface>& station) {
    station.Reset();
    if (!vyr_stations::is_usable_key(key)) return VYR_E_INVALID_PARAMETER;
    if (!IsAlive()) return VYR_E_INVALID_INTERFACE;
    auto* object =
        new (std::nothrow) CVyrStation(m_stream.Storage(), key, m_keys, m_stream.Version());
    if (object == nullptr) return VYR_E_INVALID_INTERFACE;
    const VYR_ERROR made = create ? object->Create() : object->Open();
    if (VyrFailed(made)) {
        object->Release();
        return made;
    }
    station = static_cast<Interface*>(object);
    if (!station.IsValid()) {
        object->Release();
        // A storage made here and handed to nobody would block the key for good.
        if (create)
            vyr_records::destroy_keyed(*m_stream.Storage(), vyr_storage::kStorageStation, key);
        return VYR_E_INVALID_INTERFACE;
    }
    return VYR_OK;
}

template <class Interface>
VYR_ERROR CVyrCollectionStation::OpenListed(const VYR_STATION_KEY& key,
                                            CVyrIPtrSmart<Interface>& station) {
    station.Reset();
    if (!vyr_stations::is_usable_key(key)) return VYR_E_INVALID_PARAMETER;
    if (!Contains(key)) return VYR_E_ENTRY_NOT_FOUND;
    return MakeStation(key, false, station);
}

template <class Interface>
VYR_ERROR CVyrCollectionStation::OpenAt(uint32_t index, CVyrIPtrSmart<Interface>& station) {
    station.Reset();
    VYR_STATION_KEY key{};
    const VYR_ERROR found = GetAt(index, key);
    if (VyrFailed(found)) return found;
    return MakeStation(key, false, station);
}

VYR_ERROR CVyrCollectionStation::GetStationAt(uint32_t index, CVyrIPtrSmart<IVyrStation>& station) {
    return OpenAt(index, station);
}

VYR_ERROR CVyrCollectionStation::GetStationExAt(uint32_t index,
                                                CVyrIPtrSmart<IVyrStationEx>& station) {
    return OpenAt(index, station);
}

VYR_ERROR CVyrCollectionStation::GetStation(const VYR_STATION_KEY& key,
                                            CVyrIPtrSmart<IVyrStation>& station) {
    return OpenListed(key, station);
}

VYR_ERROR CVyrCollectionStation::GetStationEx(const VYR_STATION_KEY& key,
                                              CVyrIPtrSmart<IVyrStationEx>& station) {
    return OpenListed(key, station);
}

VYR_ERROR CVyrCollectionStation::GetFirstStation(CVyrIPtrSmart<IVyrStation>& station) {
    station.Reset();
    VYR_STATION_KEY key{};
    const VYR_ERROR found = GetFirst(key);
    if (VyrFailed(found)) return found;
    return MakeStation(key, false, station);
}

VYR_ERROR CVyrCollectionStation::GetNextStation(CVyrIPtrSmart<IVyrStation>& station) {
    station.Reset();
    VYR_STATION_KEY key{};
    const VYR_ERROR found = GetNext(key);
    if (VyrFailed(found)) return found;
    return MakeStation(key, false, station);
}

VYR_ERROR CVyrCollectionStation::AddStation(const VYR_STATION_KEY& key,
                                            CVyrIPtrSmart<IVyrStation>& station) {
    station.Reset();
    if (!vyr_stations::is_usable_key(key)) return VYR_E_INVALID_PARAMETER;
    if (!IsAlive()) return VYR_E_INVALID_INTERFACE;
    if (Contains(key)) return VYR_E_ENTRY_EXISTS;
    const VYR_ERROR listed = CVyrCollectionStationBase::Add(key);
    if (VyrFailed(listed)) return listed;
    const VYR_ERROR made = MakeStation(key, true, station);
    if (VyrFailed(made)) CVyrCollectionStationBase::Delete(key);
    return made;
}

VYR_ERROR CVyrCollectionStation::AddNewStation(CVyrIPtrSmart<IVyrStation>& station) {
    station.Reset();
    if (!m_keys.IsValid()) return VYR_E_INVALID_INTERFACE;
    VYR_STATION_KEY key{};
    m_keys->NewKey(key);
    return AddStation(key, station);
}

VYR_ERROR CVyrCollectionStation::Delete(const VYR_STATION_KEY& key) {
    if (!m_stream.Storage().IsValid()) return VYR_E_INVALID_INTERFACE;
    if (!Contains(key)) return VYR_E_ENTRY_NOT_FOUND;
    // The storage goes first: one that cannot go (an open station holds it) keeps its key, so
    // list and file never disagree and the station stays reachable.
    // A storage found missing counts as gone, so that its key can go too.
    if (!vyr_records::destroy_keyed(*m_stream.Storage(), vyr_storage::kStorageStation, key))
        return VYR_E_DELETE_FAILED;
    return CVyrCollectionStationBase::Delete(key);
}

VYR_ERROR CVyrCollectionStation::DeleteAt(uint32_t index) {
    VYR_STATION_KEY key{};
    const VYR_ERROR found = GetAt(index, key);
    if (VyrFailed(found)) return found;
    return Delete(key);
}
