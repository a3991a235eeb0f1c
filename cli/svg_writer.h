// A small writer of SVG text: elements with attributes, numbers with one decimal, text escaped.
// The plots are written with it directly; nothing is kept but the text itself.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace vyr_cli {

// Text made safe for XML content and attribute values; bytes below 0x20 other than tab and line
// ends have no place in XML 1.0 and become '?'.
std::string xml_escaped(std::string_view text);

// Appends a coordinate with one decimal ("12.5", "-3", "0"): enough for a screen and small.
void append_coordinate(std::string& out, double value);

class SvgWriter {
public:
    using Attributes = std::initializer_list<std::pair<const char*, std::string>>;

    SvgWriter(double width, double height);

    // <name a="v" ...>, and its end; attribute values are escaped here.
    void open(const char* name, Attributes attributes = {});
    void close(const char* name);
    // <name a="v" .../>
    void element(const char* name, Attributes attributes);
    // <text ...>content</text>
    void text(Attributes attributes, std::string_view content);
    // <title>content</title>: the tooltip a browser shows over the enclosing element.
    void title(std::string_view content);

    // Ends the document and hands out its text.
    std::string finish();

    static std::string number(double value);

private:
    void attributes(Attributes list);

    std::string m_out;
};

}  // namespace vyr_cli
