// Text forms the station commands read and print: RINEX-style satellite names and the station a
// command line names. Times have their own file; it comes along for the commands that print both.
#pragma once

#include <optional>
#include <string>

#include <vyr/vyr.h>

#include "time_text.h"

namespace vyr_cli {

// G05, R12, E11; SBAS as S and the PRN minus 100 (S20 for PRN 120).
std::string satellite_name(const VYR_SATID& satellite);
std::optional<VYR_SATID> parse_satellite(const std::string& text);

// The display text of a station's or an association's key (the name of a text key, "0x..." for a
// number key).
std::string key_display(const VYR_KEY& key);
// Whether the command-line text names the key: its display text as stored or as printed (with
// \xNN escapes), or the number of a number key in hexadecimal with or without "0x".
bool names_key(const std::string& text, const VYR_KEY& key);

}  // namespace vyr_cli
