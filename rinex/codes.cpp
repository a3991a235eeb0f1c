#include "rinex/codes.h"

#include "rinex/fields.h"

namespace rnx {

eSATSYS system_of_letter(char letter) {
    switch (letter) {
        case 'G':
            return eSATSYS_GPS;
        case 'R':
            return eSATSYS_GLONASS;
        case 'E':
            return eSATSYS_GALILEO;
        case 'S':
            return eSATSYS_SBAS;
        default:
            return eSATSYS_OTHER;
    }
}

bool is_known_system_letter(char letter) {
    return std::string_view("GRESCJI").find(letter) != std::string_view::npos;
}

namespace {

uint32_t kind_of(char c) {
    switch (c) {
        case 'C':
            return 1;
        case 'L':
            return 2;
        case 'D':
            return 3;
        case 'S':
            return 4;
        default:
            return 0;
    }
}

uint32_t band_of(char c) {
    switch (c) {
        case '1':
            return 2;
        case '2':
            return 3;
        case '5':
            return 4;
        case '6':
            return 5;
        case '7':
            return 6;
        case '8':
            return 7;
        case '3':
            return 8;
        case '4':
            return 9;
        case '9':
            return 10;
        default:
            return 0;
    }
}

uint32_t attribute_of(char c) {
    constexpr std::string_view kOrder = "PCDYMNABIQSLXWZER";
    const size_t at = kOrder.find(c);
    return at == std::string_view::npos ? 0 : static_cast<uint32_t>(at + 1);
}

}  // namespace

bool parse_obs_code(std::string_view text, RNX_OBS_CODE& code) {
    code = RNX_OBS_CODE{0, 0, 0};
    if (text.size() < 2) return false;
    // X (channel number) is a RINEX observation letter without a value kind of ours.
    if (kind_of(text[0]) == 0 && text[0] != 'X') return false;
    code.kind = kind_of(text[0]);
    code.band = band_of(text[1]);
    if (code.band == 0 && text[1] != '0') return false;
    code.attribute = text.size() > 2 ? attribute_of(text[2]) : 0;
    return true;
}

eTIMESYS time_system_of(std::string_view text) {
    text = trim(text);
    if (text == "GPS") return eTIMESYS_GPS;
    if (text == "GLO") return eTIMESYS_GLO;
    if (text == "GAL") return eTIMESYS_GAL;
    if (text == "BDT") return eTIMESYS_BDT;
    if (text == "QZS") return eTIMESYS_QZS;
    if (text == "IRN") return eTIMESYS_IRN;
    if (text == "UTC") return eTIMESYS_UTC;
    if (text == "TAI") return eTIMESYS_TAI;
    return eTIMESYS_NONE;
}

eTIMESYS default_time_system(char system_letter) {
    switch (system_letter) {
        case 'R':
            return eTIMESYS_GLO;
        case 'E':
            return eTIMESYS_GAL;
        case 'C':
            return eTIMESYS_BDT;
        case 'J':
            return eTIMESYS_QZS;
        case 'I':
            return eTIMESYS_IRN;
        default:
            return eTIMESYS_GPS;
    }
}

}  // namespace rnx

namespace rnx {

bool parse_satellite(std::string_view id, char& letter, uint8_t& number) {
    if (id.size() < 3) return false;
    letter = id[0] == ' ' ? 'G' : id[0];
    int32_t n = 0;
    if (parse_int(id.substr(1, 2), n) != Parsed::kOk || n < 1 || n > 99) return false;
    number = static_cast<uint8_t>(n);
    return true;
}

}  // namespace rnx
