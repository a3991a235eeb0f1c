#include "record_fields.h"

#include <cstdio>
#include <cstring>

namespace vyr_cli {

// Packed fields are copied out (unary plus) before they become JSON values.
#define VYR_PUT(f) fields[#f] = +r.f

std::string satellite_name(uint8_t satellite) {
    unsigned char number = 0;
    char system = 'U';
    getPrnAndSystem(satellite, number, system);
    char text[8];
    std::snprintf(text, sizeof text, "%c%02u", system, static_cast<unsigned>(number));
    return text;
}

namespace {

std::string name_of(const char (&name)[17]) {
    return std::string(name, strnlen(name, sizeof name));
}

// Almanacs are stored as a satellite and a time around an opaque block.
template <class Almanac>
Fields almanac_fields(const Almanac& r) {
    Fields fields;
    fields["satellite"] = satellite_name(r.satellite);
    VYR_PUT(time);
    return fields;
}

template <class Point>
Fields point_fields(const Point& r) {
    Fields fields;
    fields["name"] = name_of(r.name);
    return fields;
}

}  // namespace

Fields fields_of(const VYR_BROADCASTEPHEMERIS& r) {
    Fields fields;
    fields["satellite"] = satellite_name(r.prn);
    VYR_PUT(week);
    VYR_PUT(toe);
    VYR_PUT(toc);
    VYR_PUT(health);
    VYR_PUT(accuracy);
    VYR_PUT(iodc);
    VYR_PUT(codesOnL2);
    VYR_PUT(l2PDataFlag);
    VYR_PUT(tgd);
    VYR_PUT(m0);
    VYR_PUT(deltaN);
    VYR_PUT(eccentricity);
    VYR_PUT(sqrtA);
    VYR_PUT(omega0);
    VYR_PUT(i0);
    VYR_PUT(omega);
    VYR_PUT(omegaDot);
    VYR_PUT(idot);
    VYR_PUT(cuc);
    VYR_PUT(cus);
    VYR_PUT(crc);
    VYR_PUT(crs);
    VYR_PUT(cic);
    VYR_PUT(cis);
    VYR_PUT(af0);
    VYR_PUT(af1);
    VYR_PUT(af2);
    return fields;
}

Fields fields_of(const VYR_BROADCASTEPHEMERIS_GLO& r) {
    Fields fields;
    VYR_PUT(slot);
    VYR_PUT(channel);
    VYR_PUT(week);
    VYR_PUT(secondsOfWeek);
    VYR_PUT(health);
    VYR_PUT(x);
    VYR_PUT(y);
    VYR_PUT(z);
    VYR_PUT(vx);
    VYR_PUT(vy);
    VYR_PUT(vz);
    VYR_PUT(ax);
    VYR_PUT(ay);
    VYR_PUT(az);
    VYR_PUT(tauN);
    VYR_PUT(gammaN);
    VYR_PUT(frameTime);
    VYR_PUT(age);
    return fields;
}

Fields fields_of(const VYR_BROADCASTEPHEMERIS_GAL& r) {
    Fields fields;
    char satellite[8];
    std::snprintf(satellite, sizeof satellite, "E%02u", static_cast<unsigned>(r.prn));
    fields["satellite"] = satellite;
    VYR_PUT(week);
    VYR_PUT(toe);
    VYR_PUT(iodNav);
    VYR_PUT(sisa);
    VYR_PUT(dataSource);
    VYR_PUT(healthE5a);
    VYR_PUT(healthE1bE5b);
    VYR_PUT(m0);
    VYR_PUT(deltaN);
    VYR_PUT(eccentricity);
    VYR_PUT(sqrtA);
    VYR_PUT(omega0);
    VYR_PUT(i0);
    VYR_PUT(omega);
    VYR_PUT(omegaDot);
    VYR_PUT(idot);
    VYR_PUT(cuc);
    VYR_PUT(cus);
    VYR_PUT(crc);
    VYR_PUT(crs);
    VYR_PUT(cic);
    VYR_PUT(cis);
    VYR_PUT(bgdE5aE1);
    VYR_PUT(tocE5aE1);
    VYR_PUT(af0E5aE1);
    VYR_PUT(af1E5aE1);
    VYR_PUT(af2E5aE1);
    VYR_PUT(bgdE5bE1);
    VYR_PUT(tocE5bE1);
    VYR_PUT(af0E5bE1);
    VYR_PUT(af1E5bE1);
    VYR_PUT(af2E5bE1);
    return fields;
}

Fields fields_of(const VYR_PRECISEEPHEMERIS& r) {
    Fields fields;
    fields["satellite"] = satellite_name(r.satellite);
    VYR_PUT(epoch);
    VYR_PUT(x);
    VYR_PUT(y);
    VYR_PUT(z);
    VYR_PUT(clock);
    return fields;
}

Fields fields_of(const VYR_IONOUTC& r) {
    Fields fields;
    VYR_PUT(week);
    VYR_PUT(secondsOfWeek);
    VYR_PUT(content);
    for (int i = 0; i < 4; ++i) fields["alpha" + std::to_string(i)] = +r.alpha[i];
    for (int i = 0; i < 4; ++i) fields["beta" + std::to_string(i)] = +r.beta[i];
    return fields;
}

Fields fields_of(const VYR_IONO_GLOBALREG& r) {
    Fields fields;
    VYR_PUT(modelType);
    VYR_PUT(mappingFunction);
    VYR_PUT(fromEpoch);
    VYR_PUT(toEpoch);
    VYR_PUT(poleLatitude);
    VYR_PUT(poleLongitude);
    VYR_PUT(minLatitude);
    VYR_PUT(maxLatitude);
    VYR_PUT(frame);
    VYR_PUT(height);
    VYR_PUT(maxDegree);
    VYR_PUT(maxOrder);
    return fields;
}

Fields fields_of(const VYR_ALMANACHEPHEMERIS& r) {
    return almanac_fields(r);
}

Fields fields_of(const VYR_ALMANACHEPHEMERIS_GLO& r) {
    return almanac_fields(r);
}

Fields fields_of(const VYR_ALMANACHEPHEMERIS_GAL& r) {
    return almanac_fields(r);
}

Fields fields_of(const VYR_ESTABLISHED_POINT& r) {
    return point_fields(r);
}

Fields fields_of(const VYR_USE_FOR_ESTABLISHING_POINT& r) {
    return point_fields(r);
}

#undef VYR_PUT

}  // namespace vyr_cli
