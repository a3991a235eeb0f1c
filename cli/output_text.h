// Texts of a project as the commands print them. A project keeps texts as the files they came
// from had them, so a receiver or marker name may hold bytes that are not UTF-8 (one flipped
// byte in an imported file is enough); no such byte may stop a command or garble its output.
#pragma once

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace vyr_cli {

// For the terminal: bytes that are not UTF-8, control characters, DEL and the backslash as
// \xNN (so a line is one record and the text can be told back).
std::string terminal_text(std::string_view text);

// The document as JSON. Bytes of a string that are not UTF-8 are read as Latin-1 (0xE9 becomes
// U+00E9), as storage names read them: the output is valid JSON and keeps each byte's value.
std::string json_text(const nlohmann::json& document, int indent = 2);
std::string json_text(const nlohmann::ordered_json& document, int indent = 2);

}  // namespace vyr_cli
