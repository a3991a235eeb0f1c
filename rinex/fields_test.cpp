#include "rinex/fields.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstring>
#include <random>
#include <string>

namespace {

// What the general parser of the standard library makes of a trimmed field.
bool reference_value(std::string_view field, double& value) {
    field = rnx::trim(field);
    if (!field.empty() && field.front() == '+') field.remove_prefix(1);
    const auto res = std::from_chars(field.data(), field.data() + field.size(), value);
    return res.ec == std::errc() && res.ptr == field.data() + field.size();
}

bool same_bits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace

TEST(Fields, NumbersParseWithoutLocaleInFortranAndPlainForms) {
    struct Case {
        const char* text;
        rnx::Parsed parsed;
        double value;
    };
    const Case cases[] = {
        {"  .513000000000D+03", rnx::Parsed::kOk, 513.0},
        {"-1.932676241267d-12", rnx::Parsed::kOk, -1.932676241267e-12},
        {"  +3.5E+00", rnx::Parsed::kOk, 3.5},
        {"-.5", rnx::Parsed::kOk, -0.5},
        {"      ", rnx::Parsed::kBlank, 0.0},
        {". 000000000000D+00", rnx::Parsed::kBad, 0.0},
        {"1.0,5", rnx::Parsed::kBad, 0.0},
        {"nan", rnx::Parsed::kBad, 0.0},
        {"inf", rnx::Parsed::kBad, 0.0},
        {"+-1", rnx::Parsed::kBad, 0.0},
        {"1e400", rnx::Parsed::kBad, 0.0},
    };
    for (const Case& c : cases) {
        double v = 99;
        EXPECT_EQ(rnx::parse_double(c.text, v), c.parsed) << c.text;
        EXPECT_DOUBLE_EQ(v, c.value) << c.text;
    }
    int32_t n = 0;
    EXPECT_EQ(rnx::parse_int(" +12", n), rnx::Parsed::kOk);
    EXPECT_EQ(n, 12);
    EXPECT_EQ(rnx::parse_int("1 2", n), rnx::Parsed::kBad);
    EXPECT_EQ(rnx::parse_int("99999999999", n), rnx::Parsed::kBad);
}

TEST(Fields, ColumnsOfShortLinesAndBoundedTextCopies) {
    EXPECT_EQ(rnx::column("abc", 1, 10), "bc");
    EXPECT_EQ(rnx::column("abc", 5, 2), "");
    char out[5];
    rnx::copy_text("  TRIMBLE NETR9  ", out, sizeof out);
    EXPECT_STREQ(out, "TRIM");
}

// The quick paths for plain decimals must give exactly what the general parser gives, down to the
// last bit and the sign of zero, and leave every other form to it.
TEST(Fields, QuickDecimalPathsAgreeWithTheGeneralParserBitForBit) {
    std::mt19937_64 random(20261206);
    for (int i = 0; i < 200000; ++i) {
        // Up to 16 digits: beyond 15 the quick path must step aside.
        const int decimals = static_cast<int>(random() % 4);
        std::string text = random() % 3 == 0 ? "-" : "";
        for (int d = static_cast<int>(random() % (17 - decimals)); d > 0; --d)
            text += static_cast<char>('0' + random() % 10);
        text += '.';
        for (int d = decimals; d > 0; --d) text += static_cast<char>('0' + random() % 10);
        if (text == "." || text == "-.") continue;
        const std::string field = std::string(text.size() < 14 ? 14 - text.size() : 0, ' ') + text;
        double expected = 0;
        ASSERT_TRUE(reference_value(field, expected)) << field;
        double quick = 1;
        double general = 1;
        ASSERT_EQ(rnx::parse_observation_value(field, quick), rnx::Parsed::kOk) << field;
        ASSERT_EQ(rnx::parse_double(field, general), rnx::Parsed::kOk) << field;
        ASSERT_TRUE(same_bits(quick, expected)) << field;
        ASSERT_TRUE(same_bits(general, expected)) << field;
    }

    // Fields of the observation shape that are not plain decimals.
    const char* odd[] = {"  1234567.-123", "  12345 7.123",  "  -  1234.567",  " 1-2345678.123",
                         "  12345678.12 ", "  1234567.12a",  "-1234567890.12", "              ",
                         "          .125", "     -0001.500", " +12345678.123", "1234567890.123"};
    for (const char* field : odd) {
        double quick = 1;
        double general = 2;
        EXPECT_EQ(rnx::parse_observation_value(field, quick), rnx::parse_double(field, general))
            << field;
        EXPECT_TRUE(same_bits(quick, general)) << field;
    }
}
