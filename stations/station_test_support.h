// A station in a memory project for tests, with direct looks at the streams of its storage.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <vyr/association.h>
#include <vyr/station.h>

#include "records/collection_test_support.h"
#include "records/record_io.h"
#include "stations/station.h"
#include "storage/create_key.h"
#include "storage/factories.h"

namespace vyr_test {

inline VYR_STATION_KEY text_key(const std::string& name) {
    VYR_STATION_KEY key{};
    key.type = VYR_KEY_TEXT;
    std::memcpy(key.value, name.data(), std::min(name.size(), sizeof key.value));
    return key;
}

// A station taking part in an association.
inline VYR_ASSOC_STATION assoc_entry(const std::string& name, int32_t index = 0) {
    VYR_ASSOC_STATION station{};
    station.station = text_key(name);
    station.index = index;
    return station;
}

class StationStorageTest : public MemoryStorageTest {
protected:
    CVyrIPtrSmart<IVyrStationEx> make_station(const VYR_STATION_KEY& key, bool create,
                                              VYR_ERROR expected = VYR_OK) {
        auto* object = new CVyrStation(storage, key, keys, kStorageVersionCurrent);
        EXPECT_EQ(create ? object->Create() : object->Open(), expected);
        return CVyrIPtrSmart<IVyrStationEx>(object);
    }

    // The bytes of a stream of the station; nullopt-like "<missing>" when it is not there. The
    // station must be released first: its storage is opened exclusively.
    std::string station_stream(const VYR_STATION_KEY& key, uint32_t streamId) {
        CStg station;
        if (!CFactoryStorage(storage.Get())
                 .OpenOrCreateStation(key, vyr::kDispositionOpenExisting, station))
            return "<no station>";
        return stream_bytes(&station, streamId, "<missing>");
    }

    CVyrPtrSmart<CCreateKey> keys{new CCreateKey()};
};

}  // namespace vyr_test
