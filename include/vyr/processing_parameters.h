// The processing parameters of a project: an outer block, the kernel part and the orbit part.
// The processing application gives the fields their meaning; the library keeps their positions,
// types and defaults. Fields are named by type and offset within their block.
#pragma once

#include <cstdint>
#include <map>
#include <set>

#include "vyr/export.h"
#include "vyr/satellite.h"

#pragma pack(push, 1)
struct VYR_PROCESSING_PARAMETERS_OUTER_FIELDS {
    uint32_t u32_0 = 0;
    uint32_t u32_4 = 2;
    uint32_t u32_8 = 1000;
    uint32_t u32_12 = 30000;
    uint32_t u32_16 = 2;
    uint32_t u32_20 = 2;
    uint32_t u32_24 = 1;
    uint32_t u32_28 = 2;
    double f64_32 = 350000.0;
    double f64_40 = 21600.0;
    double f64_48 = 0.25;
    uint32_t u32_56 = 0;
    uint32_t u32_60 = 0;
    uint8_t u8_64 = 1;
    double f64_65 = 300.0;
    double f64_73 = 50000.0;
    uint8_t u8_81 = 25;
    uint32_t u32_82 = 0;
    uint32_t u32_86 = 2;
    uint32_t u32_90 = 0;
};

struct VYR_PROCESSING_PARAMETERS_KERNEL_FIELDS {
    uint8_t u8_0 = 0;
    uint16_t u16_1 = 64;
    double f64_3 = 0.2617993877991494;  // 15 degrees in radians
    uint32_t u32_11 = 0;
    uint32_t u32_15 = 0;
    double f64_19 = 100000.0;
    double f64_27 = 0.015;
    uint32_t u32_35 = 0;
    uint8_t u8_39 = 3;
    double f64_40 = 5000.0;
    double f64_48 = 15000.0;
    uint32_t u32_56 = 0;
    double f64_60 = 0.01;
    double f64_68 = 0.7;
    uint32_t u32_76 = 0;
    uint32_t u32_80 = 0;
    uint32_t u32_84 = 0;
    uint16_t u16_88 = 64;
    uint32_t u32_90 = 0;
    uint16_t u16_94 = 128;
    uint32_t u32_96 = 0;
    uint32_t u32_100 = 360;
    uint32_t u32_104 = 360;
    uint32_t u32_108 = 300;
    double f64_112 = 0.05;
};

struct VYR_PROCESSING_PARAMETERS_ORBIT_FIELDS {
    uint32_t u32_0 = 0;
    uint8_t u8_4 = 7;
    double f64_5 = 60.0;
    double f64_13 = 30.0;
    uint32_t u32_21 = 0;
    uint8_t u8_25 = 10;
    double f64_26 = 720.0;
    uint8_t u8_34 = 2;
    double f64_35 = 60.0;
    uint8_t u8_43 = 2;
    uint8_t u8_44 = 0;  // never stored: keeps its value in memory only
};
#pragma pack(pop)

static_assert(sizeof(VYR_PROCESSING_PARAMETERS_OUTER_FIELDS) == 94);
static_assert(sizeof(VYR_PROCESSING_PARAMETERS_KERNEL_FIELDS) == 120);
static_assert(sizeof(VYR_PROCESSING_PARAMETERS_ORBIT_FIELDS) == 45);

struct VYR_PROCESSING_PARAMETERS_KERNEL {
    VYR_PROCESSING_PARAMETERS_KERNEL_FIELDS fields;
    std::map<uint32_t, uint32_t> values;
};

struct VYR_PROCESSING_PARAMETERS_ORBIT {
    VYR_PROCESSING_PARAMETERS_ORBIT_FIELDS fields;
    std::set<VYR_SATID> satellites;
};

// Default-constructed, it holds the defaults a new project stores.
struct VYR_PROCESSING_PARAMETERS {
    VYR_PROCESSING_PARAMETERS_OUTER_FIELDS outer;
    VYR_PROCESSING_PARAMETERS_KERNEL kernel;
    VYR_PROCESSING_PARAMETERS_ORBIT orbit;
};
