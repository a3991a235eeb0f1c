#include "import/convert_rinex_nav_records.h"

#include <cmath>

#include "import/convert_rinex_nav_values.h"
#include "vyr/mjd_time.h"

namespace vyr_import {
namespace {

constexpr double kKilometre = 1000.0;

struct WeekTime {
    int64_t daysSinceOrigin;
    double millisecondsOfDay;
};

WeekTime since_gps_origin(const RNX_TIME& time) {
    uint32_t day = 0;
    double milliseconds = 0.0;
    CalendarToMjd(time.year, time.month, time.day, time.hour, time.minute, time.seconds, day,
                  milliseconds);
    return {static_cast<int64_t>(day) - mjd::kGpsOriginMjd, milliseconds};
}

// Day of the week 0-6, also for days before the origin.
int64_t day_of_week(int64_t days) {
    const int64_t d = days % 7;
    return d < 0 ? d + 7 : d;
}

int64_t week_of(int64_t days) {
    return (days - day_of_week(days)) / 7;
}

// Galileo data-source word: bits 0 and 2 name I/NAV, bit 1 F/NAV; bits 8 and 9 the clock set.
constexpr uint32_t kSourceInavE1b = 1u << 0;
constexpr uint32_t kSourceFnav = 1u << 1;
constexpr uint32_t kSourceInavE5b = 1u << 2;
constexpr uint32_t kClockSetMask = 3u << 8;
constexpr uint32_t kClockSetE5a = 1u << 8;
constexpr uint32_t kClockSetE5b = 2u << 8;

constexpr uint8_t kFlagInav = 2;
constexpr uint8_t kFlagFnav = 1;

uint8_t galileo_source_flags(const RNX_NAV_GAL& message, uint32_t sources) {
    if (message.messageType == 'I') return kFlagInav;
    if (message.messageType == 'F') return kFlagFnav;
    uint8_t flags = 0;
    if (sources & (kSourceInavE1b | kSourceInavE5b)) flags |= kFlagInav;
    if (sources & kSourceFnav) flags |= kFlagFnav;
    return flags;
}

// The clock set a message fills: the word's clock bits, or when they name neither set (or
// both), the one its navigation message carries, so that the clock is never silently dropped.
uint32_t galileo_clock_set(uint32_t sources, uint8_t flags) {
    const uint32_t set = sources & kClockSetMask;
    if (set == kClockSetE5a || set == kClockSetE5b) return set;
    if (flags == kFlagFnav) return kClockSetE5a;
    if (flags == kFlagInav) return kClockSetE5b;
    return 0;
}

// Signal health: a value is taken only where its data-validity bit is set.
void galileo_health(uint32_t health, VYR_BROADCASTEPHEMERIS_GAL& r) {
    if (health & (1u << 0))
        r.healthE1bE5b = uint8_t((r.healthE1bE5b & ~0x07u) | (((health >> 1) & 3u) << 1));
    if (health & (1u << 3))
        r.healthE5a = uint8_t((r.healthE5a & ~0x07u) | (((health >> 4) & 3u) << 1));
    if (health & (1u << 6))
        r.healthE1bE5b = uint8_t((r.healthE1bE5b & ~0x38u) | (((health >> 7) & 3u) << 4));
}

}  // namespace

uint32_t gps_seconds_of_week(const RNX_TIME& time) {
    const WeekTime t = since_gps_origin(time);
    const double ms =
        static_cast<double>(day_of_week(t.daysSinceOrigin)) * mjd::kMillisecondsPerDay +
        t.millisecondsOfDay;
    return clamp_truncate<uint32_t>(ms / 1000.0);
}

VYR_BROADCASTEPHEMERIS gps_record_from_message(const RNX_NAV_GPS& m) {
    VYR_BROADCASTEPHEMERIS r{};
    r.prn = m.prn;
    r.status = 5;
    r.health = clamp_truncate<uint16_t>(m.svHealth);
    r.week = clamp_truncate<uint16_t>(m.gpsWeek);
    r.accuracy = clamp_truncate<uint16_t>(m.svAccuracy + 0.5);
    r.codesOnL2 = clamp_truncate<uint16_t>(m.codesOnL2);
    r.l2PDataFlag = clamp_truncate<uint16_t>(m.l2PDataFlag);
    r.iodc = static_cast<uint16_t>((clamp_truncate<uint16_t>(m.iodc) & 0x300u) |
                                   (clamp_truncate<uint16_t>(m.iode) & 0xFFu));
    r.tgd = static_cast<float>(m.tgd);
    r.m0 = m.m0;
    r.deltaN = static_cast<float>(m.deltaN);
    r.eccentricity = m.eccentricity;
    r.sqrtA = m.sqrtA;
    r.omega0 = m.omega0;
    r.i0 = m.i0;
    r.omega = m.omega;
    r.omegaDot = static_cast<float>(m.omegaDot);
    r.idot = static_cast<float>(m.idot);
    r.cuc = static_cast<float>(m.cuc);
    r.cus = static_cast<float>(m.cus);
    r.crc = static_cast<float>(m.crc);
    r.crs = static_cast<float>(m.crs);
    r.cic = static_cast<float>(m.cic);
    r.cis = static_cast<float>(m.cis);
    r.toe = clamp_truncate<uint32_t>(m.toe);
    r.toc = gps_seconds_of_week(m.timeOfClock);
    r.af0 = static_cast<float>(m.clockBias);
    r.af1 = static_cast<float>(m.clockDrift);
    r.af2 = static_cast<float>(m.clockDriftRate);
    return r;
}

uint32_t glonass_frame_time_modulo_day(double frameTime) {
    return clamp_truncate<uint32_t>(frameTime - mjd::kSecondsPerDay *
                                                    std::trunc(frameTime / mjd::kSecondsPerDay));
}

VYR_BROADCASTEPHEMERIS_GLO glonass_record_from_message(const RNX_NAV_GLO& m,
                                                       uint32_t frameTimeOfDay) {
    VYR_BROADCASTEPHEMERIS_GLO r{};
    r.slot = m.slot;
    r.status = 2;
    // The channel is a signed number (-7 to +13) kept in its byte as two's complement.
    r.channel = static_cast<uint8_t>(round_half_away<int8_t>(m.frequencyNumber));
    r.one = 1;
    const WeekTime t = since_gps_origin(m.timeOfClock);
    r.week = static_cast<uint16_t>(week_of(t.daysSinceOrigin));
    r.secondsOfWeek = clamp_truncate<uint32_t>(static_cast<double>(day_of_week(t.daysSinceOrigin)) *
                                                   mjd::kSecondsPerDay +
                                               t.millisecondsOfDay / 1000.0 + 0.5);
    r.health = m.health > 0.0 ? 1 : 0;
    r.x = m.x * kKilometre;
    r.y = m.y * kKilometre;
    r.z = m.z * kKilometre;
    r.vx = m.xVelocity * kKilometre;
    r.vy = m.yVelocity * kKilometre;
    r.vz = m.zVelocity * kKilometre;
    r.ax = m.xAcceleration * kKilometre;
    r.ay = m.yAcceleration * kKilometre;
    r.az = m.zAcceleration * kKilometre;
    r.tauN = -m.minusTauN;
    r.gammaN = m.gammaN;
    r.frameTime = frameTimeOfDay;
    r.age = clamp_truncate<uint32_t>(m.ageOfOperationInfo);
    return r;
}

VYR_BROADCASTEPHEMERIS_GAL galileo_record_from_message(const RNX_NAV_GAL& m) {
    VYR_BROADCASTEPHEMERIS_GAL r{};
    r.prn = m.prn;
    r.status = m.sqrtA >= 0.1 ? 2 : 0;
    r.toe = clamp_truncate<uint32_t>(m.toe);
    r.week = clamp_truncate<uint16_t>(m.galWeek);
    r.iodNav = clamp_truncate<uint16_t>(m.iodNav);
    r.m0 = m.m0;
    r.deltaN = m.deltaN;
    r.eccentricity = m.eccentricity;
    r.sqrtA = m.sqrtA;
    r.omega0 = m.omega0;
    r.i0 = m.i0;
    r.omega = m.omega;
    r.omegaDot = m.omegaDot;
    r.idot = m.idot;
    r.cuc = m.cuc;
    r.cus = m.cus;
    r.crc = m.crc;
    r.crs = m.crs;
    r.cic = m.cic;
    r.cis = m.cis;
    r.bgdE5aE1 = m.bgdE5aE1;
    r.sisa = clamp_truncate<uint8_t>(std::fabs(m.sisa));
    const uint32_t sources = clamp_truncate<uint32_t>(m.dataSources);
    r.dataSource = galileo_source_flags(m, sources);
    galileo_health(clamp_truncate<uint32_t>(m.svHealth), r);
    const uint32_t toc = gps_seconds_of_week(m.timeOfClock);
    switch (galileo_clock_set(sources, r.dataSource)) {
        case kClockSetE5a:
            r.tocE5aE1 = toc;
            r.af0E5aE1 = m.clockBias;
            r.af1E5aE1 = m.clockDrift;
            r.af2E5aE1 = m.clockDriftRate;
            break;
        case kClockSetE5b:
            // Only I/NAV carries the E5b/E1 group delay: it belongs to this set.
            r.bgdE5bE1 = m.bgdE5bE1;
            r.tocE5bE1 = toc;
            r.af0E5bE1 = m.clockBias;
            r.af1E5bE1 = m.clockDrift;
            r.af2E5bE1 = m.clockDriftRate;
            break;
        default:
            break;
    }
    return r;
}

}  // namespace vyr_import
