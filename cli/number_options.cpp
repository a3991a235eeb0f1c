#include "number_options.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace vyr_cli {
namespace {

// The shortest text that reads back as the same number: 2147483, 0.5, 1e+30.
std::string number_text(double value) {
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    return error == std::errc() ? std::string(text, end) : std::to_string(value);
}

}  // namespace

std::optional<double> number_in_range(const std::string& text, double lowest, double highest) {
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') ++first;  // from_chars takes no plus sign
    double value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last || !std::isfinite(value)) return std::nullopt;
    if (value < lowest || value > highest) return std::nullopt;
    return value;
}

CLI::Validator number_range(double lowest, double highest, const std::string& what) {
    const std::string range = number_text(lowest) + " to " + number_text(highest);
    return CLI::Validator(
        [=](std::string& text) -> std::string {
            if (number_in_range(text, lowest, highest)) return {};
            return text + " is not " + what + " from " + range;
        },
        range);
}

CLI::Validator interval_seconds() {
    // The filter counts milliseconds in an int32_t: a longer interval would wrap to a negative
    // one.
    return number_range(0, std::floor(INT32_MAX / 1000.0), "a number of seconds");
}

}  // namespace vyr_cli
