// Fixed-column fields of text lines: slices that never reach past the line, and numbers parsed
// from them without the locale.
#pragma once

#include <charconv>
#include <cstddef>
#include <string_view>

namespace vyr_import {

// Columns [from, from + count) of line, blanks trimmed on both sides; empty where the line is
// shorter.
inline std::string_view text_field(std::string_view line, size_t from, size_t count) {
    if (from >= line.size()) return {};
    std::string_view field = line.substr(from, count);
    while (!field.empty() && (field.front() == ' ' || field.front() == '\t'))
        field.remove_prefix(1);
    while (!field.empty() && (field.back() == ' ' || field.back() == '\t')) field.remove_suffix(1);
    return field;
}

// The whole field must be the number (a leading '+' allowed).
template <class T>
bool parse_number(std::string_view field, T& value) {
    if (!field.empty() && field.front() == '+') field.remove_prefix(1);
    if (field.empty()) return false;
    T parsed{};
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), parsed);
    if (error != std::errc() || end != field.data() + field.size()) return false;
    value = parsed;
    return true;
}

// The first count blank-separated numbers of text; how many of them parsed, in order.
template <class T>
size_t parse_numbers(std::string_view text, T* values, size_t count) {
    size_t parsed = 0;
    size_t at = 0;
    while (parsed < count) {
        at = text.find_first_not_of(" \t", at);
        if (at == std::string_view::npos) break;
        size_t end = text.find_first_of(" \t", at);
        if (end == std::string_view::npos) end = text.size();
        if (!parse_number(text.substr(at, end - at), values[parsed])) break;
        ++parsed;
        at = end;
    }
    return parsed;
}

}  // namespace vyr_import
