// The RINEX access library's numbering of band digits and attribute letters in RNX_OBS_CODE.
#pragma once

#include <cmath>
#include <cstdint>
#include <string_view>

namespace vyr_gnss {

// RNX_OBS_CODE kinds.
inline constexpr uint32_t kRnxKindCode = 1;
inline constexpr uint32_t kRnxKindPhase = 2;
inline constexpr uint32_t kRnxKindDoppler = 3;
inline constexpr uint32_t kRnxKindStrength = 4;

// Band code of a RINEX band digit: 2 to 7 for bands 1, 2, 5, 6, 7, 8; 0 for any other digit.
constexpr uint32_t rinex_band_code(char digit) {
    constexpr std::string_view kDigits = "125678";
    const size_t at = kDigits.find(digit);
    return at == std::string_view::npos ? 0 : static_cast<uint32_t>(at + 2);
}

// Attribute code of a RINEX attribute letter: 1 to 15 in the order P C D Y M N A B I Q S L X W Z;
// 0 for any other letter.
constexpr uint32_t rinex_attribute_code(char letter) {
    constexpr std::string_view kLetters = "PCDYMNABIQSLXWZ";
    const size_t at = kLetters.find(letter);
    return at == std::string_view::npos ? 0 : static_cast<uint32_t>(at + 1);
}

// A signal-strength observation in dB-Hz as the stored quality (units of 0.05 dB-Hz), rounded to
// the nearest unit and held inside 16 bits. Both observation readers use it, so that the same
// strength gives the same quality from either format version.
inline uint16_t quality_of_strength(double dBHz) {
    const double quality = std::round(dBHz * 20.0);
    return quality <= 0.0 ? 0 : quality >= 65535.0 ? 65535 : static_cast<uint16_t>(quality);
}

}  // namespace vyr_gnss
