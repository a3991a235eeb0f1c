// Names of written RINEX files, and the calendar arithmetic they need.
//
// Every part of a name is built from letters and digits only (a marker name such as "../x"
// cannot leave the output folder or break the name's fixed fields):
// - long name (versions 3 and 4): SSSSMRCCC_R_YYYYDDDHHMM_LLL_FFF_sO.rnx. SSSS: the first four
//   letters or digits of the marker name, upper case, filled up with 'X' ("XXXX" without
//   any); M, R: monument and receiver digits; CCC: the country code, "XXX" when unknown;
//   R: data source; the start is the first epoch; LLL the period, FFF the data rate; s the
//   system letter ('M' mixed).
// - short name (version 2): ssssdddf.yyo, the same four characters in lower case ('x' fill), f
//   the file's sequence character ('0' for the first).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "rinex/rnx_types.h"

namespace rnx {

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
int64_t days_from_civil(int64_t year, unsigned month, unsigned day);
void civil_from_days(int64_t days, int64_t& year, unsigned& month, unsigned& day);
// Seconds since 1970-01-01 of a time tag, its time system ignored.
double seconds_of(const RNX_TIME& t);
int day_of_year(const RNX_TIME& t);

// The first count letters and digits of text, the others dropped, filled up with fill.
std::string name_part(std::string_view text, size_t count, char fill, bool upper);

// LLL: the period a file covers in seconds as two digits and a unit, rounded up: "15M",
// "01H", "01D", "01Y"; "00U" when not known (0 or less).
std::string period_code(double seconds);
// FFF: the data rate, an interval in seconds: "30S", "01S", "05M", "01H", "01D", below a second
// in hertz ("10Z") or hundreds of hertz ("01C"); "00U" when not known.
std::string rate_code(double seconds);

struct LongName {
    std::string marker;   // raw marker name
    unsigned monument;    // 0-9
    unsigned receiver;    // 0-9
    std::string country;  // raw country code
    char source;          // R, S or U
    RNX_TIME start;
    double period;  // seconds
    double rate;    // seconds
    char system;    // file's system letter
};
// The name without ".rnx" (the caller adds it, and the suffix of a collision before it).
std::string long_name_stem(const LongName& parts);
// sequence: '0' to '9'.
std::string short_name(std::string_view marker, const RNX_TIME& start, char sequence);

}  // namespace rnx
