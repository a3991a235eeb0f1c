// Raw data of a processing run: the merged input the kernel worked on, kept with the association
// it processed as a time-ordered sequence of point-description events and synchronised epochs of
// several stations. Written once, item by item, and read back from the beginning.
#pragma once

#include <cstdint>
#include <vector>

#include "vyr/error.h"
#include "vyr/key.h"
#include "vyr/observation_epoch.h"
#include "vyr/points.h"

// The observations of one station at a synchronised epoch.
struct VYR_RAW_DATA_EPOCH {
    VYR_STATION_KEY station{};
    VYR_OBSERVATIONEPOCH epoch;
};

// One item. Stored field by field: kind; for kind 1 the description; for kind 2 the tag, the
// number of station epochs and per station epoch its key and encoded epoch.
struct VYR_RAW_DATA {
    enum eKind : uint32_t {
        KIND_EMPTY = 0,
        KIND_POINT_DESC = 1,
        KIND_EPOCH = 2,
    };

    uint32_t kind = KIND_EMPTY;
    VYR_POINT_DESC pointDesc{};              // kind 1
    int32_t epochTag = -1;                   // kind 2: carried as given; -1 when not set
    std::vector<VYR_RAW_DATA_EPOCH> epochs;  // kind 2, in the order given
};

// Operations in slot order. Handed out by an association, it holds the result storage and its
// raw data stream until released; one thread at a time. Each returns VYR_E_INVALID_INTERFACE
// when the stream is missing and VYR_E_CANNOT_CREATE_ENTRY when it could not be created.
class IVyrRawDataEx {
public:
    // Appends one item whole or not at all: VYR_E_INVALID_PARAMETER for a kind other than 1 and 2
    // or a stream not open for writing, VYR_E_WRITE_ENTRY_FAILED for an epoch that cannot be stored
    // or a failed write. Reading starts again with GetFirstRawData afterwards.
    virtual VYR_ERROR AddRawData(const VYR_RAW_DATA& item) = 0;
    // Reads the first item. VYR_E_INVALID_OPEN_MODE for a stream not open for reading;
    // VYR_E_NO_MORE_ENTRIES when there is no readable item.
    virtual VYR_ERROR GetFirstRawData(VYR_RAW_DATA& item) = 0;
    // Reads the next item; VYR_E_NO_MORE_ENTRIES at the end, on damage, and before
    // GetFirstRawData.
    virtual VYR_ERROR GetNextRawData(VYR_RAW_DATA& item) = 0;
    // Drops the object; the smart pointer holding it calls this.
    virtual void Release() = 0;

protected:
    virtual ~IVyrRawDataEx() = default;  // the object goes through Release
};
