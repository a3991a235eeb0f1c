#include "svg_writer.h"

#include <charconv>
#include <cmath>

namespace vyr_cli {

std::string xml_escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                const auto byte = static_cast<unsigned char>(c);
                out += byte < 0x20 && c != '\t' && c != '\n' && c != '\r' ? '?' : c;
        }
    }
    return out;
}

void append_coordinate(std::string& out, double value) {
    // Tenths as a whole number: no "-0", no exponent, no locale.
    if (!std::isfinite(value)) value = 0;
    long long tenths = std::llround(value * 10.0);
    if (tenths < 0) {
        out += '-';
        tenths = -tenths;
    }
    char text[24];
    const auto end = std::to_chars(text, text + sizeof text, tenths / 10).ptr;
    out.append(text, end);
    if (tenths % 10 != 0) {
        out += '.';
        out += static_cast<char>('0' + tenths % 10);
    }
}

std::string SvgWriter::number(double value) {
    std::string out;
    append_coordinate(out, value);
    return out;
}

SvgWriter::SvgWriter(double width, double height) {
    m_out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    open("svg", {{"xmlns", "http://www.w3.org/2000/svg"},
                 {"width", number(width)},
                 {"height", number(height)},
                 {"viewBox", "0 0 " + number(width) + ' ' + number(height)},
                 {"font-family", "sans-serif"},
                 {"font-size", "11"}});
}

void SvgWriter::attributes(Attributes list) {
    for (const auto& [name, value] : list) {
        m_out += ' ';
        m_out += name;
        m_out += "=\"";
        m_out += xml_escaped(value);
        m_out += '"';
    }
}

void SvgWriter::open(const char* name, Attributes list) {
    m_out += '<';
    m_out += name;
    attributes(list);
    m_out += ">\n";
}

void SvgWriter::close(const char* name) {
    m_out += "</";
    m_out += name;
    m_out += ">\n";
}

void SvgWriter::element(const char* name, Attributes list) {
    m_out += '<';
    m_out += name;
    attributes(list);
    m_out += "/>\n";
}

void SvgWriter::text(Attributes list, std::string_view content) {
    m_out += "<text";
    attributes(list);
    m_out += '>';
    m_out += xml_escaped(content);
    m_out += "</text>\n";
}

void SvgWriter::title(std::string_view content) {
    m_out += "<title>";
    m_out += xml_escaped(content);
    m_out += "</title>\n";
}

std::string SvgWriter::finish() {
    close("svg");
    return std::move(m_out);
}

}  // namespace vyr_cli
