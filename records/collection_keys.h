// The caches of the stored lists, one per record type, with the key each derives from a record
// and the order of those keys. Times in keys compare at a resolution: 3 (one whole millisecond)
// for orbits, almanacs and global/regional models, 2 (one microsecond) for point descriptions,
// processing error intervals and orbit coefficients.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

#include <vyr/ephemeris.h>
#include <vyr/iono_models.h>
#include <vyr/key.h>
#include <vyr/mjd_time.h>
#include <vyr/orbit_results.h>
#include <vyr/points.h>
#include <vyr/processing_errors.h>

#include "records/collection_cache.h"
#include "records/key_order.h"
#include "records/time_key.h"

namespace vyr_records {

// 64-bit keys of the broadcast ephemerides: week << 40 | time of week << 8 | satellite.
inline uint64_t week_time_satellite_key(uint16_t week, uint32_t timeOfWeek, uint8_t satellite) {
    return uint64_t{week} << 40 | uint64_t{timeOfWeek} << 8 | satellite;
}

struct BroadcastEphemerisKeyOf {
    uint64_t operator()(const VYR_BROADCASTEPHEMERIS& r) const {
        return week_time_satellite_key(r.week, r.toe, r.prn);
    }
};
struct BroadcastEphemerisGloKeyOf {
    uint64_t operator()(const VYR_BROADCASTEPHEMERIS_GLO& r) const {
        return week_time_satellite_key(r.week, r.secondsOfWeek, r.slot);
    }
};
struct BroadcastEphemerisGalKeyOf {
    uint64_t operator()(const VYR_BROADCASTEPHEMERIS_GAL& r) const {
        return week_time_satellite_key(r.week, r.toe, r.prn);
    }
};
struct IonoUtcKeyOf {
    uint64_t operator()(const VYR_IONOUTC& r) const {
        return uint64_t{r.week} << 32 | r.secondsOfWeek;
    }
};

// The 16-bit model key at the front of every ionosphere model.
template <class T>
struct IonoModelKeyOf {
    uint32_t operator()(const T& r) const { return r.key; }
};
struct IonoModelKeyValueOf {
    uint16_t operator()(uint16_t key) const { return key; }
};

template <class T>
struct PointNumberOf {
    uint32_t operator()(const T& r) const { return r.number; }
};

// A point name: at most 16 characters and a terminator.
struct PointNameKey {
    char name[17];
};
template <class T>
struct PointNameOf {
    PointNameKey operator()(const T& r) const {
        PointNameKey key;
        std::memcpy(key.name, r.name, sizeof key.name);
        key.name[16] = '\0';
        return key;
    }
};
struct PointNameLess {
    bool operator()(const PointNameKey& a, const PointNameKey& b) const {
        return std::strcmp(a.name, b.name) < 0;
    }
};

// A time and a satellite: almanacs and precise ephemerides.
struct SatelliteTimeKey {
    mjd::time time;
    uint8_t satellite = 0;
};
template <class T>
struct SatelliteTimeOf {
    SatelliteTimeKey operator()(const T& r) const { return {to_mjd_time(r.time), r.satellite}; }
};
template <>
struct SatelliteTimeOf<VYR_PRECISEEPHEMERIS> {
    SatelliteTimeKey operator()(const VYR_PRECISEEPHEMERIS& r) const {
        return {to_mjd_time(r.epoch), r.satellite};
    }
};
struct SatelliteTimeLess {
    bool operator()(const SatelliteTimeKey& a, const SatelliteTimeKey& b) const {
        const mjd::CMP_TIME_MILLISECONDS less(3);
        if (less(a.time, b.time)) return true;
        if (less(b.time, a.time)) return false;
        return a.satellite < b.satellite;
    }
};

// Orbit coefficients: satellite first, then the reference time, so that one satellite's fits
// lie together in time order.
struct OrbitCoefficientsKey {
    uint32_t satellite = 0;
    mjd::time time;
};
template <class T>
struct OrbitCoefficientsKeyOf {
    OrbitCoefficientsKey operator()(const T& r) const { return {r.satellite, to_mjd_time(r.time)}; }
};
struct OrbitCoefficientsKeyLess {
    bool operator()(const OrbitCoefficientsKey& a, const OrbitCoefficientsKey& b) const {
        if (a.satellite != b.satellite) return a.satellite < b.satellite;
        return mjd::CMP_TIME_MILLISECONDS(2)(a.time, b.time);
    }
};

// Point descriptions: start, type, and for types 3 and 4 the mark byte.
struct PointDescKey {
    mjd::time start;
    int32_t type = 0;
    uint8_t mark = 0;
};
struct PointDescKeyOf {
    PointDescKey operator()(const VYR_POINT_DESC& r) const {
        return {to_mjd_time(r.description.start), r.description.type, r.description.detail.mark};
    }
};
struct PointDescKeyLess {
    bool operator()(const PointDescKey& a, const PointDescKey& b) const {
        const mjd::CMP_TIME_MILLISECONDS less(2);
        if (less(a.start, b.start)) return true;
        if (less(b.start, a.start)) return false;
        if (a.type != b.type) return a.type < b.type;
        if (a.type == 3 || a.type == 4) return a.mark < b.mark;
        return false;
    }
};

// Processing error intervals: start, code, payload type, payload value.
struct ProcessingErrorIntervalKey {
    mjd::time start;
    int32_t code = 0;
    int32_t payloadType = 0;
    uint32_t payloadValue = 0;
};
struct ProcessingErrorIntervalKeyOf {
    ProcessingErrorIntervalKey operator()(const VYR_PROCESSING_ERROR_INTERVAL& r) const {
        return {to_mjd_time(r.start), static_cast<int32_t>(r.code),
                static_cast<int32_t>(r.payload.Type()), r.payload.KeyValue()};
    }
};
struct ProcessingErrorIntervalKeyLess {
    bool operator()(const ProcessingErrorIntervalKey& a,
                    const ProcessingErrorIntervalKey& b) const {
        const mjd::CMP_TIME_MILLISECONDS less(2);
        if (less(a.start, b.start)) return true;
        if (less(b.start, a.start)) return false;
        if (a.code != b.code) return a.code < b.code;
        if (a.payloadType != b.payloadType) return a.payloadType < b.payloadType;
        return a.payloadValue < b.payloadValue;
    }
};

// Global/regional models: validity start and end, then the latitude band.
struct IonoGlobalRegKey {
    mjd::time from;
    mjd::time to;
    double minLatitude = 0.0;
    double maxLatitude = 0.0;
};
struct IonoGlobalRegKeyOf {
    IonoGlobalRegKey operator()(const VYR_IONO_GLOBALREG& r) const {
        return {to_mjd_time(r.fromEpoch), to_mjd_time(r.toEpoch), r.minLatitude, r.maxLatitude};
    }
};
struct IonoGlobalRegKeyLess {
    bool operator()(const IonoGlobalRegKey& a, const IonoGlobalRegKey& b) const {
        const mjd::CMP_TIME_MILLISECONDS less(3);
        if (less(a.from, b.from)) return true;
        if (less(b.from, a.from)) return false;
        if (less(a.to, b.to)) return true;
        if (less(b.to, a.to)) return false;
        // Latitudes within 1e-5 of each other are the same band edge.
        if (std::fabs(a.minLatitude - b.minLatitude) > 1e-5) return a.minLatitude < b.minLatitude;
        if (std::fabs(a.maxLatitude - b.maxLatitude) > 1e-5) return a.maxLatitude < b.maxLatitude;
        return false;
    }
};

}  // namespace vyr_records

using KEY_COLLECTIONCACHEALMANACHEPHEMERIS = vyr_records::SatelliteTimeKey;
using KEY_COLLECTIONCACHEALMANACHEPHEMERISGLO = vyr_records::SatelliteTimeKey;
using KEY_COLLECTIONCACHEPRECISEEPHEMERIS = vyr_records::SatelliteTimeKey;
using KEY_COLLECTIONCACHEPOINTDESC = vyr_records::PointDescKey;
using KEY_CMP_COLLECTIONCACHEPOINTDESC = vyr_records::PointDescKeyLess;
using KEY_COLLECTIONCACHEPROCESSINGERRORINTERVAL = vyr_records::ProcessingErrorIntervalKey;
using KEY_CMP_COLLECTIONCACHEPROCESSINGERRORINTERVAL = vyr_records::ProcessingErrorIntervalKeyLess;
using KEY_COLLECTIONCACHEORBITCOEFFICIENTS = vyr_records::OrbitCoefficientsKey;
using KEY_CMP_COLLECTIONCACHEORBITCOEFFICIENTS = vyr_records::OrbitCoefficientsKeyLess;
using KEY_COLLECTIONCACHEIONOGLOBALREG = vyr_records::IonoGlobalRegKey;
using KEY_CMP_COLLECTIONCACHEIONOGLOBALREG = vyr_records::IonoGlobalRegKeyLess;
using KEY_COLLECTIONCACHEESTABLISHEDPOINT = vyr_records::PointNameKey;
using KEY_CMP_COLLECTIONCACHEESTABLISHEDPOINT = vyr_records::PointNameLess;
using KEY_COLLECTIONCACHEUSEFORESTABLISHINGPOINT = vyr_records::PointNameKey;
using KEY_CMP_COLLECTIONCACHEUSEFORESTABLISHINGPOINT = vyr_records::PointNameLess;

template <class T>
using CCollectionCacheKey = CCollectionCacheVec<T, vyr_records::KeyLess>;
template <class T>
using CCollectionCacheStreamKey = CCollectionCacheVecStream<T, vyr_records::KeyLess>;

using CCollectionCacheBroadcastEphemeris =
    CCollectionCacheMapQWord<VYR_BROADCASTEPHEMERIS, vyr_records::BroadcastEphemerisKeyOf>;
using CCollectionCacheBroadcastEphemerisGlo =
    CCollectionCacheMapQWord<VYR_BROADCASTEPHEMERIS_GLO, vyr_records::BroadcastEphemerisGloKeyOf>;
using CCollectionCacheBroadcastEphemerisGal =
    CCollectionCacheMapQWord<VYR_BROADCASTEPHEMERIS_GAL, vyr_records::BroadcastEphemerisGalKeyOf>;
using CCollectionCacheIonoUtc = CCollectionCacheMapQWord<VYR_IONOUTC, vyr_records::IonoUtcKeyOf>;

using CCollectionCacheIonoComputedModel =
    CCollectionCacheMapDWord<VYR_IONO_COMPUTED_MODEL,
                             vyr_records::IonoModelKeyOf<VYR_IONO_COMPUTED_MODEL>>;
using CCollectionCacheIonoKlobucharModel =
    CCollectionCacheMapDWord<VYR_IONO_KLOBUCHAR_MODEL,
                             vyr_records::IonoModelKeyOf<VYR_IONO_KLOBUCHAR_MODEL>>;
using CCollectionCacheIonoGlobalRegModel =
    CCollectionCacheMapDWord<VYR_IONO_GLOBALREG_MODEL,
                             vyr_records::IonoModelKeyOf<VYR_IONO_GLOBALREG_MODEL>>;
using CCollectionCacheIonoModelKey =
    CCollectionCacheMap<uint16_t, uint16_t, vyr_records::IonoModelKeyValueOf, std::less<uint16_t>>;

template <class T>
using CCollectionCachePoint = CCollectionCacheMapDWord<T, vyr_records::PointNumberOf<T>>;
using CCollectionCacheEstablishedPoint =
    CCollectionCacheMap<KEY_COLLECTIONCACHEESTABLISHEDPOINT, VYR_ESTABLISHED_POINT,
                        vyr_records::PointNameOf<VYR_ESTABLISHED_POINT>,
                        KEY_CMP_COLLECTIONCACHEESTABLISHEDPOINT>;
using CCollectionCacheUseForEstablishingPoint =
    CCollectionCacheMap<KEY_COLLECTIONCACHEUSEFORESTABLISHINGPOINT, VYR_USE_FOR_ESTABLISHING_POINT,
                        vyr_records::PointNameOf<VYR_USE_FOR_ESTABLISHING_POINT>,
                        KEY_CMP_COLLECTIONCACHEUSEFORESTABLISHINGPOINT>;

using CCollectionCacheAlmanachEphemeris =
    CCollectionCacheMap<KEY_COLLECTIONCACHEALMANACHEPHEMERIS, VYR_ALMANACHEPHEMERIS,
                        vyr_records::SatelliteTimeOf<VYR_ALMANACHEPHEMERIS>,
                        vyr_records::SatelliteTimeLess>;
using CCollectionCacheAlmanachEphemerisGal =
    CCollectionCacheMap<KEY_COLLECTIONCACHEALMANACHEPHEMERIS, VYR_ALMANACHEPHEMERIS_GAL,
                        vyr_records::SatelliteTimeOf<VYR_ALMANACHEPHEMERIS_GAL>,
                        vyr_records::SatelliteTimeLess>;
using CCollectionCacheAlmanachEphemerisGlo =
    CCollectionCacheMap<KEY_COLLECTIONCACHEALMANACHEPHEMERISGLO, VYR_ALMANACHEPHEMERIS_GLO,
                        vyr_records::SatelliteTimeOf<VYR_ALMANACHEPHEMERIS_GLO>,
                        vyr_records::SatelliteTimeLess>;
using CCollectionCachePreciseEphemeris =
    CCollectionCacheMap<KEY_COLLECTIONCACHEPRECISEEPHEMERIS, VYR_PRECISEEPHEMERIS,
                        vyr_records::SatelliteTimeOf<VYR_PRECISEEPHEMERIS>,
                        vyr_records::SatelliteTimeLess>;
using CCollectionCachePointDesc =
    CCollectionCacheMap<KEY_COLLECTIONCACHEPOINTDESC, VYR_POINT_DESC, vyr_records::PointDescKeyOf,
                        KEY_CMP_COLLECTIONCACHEPOINTDESC>;
using CCollectionCacheProcessingErrorInterval =
    CCollectionCacheMap<KEY_COLLECTIONCACHEPROCESSINGERRORINTERVAL, VYR_PROCESSING_ERROR_INTERVAL,
                        vyr_records::ProcessingErrorIntervalKeyOf,
                        KEY_CMP_COLLECTIONCACHEPROCESSINGERRORINTERVAL>;
using CCollectionCacheIonoGlobalReg =
    CCollectionCacheMap<KEY_COLLECTIONCACHEIONOGLOBALREG, VYR_IONO_GLOBALREG,
                        vyr_records::IonoGlobalRegKeyOf, KEY_CMP_COLLECTIONCACHEIONOGLOBALREG>;
using CCollectionCacheOrbitCoefficientsCoordinates =
    CCollectionCacheMap<KEY_COLLECTIONCACHEORBITCOEFFICIENTS, VYR_ORBIT_COEFFICIENTS_COORDINATES,
                        vyr_records::OrbitCoefficientsKeyOf<VYR_ORBIT_COEFFICIENTS_COORDINATES>,
                        KEY_CMP_COLLECTIONCACHEORBITCOEFFICIENTS>;
using CCollectionCacheOrbitCoefficientsClock =
    CCollectionCacheMap<KEY_COLLECTIONCACHEORBITCOEFFICIENTS, VYR_ORBIT_COEFFICIENTS_CLOCK,
                        vyr_records::OrbitCoefficientsKeyOf<VYR_ORBIT_COEFFICIENTS_CLOCK>,
                        KEY_CMP_COLLECTIONCACHEORBITCOEFFICIENTS>;
