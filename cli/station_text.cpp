#include "station_text.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "output_text.h"

namespace vyr_cli {

std::string iso_time(uint32_t mjd, double fraction) {
    auto ms = static_cast<int64_t>(std::llround(fraction * mjd::kMillisecondsPerDay));
    const int64_t day = mjd + ms / 86400000;
    ms %= 86400000;
    int year = 0, month = 0, dom = 0, hour = 0, minute = 0;
    double seconds = 0;
    MjdToCalendar(static_cast<uint32_t>(day), 0.0, year, month, dom, hour, minute, seconds);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", year, month, dom,
                  static_cast<int>(ms / 3600000), static_cast<int>(ms / 60000 % 60),
                  static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000));
    return text;
}

std::string iso_time(double mjd) {
    const double day = std::floor(mjd);
    return iso_time(static_cast<uint32_t>(day), mjd - day);
}

std::optional<double> parse_iso_time(const std::string& text) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, used = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d%n", &year, &month, &day, &hour, &minute,
                    &used) != 5)
        return std::nullopt;
    double seconds = 0;
    const std::string rest = text.substr(static_cast<size_t>(used));
    if (!rest.empty()) {
        char* end = nullptr;
        if (rest[0] != ':' || rest.size() < 2 || !std::isdigit(static_cast<unsigned char>(rest[1])))
            return std::nullopt;
        seconds = std::strtod(rest.c_str() + 1, &end);
        if (*end != '\0' || seconds >= 61.0) return std::nullopt;
    }
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59)
        return std::nullopt;
    uint32_t mjd = 0;
    double milliseconds = 0;
    CalendarToMjd(year, month, day, hour, minute, seconds, mjd, milliseconds);
    return mjd + milliseconds / mjd::kMillisecondsPerDay;
}

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
