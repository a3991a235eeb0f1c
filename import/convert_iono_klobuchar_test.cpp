#include "import/convert_iono_klobuchar.h"

#include <gtest/gtest.h>

#include "import/import_test_support.h"

using namespace import_test;

namespace {

std::vector<VYR_IONOUTC> convert(const std::string& content) {
    std::vector<VYR_IONOUTC> out(2);  // emptied first
    EXPECT_EQ(convert_text<CConvertFileRinexIonoKlobuchar>(content, out), VYR_OK);
    return out;
}

const std::string kVersion2 = nav_version_line("2.10", 'N');
const std::string kProgram = hdr("test", "PGM / RUN BY / DATE");
const std::string kAlpha = hdr("    .1118D-07  .2235D-07 -.5960D-07 -.1192D-06", "ION ALPHA");
const std::string kBeta = hdr("    .1167D+06  .1802D+06 -.1311D+06 -.4588D+06", "ION BETA");
const std::string kEnd = hdr("", "END OF HEADER");

}  // namespace

TEST(ConvertFileRinexIonoKlobuchar, VersionTwoAlphaAndBetaWithFortranExponents) {
    const auto out = convert(kVersion2 + kProgram + kAlpha + kBeta + kEnd);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(+out[0].content, 2);
    EXPECT_FLOAT_EQ(+out[0].alpha[0], 1.118e-8f);
    EXPECT_FLOAT_EQ(+out[0].alpha[3], -1.192e-7f);
    EXPECT_FLOAT_EQ(+out[0].beta[1], 1.802e5f);
    EXPECT_FLOAT_EQ(+out[0].beta[3], -4.588e5f);
    EXPECT_EQ(+out[0].week, 0);  // the reference time is the front's
}

TEST(ConvertFileRinexIonoKlobuchar, LaterVersionsGiveThemAsGpsaAndGpsb) {
    const auto out = convert(
        nav_version_line("3.04", 'N', 'M') + kProgram +
        hdr("GAL    1.2500E+02  4.6875E-01  2.1362E-02  0.0000E+00", "IONOSPHERIC CORR") +
        hdr("GPSA   1.1176E-08  1.4901E-08 -5.9605E-08 -1.1921E-07", "IONOSPHERIC CORR") +
        hdr("GPSB   1.1469E+05  1.6384E+05 -1.3107E+05 -3.9322E+05", "IONOSPHERIC CORR") + kEnd);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_FLOAT_EQ(+out[0].alpha[0], 1.1176e-8f);
    EXPECT_FLOAT_EQ(+out[0].beta[3], -3.9322e5f);
}

TEST(ConvertFileRinexIonoKlobuchar, MissingCoefficientsStayZero) {
    const auto out = convert(kVersion2 + kProgram + hdr("    .1118D-07  .2235D-07", "ION ALPHA") +
                             hdr("    .1167D+06", "ION BETA"));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_FLOAT_EQ(+out[0].alpha[1], 2.235e-8f);
    EXPECT_EQ(+out[0].alpha[2], 0.0f);
    EXPECT_EQ(+out[0].beta[1], 0.0f);
}

TEST(ConvertFileRinexIonoKlobuchar, WithoutCoefficientsNothingAndSuccess) {
    // No "ION ALPHA"; an alpha without its beta; no program line at all.
    for (const std::string& text :
         {kVersion2 + kProgram + kEnd, kVersion2 + kProgram + kAlpha + kEnd,
          kVersion2 + kAlpha + kBeta}) {
        EXPECT_TRUE(convert(text).empty()) << text;
    }
}
