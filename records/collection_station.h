// CVyrCollectionStation: the project's stations. The list of their keys is "StationList"; each
// key names a station storage, which this collection creates, opens and destroys.
#pragma once

#include <cstdint>

#include <vyr/station.h>

#include "records/collection.h"
#include "records/collection_keys.h"
#include "storage/create_key.h"
#include "storage/stg.h"

using CVyrCollectionStationBase =
    CVyrCollection<VYR_STATION_KEY, CCollectionCacheKey<VYR_STATION_KEY>, IVyrCollectionStationEx>;

class CVyrCollectionStation final : public CVyrCollectionStationBase {
public:
    CVyrCollectionStation(const CVyrPtrSmart<CStg>& project, const CVyrPtrSmart<CCreateKey>& keys,
                          uint32_t version);

    VYR_ERROR Add(const VYR_STATION_KEY& key) override;
    VYR_ERROR Delete(const VYR_STATION_KEY& key) override;
    VYR_ERROR DeleteAll() override;

    VYR_ERROR GetStationAt(uint32_t index, CVyrIPtrSmart<IVyrStation>& station) override;
    VYR_ERROR GetStation(const VYR_STATION_KEY& key, CVyrIPtrSmart<IVyrStation>& station) override;
    VYR_ERROR GetFirstStation(CVyrIPtrSmart<IVyrStation>& station) override;
    VYR_ERROR GetNextStation(CVyrIPtrSmart<IVyrStation>& station) override;
    VYR_ERROR AddStation(const VYR_STATION_KEY& key, CVyrIPtrSmart<IVyrStation>& station) override;
    VYR_ERROR AddNewStation(CVyrIPtrSmart<IVyrStation>& station) override;
    VYR_ERROR DeleteAt(uint32_t index) override;
    VYR_ERROR GetStationExAt(uint32_t index, CVyrIPtrSmart<IVyrStationEx>& station) override;
    VYR_ERROR GetStationEx(const VYR_STATION_KEY& key,
                           CVyrIPtrSmart<IVyrStationEx>& station) override;

private:
    bool IsAlive() const;
    // Creates (AddStation) or opens the station of a key and hands it out.
    template <class Interface>
    VYR_ERROR MakeStation(const VYR_STATION_KEY& key, bool create,
                          CVyrIPtrSmart<Interface>& station);
    template <class Interface>
    VYR_ERROR OpenListed(const VYR_STATION_KEY& key, CVyrIPtrSmart<Interface>& station);
    template <class Interface>
    VYR_ERROR OpenAt(uint32_t index, CVyrIPtrSmart<Interface>& station);

    CVyrPtrSmart<CCreateKey> m_keys;
};
