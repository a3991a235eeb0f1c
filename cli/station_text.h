// Text forms the station commands read and print: ISO times of MJD epochs, RINEX-style
// satellite names, and the station a command line names.
#pragma once

#include <optional>
#include <string>

#include <vyr/vyr.h>

namespace vyr_cli {

// "YYYY-MM-DDTHH:MM:SS.sss": the calendar of the MJD day and fraction, milliseconds rounded.
std::string iso_time(uint32_t mjd, double fraction);
// The same for an MJD with its fraction in one number, as results keep their times.
std::string iso_time(double mjd);
// The same text (seconds optional, any number of decimals) as MJD day plus fraction.
std::optional<double> parse_iso_time(const std::string& text);

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
