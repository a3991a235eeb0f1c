#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <vyr/key.h>
#include <vyr/mjd_time.h>
#include <vyr/processing_errors.h>
#include <vyr/satellite.h>

#include "entry/error_texts.h"

namespace {

constexpr size_t kTextBufferSize = 512;
// Values outside 0 to this many days are no date this system ever meets; they are shown as MJD.
constexpr double kLargestDay = 1e8;

void append_format(std::string& text, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
void append_format(std::string& text, const char* format, ...) {
    char buffer[96];
    va_list arguments;
    va_start(arguments, format);
    const int written = std::vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    if (written > 0)
        text.append(buffer, std::min<size_t>(static_cast<size_t>(written), sizeof buffer - 1));
}

// The message text of the code's low 16 bits, cut to the formatter's buffer.
bool message_text(uint32_t code, std::string& text) {
    const char* found = vyr_entry::find_error_text(static_cast<VYR_ERROR>(code));
    if (found == nullptr) return false;
    text.assign(found, strnlen(found, kTextBufferSize - 1));
    return true;
}

// Conversions the formatter cannot serve; only "%s" is filled.
bool holds_other_conversion(const std::string& text, int& placeholders) {
    static const char kConversionChars[] = "cdieEfgGosuxXpn-+#0123456789*.hlL";
    placeholders = 0;
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '%') continue;
        const char next = text[i + 1];
        if (next == 's') {
            ++placeholders;
            ++i;
        } else if (std::strchr(kConversionChars, next) != nullptr) {
            return true;
        }
    }
    return false;
}

int placeholders_for(uint32_t type) {
    switch (type) {
        case CErrorPayload::kSatellite:
        case CErrorPayload::kKey:
        case CErrorPayload::kValue:
        case CErrorPayload::kTime:
            return 1;
        case CErrorPayload::kInterval:
            return 2;
        case CErrorPayload::kSatelliteInterval:
            return 3;
        default:
            return 0;
    }
}

std::string satellite_text(uint8_t satellite) {
    unsigned char number = 0;
    char system = 'U';
    getPrnAndSystem(satellite, number, system);
    std::string text;
    append_format(text, "%c%02u", system, static_cast<unsigned>(number));
    return text;
}

double double_at(const uint8_t* bytes) {
    double value = 0;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

std::string calendar_text(double time) {
    std::string text;
    AddTimeToString(time, VYR_TIMEFORMAT_CALENDAR, text);
    return text;
}

// The texts that replace the placeholders, in order.
std::vector<std::string> arguments_of(const CErrorPayload& payload) {
    const uint8_t* bytes = payload.Data();
    switch (payload.Type()) {
        case CErrorPayload::kSatellite:
            return {satellite_text(bytes[0])};
        case CErrorPayload::kKey: {
            VYR_KEY key{};
            std::memcpy(&key, bytes, sizeof key);
            std::string text;
            VyrRecordToString(key, text);
            return {text};
        }
        case CErrorPayload::kInterval:
            return {calendar_text(double_at(bytes)), calendar_text(double_at(bytes + 8))};
        case CErrorPayload::kValue: {
            uint32_t value = 0;
            std::memcpy(&value, bytes, sizeof value);
            std::string text;
            append_format(text, "0x%08lx", static_cast<unsigned long>(value));
            return {text};
        }
        case CErrorPayload::kTime:
            return {calendar_text(double_at(bytes))};
        case CErrorPayload::kSatelliteInterval:
            return {satellite_text(bytes[0]), calendar_text(double_at(bytes + 1)),
                    calendar_text(double_at(bytes + 9))};
        default:
            return {};
    }
}

std::string fill_placeholders(const std::string& text, const std::vector<std::string>& arguments) {
    std::string filled;
    size_t next = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == 's' &&
            next < arguments.size()) {
            filled += arguments[next++];
            ++i;
        } else {
            filled += text[i];
        }
    }
    if (filled.size() > kTextBufferSize - 1) filled.resize(kTextBufferSize - 1);
    return filled;
}

}  // namespace

VYR_ERROR ErrorToString(const VYR_PROCESSING_ERROR& error, std::string& text) {
    text.clear();
    std::string message;
    if (!message_text(error.code, message)) return VYR_E_ENTRY_NOT_FOUND;
    int placeholders = 0;
    if (holds_other_conversion(message, placeholders)) {
        text = message;
        return VYR_S_UNKNOWN_RETURN_VALUE;
    }
    const uint32_t type = error.payload.Type();
    const int wanted = placeholders_for(type);
    if (placeholders == 0 || wanted == 0) {
        text = message;
    } else if (placeholders != wanted || error.payload.Length() != CErrorPayload::LengthOf(type)) {
        // A payload read back empty (its stored length did not fit its type) has nothing to
        // fill in, like a text with the wrong number of places.
        text = message;
        return VYR_S_UNKNOWN_RETURN_VALUE;
    } else {
        text = fill_placeholders(message, arguments_of(error.payload));
    }
    std::string second;
    if (error.secondCode != error.code && message_text(error.secondCode, second)) text += second;
    return VYR_OK;
}

void AddTimeToString(const double& time, const VYR_RECORDTOSTRING_TIMEFORMAT& format,
                     std::string& text) {
    if (format == VYR_TIMEFORMAT_MJD || !std::isfinite(time) || time < 0.0 || time > kLargestDay) {
        append_format(text, "%.6f", time);
        return;
    }
    int64_t day = static_cast<int64_t>(std::trunc(time));
    double milliseconds = (time - std::floor(time)) * mjd::kMillisecondsPerDay;
    const double step = format == VYR_TIMEFORMAT_CALENDAR ? 10.0 : 0.001;
    milliseconds = std::floor(milliseconds / step + 0.5) * step;
    while (milliseconds >= mjd::kMillisecondsPerDay) {
        ++day;
        milliseconds -= mjd::kMillisecondsPerDay;
    }
    if (format == VYR_TIMEFORMAT_CALENDAR) {
        int year = 0, month = 0, dayOfMonth = 0, unusedHour = 0, unusedMinute = 0;
        double unusedSeconds = 0.0;
        MjdToCalendar(static_cast<uint32_t>(day), 0.0, year, month, dayOfMonth, unusedHour,
                      unusedMinute, unusedSeconds);
        const int hours = static_cast<int>(milliseconds / 3600000.0);
        const int minutes = static_cast<int>((milliseconds - hours * 3600000.0) / 60000.0);
        const double seconds = (milliseconds - hours * 3600000.0 - minutes * 60000.0) / 1000.0;
        append_format(text, "%02d.%02d.%4d,%02d:%02d:%05.2f", dayOfMonth, month, year, hours,
                      minutes, seconds);
        return;
    }
    const int64_t week = (day - mjd::kGpsOriginMjd) / 7;
    const int64_t dayOfWeek = (day - mjd::kGpsOriginMjd) % 7;
    append_format(
        text, "%4d %13.6f", static_cast<int>(week),
        (static_cast<double>(dayOfWeek) * mjd::kMillisecondsPerDay + milliseconds) / 1000.0);
}

void getPrnAndSystem(unsigned char satellite, unsigned char& number, char& system) {
    if (satellite >= 1 && satellite <= 32) {
        system = 'G';
        number = satellite;
    } else if (satellite >= 33 && satellite <= 56) {
        system = 'R';
        number = static_cast<unsigned char>(satellite - vyr::kCompactGlonassOffset);
    } else if (satellite >= 57 && satellite <= 106) {
        system = 'E';
        number = static_cast<unsigned char>(satellite - vyr::kCompactGalileoOffset);
    } else if (satellite >= 107 && satellite <= 126) {
        system = 'S';
        number = static_cast<unsigned char>(satellite + 13);
    } else {
        system = 'U';
        number = satellite;
    }
}
