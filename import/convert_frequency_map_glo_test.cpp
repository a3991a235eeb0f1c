#include "import/convert_frequency_map_glo.h"

#include <gtest/gtest.h>

#include "import/import_test_support.h"

using namespace import_test;

namespace {

std::string header(const char* version, char system = 'R') {
    return nav_version_line(version, version[0] == '2' ? 'G' : 'N', system) +
           hdr("", "END OF HEADER");
}

// A message with its channel written as text in the fourth column of orbit line 2.
std::string message_v2(int slot, const std::string& channel) {
    return format("%2d 21  1  1  0 15  0.0", slot) + d19(7.2e-5) + d19(0.0) + d19(900.0) + "\n" +
           nav2_orbit(-1488.8, 1.2, 0.0, 0.0) + "   " + d19(-5000.0) + d19(2.0) + d19(0.0) +
           channel + "\n" + nav2_orbit(21000.5, 0.3, 0.0, 0.0);
}

std::string message_v3(const char* sat, double channel) {
    return nav3_message(sat, 900.0, {{-1488.8, 1.2, 0, 0}, {-5000, 2, 0, channel}, {1, 2, 3, 4}});
}

std::string gps_message_v3(const char* sat) {
    return nav3_message(sat, 0.0, std::vector<std::vector<double>>(7, {1.0, 2.0, 3.0, 4.0}));
}

VYR_ERROR convert(const std::string& content, VYR_GLONASS_FREQUENCYMAP& map) {
    return convert_text<CConvertFileFrequencyMapGlo>(content, map);
}

}  // namespace

TEST(ConvertFileFrequencyMapGlo, LaterMessageOfASlotOverwritesAndOtherSlotsArePassedOver) {
    VYR_GLONASS_FREQUENCYMAP map{};
    ASSERT_EQ(
        convert(header("2.11") + message_v2(3, d19(-4.0)) + message_v2(3, d19(5.0)) +
                    message_v2(24, d19(-7.0)) + message_v2(25, d19(1.0)) + message_v2(0, d19(1.0)),
                map),
        VYR_OK);
    for (int i = 0; i < 24; ++i) EXPECT_EQ(+map.channel[i], i == 2 ? 5 : i == 23 ? -7 : -111) << i;
}

TEST(ConvertFileFrequencyMapGlo,
     ChannelsRoundToTheNearestHalvesAwayFromZeroAndUnsignedBytesAreSigned) {
    const struct {
        std::string text;
        int16_t channel;
    } cases[] = {
        {"-4.000000000000D+00", -4},  // Fortran exponent
        {"-.400000000000D+01", -4},  {" 1.300000000000D+01", 13}, {"-3.500000000000D+00", -4},
        {"-3.400000000000D+00", -3}, {" 2.500000000000D+00", 3},  {" 2.499999999999D+00", 2},
        {"-0.400000000000D+00", 0},  {" 2.530000000000D+02", -3},  // a negative channel written as
                                                                   // its unsigned byte
    };
    for (const auto& c : cases) {
        VYR_GLONASS_FREQUENCYMAP map{};
        ASSERT_EQ(convert(header("2.11") + message_v2(5, c.text), map), VYR_OK) << c.text;
        EXPECT_EQ(+map.channel[4], c.channel) << c.text;
    }
}

TEST(ConvertFileFrequencyMapGlo, VersionThreeAndFourTakeOnlyGlonassMessages) {
    VYR_GLONASS_FREQUENCYMAP map{};
    ASSERT_EQ(convert(header("3.04", 'M') + gps_message_v3("G05") + message_v3("R07", -3.0) +
                          gps_message_v3("G07") + message_v3("R08", 6.0),
                      map),
              VYR_OK);
    EXPECT_EQ(+map.channel[4], -111);  // GPS 5 is no GLONASS slot
    EXPECT_EQ(+map.channel[6], -3);
    EXPECT_EQ(+map.channel[7], 6);

    // Version 4: record lines and the fourth orbit line of GLONASS messages.
    VYR_GLONASS_FREQUENCYMAP v4{};
    ASSERT_EQ(
        convert(header("4.00", 'M') + "> EPH R03 FDMA\n" + message_v3("R03", 5.0) +
                    nav3_orbit(183.0, 0.0, 0.0, 0.0) + "> EPH G01 LNAV\n" + gps_message_v3("G01") +
                    "> EPH R04 FDMA\n" + message_v3("R04", 6.0) + nav3_orbit(183.0, 0.0, 0.0, 0.0),
                v4),
        VYR_OK);
    EXPECT_EQ(+v4.channel[2], 5);
    EXPECT_EQ(+v4.channel[3], 6);
}

// A damaged header fails the file with its line; a message that cannot be used is read past
// with its line, and the channels of the others are kept.
TEST(ConvertFileFrequencyMapGlo, DamagedMessagesAreReadPastWithTheirLines) {
    std::string blankInside = message_v2(3, d19(-4.0));
    blankInside.insert(blankInside.find('\n') + 1, "\n");
    const std::string good = message_v2(5, d19(2.0));
    // The header takes lines 1 and 2; a message starts on line 3.
    const struct {
        std::string text;
        VYR_ERROR expected;
        uint32_t failedAt;
        uint32_t readPastAt;  // 0: nothing read past
    } cases[] = {
        {nav_version_line("1", 'G') + hdr("", "END OF HEADER"), VYR_E_NOT_IMPLEMENTED, 1, 0},
        // No version at all is damage.
        {hdr("", "END OF HEADER"), VYR_E_FAILED_TO_READ, 1, 0},
        {nav_version_line("2.11", 'G') + message_v2(3, d19(-4.0)), VYR_E_HEADER_OR_DATA_MISSING, 0,
         0},
        {header("2.11") + blankInside + good, VYR_OK, 0, 3},        // a blank between orbit lines
        {header("2.11") + message_v2(3, "") + good, VYR_OK, 0, 3},  // orbit line 2: three values
        {header("2.11") + "xx 21  1  1  0 15  0.0\n" + good, VYR_OK, 0, 3},
        // No satellite sends channel 99: read past with the line of the channel.
        {header("2.11") + message_v2(3, d19(99.0)) + good, VYR_OK, 0, 5},
        // The end of the file inside a message ends the import.
        {header("2.11") + good + message_v2(3, d19(-4.0)).substr(0, 60), VYR_OK, 0, 0},
    };
    for (const auto& c : cases) {
        VYR_GLONASS_FREQUENCYMAP map{};
        VyrConversionReport report;
        EXPECT_EQ(convert_text<CConvertFileFrequencyMapGlo>(c.text, map, &report), c.expected)
            << c.text;
        EXPECT_EQ(report.failure.line, c.failedAt) << c.text;
        EXPECT_EQ(report.failure.problem.empty(), c.expected == VYR_OK) << c.text;
        EXPECT_EQ(report.readPast.empty() ? 0u : report.readPast[0].lines.at(0), c.readPastAt)
            << c.text;
        EXPECT_EQ(+map.channel[10], -111);
        EXPECT_EQ(+map.channel[4], c.expected == VYR_OK ? 2 : -111) << c.text;
        EXPECT_NE(+map.channel[2], -4) << c.text;
    }
}
