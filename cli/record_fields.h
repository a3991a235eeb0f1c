// The stored records of the common data as fields a GNSS user knows, for `vyr show`. Units are
// part of the field names (`sqrt_a_m05`, `af1_s_s`); fields without a unit are counts, flags or
// plain numbers. Epochs are ISO times; in JSON their MJD stands beside them as `NAME_mjd`.
#pragma once

#include <cstdint>
#include <string>

#include <vyr/vyr.h>
#include <nlohmann/json.hpp>

namespace vyr_cli {

using Fields = nlohmann::ordered_json;

Fields fields_of(const VYR_BROADCASTEPHEMERIS& r, bool as_json);
Fields fields_of(const VYR_BROADCASTEPHEMERIS_GLO& r, bool as_json);
Fields fields_of(const VYR_BROADCASTEPHEMERIS_GAL& r, bool as_json);
Fields fields_of(const VYR_PRECISEEPHEMERIS& r, bool as_json);
Fields fields_of(const VYR_IONOUTC& r, bool as_json);
Fields fields_of(const VYR_IONO_GLOBALREG& r, bool as_json);
Fields fields_of(const VYR_ALMANACHEPHEMERIS& r, bool as_json);
Fields fields_of(const VYR_ALMANACHEPHEMERIS_GLO& r, bool as_json);
Fields fields_of(const VYR_ALMANACHEPHEMERIS_GAL& r, bool as_json);
Fields fields_of(const VYR_ESTABLISHED_POINT& r, bool as_json);
Fields fields_of(const VYR_USE_FOR_ESTABLISHING_POINT& r, bool as_json);

// A compact satellite number (GPS n, GLONASS n + 32, ...) RINEX style: "G05", "R01", "S20";
// a number that names no satellite as "?" and the number.
std::string satellite_name(uint8_t compact);

// The value with the digits it carries: the shortest decimal that reads back to it, or, where
// that needs 16 or 17 digits, to it or a neighbouring double (one unit in the last place: the
// rounding of one multiplication on import, as kilometres to metres). 20872275.301000003
// becomes 20872275.301; 0.2617993877991494 keeps its 16 digits.
double tidy(double value);
// A float widened to the double of its shortest text (1.1e-08, not 1.1000000021965661e-08).
double tidy(float value);
// The shortest text that reads back to the double.
std::string number_text(double value);

// An epoch as a field: ISO time, and in JSON its MJD as NAME_mjd. An MJD no calendar reaches
// (damaged data) gives null beside the number.
void put_time(Fields& fields, const std::string& name, double mjd, bool as_json);

}  // namespace vyr_cli
