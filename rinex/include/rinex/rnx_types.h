// Value records the RINEX access library exchanges with its callers.
#pragma once

#include <cstdint>
#include <vector>

// Satellite systems as the library delivers them; systems it does not convert are 0.
enum eSATSYS : int32_t {
    eSATSYS_OTHER = 0,
    eSATSYS_GPS = 1,
    eSATSYS_GLONASS = 2,
    eSATSYS_GALILEO = 3,
    eSATSYS_SBAS = 4,
};

// Time systems of RINEX time tags.
enum eTIMESYS : int32_t {
    eTIMESYS_NONE = 0,
    eTIMESYS_GPS = 1,
    eTIMESYS_GLO = 2,
    eTIMESYS_GAL = 3,
    eTIMESYS_BDT = 4,
    eTIMESYS_UTC = 5,
    eTIMESYS_QZS = 6,
    eTIMESYS_IRN = 7,
    eTIMESYS_TAI = 8,
};

// The RINEX epoch flag plus one.
enum eEPOCHFLAG : int32_t {
    eEPOCHFLAG_NONE = 0,
    eEPOCHFLAG_OK = 1,
    eEPOCHFLAG_POWER_FAILURE = 2,
    eEPOCHFLAG_START_MOVING = 3,
    eEPOCHFLAG_NEW_SITE = 4,
    eEPOCHFLAG_HEADER_FOLLOWS = 5,
    eEPOCHFLAG_EXTERNAL_EVENT = 6,
    eEPOCHFLAG_CYCLE_SLIP = 7,
};

// Result codes of the library: 0 success, 1-9 errors, 100-107 warnings.
enum eRNX : int32_t {
    eRNX_S_OK = 0,
    eRNX_E_FILE_NOT_FOUND = 1,
    eRNX_E_FILE_READ_ERROR = 2,
    eRNX_E_FORMAT_VERSION_NOT_SUPPORTED = 3,
    eRNX_E_FILE_TYPE_NOT_SUPPORTED = 4,
    eRNX_E_HEADER_DATA_MISSING = 5,
    eRNX_E_NONIMPL = 6,
    eRNX_E_DOM_NOT_ENABLED = 7,
    eRNX_E_STATION_NOT_FOUND = 8,
    eRNX_E_FILE_WRITE_ERROR = 9,
    eRNX_W_HEADER_LABEL_UNKNOWN = 100,
    eRNX_W_HEADER_DATA_UNKNOWN = 101,
    eRNX_W_HEADER_DATA_MISSING = 102,
    eRNX_W_DATA_READ_ERROR = 103,
    eRNX_W_DATA_EPOCH_MISSING = 104,
    eRNX_W_DATA_OBS_MISSING = 105,
    eRNX_W_DATA_INVALID = 106,
    eRNX_W_DATA_PRN_INVALID = 107,
};

#pragma pack(push, 1)
struct RNX_TIME {
    eTIMESYS timeSystem;
    uint16_t year;
    uint8_t month;
    uint8_t day;
    uint8_t hour;
    uint8_t minute;
    double seconds;
};

// kind: 1 code, 2 phase, 3 Doppler, 4 signal strength (0 for any other observation letter).
// band: 2 to 7 for RINEX bands 1, 2, 5, 6, 7, 8; the bands the system does not convert follow
// as 8, 9, 10 for RINEX bands 3, 4, 9 (0: not a band). attribute: 1 to 15 for P, C, D, Y, M, N,
// A, B, I, Q, S, L, X, W, Z; 16 for E and 17 for R, which only unconverted signals use (0: not
// an attribute). A code whose band or attribute is 0 is still delivered, so that no column of
// the file is silently dropped.
struct RNX_OBS_CODE {
    uint32_t kind;
    uint32_t band;
    uint32_t attribute;
};

// type 1: cartesian X, Y, Z in metres.
struct RNX_COORD {
    uint32_t type;
    double x;
    double y;
    double z;
};
// One observation of one satellite: the value as written divided by the file's scale factor,
// and the two digits after it (0 when blank).
struct RNX_OBS_VALUE {
    RNX_OBS_CODE code;
    double value;
    uint8_t lossOfLock;
    uint8_t signalStrength;
};
#pragma pack(pop)

// A satellite of an epoch. number: the two digits of the satellite id, plus 100 for SBAS
// (S20 is 120). systemLetter keeps the file's letter, which identifies systems delivered as
// eSATSYS_OTHER (BeiDou C, QZSS J, IRNSS I).
struct RNX_OBS_SAT {
    eSATSYS system;
    uint8_t number;
    char systemLetter;
    uint8_t reserved[3];
    std::vector<RNX_OBS_VALUE> values;
};

// An epoch record. time: the epoch (year 0 when an event record carries no date). clockOffset:
// the receiver clock offset in seconds when hasClockOffset is 1. recordCount: the number after
// the flag as written (satellites, or the special lines of an event). lineNumber: the line of
// the epoch record in its file, for the caller's own messages.
struct RNX_OBS_EPOCH {
    RNX_TIME time;
    eEPOCHFLAG flag;
    double clockOffset;
    uint8_t hasClockOffset;
    uint32_t recordCount;
    uint32_t lineNumber;
    std::vector<RNX_OBS_SAT> satellites;
};

static_assert(sizeof(RNX_TIME) == 18);
static_assert(sizeof(RNX_OBS_CODE) == 12);
static_assert(sizeof(RNX_COORD) == 28);
static_assert(sizeof(RNX_OBS_VALUE) == 22);
