// Value records the RINEX access library exchanges with its callers.
#pragma once

#include <cstdint>

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

// kind: 1 code, 2 phase, 3 Doppler, 4 signal strength. band: 2 to 7 for RINEX bands 1, 2, 5,
// 6, 7, 8. attribute: 1 to 15 for P, C, D, Y, M, N, A, B, I, Q, S, L, X, W, Z.
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
#pragma pack(pop)

static_assert(sizeof(RNX_TIME) == 18);
static_assert(sizeof(RNX_OBS_CODE) == 12);
static_assert(sizeof(RNX_COORD) == 28);
