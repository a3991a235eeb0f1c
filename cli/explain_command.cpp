// `vyr explain CODE`: the message text of a result code.
#include <charconv>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>

#include <vyr/vyr.h>

#include "commands.h"

namespace vyr_cli {
namespace {

// Accepts hexadecimal with a 0x prefix (0x8000E002) or decimal, signed (-2147426302) or
// unsigned (2147540994): codes are shown both ways by callers.
std::optional<uint32_t> parse_code(const std::string& text) {
    const char* first = text.data();
    const char* last = first + text.size();
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        uint32_t value = 0;
        auto [end, error] = std::from_chars(first + 2, last, value, 16);
        if (error != std::errc() || end != last) return std::nullopt;
        return value;
    }
    int64_t value = 0;
    auto [end, error] = std::from_chars(first, last, value, 10);
    if (error != std::errc() || end != last || value < INT32_MIN || value > UINT32_MAX)
        return std::nullopt;
    return static_cast<uint32_t>(value);
}

std::string hex(uint32_t code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", code);
    return text;
}

}  // namespace

void add_explain_command(CLI::App& app) {
    auto* command = app.add_subcommand("explain", "Print the message text of a result code");
    auto code_text = std::make_shared<std::string>();
    command->add_option("CODE", *code_text, "Code in hex (0x8000E002) or decimal")->required();
    command->callback([code_text] {
        const auto code = parse_code(*code_text);
        if (!code)
            throw CommandFailure{"CODE: " + *code_text +
                                     " is not a result code: 0x00000000 to 0xFFFFFFFF in hex, or "
                                     "-2147483648 to 4294967295 in decimal",
                                 kExitUsage};
        std::string text;
        if (ErrorToStringDef(static_cast<VYR_ERROR>(*code), text) != VYR_OK)
            throw CommandFailure{"no text for code " + hex(*code)};
        std::cout << text << '\n';
    });
}

}  // namespace vyr_cli
