#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <vyr/processing_errors.h>

namespace {

VYR_PROCESSING_ERROR report(uint32_t code, uint32_t type, const void* payload) {
    VYR_PROCESSING_ERROR error(code, code);
    error.payload.Set(type, payload);
    return error;
}

std::string time_text(double t, VYR_RECORDTOSTRING_TIMEFORMAT format) {
    std::string text = "at ";
    AddTimeToString(t, format, text);
    return text;
}

TEST(AddTimeToString, FormatsMjdCalendarAndGpsTime) {
    EXPECT_EQ(time_text(55000.25, VYR_TIMEFORMAT_MJD), "at 55000.250000");
    EXPECT_EQ(time_text(55000.999999999, VYR_TIMEFORMAT_CALENDAR), "at 19.06.2009,00:00:00.00");
    EXPECT_EQ(time_text(55197.0 + 3723.456 / 86400.0, VYR_TIMEFORMAT_CALENDAR),
              "at 01.01.2010,01:02:03.46");
    EXPECT_EQ(time_text(44244.5, VYR_TIMEFORMAT_GPS), "at    0  43200.000000");
    EXPECT_EQ(time_text(44244.5, static_cast<VYR_RECORDTOSTRING_TIMEFORMAT>(7)),
              "at    0  43200.000000");
    EXPECT_EQ(time_text(55197.0, VYR_TIMEFORMAT_GPS), "at 1564 432000.000000");
}

TEST(AddTimeToString, ValuesThatAreNoDateAreShownAsNumbers) {
    EXPECT_EQ(time_text(-3.5, VYR_TIMEFORMAT_CALENDAR), "at -3.500000");
    EXPECT_EQ(time_text(1e300, VYR_TIMEFORMAT_GPS).substr(0, 5), "at 10");
}

TEST(GetPrnAndSystem, DecodesTheCompactSatelliteNumber) {
    struct Case {
        unsigned char satellite;
        char system;
        unsigned number;
    };
    for (const Case& c : {Case{5, 'G', 5}, Case{32, 'G', 32}, Case{33, 'R', 1}, Case{56, 'R', 24},
                          Case{57, 'E', 1}, Case{106, 'E', 50}, Case{107, 'S', 120},
                          Case{126, 'S', 139}, Case{0, 'U', 0}, Case{200, 'U', 200}}) {
        unsigned char number = 0;
        char system = 0;
        getPrnAndSystem(c.satellite, number, system);
        EXPECT_EQ(system, c.system) << int(c.satellite);
        EXPECT_EQ(number, c.number) << int(c.satellite);
    }
}

TEST(ErrorToString, FillsSatelliteAndTimesIntoTheirPlaces) {
    uint8_t payload[17] = {5};
    const double start = 55197.0, end = 55197.5;
    std::memcpy(payload + 1, &start, 8);
    std::memcpy(payload + 9, &end, 8);
    std::string text;
    EXPECT_EQ(ErrorToString(report(0x00004001, 6, payload), text), VYR_OK);
    EXPECT_EQ(text,
              "No orbits available for satellite G05 between 01.01.2010,00:00:00.00 and "
              "01.01.2010,12:00:00.00.");
}

TEST(ErrorToString, APayloadThatDoesNotFitThePlacesLeavesTheTextAsItIs) {
    const uint8_t satellite = 5;
    std::string text;
    EXPECT_EQ(ErrorToString(report(0x00004001, 1, &satellite), text), VYR_S_UNKNOWN_RETURN_VALUE);
    EXPECT_EQ(text, "No orbits available for satellite %s between %s and %s.");
    // A stored payload of the wrong length reads back empty: nothing to fill in.
    VYR_PROCESSING_ERROR empty(0x00004001, 0x00004001);
    empty.payload.SetTypeOnly(6);
    EXPECT_EQ(ErrorToString(empty, text), VYR_S_UNKNOWN_RETURN_VALUE);
    EXPECT_EQ(text, "No orbits available for satellite %s between %s and %s.");
}

TEST(ErrorToString, TextsWithoutPlacesIgnoreThePayloadAndTheSecondCodeIsAppended) {
    const uint32_t value = 0xAB;
    VYR_PROCESSING_ERROR error = report(0x80009004, 4, &value);
    error.secondCode = 0x80009005;
    std::string text;
    EXPECT_EQ(ErrorToString(error, text), VYR_OK);
    EXPECT_EQ(text, "Entry not found.Read entry failed.");
}

TEST(ErrorToString, ACodeWithoutTextGivesNothing) {
    std::string text = "old";
    EXPECT_EQ(ErrorToString(report(0x80008006, 0, nullptr), text), VYR_E_ENTRY_NOT_FOUND);
    EXPECT_EQ(text, "");
}

}  // namespace
