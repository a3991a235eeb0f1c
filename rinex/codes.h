// The letters and codes of RINEX text and the library's values for them.
#pragma once

#include <string_view>

#include "rinex/rnx_types.h"

namespace rnx {

// The system of a satellite letter; BeiDou, QZSS, IRNSS and unknown letters are OTHER.
eSATSYS system_of_letter(char letter);
// True for the letters RINEX 3 and 4 define: G R E S C J I.
bool is_known_system_letter(char letter);

// A three-character observation code ("C1C", "L5Q"); false when its form is not code-like
// (first letter and band digit must be known). Band or attribute may come out 0.
bool parse_obs_code(std::string_view text, RNX_OBS_CODE& code);

// "GPS", "GLO", "GAL", "BDT", "QZS", "IRN", "UTC", "TAI"; NONE for others.
eTIMESYS time_system_of(std::string_view text);
// The time system a file of this system letter uses when its header names none.
eTIMESYS default_time_system(char system_letter);

}  // namespace rnx

namespace rnx {

// A satellite id of three columns ("G05", "S20", "G 5"; a blank letter is GPS, as older
// writers left it): its letter and its two-digit number 1-99. False when it is not one.
bool parse_satellite(std::string_view id, char& letter, uint8_t& number);
// The number the library delivers: SBAS satellites as 100 + number (S20 is 120).
inline uint8_t delivered_number(char letter, uint8_t number) {
    return letter == 'S' ? static_cast<uint8_t>(number + 100) : number;
}

}  // namespace rnx
