#include <vyr/rinex_conversions.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <utility>

#include "gnss/rinex_codes.h"

namespace {

using vyr_gnss::rinex_attribute_code;
using vyr_gnss::rinex_band_code;

RNX_OBS_CODE code_of(char band, char attribute, uint32_t kind = 0) {
    return RNX_OBS_CODE{kind, rinex_band_code(band), rinex_attribute_code(attribute)};
}

// The numbering the RINEX access library uses in RNX_OBS_CODE.
TEST(RinexCodes, NumberBandDigitsAndAttributeLetters) {
    const std::pair<char, uint32_t> bands[] = {{'1', 2}, {'2', 3}, {'5', 4}, {'8', 7}, {'3', 0}};
    for (const auto& [digit, code] : bands) EXPECT_EQ(rinex_band_code(digit), code) << digit;
    const std::pair<char, uint32_t> letters[] = {
        {'P', 1}, {'C', 2}, {'X', 13}, {'Z', 15}, {'E', 0}};
    for (const auto& [letter, code] : letters)
        EXPECT_EQ(rinex_attribute_code(letter), code) << letter;
}

TEST(SatSysConversion, IsTheIdentityForTheFourSharedSystems) {
    for (int32_t value = -1; value <= 6; ++value) {
        const bool shared = value >= 1 && value <= 4;
        EXPECT_EQ(Vyr_Vyr2RnxSatSys(static_cast<VYR_SATELLITE_SYSTEM>(value)), shared ? value : 0);
        EXPECT_EQ(Vyr_Rnx2VyrSatSys(static_cast<eSATSYS>(value)), shared ? value : 0);
    }
}

// Every signal we read, as system, band digit, the attribute letters that share it, and type;
// every other combination reads as no signal, whatever the kind.
TEST(Rnx2VyrObsType, ReadsEveryListedSignalAndNothingElse) {
    struct Row {
        int sys;
        char band;
        const char* letters;
        int type;
    };
    const Row rows[] = {
        {1, '1', "C", 1},    {1, '1', "PYW", 2},  {1, '2', "DYW", 3},   {1, '2', "P", 4},
        {1, '2', "CSLX", 5}, {1, '5', "NIQX", 6}, {2, '1', "C", 1},     {2, '1', "P", 2},
        {2, '2', "P", 4},    {2, '2', "C", 5},    {3, '1', "CABZX", 9}, {3, '6', "CABZX", 11},
        {3, '5', "IQX", 7},  {3, '7', "IQX", 8},  {3, '8', "IQX", 10},  {4, '1', "C", 1},
        {4, '5', "CIQX", 6},
    };
    for (int sys = 0; sys <= 5; ++sys) {
        for (const char band : std::string("1256783")) {
            for (const char letter : std::string("PCDYMNABIQSLXWZ")) {
                int expected = 0;
                for (const Row& r : rows) {
                    if (r.sys == sys && r.band == band && std::strchr(r.letters, letter))
                        expected = r.type;
                }
                for (uint32_t kind : {0u, 1u, 4u}) {
                    EXPECT_EQ(
                        Vyr_Rnx2VyrObsType(static_cast<eSATSYS>(sys), code_of(band, letter, kind)),
                        expected)
                        << sys << " " << band << letter << " kind " << kind;
                }
            }
        }
    }
    EXPECT_EQ(Vyr_Rnx2VyrObsType(eSATSYS_GPS, RNX_OBS_CODE{1, 0, 0}), VYR_OBS_NONE);
    EXPECT_EQ(Vyr_Rnx2VyrObsType(eSATSYS_GPS, RNX_OBS_CODE{1, 99, 99}), VYR_OBS_NONE);
}

// Every written code reads back as its signal; its text is the same band and attribute.
TEST(Vyr2RnxObsType, WritesOneCodePerSignalAndZeroForTheRest) {
    struct Case {
        int sys, type;
        char band, attribute;
    };
    const Case listed[] = {
        {1, 1, '1', 'C'}, {1, 2, '1', 'P'}, {1, 3, '2', 'W'}, {1, 4, '2', 'P'},  {1, 5, '2', 'X'},
        {1, 6, '5', 'X'}, {2, 1, '1', 'C'}, {2, 2, '1', 'P'}, {2, 4, '2', 'P'},  {2, 5, '2', 'C'},
        {3, 7, '5', 'X'}, {3, 8, '7', 'X'}, {3, 9, '1', 'X'}, {3, 10, '8', 'Q'}, {3, 11, '6', 'X'},
        {4, 1, '1', 'C'}, {4, 6, '5', 'I'},
    };
    for (int sys = 0; sys <= 5; ++sys) {
        for (int type = 0; type <= 12; ++type) {
            RNX_OBS_CODE expected{};
            std::string text;
            for (const Case& c : listed) {
                if (c.sys == sys && c.type == type) {
                    expected = code_of(c.band, c.attribute);
                    text = {c.band, c.attribute};
                }
            }
            const auto system = static_cast<eSATSYS>(sys);
            const RNX_OBS_CODE code = Vyr_Vyr2RnxObsType(system, static_cast<VYR_OBSTYPE>(type));
            EXPECT_EQ(Vyr_RnxSignalText(system, static_cast<VYR_OBSTYPE>(type)), text)
                << sys << "/" << type;
            EXPECT_EQ(std::make_tuple(+code.kind, +code.band, +code.attribute),
                      std::make_tuple(0u, +expected.band, +expected.attribute))
                << sys << "/" << type;
            if (code.band != 0) {
                EXPECT_EQ(Vyr_Rnx2VyrObsType(system, code), type) << sys << "/" << type;
            }
        }
    }
}

// Quality in tenths of dB-Hz: flag x 120 + 50; back to the nearest flag.
TEST(SignalStrength, FlagToQualityAndBack) {
    for (const auto& [flag, quality] :
         {std::pair<unsigned short, uint16_t>{0, 50}, {1, 170}, {5, 650}, {9, 1130}}) {
        EXPECT_EQ(Vyr_RnxSnrFlag2VyrQualitydBHz(flag), quality);
        EXPECT_EQ(Vyr_VyrQualitydBHz2RnxSnrFlag(quality), flag);
    }
    for (const auto& [quality, flag] : {std::pair<unsigned short, uint16_t>{0, 0},
                                        {49, 0},
                                        {109, 0},
                                        {110, 1},
                                        {229, 1},
                                        {230, 2},
                                        {1200, 10},
                                        {65535, 546}}) {
        EXPECT_EQ(Vyr_VyrQualitydBHz2RnxSnrFlag(quality), flag) << quality;
    }
}

}  // namespace
