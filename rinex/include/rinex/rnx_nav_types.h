// Navigation records the RINEX access library delivers: every broadcast value exactly as the
// file gives it (units of the file, no conversion); a blank or missing field is 0.
#pragma once

#include <cstdint>

#include "rinex/rnx_types.h"

// GPS LNAV message. Time of clock in GPS time.
struct RNX_NAV_GPS {
    uint8_t prn;
    uint32_t lineNumber;  // first line of the record in its file
    RNX_TIME timeOfClock;
    double clockBias;       // af0, s
    double clockDrift;      // af1, s/s
    double clockDriftRate;  // af2, s/s2
    double iode;
    double crs;     // m
    double deltaN;  // rad/s
    double m0;      // rad
    double cuc;     // rad
    double eccentricity;
    double cus;       // rad
    double sqrtA;     // m^0.5
    double toe;       // s of GPS week
    double cic;       // rad
    double omega0;    // rad
    double cis;       // rad
    double i0;        // rad
    double crc;       // m
    double omega;     // rad
    double omegaDot;  // rad/s
    double idot;      // rad/s
    double codesOnL2;
    double gpsWeek;  // continuous, as written
    double l2PDataFlag;
    double svAccuracy;  // m
    double svHealth;
    double tgd;  // s
    double iodc;
    double transmissionTime;  // s of GPS week
    double fitInterval;       // hours (version 2: as written)
};

// GLONASS FDMA message. Time of clock in UTC(SU). Positions in km, velocities in km/s,
// accelerations in km/s2.
struct RNX_NAV_GLO {
    uint8_t slot;
    uint32_t lineNumber;
    RNX_TIME timeOfClock;
    double minusTauN;         // -TauN, s
    double gammaN;            // +GammaN
    double messageFrameTime;  // s of the UTC day (version 2) or of the UTC week (3 and later)
    double x, xVelocity, xAcceleration;
    double health;  // Bn, 0 = healthy
    double y, yVelocity, yAcceleration;
    double frequencyNumber;  // -7 to +13 (RnxGlonassChannel)
    double z, zVelocity, zAcceleration;
    double ageOfOperationInfo;  // days
    // The fourth orbit line of version 3.05 and 4 records; all 0 when the record has none.
    uint8_t hasStatusLine;
    double statusFlags;
    double l1L2GroupDelay;  // s
    double urai;
    double healthFlags;
};

// Galileo I/NAV or F/NAV message. Time of clock in Galileo system time.
struct RNX_NAV_GAL {
    uint8_t prn;
    uint32_t lineNumber;
    // 'I' for I/NAV, 'F' for F/NAV when the record names it (version 4); 0 in older files,
    // where the data-source word tells.
    char messageType;
    RNX_TIME timeOfClock;
    double clockBias;       // af0, s
    double clockDrift;      // af1, s/s
    double clockDriftRate;  // af2, s/s2
    double iodNav;
    double crs;
    double deltaN;
    double m0;
    double cuc;
    double eccentricity;
    double cus;
    double sqrtA;
    double toe;  // s of Galileo week
    double cic;
    double omega0;
    double cis;
    double i0;
    double crc;
    double omega;
    double omegaDot;
    double idot;
    double dataSources;  // the data-source bit word, as a float as written
    double galWeek;      // as written (aligned to the GPS week)
    double sisa;         // m
    double svHealth;     // health bit word
    double bgdE5aE1;     // s
    double bgdE5bE1;     // s
    double transmissionTime;
};

// One ionosphere correction of a navigation header. type: "GPSA", "GPSB", "GAL", "QZSA",
// "QZSB", "BDSA", "BDSB", "IRNA", "IRNB" as written; version 2 "ION ALPHA" and "ION BETA" are
// delivered as "GPSA" and "GPSB". Missing coefficients are 0.
struct RNX_IONO_CORR {
    char type[5];
    double coefficients[4];
};

// One time-system correction of a navigation header: a0 + a1 * (t - referenceSeconds) in the
// week referenceWeek. type: "GPUT", "GLUT", "GAGP", ... as written; version 2 "DELTA-UTC:
// A0,A1,T,W" is delivered as "GPUT".
struct RNX_TIME_CORR {
    char type[5];
    double a0;
    double a1;
    int32_t referenceSeconds;
    int32_t referenceWeek;
};
