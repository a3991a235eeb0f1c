#include "rinex/file_names.h"

#include <cctype>
#include <cmath>

#include "rinex/number_format.h"

namespace rnx {

// Hinnant's civil-calendar algorithms: exact for every year the tags can hold.
int64_t days_from_civil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void civil_from_days(int64_t z, int64_t& year, unsigned& month, unsigned& day) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = doy - (153 * mp + 2) / 5 + 1;
    month = mp < 10 ? mp + 3 : mp - 9;
    year = static_cast<int64_t>(yoe) + era * 400 + (month <= 2);
}

double seconds_of(const RNX_TIME& t) {
    const int64_t days = days_from_civil(t.year, t.month, t.day);
    return static_cast<double>(days) * 86400.0 + t.hour * 3600.0 + t.minute * 60.0 + t.seconds;
}

int day_of_year(const RNX_TIME& t) {
    return static_cast<int>(days_from_civil(t.year, t.month, t.day) -
                            days_from_civil(t.year, 1, 1)) +
           1;
}

std::string name_part(std::string_view text, size_t count, char fill, bool upper) {
    std::string out;
    for (const char c : text) {
        if (out.size() == count) break;
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x80 || !std::isalnum(u)) continue;
        out += static_cast<char>(upper ? std::toupper(u) : std::tolower(u));
    }
    out.resize(count, fill);
    return out;
}

namespace {

std::string two_digits(int64_t n, char unit) {
    if (n < 0 || n > 99) return "00U";
    std::string s = "00";
    format_int(s.data(), 2, n, 2);
    return s + unit;
}

int64_t round_up(double value, double unit) {
    // A period a hair over a whole unit (rounding of second fractions) is still that unit.
    return static_cast<int64_t>(std::ceil(value / unit - 1e-9));
}

}  // namespace

std::string period_code(double s) {
    if (!(s > 0) || !std::isfinite(s)) return "00U";
    if (s < 3600.0) return two_digits(round_up(s, 60.0), 'M');
    if (s < 86400.0) return two_digits(round_up(s, 3600.0), 'H');
    if (s <= 99 * 86400.0) return two_digits(round_up(s, 86400.0), 'D');
    const int64_t years = round_up(s, 365.25 * 86400.0);
    return two_digits(years, 'Y');
}

std::string rate_code(double s) {
    if (!(s > 0) || !std::isfinite(s)) return "00U";
    if (s < 1.0) {
        const auto hertz = static_cast<int64_t>(std::llround(1.0 / s));
        if (hertz < 100) return two_digits(hertz, 'Z');
        return two_digits(hertz / 100, 'C');
    }
    // The largest unit that counts the interval exactly in two digits (3600 s is "01H", 5400 s
    // "90M"); else the smallest unit that counts it in two digits, rounded.
    const auto whole = static_cast<int64_t>(std::llround(s));
    constexpr int64_t kUnits[] = {86400, 3600, 60, 1};
    constexpr char kLetters[] = {'D', 'H', 'M', 'S'};
    for (size_t i = 0; i < 4; ++i)
        if (whole % kUnits[i] == 0 && whole / kUnits[i] <= 99)
            return two_digits(whole / kUnits[i], kLetters[i]);
    for (size_t i = 4; i-- > 0;) {
        const int64_t n = (whole + kUnits[i] / 2) / kUnits[i];
        if (n <= 99) return two_digits(n, kLetters[i]);
    }
    return "00U";
}

std::string long_name_stem(const LongName& p) {
    std::string name = name_part(p.marker, 4, 'X', true);
    name += static_cast<char>('0' + (p.monument % 10));
    name += static_cast<char>('0' + (p.receiver % 10));
    name += name_part(p.country, 3, 'X', true);
    name += '_';
    name += (p.source == 'R' || p.source == 'S' || p.source == 'U') ? p.source : 'U';
    name += '_';
    char when[11];
    format_int(when, 4, p.start.year, 4);
    format_int(when + 4, 3, day_of_year(p.start), 3);
    format_int(when + 7, 2, p.start.hour, 2);
    format_int(when + 9, 2, p.start.minute, 2);
    name.append(when, 11);
    name += '_' + period_code(p.period) + '_' + rate_code(p.rate) + '_';
    const auto system = static_cast<unsigned char>(p.system);
    name += std::isalpha(system) ? static_cast<char>(std::toupper(system)) : 'M';
    name += 'O';
    return name;
}

std::string short_name(std::string_view marker, const RNX_TIME& start, char sequence) {
    std::string name = name_part(marker, 4, 'x', false);
    char doy[3];
    format_int(doy, 3, day_of_year(start), 3);
    name.append(doy, 3);
    name += sequence;
    name += '.';
    char yy[2];
    format_int(yy, 2, start.year % 100, 2);
    name.append(yy, 2);
    name += 'o';
    return name;
}

}  // namespace rnx
