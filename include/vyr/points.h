// Point records: descriptions of occupations with their generated ids, and the point lists
// (a-priori, a-posteriori, established, used for establishing).
#pragma once

#include <cstdint>

#pragma pack(push, 1)
// The description proper, as the caller gives it; the collection prefixes the id.
struct VYR_POINT_DESCRIPTION {
    double start;  // MJD with fraction
    uint8_t data1[12];
    int32_t type;  // 0 is not a description
    uint8_t data2;
    // Types 1 and 2: the end time; types 3 and 4: a mark byte (the first byte) that takes part
    // in the key.
    union {
        double end;
        uint8_t mark;
    } detail;
    uint8_t data3[15];
    uint16_t field;
};

struct VYR_POINT_DESC {
    uint32_t id;
    VYR_POINT_DESCRIPTION description;
};

// The position every a-priori point begins with: X, Y and Z at offsets 6, 14 and 22.
struct VYR_APPROXIMATE_POINT {
    uint32_t number;
    uint8_t reserved[2];
    double x;  // metres
    double y;
    double z;
};

struct VYR_APRIORI_POINT {
    uint32_t number;
    uint8_t reserved[2];
    double x;  // approximate position, metres
    double y;
    double z;
    uint8_t data[56];
};

struct VYR_APOSTERIORI_POINT {
    uint32_t number;
    uint8_t data[82];
};

// Points are named by at most 16 characters, terminated.
struct VYR_ESTABLISHED_POINT {
    char name[17];
    uint8_t data[82];
};

struct VYR_USE_FOR_ESTABLISHING_POINT {
    char name[17];
    uint8_t data[98];
};
#pragma pack(pop)

static_assert(sizeof(VYR_POINT_DESCRIPTION) == 50);
static_assert(sizeof(VYR_POINT_DESC) == 54);
static_assert(sizeof(VYR_APPROXIMATE_POINT) == 30);
static_assert(sizeof(VYR_APRIORI_POINT) == 86);
static_assert(sizeof(VYR_APOSTERIORI_POINT) == 86);
static_assert(sizeof(VYR_ESTABLISHED_POINT) == 99);
static_assert(sizeof(VYR_USE_FOR_ESTABLISHING_POINT) == 115);

#include "vyr/collection.h"

// A station's point descriptions. Add and DeleteAll answer VYR_E_NOT_IMPLEMENTED: descriptions come
// in through AddPointDesc, which assigns the id.
class IVyrCollectionPointDesc : public IVyrCollection<VYR_POINT_DESC> {
public:
    // The description carrying the id; VYR_E_ENTRY_NOT_FOUND when none does.
    virtual VYR_ERROR GetById(uint32_t id, VYR_POINT_DESC& record) = 0;
    // Stores the description under a new id from the project's generator; record receives it.
    // Type 0 is refused (VYR_E_INVALID_PARAMETER); the times of types 1 and 2 are rounded to
    // 10 ms; otherwise fails as Add. A description whose key (start, type, and for types 3 and 4
    // the mark) is stored already is not added again: record receives the stored one, its id
    // included.
    virtual VYR_ERROR AddPointDesc(const VYR_POINT_DESCRIPTION& description,
                                   VYR_POINT_DESC& record) = 0;

protected:
    ~IVyrCollectionPointDesc() = default;
};

// Read-only: Add, Delete and DeleteAll answer VYR_E_NOT_IMPLEMENTED.
class IVyrCollectionAposterioriPoint : public IVyrCollection<VYR_APOSTERIORI_POINT> {
protected:
    ~IVyrCollectionAposterioriPoint() = default;
};

// All operations work.
class IVyrCollectionAposterioriPointEx : public IVyrCollectionAposterioriPoint {
protected:
    ~IVyrCollectionAposterioriPointEx() = default;
};
