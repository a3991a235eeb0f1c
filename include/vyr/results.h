// Processing results of a station association: residuals and their GLONASS offsets, cycle slips,
// tracking and ambiguity status, satellite information per epoch, statistics and positions.
// Fixed parts are packed; records with containers are stored member by member.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "vyr/collection.h"
#include "vyr/export.h"
#include "vyr/obs_types.h"
#include "vyr/points.h"
#include "vyr/satellite.h"

enum VYR_RESIDUAL_TYPE : int32_t {
    VYR_RESIDUAL_L1_CODE = 0,  // L1 / E1
    VYR_RESIDUAL_L2_CODE = 1,
    VYR_RESIDUAL_L5_CODE = 2,  // L5 / E5a
    VYR_RESIDUAL_E5B_CODE = 3,
    VYR_RESIDUAL_E5AB_CODE = 4,
    VYR_RESIDUAL_E6_CODE = 5,
    VYR_RESIDUAL_L1_PHASE = 6,
    VYR_RESIDUAL_L2_PHASE = 7,
    VYR_RESIDUAL_L5_PHASE = 8,
    VYR_RESIDUAL_E5B_PHASE = 9,
    VYR_RESIDUAL_E5AB_PHASE = 10,
    VYR_RESIDUAL_E6_PHASE = 11,
    VYR_RESIDUAL_L3_CODE = 12,  // ionosphere-free
    VYR_RESIDUAL_L3_PHASE = 13,
};

enum VYR_RESIDUAL_OFFSET_TYPE : int32_t {
    VYR_RESIDUAL_OFFSET_L1_CODE = 0,
    VYR_RESIDUAL_OFFSET_L2_CODE = 1,
    VYR_RESIDUAL_OFFSET_L3_CODE = 2,
    VYR_RESIDUAL_OFFSET_L1_PHASE = 3,
    VYR_RESIDUAL_OFFSET_L2_PHASE = 4,
    VYR_RESIDUAL_OFFSET_L3_PHASE = 5,
};

// Kinds of CVyrCollectionResidualLinearCombination.
enum VYR_RESIDUAL_COMBINATION : int32_t {
    VYR_RESIDUAL_COMBINATION_IONO_FREE = 0,   // c1 * R1 + c2 * R2
    VYR_RESIDUAL_COMBINATION_DIFFERENCE = 1,  // R1 - R2
};

#pragma pack(push, 1)
struct VYR_RESIDUAL_SV {
    VYR_SATID sat;
    double residual;  // metres
};

struct VYR_RESIDUAL_OFFSET_INTERVAL {
    double boundA;  // MJD; the bounds may come in either order
    double boundB;
    double offset;  // metres, subtracted from the slot's residuals inside the interval
};

struct VYR_CYCLE_SLIP {
    double time;  // MJD of the epoch the slip was found at
    VYR_SATID sat;
    VYR_FREQUENCY_BAND band;
    uint8_t flags;  // bit 0 repaired, bit 1 found by the kernel's own test
    float cycles;   // size of the slip
};

struct VYR_TRACKING_INTERVAL {
    double start;  // MJD
    double end;
    uint8_t status;  // 0 not tracked, 1 code only, 2 code and phase
};

struct VYR_AMBIGUITY_STATUS {
    double time;       // MJD
    double ambiguity;  // cycles
    uint32_t status;   // 0 float, 1 fixed, 2 rejected
    float sigma;       // cycles
};

struct VYR_EPOCH_SVINFO_FIXED {
    uint8_t satellitesUsed;
    uint8_t satellitesTracked;
    float pdop;
    float hdop;
    float vdop;
    uint32_t flags;
};

struct VYR_EPOCH_SVINFO_SV {
    VYR_SATID sat;
    int16_t elevation;  // 0.01 degree
    uint16_t azimuth;   // 0.01 degree
};

struct VYR_SV_STAT_BAND {
    VYR_FREQUENCY_BAND band;
    uint32_t observations;
    float rms;  // metres
};

struct VYR_POINT_POSITION_FIXED {
    uint32_t descriptionId;  // VYR_POINT_DESC id
    double time;             // MJD of the solution
    double x;                // metres, WGS-84
    double y;
    double z;
    double qxx;  // cofactors, square metres
    double qyy;
    double qzz;
    double qxy;
    double qxz;
    double qyz;
    double sigma0;
    double latitude;  // radians
    double longitude;
    double height;  // metres, ellipsoidal
    double rms;
    uint32_t epochs;
    uint32_t ambiguitiesFixed;
    uint32_t ambiguitiesTotal;
    int32_t solutionType;  // 0 single point, 1 float, 2 fixed
    uint8_t reserved[18];
};

struct VYR_AMBIGUITY_STAT_FIXED {
    uint32_t total;
    uint32_t fixed;
    uint32_t rejected;
    double ratio;  // of the second-best to the best fit
    double successRate;
};

struct VYR_AMBIGUITY_STAT_INTERVAL {
    double start;  // MJD
    double end;
    uint32_t fixed;
    uint32_t total;
};

struct VYR_AMBIGUITY_STAT_BAND {
    uint32_t total;
    uint32_t fixed;
    double ratio;
};

struct VYR_AMBIGUITY_STAT_VALUE {
    double time;  // MJD
    double value;
    double sigma;
    uint32_t status;
    uint32_t epochs;
};

struct VYR_AMBIGUITY_STAT_SATELLITE {
    double fixedTime;  // MJD
    double floatValue;
    double fixedValue;
    uint32_t attempts;
    uint32_t flags;
};

struct VYR_KERNEL_STAT {
    uint32_t epochsProcessed;
    uint32_t epochsRejected;
    uint32_t observationsUsed;
    uint32_t observationsRejected;
    uint32_t cycleSlips;
    uint32_t iterations;
    double start;  // MJD
    double end;
    double rmsCode;   // metres
    double rmsPhase;  // metres
    double sigma0;
    double seconds;  // processing time
    int32_t result;  // VYR_ERROR of the run
    uint32_t ambiguitiesFixed;
    uint32_t ambiguitiesTotal;
};
#pragma pack(pop)

static_assert(sizeof(VYR_RESIDUAL_SV) == 13);
static_assert(sizeof(VYR_RESIDUAL_OFFSET_INTERVAL) == 24);
static_assert(sizeof(VYR_CYCLE_SLIP) == 22);
static_assert(sizeof(VYR_TRACKING_INTERVAL) == 17);
static_assert(sizeof(VYR_AMBIGUITY_STATUS) == 24);
static_assert(sizeof(VYR_EPOCH_SVINFO_FIXED) == 18);
static_assert(sizeof(VYR_EPOCH_SVINFO_SV) == 9);
static_assert(sizeof(VYR_SV_STAT_BAND) == 12);
static_assert(sizeof(VYR_POINT_POSITION_FIXED) == 158);
static_assert(sizeof(VYR_AMBIGUITY_STAT_FIXED) == 28);
static_assert(sizeof(VYR_AMBIGUITY_STAT_INTERVAL) == 24);
static_assert(sizeof(VYR_AMBIGUITY_STAT_BAND) == 16);
static_assert(sizeof(VYR_AMBIGUITY_STAT_VALUE) == 32);
static_assert(sizeof(VYR_AMBIGUITY_STAT_SATELLITE) == 32);
static_assert(sizeof(VYR_KERNEL_STAT) == 84);

struct VYR_RESIDUAL {
    double time = 0.0;  // MJD
    std::vector<VYR_RESIDUAL_SV> residuals;
};

struct VYR_RESIDUAL_OFFSET_SV {
    uint8_t slot = 0;  // GLONASS slot
    std::vector<VYR_RESIDUAL_OFFSET_INTERVAL> intervals;
};

struct VYR_TRACKING_STATUS_SV {
    VYR_SATID sat{};
    std::vector<VYR_TRACKING_INTERVAL> intervals;
};

struct VYR_AMBIGUITY_STATUS_SV {
    VYR_SATID sat{};
    std::vector<VYR_AMBIGUITY_STATUS> status;
};

struct VYR_EPOCH_SVINFO {
    double time = 0.0;  // MJD
    VYR_EPOCH_SVINFO_FIXED info{};
    std::vector<VYR_EPOCH_SVINFO_SV> satellites;
};

struct VYR_SV_STAT {
    VYR_SATID sat{};
    std::vector<VYR_SV_STAT_BAND> bands;
};

struct VYR_POINT_POSITION {
    VYR_POINT_POSITION_FIXED position{};
    // Observations used per compact satellite number.
    std::map<uint32_t, uint32_t> observations;
};

struct VYR_AMBIGUITY_STAT {
    VYR_AMBIGUITY_STAT_FIXED summary{};
    std::vector<VYR_AMBIGUITY_STAT_INTERVAL> intervals;
    std::map<uint32_t, VYR_AMBIGUITY_STAT_BAND> bands;            // by VYR_FREQUENCY_BAND
    std::map<uint64_t, VYR_AMBIGUITY_STAT_VALUE> ambiguities;     // by ambiguity id
    std::map<uint32_t, VYR_AMBIGUITY_STAT_SATELLITE> satellites;  // by compact number
};

// A point position with the 50 description bytes of its point description.
struct VYR_POINT {
    VYR_POINT_DESCRIPTION description{};
    VYR_POINT_POSITION position;
};

// Read-only interfaces answer VYR_E_NOT_IMPLEMENTED to Add, Delete and DeleteAll and Contains is
// always false; their Ex forms also append. Delete and DeleteAll answer VYR_E_NOT_IMPLEMENTED in
// both.
class IVyrCollectionResidual : public IVyrCollection<VYR_RESIDUAL> {
protected:
    ~IVyrCollectionResidual() = default;
};
class IVyrCollectionResidualEx : public IVyrCollectionResidual {
protected:
    ~IVyrCollectionResidualEx() = default;
};

class IVyrCollectionResidualOffsetSv : public IVyrCollection<VYR_RESIDUAL_OFFSET_SV> {
protected:
    ~IVyrCollectionResidualOffsetSv() = default;
};
class IVyrCollectionResidualOffsetSvEx : public IVyrCollectionResidualOffsetSv {
protected:
    ~IVyrCollectionResidualOffsetSvEx() = default;
};

class IVyrCollectionCycleSlip : public IVyrCollection<VYR_CYCLE_SLIP> {
protected:
    ~IVyrCollectionCycleSlip() = default;
};
class IVyrCollectionCycleSlipEx : public IVyrCollectionCycleSlip {
protected:
    ~IVyrCollectionCycleSlipEx() = default;
};

class IVyrCollectionTrackingStatusSv : public IVyrCollection<VYR_TRACKING_STATUS_SV> {
protected:
    ~IVyrCollectionTrackingStatusSv() = default;
};
class IVyrCollectionTrackingStatusSvEx : public IVyrCollectionTrackingStatusSv {
protected:
    ~IVyrCollectionTrackingStatusSvEx() = default;
};

class IVyrCollectionAmbiguityStatusSv : public IVyrCollection<VYR_AMBIGUITY_STATUS_SV> {
protected:
    ~IVyrCollectionAmbiguityStatusSv() = default;
};
class IVyrCollectionAmbiguityStatusSvEx : public IVyrCollectionAmbiguityStatusSv {
protected:
    ~IVyrCollectionAmbiguityStatusSvEx() = default;
};

class IVyrCollectionEpochSvInfo : public IVyrCollection<VYR_EPOCH_SVINFO> {
protected:
    ~IVyrCollectionEpochSvInfo() = default;
};
class IVyrCollectionEpochSvInfoEx : public IVyrCollectionEpochSvInfo {
protected:
    ~IVyrCollectionEpochSvInfoEx() = default;
};

class IVyrCollectionSvStat : public IVyrCollection<VYR_SV_STAT> {
protected:
    ~IVyrCollectionSvStat() = default;
};
class IVyrCollectionSvStatEx : public IVyrCollectionSvStat {
protected:
    ~IVyrCollectionSvStatEx() = default;
};

// Band b (1-6) gives b - 1 for code and b + 5 for phase; any other band gives 5.
VYR_API VYR_RESIDUAL_TYPE VyrFreqBandToResidualType(VYR_FREQUENCY_BAND band, bool phase);
// True and the offset type for residual types 0, 1, 12, 6, 7, 13; false (offset unchanged) for
// the others.
VYR_API bool VyrConvertToOffsetType(VYR_RESIDUAL_TYPE residual, VYR_RESIDUAL_OFFSET_TYPE& offset);
