#include "record_fields.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "station_text.h"
#include "time_text.h"

namespace vyr_cli {
namespace {

// Beyond this the calendar of an MJD is of no use (year 4596).
constexpr double kLastCalendarMjd = 1.0e6;

// The MJD of a week (counted from the GPS origin) and its seconds.
double week_time(int64_t week, double secondsOfWeek) {
    return mjd::kGpsOriginMjd + static_cast<double>(week) * 7.0 +
           secondsOfWeek / mjd::kSecondsPerDay;
}

// A clock epoch given as seconds of week belongs to the week of the ephemeris' own epoch, or to
// the one before or after when the two straddle the week's turn.
double clock_time(int64_t week, uint32_t toe, uint32_t toc) {
    const int64_t apart = static_cast<int64_t>(toc) - static_cast<int64_t>(toe);
    if (apart > mjd::kSecondsPerWeek / 2) --week;
    if (apart < -mjd::kSecondsPerWeek / 2) ++week;
    return week_time(week, toc);
}

std::string name_of(const char (&name)[17]) {
    return std::string(name, strnlen(name, sizeof name));
}

// Fields (the record's members are packed: copied out before use).
template <class T>
void put(Fields& fields, const char* name, T value) {
    if constexpr (std::is_floating_point_v<T>)
        fields[name] = tidy(value);
    else
        fields[name] = value;
}

// Almanacs are stored as a satellite and a time around an opaque block.
template <class Almanac>
Fields almanac_fields(const Almanac& r, bool as_json) {
    Fields fields;
    fields["satellite"] = satellite_name(r.satellite);
    put_time(fields, "time", r.time, as_json);
    return fields;
}

template <class Point>
Fields point_fields(const Point& r) {
    Fields fields;
    fields["name"] = name_of(r.name);
    return fields;
}

std::string prn_name(char system, unsigned prn) {
    char text[8];
    std::snprintf(text, sizeof text, "%c%02u", system, prn);
    return text;
}

bool reads_back(const char* first, const char* last, double value) {
    const std::string text(first, last);
    const double back = std::strtod(text.c_str(), nullptr);
    return back == value || back == std::nextafter(value, HUGE_VAL) ||
           back == std::nextafter(value, -HUGE_VAL);
}

size_t significant_digits(const char* first, const char* last) {
    size_t digits = 0;
    bool leading = true;
    for (const char* c = first; c != last && *c != 'e'; ++c) {
        if (*c < '0' || *c > '9') continue;
        if (leading && *c == '0') continue;
        leading = false;
        ++digits;
    }
    return digits;
}

// The Keplerian elements and their corrections, named alike in GPS and Galileo messages.
template <class Ephemeris>
void put_orbit(Fields& fields, const Ephemeris& r) {
    put(fields, "m0_rad", r.m0);
    put(fields, "delta_n_rad_s", r.deltaN);
    put(fields, "e", r.eccentricity);
    put(fields, "sqrt_a_m05", r.sqrtA);
    put(fields, "omega0_rad", r.omega0);
    put(fields, "i0_rad", r.i0);
    put(fields, "omega_rad", r.omega);
    put(fields, "omega_dot_rad_s", r.omegaDot);
    put(fields, "idot_rad_s", r.idot);
    put(fields, "cuc_rad", r.cuc);
    put(fields, "cus_rad", r.cus);
    put(fields, "crc_m", r.crc);
    put(fields, "crs_m", r.crs);
    put(fields, "cic_rad", r.cic);
    put(fields, "cis_rad", r.cis);
}

}  // namespace

std::string satellite_name(uint8_t compact) {
    const VYR_SATID satellite = vyr::satellite_from_compact_number(compact);
    if (satellite.system == VYR_SATSYS_NONE) return "?" + std::to_string(compact);
    return satellite_name(satellite);
}

double tidy(double value) {
    if (!std::isfinite(value)) return value;
    char text[32];
    const auto shortest = std::to_chars(text, text + sizeof text, value);
    if (significant_digits(text, shortest.ptr) <= 15) return value;
    for (int precision : {15, 16}) {
        const auto end =
            std::to_chars(text, text + sizeof text, value, std::chars_format::general, precision);
        if (reads_back(text, end.ptr, value))
            return std::strtod(std::string(text, end.ptr).c_str(), nullptr);
    }
    return value;
}

double tidy(float value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value);
    return std::strtod(std::string(text, end.ptr).c_str(), nullptr);
}

std::string number_text(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value);
    return std::string(text, end.ptr);
}

void put_time(Fields& fields, const std::string& name, double mjd, bool as_json) {
    if (mjd >= 0.0 && mjd < kLastCalendarMjd)
        fields[name] = iso_time(mjd);
    else
        fields[name] = nullptr;
    if (as_json) fields[name + "_mjd"] = tidy(mjd);
}

Fields fields_of(const VYR_BROADCASTEPHEMERIS& r, bool as_json) {
    Fields fields;
    fields["satellite"] = prn_name('G', r.prn);
    put_time(fields, "toe", week_time(r.week, r.toe), as_json);
    put_time(fields, "toc", clock_time(r.week, r.toe, r.toc), as_json);
    put(fields, "week", r.week);
    put(fields, "toe_s", r.toe);
    put(fields, "health", r.health);
    put(fields, "accuracy_m", r.accuracy);
    put(fields, "iodc", r.iodc);
    put(fields, "iode", static_cast<uint16_t>(r.iodc & 0xFF));
    put(fields, "codes_on_l2", r.codesOnL2);
    put(fields, "l2p_data_flag", r.l2PDataFlag);
    put(fields, "tgd_s", r.tgd);
    put_orbit(fields, r);
    put(fields, "af0_s", r.af0);
    put(fields, "af1_s_s", r.af1);
    put(fields, "af2_s_s2", r.af2);
    return fields;
}

Fields fields_of(const VYR_BROADCASTEPHEMERIS_GLO& r, bool as_json) {
    Fields fields;
    fields["satellite"] = prn_name('R', r.slot);
    // Stored as a byte; the channels run from -7 to +13.
    put(fields, "channel", static_cast<int>(static_cast<int8_t>(r.channel)));
    put_time(fields, "epoch", week_time(r.week, r.secondsOfWeek), as_json);
    put(fields, "health", r.health);
    put(fields, "x_m", r.x);
    put(fields, "y_m", r.y);
    put(fields, "z_m", r.z);
    put(fields, "vx_m_s", r.vx);
    put(fields, "vy_m_s", r.vy);
    put(fields, "vz_m_s", r.vz);
    put(fields, "ax_m_s2", r.ax);
    put(fields, "ay_m_s2", r.ay);
    put(fields, "az_m_s2", r.az);
    put(fields, "tau_n_s", r.tauN);
    put(fields, "gamma_n", r.gammaN);
    put(fields, "frame_time_s", r.frameTime);
    put(fields, "age_d", r.age);
    return fields;
}

Fields fields_of(const VYR_BROADCASTEPHEMERIS_GAL& r, bool as_json) {
    Fields fields;
    fields["satellite"] = prn_name('E', r.prn);
    put_time(fields, "toe", week_time(r.week, r.toe), as_json);
    // One clock set is filled per message; the other stays 0.
    const bool e5b =
        r.tocE5bE1 != 0 || r.af0E5bE1 != 0 || r.af1E5bE1 != 0 || r.af2E5bE1 != 0 || r.bgdE5bE1 != 0;
    fields["clock"] = e5b ? "E5b/E1" : "E5a/E1";
    put_time(fields, "toc", clock_time(r.week, r.toe, e5b ? r.tocE5bE1 : r.tocE5aE1), as_json);
    put(fields, "week", r.week);
    put(fields, "toe_s", r.toe);
    put(fields, "iod_nav", r.iodNav);
    put(fields, "sisa_m", r.sisa);
    const char* const sources[] = {"", "F/NAV", "I/NAV", "I/NAV,F/NAV"};
    fields["data_source"] = sources[r.dataSource & 3];
    put(fields, "e1b_hs", (r.healthE1bE5b >> 1) & 3);
    put(fields, "e5a_hs", (r.healthE5a >> 1) & 3);
    put(fields, "e5b_hs", (r.healthE1bE5b >> 4) & 3);
    put_orbit(fields, r);
    put(fields, "af0_s", e5b ? r.af0E5bE1 : r.af0E5aE1);
    put(fields, "af1_s_s", e5b ? r.af1E5bE1 : r.af1E5aE1);
    put(fields, "af2_s_s2", e5b ? r.af2E5bE1 : r.af2E5aE1);
    put(fields, "bgd_e5a_e1_s", r.bgdE5aE1);
    put(fields, "bgd_e5b_e1_s", r.bgdE5bE1);
    return fields;
}

Fields fields_of(const VYR_PRECISEEPHEMERIS& r, bool as_json) {
    Fields fields;
    fields["satellite"] = satellite_name(r.satellite);
    put_time(fields, "epoch", r.epoch, as_json);
    put(fields, "x_m", r.x);
    put(fields, "y_m", r.y);
    put(fields, "z_m", r.z);
    put(fields, "clock_s", r.clock);
    return fields;
}

Fields fields_of(const VYR_IONOUTC& r, bool as_json) {
    Fields fields;
    put_time(fields, "epoch", week_time(r.week, r.secondsOfWeek), as_json);
    put(fields, "week", r.week);
    put(fields, "seconds_of_week_s", r.secondsOfWeek);
    put(fields, "content", r.content);
    // Klobuchar units: seconds per semicircle to the power of the coefficient's index.
    const char* const alpha[] = {"alpha0_s", "alpha1_s_sc", "alpha2_s_sc2", "alpha3_s_sc3"};
    const char* const beta[] = {"beta0_s", "beta1_s_sc", "beta2_s_sc2", "beta3_s_sc3"};
    for (int i = 0; i < 4; ++i) put(fields, alpha[i], r.alpha[i]);
    for (int i = 0; i < 4; ++i) put(fields, beta[i], r.beta[i]);
    return fields;
}

Fields fields_of(const VYR_IONO_GLOBALREG& r, bool as_json) {
    Fields fields;
    const char* const models[] = {"regional", "global", "station"};
    if (r.modelType < 3)
        fields["model"] = models[r.modelType];
    else
        put(fields, "model", r.modelType);
    put_time(fields, "from", r.fromEpoch, as_json);
    put_time(fields, "to", r.toEpoch, as_json);
    put(fields, "mapping_function", r.mappingFunction);
    if (r.frame < 2)
        fields["frame"] = r.frame == 0 ? "geographic" : "geomagnetic";
    else
        put(fields, "frame", r.frame);
    put(fields, "height_km", r.height);
    put(fields, "pole_latitude_deg", r.poleLatitude);
    put(fields, "pole_longitude_deg", r.poleLongitude);
    put(fields, "min_latitude_deg", r.minLatitude);
    put(fields, "max_latitude_deg", r.maxLatitude);
    put(fields, "max_degree", r.maxDegree);
    put(fields, "max_order", r.maxOrder);
    return fields;
}

Fields fields_of(const VYR_ALMANACHEPHEMERIS& r, bool as_json) {
    return almanac_fields(r, as_json);
}

Fields fields_of(const VYR_ALMANACHEPHEMERIS_GLO& r, bool as_json) {
    return almanac_fields(r, as_json);
}

Fields fields_of(const VYR_ALMANACHEPHEMERIS_GAL& r, bool as_json) {
    return almanac_fields(r, as_json);
}

Fields fields_of(const VYR_ESTABLISHED_POINT& r, bool) {
    return point_fields(r);
}

Fields fields_of(const VYR_USE_FOR_ESTABLISHING_POINT& r, bool) {
    return point_fields(r);
}

}  // namespace vyr_cli
