#include "svg_writer.h"

#include <string>

#include <gtest/gtest.h>

namespace vyr_cli {
namespace {

TEST(SvgWriter, CoordinatesHaveOneDecimalAndNoNegativeZero) {
    const struct {
        double value;
        const char* text;
    } cases[] = {{0, "0"},     {12.5, "12.5"},  {12.04, "12"},    {12.06, "12.1"},  {-3, "-3"},
                 {-0.04, "0"}, {-0.06, "-0.1"}, {1e6, "1000000"}, {1.0 / 0.0, "0"}, {99.96, "100"}};
    for (const auto& c : cases) EXPECT_EQ(SvgWriter::number(c.value), c.text) << c.value;
}

TEST(SvgWriter, EscapesTextAndAttributes) {
    EXPECT_EQ(xml_escaped("a<b>&\"c\""), "a&lt;b&gt;&amp;&quot;c&quot;");
    // A station key may hold any byte; control bytes cannot stand in XML.
    EXPECT_EQ(xml_escaped(std::string("x\x01y\tz", 5)), "x?y\tz");

    SvgWriter svg(100, 50);
    svg.text({{"data-sat", "G<1>"}}, "R&D");
    const std::string text = svg.finish();
    EXPECT_NE(text.find("<text data-sat=\"G&lt;1&gt;\">R&amp;D</text>"), std::string::npos);
    EXPECT_NE(text.find("viewBox=\"0 0 100 50\""), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 7), "</svg>\n");
}

}  // namespace
}  // namespace vyr_cli
