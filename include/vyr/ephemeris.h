// Orbit and ionosphere records of the common data, stored byte for byte in these packed
// layouts. Seconds of week are GPS seconds of week; weeks count from MJD 44244.
#pragma once

#include <cstdint>

#pragma pack(push, 1)
// GPS broadcast ephemeris, one navigation message.
struct VYR_BROADCASTEPHEMERIS {
    uint8_t prn;
    uint8_t status;  // always 5
    uint16_t health;
    uint16_t week;
    uint16_t accuracy;  // metres, rounded
    uint8_t reserved[6];
    uint16_t codesOnL2;
    uint16_t l2PDataFlag;
    uint16_t iodc;  // bits 8-9 from the message's IODC, bits 0-7 from its IODE
    float tgd;
    double m0;
    float deltaN;
    double eccentricity;
    double sqrtA;
    double omega0;
    double i0;
    double omega;
    float omegaDot;
    float idot;
    float cuc;
    float cus;
    float crc;
    float crs;
    float cic;
    float cis;
    uint32_t toe;  // seconds of week, truncated
    uint32_t toc;  // seconds of week of the clock epoch
    float af0;
    float af1;
    float af2;
};

// GLONASS broadcast ephemeris; positions, velocities and accelerations in metres.
struct VYR_BROADCASTEPHEMERIS_GLO {
    uint8_t slot;
    uint8_t status;  // always 2
    uint8_t channel;
    uint8_t reserved1;
    uint8_t one;  // always 1
    uint16_t week;
    uint32_t secondsOfWeek;
    uint8_t reserved2[8];
    uint8_t health;  // 1 when the message's health value is above 0
    uint8_t reserved3;
    double x;
    double y;
    double z;
    double vx;
    double vy;
    double vz;
    double ax;
    double ay;
    double az;
    double tauN;
    uint8_t reserved4[8];
    double gammaN;
    uint32_t frameTime;  // seconds of day
    uint32_t age;        // days
};

// Galileo broadcast ephemeris: one of the two clock sets is filled, the other stays 0.
struct VYR_BROADCASTEPHEMERIS_GAL {
    uint8_t prn;
    uint8_t status;  // 2 when sqrtA is at least 0.1, else 0
    uint32_t toe;
    uint16_t week;
    uint16_t iodNav;
    double m0;
    double deltaN;
    double eccentricity;
    double sqrtA;
    double omega0;
    double i0;
    double omega;
    double omegaDot;
    double idot;
    double cuc;
    double cus;
    double crc;
    double crs;
    double cic;
    double cis;
    double bgdE5aE1;
    uint8_t sisa;
    uint8_t dataSource;    // 2: I/NAV, 1: F/NAV
    uint8_t healthE5a;     // HS in bits 1-2
    uint8_t healthE1bE5b;  // E1-B HS in bits 1-2, E5b HS in bits 4-5
    uint32_t tocE5aE1;
    double af0E5aE1;
    double af1E5aE1;
    double af2E5aE1;
    double bgdE5bE1;
    uint32_t tocE5bE1;
    double af0E5bE1;
    double af1E5bE1;
    double af2E5bE1;
};

// Klobuchar coefficients and their reference epoch.
struct VYR_IONOUTC {
    uint16_t week;
    uint32_t secondsOfWeek;
    uint8_t reserved1[6];
    uint8_t content;  // 2: Klobuchar coefficients from a navigation header
    uint8_t reserved2[26];
    float alpha[4];
    float beta[4];
    uint8_t reserved3[2];
};

// One precise position of one satellite.
struct VYR_PRECISEEPHEMERIS {
    uint8_t satellite;  // compact number: GPS n, GLONASS n + 32, Galileo n + 56
    double x;           // metres
    double y;
    double z;
    double clock;  // seconds
    double epoch;  // MJD with fraction, in the file's time scale
};

// Almanacs: the satellite and the reference time take part in the key; the rest is kept as it
// was imported.
struct VYR_ALMANACHEPHEMERIS {
    uint8_t satellite;
    uint8_t data1[54];
    double time;  // MJD with fraction
    uint8_t data2[8];
};

struct VYR_ALMANACHEPHEMERIS_GAL {
    uint8_t satellite;
    uint8_t data1[54];
    double time;
    uint8_t data2[11];
};

struct VYR_ALMANACHEPHEMERIS_GLO {
    uint8_t satellite;
    double time;
    uint8_t data[66];
};

struct VYR_IONO_COEFFICIENT {
    double value;  // TECU
    int16_t degree;
    int16_t order;
    double rms;  // TECU
};

// One spherical-harmonic ionosphere model.
struct VYR_IONO_GLOBALREG {
    static constexpr int kMaxCoefficients = 300;

    uint32_t mappingFunction;
    uint32_t modelType;  // 0 local/regional, 1 global, 2 station
    VYR_IONO_COEFFICIENT coefficients[kMaxCoefficients];
    double fromEpoch;  // MJD with fraction
    double toEpoch;
    double poleLatitude;  // degrees
    double poleLongitude;
    double minLatitude;
    double maxLatitude;
    uint8_t frame;  // 0 geographical, 1 geomagnetic
    double height;  // kilometres
    uint16_t maxDegree;
    uint16_t maxOrder;
};
#pragma pack(pop)

static_assert(sizeof(VYR_BROADCASTEPHEMERIS) == 128);
static_assert(sizeof(VYR_BROADCASTEPHEMERIS_GLO) == 125);
static_assert(sizeof(VYR_BROADCASTEPHEMERIS_GAL) == 206);
static_assert(sizeof(VYR_IONOUTC) == 73);
static_assert(sizeof(VYR_PRECISEEPHEMERIS) == 41);
static_assert(sizeof(VYR_ALMANACHEPHEMERIS) == 71);
static_assert(sizeof(VYR_ALMANACHEPHEMERIS_GAL) == 74);
static_assert(sizeof(VYR_ALMANACHEPHEMERIS_GLO) == 75);
static_assert(sizeof(VYR_IONO_COEFFICIENT) == 20);
static_assert(sizeof(VYR_IONO_GLOBALREG) == 6069);
