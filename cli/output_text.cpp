#include "output_text.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace vyr_cli {
namespace {

// The length of the well-formed UTF-8 sequence at text[at] (no overlong forms, surrogates or
// code points above U+10FFFF), or 0 when the byte there starts none.
size_t utf8_sequence_length(std::string_view text, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
    const uint8_t lead = byte(at);
    if (lead < 0x80) return 1;
    size_t length = 0;
    uint32_t min = 0;
    uint32_t code = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, min = 0x80, code = lead & 0x1Fu;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, min = 0x800, code = lead & 0x0Fu;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, min = 0x10000, code = lead & 0x07u;
    } else {
        return 0;
    }
    if (text.size() - at < length) return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(at + i) & 0x3Fu);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

std::string latin1_for_stray_bytes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        const size_t length = utf8_sequence_length(text, at);
        if (length > 0) {
            out.append(text.substr(at, length));
            at += length;
            continue;
        }
        const auto stray = static_cast<uint8_t>(text[at++]);
        out += static_cast<char>(0xC0 | (stray >> 6));
        out += static_cast<char>(0x80 | (stray & 0x3F));
    }
    return out;
}

bool is_utf8(std::string_view text) {
    for (size_t at = 0; at < text.size();) {
        const size_t length = utf8_sequence_length(text, at);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

template <class Json>
bool all_utf8(const Json& value) {
    if (value.is_string()) return is_utf8(value.template get_ref<const std::string&>());
    if (value.is_array())
        return std::all_of(value.begin(), value.end(), [](const Json& e) { return all_utf8(e); });
    if (value.is_object())
        for (const auto& [name, element] : value.items())
            if (!is_utf8(name) || !all_utf8(element)) return false;
    return true;
}

template <class Json>
Json readable(const Json& value) {
    if (value.is_string())
        return latin1_for_stray_bytes(value.template get_ref<const std::string&>());
    if (value.is_array()) {
        Json out = Json::array();
        for (const Json& element : value) out.push_back(readable(element));
        return out;
    }
    if (value.is_object()) {
        Json out = Json::object();
        for (const auto& [name, element] : value.items())
            out[latin1_for_stray_bytes(name)] = readable(element);
        return out;
    }
    return value;
}

// Most documents are UTF-8 throughout: only others are copied.
template <class Json>
std::string json_text_of(const Json& document, int indent) {
    return all_utf8(document) ? document.dump(indent) : readable(document).dump(indent);
}

}  // namespace

std::string terminal_text(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        const size_t length = utf8_sequence_length(text, at);
        const auto c = static_cast<uint8_t>(text[at]);
        if (length > 1 || (length == 1 && c >= 0x20 && c != 0x7F && c != '\\')) {
            out.append(text.substr(at, length));
            at += length;
            continue;
        }
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
        out += escaped;
        ++at;
    }
    return out;
}

std::string json_text(const nlohmann::json& document, int indent) {
    return json_text_of(document, indent);
}

std::string json_text(const nlohmann::ordered_json& document, int indent) {
    return json_text_of(document, indent);
}

}  // namespace vyr_cli
