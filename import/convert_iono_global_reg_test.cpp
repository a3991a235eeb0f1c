#include "import/convert_iono_global_reg.h"

#include <gtest/gtest.h>

#include "import/import_test_support.h"

using namespace import_test;
using namespace vyr_import;

namespace {

struct Model {
    int type = 2;
    int degree = 2;
    int order = 2;
    std::string frame = "2";
    std::string to = "2010 01 01 02 00 00";  // "" writes the line without a value
    bool toLine = true;
    bool heightLine = true;
    int mapping = 1;
    bool coefficients = true;
};

// A model as such files write it; coefficient values count up from 1 in file order.
std::string model_text(const Model& m) {
    std::string text = "------------------------------------------------------------------------\n";
    text += iono_line("MODEL NUMBER / STATION NAME", "COD001-01");
    text += iono_line("MODEL TYPE (1=LOCAL,2=GLOBAL,3=STATION)", std::to_string(m.type));
    text += iono_line("MAXIMUM DEGREE OF SPHERICAL HARMONICS", std::to_string(m.degree));
    text += iono_line("MAXIMUM ORDER", std::to_string(m.order));
    text += "DEVELOPMENT WITH RESPECT TO\n";
    text += iono_line("  GEOGRAPHICAL (=1) OR GEOMAGNETIC (=2) FRAME", m.frame);
    text += iono_line("  MEAN (=1) OR TRUE (=2) POSITION OF THE SUN", "1");
    text += iono_line("MAPPING FUNCTION (0=NONE,1=1/COS)", std::to_string(m.mapping));
    if (m.heightLine)
        text += iono_line("HEIGHT OF SINGLE LAYER AND ITS RMS ERROR (KM)", "450.00    0.00");
    text += "COORDINATES OF EARTH-CENTERED DIPOLE AXIS\n";
    text += iono_line("  LATITUDE OF NORTH GEOMAGNETIC POLE (DEGREES)", "80.17");
    text += iono_line("  EAST LONGITUDE (DEGREES)", "-72.37");
    text += "PERIOD OF VALIDITY\n";
    text += iono_line("  FROM EPOCH / REFERENCE EPOCH (Y,M,D,H,M,S)", "2010 01 01 00 00 00");
    if (m.toLine) text += iono_line("  TO EPOCH", m.to);
    text += "LATITUDE BAND COVERED\n";
    text += iono_line("  MINIMUM LATITUDE (DEGREES)", "-87.64");
    text += iono_line("  MAXIMUM LATITUDE (DEGREES)", "87.70");
    text += "ADDITIONAL INFORMATION\n";
    text += iono_line("  NUMBER OF CONTRIBUTING STATIONS", "250");
    text += iono_line("  MAXIMUM TEC AND ITS RMS ERROR (TECU)", "63.92  0.62");
    text += iono_line("COMMENT / WARNING", "");
    text += "COEFFICIENTS\n";
    text += "DEGREE  ORDER    VALUE (TECU)   RMS (TECU)\n";
    int value = 0;
    for (int n = 0; m.coefficients && n <= m.degree; ++n) {
        const int maxOrder = n < m.order ? n : m.order;
        for (int k = 0; k <= maxOrder; ++k) {
            text += format("%5d %6d %16.8f %10.4f\n", n, k, ++value * 1.0, 0.01);
            if (k > 0) text += format("%5d %6d %16.8f %10.4f\n", n, -k, ++value * 1.0, 0.02);
        }
    }
    return text;
}

const std::string kFirstLine = "CODE'S GLOBAL IONOSPHERE MAPS FOR DAY 001, 2010\n";

VYR_ERROR convert(const std::string& content, std::vector<VYR_IONO_GLOBALREG>& out) {
    return convert_text<CConvertFileIonoGlobalReg>(content, out);
}

}  // namespace

TEST(ConvertFileIonoGlobalReg, HeaderValuesAndCoefficientsInFileOrder) {
    Model m;
    m.degree = 15;
    m.order = 15;
    std::vector<VYR_IONO_GLOBALREG> out;
    ASSERT_EQ(convert(kFirstLine + model_text(m), out), VYR_OK);
    ASSERT_EQ(out.size(), 1u);
    const VYR_IONO_GLOBALREG& r = out[0];
    EXPECT_EQ(+r.modelType, 1u);
    EXPECT_EQ(+r.maxDegree, 15);
    EXPECT_EQ(+r.maxOrder, 15);
    EXPECT_EQ(+r.frame, 1);
    EXPECT_EQ(+r.mappingFunction, 1u);
    EXPECT_DOUBLE_EQ(+r.height, 450.0);
    EXPECT_DOUBLE_EQ(+r.poleLatitude, 80.17);
    EXPECT_DOUBLE_EQ(+r.poleLongitude, -72.37);
    EXPECT_DOUBLE_EQ(+r.minLatitude, -87.64);
    EXPECT_DOUBLE_EQ(+r.maxLatitude, 87.70);
    EXPECT_DOUBLE_EQ(+r.fromEpoch, 55197.0);
    EXPECT_DOUBLE_EQ(+r.toEpoch, 55197.0 + 2.0 / 24.0);
    // 256 lines: every one kept in order, nothing after them.
    EXPECT_DOUBLE_EQ(+r.coefficients[0].value, 1.0);
    EXPECT_EQ(+r.coefficients[2].degree, 1);
    EXPECT_EQ(+r.coefficients[2].order, 1);
    EXPECT_EQ(+r.coefficients[3].order, -1);
    EXPECT_DOUBLE_EQ(+r.coefficients[3].rms, 0.02);
    EXPECT_DOUBLE_EQ(+r.coefficients[255].value, 256.0);
    EXPECT_EQ(+r.coefficients[255].degree, 15);
    EXPECT_EQ(+r.coefficients[255].order, -15);
    EXPECT_EQ(+r.coefficients[256].value, 0.0);
}

// Blank and unlabelled lines among the header labels are passed over (they once made the
// reader look up a label past the end of its table).
TEST(ConvertFileIonoGlobalReg, BlankAndUnlabelledHeaderLinesArePassedOver) {
    std::string text = model_text(Model{});
    const size_t at = text.find("COEFFICIENTS\n");
    ASSERT_NE(at, std::string::npos);
    text.insert(at, "\n   1.0  2.0  a line of no label\n");
    std::vector<VYR_IONO_GLOBALREG> out;
    ASSERT_EQ(convert(kFirstLine + text, out), VYR_OK);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_DOUBLE_EQ(+out[0].maxLatitude, 87.70);
}

TEST(ConvertFileIonoGlobalReg, CoefficientLinesPerDegreeFollowTheOrder) {
    const struct {
        int degree, order, lines;
    } cases[] = {{2, 0, 3}, {15, 15, 256}, {4, 2, 1 + 3 + 5 + 5 + 5},
                 {0, 0, 1}, {16, 16, 289}, {17, 17, 324}};
    for (const auto& c : cases)
        EXPECT_EQ(iono_coefficient_count(c.degree, c.order), c.lines) << c.degree << "/" << c.order;
}

TEST(ConvertFileIonoGlobalReg, EachModelGivesOneRecord) {
    std::vector<VYR_IONO_GLOBALREG> out(1);
    EXPECT_EQ(convert(kFirstLine + "nothing else\n", out), VYR_OK);
    EXPECT_TRUE(out.empty());

    Model first, second;
    second.type = 1;
    second.frame = "1";
    second.order = 0;  // one coefficient line per degree
    ASSERT_EQ(convert(kFirstLine + model_text(first) + model_text(second), out), VYR_OK);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(+out[0].modelType, 1u);
    EXPECT_EQ(+out[0].coefficients[3].order, -1);
    EXPECT_EQ(+out[1].modelType, 0u);
    EXPECT_EQ(+out[1].frame, 0);
    EXPECT_EQ(+out[1].maxOrder, 0);
    EXPECT_EQ(+out[1].coefficients[2].degree, 2);
    EXPECT_DOUBLE_EQ(+out[1].coefficients[2].value, 3.0);
    EXPECT_EQ(+out[1].coefficients[3].degree, 0);
}

TEST(ConvertFileIonoGlobalReg, WithoutAReadableToEpochTheModelHoldsTwoHours) {
    const struct {
        bool line;
        const char* to;
    } cases[] = {{false, ""}, {true, ""}, {true, "2010 01 01"}};
    for (const auto& c : cases) {
        Model m;
        m.toLine = c.line;
        m.to = c.to;
        std::vector<VYR_IONO_GLOBALREG> out;
        ASSERT_EQ(convert(kFirstLine + model_text(m), out), VYR_OK) << c.line << c.to;
        ASSERT_EQ(out.size(), 1u);
        EXPECT_NEAR(+out[0].toEpoch, 55197.0 + 2.0 / 24.0, 1e-9) << c.line << c.to;
    }
}

TEST(ConvertFileIonoGlobalReg, RefusedModelsNameTheLine) {
    const auto with = [](auto change) {
        Model m;
        change(m);
        return kFirstLine + model_text(m);
    };
    // Model type on line 4, frame on line 8, the coefficient header on line 26.
    const struct {
        std::string text;
        VYR_ERROR expected;
        uint32_t line;
    } cases[] = {
        {with([](Model& m) { m.frame = "3"; }), VYR_E_UNSUPPORTED_FILE, 8},
        {with([](Model& m) { m.frame = "x"; }), VYR_E_FAILED_TO_READ, 8},
        {with([](Model& m) { m.type = 4; }), VYR_E_UNSUPPORTED_FILE, 4},
        {with([](Model& m) { m.type = 0; }), VYR_E_UNSUPPORTED_FILE, 4},
        // More coefficients than the record holds.
        {with([](Model& m) { m.degree = 17, m.order = 17; }), VYR_E_UNSUPPORTED_FILE, 26},
        {with([](Model& m) { m.degree = 60000, m.order = 60000, m.coefficients = false; }),
         VYR_E_UNSUPPORTED_FILE, 26},
        {with([](Model& m) { m.heightLine = false; }), VYR_E_HEADER_OR_DATA_MISSING, 25},
    };
    for (const auto& c : cases) {
        std::vector<VYR_IONO_GLOBALREG> out;
        VyrConversionReport report;
        EXPECT_EQ(convert_text<CConvertFileIonoGlobalReg>(c.text, out, &report), c.expected)
            << c.text.substr(0, 400);
        EXPECT_EQ(report.failure.line, c.line) << c.text.substr(0, 400);
        EXPECT_FALSE(report.failure.problem.empty());
    }
}

TEST(ConvertFileIonoGlobalReg, CoefficientLinesMustFollowAndParse) {
    Model m;
    const std::string text = kFirstLine + model_text(m);
    const size_t lastLine = text.rfind('\n', text.size() - 2) + 1;
    std::vector<VYR_IONO_GLOBALREG> out;
    // The last coefficient line missing, replaced by a blank line, or not a number.
    EXPECT_EQ(convert(text.substr(0, lastLine), out), VYR_E_HEADER_OR_DATA_MISSING);
    EXPECT_EQ(convert(text.substr(0, lastLine) + "\n", out), VYR_E_HEADER_OR_DATA_MISSING);
    EXPECT_EQ(convert(text.substr(0, lastLine) + "    2     -2   x   y\n", out),
              VYR_E_FAILED_TO_READ);
    // A first model stays in the output when a second one fails.
    Model bad;
    bad.frame = "3";
    EXPECT_EQ(convert(text + model_text(bad), out), VYR_E_UNSUPPORTED_FILE);
    EXPECT_EQ(out.size(), 1u);
}
