#include <vyr/rinex_conversions.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>

#include "gnss/rinex_codes.h"

namespace {

using vyr_gnss::rinex_attribute_code;
using vyr_gnss::rinex_band_code;

RNX_OBS_CODE code_of(char band, char attribute, uint32_t kind = 0) {
    return RNX_OBS_CODE{kind, rinex_band_code(band), rinex_attribute_code(attribute)};
}

TEST(RinexCodes, NumberBandDigitsAndAttributeLetters) {
    const std::string digits = "125678";
    for (size_t i = 0; i < digits.size(); ++i)
        EXPECT_EQ(rinex_band_code(digits[i]), i + 2) << digits[i];
    EXPECT_EQ(rinex_band_code('3'), 0u);
    const std::string letters = "PCDYMNABIQSLXWZ";
    for (size_t i = 0; i < letters.size(); ++i)
        EXPECT_EQ(rinex_attribute_code(letters[i]), i + 1) << letters[i];
    EXPECT_EQ(rinex_attribute_code('E'), 0u);
}

TEST(SatSysConversion, IsTheIdentityForTheFourSharedSystems) {
    for (int32_t value = -1; value <= 6; ++value) {
        const bool shared = value >= 1 && value <= 4;
        EXPECT_EQ(Vyr_Vyr2RnxSatSys(static_cast<VYR_SATELLITE_SYSTEM>(value)), shared ? value : 0);
        EXPECT_EQ(Vyr_Rnx2VyrSatSys(static_cast<eSATSYS>(value)), shared ? value : 0);
    }
}

// Every (system, band digit, attribute letter) that names one of our signals; all others give 0.
const std::map<std::tuple<int, char, char>, int>& readable_signals() {
    static const std::map<std::tuple<int, char, char>, int> table = [] {
        std::map<std::tuple<int, char, char>, int> t;
        auto add = [&](int sys, char band, const char* letters, int type) {
            for (const char* p = letters; *p; ++p) t[{sys, band, *p}] = type;
        };
        add(1, '1', "C", 1);
        add(1, '1', "PYW", 2);
        add(1, '2', "DYW", 3);
        add(1, '2', "P", 4);
        add(1, '2', "CSLX", 5);
        add(1, '5', "NIQX", 6);
        add(2, '1', "C", 1);
        add(2, '1', "P", 2);
        add(2, '2', "P", 4);
        add(2, '2', "C", 5);
        add(3, '1', "CABZX", 9);
        add(3, '6', "CABZX", 11);
        add(3, '5', "IQX", 7);
        add(3, '7', "IQX", 8);
        add(3, '8', "IQX", 10);
        add(4, '1', "C", 1);
        add(4, '5', "CIQX", 6);
        return t;
    }();
    return table;
}

TEST(Rnx2VyrObsType, ReadsEveryListedSignalAndNothingElse) {
    const std::string bands = "1256783";
    const std::string letters = "PCDYMNABIQSLXWZ";
    int listed = 0;
    for (int sys = 0; sys <= 5; ++sys) {
        for (const char band : bands) {
            for (const char letter : letters) {
                const auto found = readable_signals().find({sys, band, letter});
                const int expected = found == readable_signals().end() ? 0 : found->second;
                listed += expected != 0;
                // The kind is never looked at.
                for (uint32_t kind : {0u, 1u, 4u}) {
                    EXPECT_EQ(
                        Vyr_Rnx2VyrObsType(static_cast<eSATSYS>(sys), code_of(band, letter, kind)),
                        expected)
                        << sys << " " << band << letter << " kind " << kind;
                }
            }
        }
    }
    EXPECT_EQ(listed, 44);
    EXPECT_EQ(Vyr_Rnx2VyrObsType(eSATSYS_GPS, RNX_OBS_CODE{1, 0, 0}), VYR_OBS_NONE);
    EXPECT_EQ(Vyr_Rnx2VyrObsType(eSATSYS_GPS, RNX_OBS_CODE{1, 99, 99}), VYR_OBS_NONE);
}

TEST(Vyr2RnxObsType, WritesOneCodePerSignalAndZeroForTheRest) {
    struct Case {
        int sys;
        int type;
        char band;
        char attribute;
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
            for (const Case& c : listed) {
                if (c.sys == sys && c.type == type) expected = code_of(c.band, c.attribute);
            }
            const RNX_OBS_CODE code =
                Vyr_Vyr2RnxObsType(static_cast<eSATSYS>(sys), static_cast<VYR_OBSTYPE>(type));
            EXPECT_EQ(code.kind, 0u);
            EXPECT_EQ(code.band, expected.band) << sys << "/" << type;
            EXPECT_EQ(code.attribute, expected.attribute) << sys << "/" << type;
        }
    }
}

TEST(ObsTypeConversion, EveryWrittenCodeReadsBackAsItsSignal) {
    for (int sys = 1; sys <= 4; ++sys) {
        for (int type = 1; type <= 11; ++type) {
            const auto system = static_cast<eSATSYS>(sys);
            const RNX_OBS_CODE code = Vyr_Vyr2RnxObsType(system, static_cast<VYR_OBSTYPE>(type));
            if (code.band == 0) continue;
            EXPECT_EQ(Vyr_Rnx2VyrObsType(system, code), type) << sys << "/" << type;
        }
    }
}

TEST(SignalStrength, FlagToQualityAndBack) {
    struct Case {
        unsigned short flag;
        uint16_t quality;
    };
    for (const Case& c : {Case{0, 50}, Case{1, 170}, Case{5, 650}, Case{9, 1130}}) {
        EXPECT_EQ(Vyr_RnxSnrFlag2VyrQualitydBHz(c.flag), c.quality);
        EXPECT_EQ(Vyr_VyrQualitydBHz2RnxSnrFlag(c.quality), c.flag);
    }
    struct Back {
        unsigned short quality;
        uint16_t flag;
    };
    for (const Back& c : {Back{0, 0}, Back{49, 0}, Back{109, 0}, Back{110, 1}, Back{229, 1},
                          Back{230, 2}, Back{1200, 10}, Back{65535, 546}}) {
        EXPECT_EQ(Vyr_VyrQualitydBHz2RnxSnrFlag(c.quality), c.flag) << c.quality;
    }
}

}  // namespace
