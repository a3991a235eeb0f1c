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

TEST(AddTimeToString, FormatsMjdCalendarAndGpsTimeAndShowsNonDatesAsNumbers) {
    const struct {
        double time;
        int format;
        const char* text;
    } cases[] = {
        {55000.25, VYR_TIMEFORMAT_MJD, "at 55000.250000"},
        {55000.999999999, VYR_TIMEFORMAT_CALENDAR, "at 19.06.2009,00:00:00.00"},
        {55197.0 + 3723.456 / 86400.0, VYR_TIMEFORMAT_CALENDAR, "at 01.01.2010,01:02:03.46"},
        {44244.5, VYR_TIMEFORMAT_GPS, "at    0  43200.000000"},
        {44244.5, 7, "at    0  43200.000000"},
        {55197.0, VYR_TIMEFORMAT_GPS, "at 1564 432000.000000"},
        {-3.5, VYR_TIMEFORMAT_CALENDAR, "at -3.500000"},
    };
    for (const auto& c : cases) {
        std::string text = "at ";
        AddTimeToString(c.time, static_cast<VYR_RECORDTOSTRING_TIMEFORMAT>(c.format), text);
        EXPECT_EQ(text, c.text) << c.time << " format " << c.format;
    }
    std::string huge = "at ";
    AddTimeToString(1e300, VYR_TIMEFORMAT_GPS, huge);
    EXPECT_EQ(huge.substr(0, 5), "at 10");
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

TEST(ErrorToString, FillsThePlacesOnlyWithAPayloadThatFitsThem) {
    uint8_t interval[17] = {5};
    const double start = 55197.0, end = 55197.5;
    std::memcpy(interval + 1, &start, 8);
    std::memcpy(interval + 9, &end, 8);
    const uint8_t satellite = 5;
    const uint32_t value = 0xAB;
    VYR_PROCESSING_ERROR wrongLength(0x00004001, 0x00004001);
    wrongLength.payload.SetTypeOnly(6);  // a stored payload of the wrong length reads back empty
    VYR_PROCESSING_ERROR twoCodes = report(0x80009004, 4, &value);
    twoCodes.secondCode = 0x80009005;
    const char* const kUnfilled = "No orbits available for satellite %s between %s and %s.";

    const struct {
        VYR_PROCESSING_ERROR error;
        VYR_ERROR result;
        const char* text;
    } cases[] = {
        {report(0x00004001, 6, interval), VYR_OK,
         "No orbits available for satellite G05 between 01.01.2010,00:00:00.00 and "
         "01.01.2010,12:00:00.00."},
        {report(0x00004001, 1, &satellite), VYR_S_UNKNOWN_RETURN_VALUE, kUnfilled},
        {wrongLength, VYR_S_UNKNOWN_RETURN_VALUE, kUnfilled},
        // A text without places ignores the payload; the second code's text is appended.
        {twoCodes, VYR_OK, "Entry not found.Read entry failed."},
        {report(0x80008006, 0, nullptr), VYR_E_ENTRY_NOT_FOUND, ""},  // no text for the code
    };
    for (const auto& c : cases) {
        std::string text = "old";
        EXPECT_EQ(ErrorToString(c.error, text), c.result) << std::hex << c.error.code;
        EXPECT_EQ(text, c.text) << std::hex << c.error.code;
    }
}

}  // namespace
