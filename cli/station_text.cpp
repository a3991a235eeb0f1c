#include "station_text.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "output_text.h"

namespace vyr_cli {

std::string satellite_name(const VYR_SATID& satellite) {
    const int number = satellite.system == VYR_SATSYS_SBAS
                           ? satellite.prn + vyr::kSbasPrnOffset - 100
                           : satellite.prn;
    char text[8];
    std::snprintf(text, sizeof text, "%c%02d", vyr::system_letter(satellite.system), number);
    return text;
}

std::optional<VYR_SATID> parse_satellite(const std::string& text) {
    if (text.size() < 2 || text.size() > 3) return std::nullopt;
    const VYR_SATELLITE_SYSTEM system = vyr::system_from_letter(text[0]);
    for (size_t i = 1; i < text.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return std::nullopt;
    int number = std::atoi(text.c_str() + 1);
    if (system == VYR_SATSYS_SBAS) number -= vyr::kSbasPrnOffset - 100;
    if (system == VYR_SATSYS_NONE || number < 1 || number > 255) return std::nullopt;
    const VYR_SATID satellite{system, static_cast<uint8_t>(number)};
    if (vyr::compact_satellite_number(satellite) == 0) return std::nullopt;
    return satellite;
}

std::string key_display(const VYR_KEY& key) {
    std::string text;
    VyrRecordToString(key, text);
    return text;
}

bool names_key(const std::string& text, const VYR_KEY& key) {
    const std::string display = key_display(key);
    if (text == display || text == terminal_text(display)) return true;
    if (key.type != VYR_KEY_NUMBER64 && key.type != VYR_KEY_NUMBER32) return false;
    const char* digits = text.c_str();
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) digits += 2;
    if (*digits == '\0') return false;
    char* end = nullptr;
    const unsigned long long number = std::strtoull(digits, &end, 16);
    if (*end != '\0') return false;
    uint64_t stored = 0;
    std::memcpy(&stored, key.value, key.type == VYR_KEY_NUMBER64 ? 8 : 4);
    return number == stored;
}

}  // namespace vyr_cli
