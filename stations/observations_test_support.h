// A station storage in memory and epochs at chosen times, for tests of observation access.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include <vyr/observation_epoch.h>
#include <vyr/smart_ptr.h>

#include "cfb/cfb.h"
#include "stations/epoch_test_support.h"
#include "storage/stg.h"

namespace vyr_test {

inline constexpr uint32_t kTestMjd = 60000;

inline double day_fraction(int hour, int minute, double seconds) {
    return (hour * 3600.0 + minute * 60.0 + seconds) / 86400.0;
}

inline CVyrPtrSmart<CStg> make_memory_station() {
    ILockBytes* bytes = nullptr;
    EXPECT_EQ(cfb::create_memory_lock_bytes({}, &bytes), S_OK);
    CVyrPtrSmart<CStg> storage(new CStg());
    EXPECT_TRUE(storage->CreateDocumentOnLockBytes(bytes));
    bytes->Release();
    return storage;
}

// An epoch holding the given satellites, each with one L1 C/A signal.
inline VYR_OBSERVATIONEPOCH epoch_at(double fraction, const std::vector<VYR_SATID>& satellites,
                                     uint32_t mjd = kTestMjd) {
    VYR_OBSERVATIONEPOCH epoch;
    epoch.mjd = mjd;
    epoch.fraction = fraction;
    epoch.status = 1;
    VYR_OBSERVATIONEPOCH_SIGNAL signal;
    signal.flags = VYR_OBSERVATIONEPOCH_SIGNAL::kTracked;  // code, phase and Doppler
    signal.obsType = VYR_OBS_L1CA;
    signal.code = 2.1e7;
    signal.phase = 1.1e8;
    signal.doppler = 1000.0;
    for (const VYR_SATID& sat : satellites) {
        VYR_OBSERVATIONEPOCH_SV sv;
        sv.satId = sat;
        sv.observations.push_back(signal);
        epoch.satellites.push_back(sv);
    }
    return epoch;
}

inline VYR_SATID gps(uint8_t prn) {
    return {VYR_SATSYS_GPS, prn};
}
inline VYR_SATID glonass(uint8_t prn) {
    return {VYR_SATSYS_GLONASS, prn};
}
inline VYR_SATID sbas(uint8_t prn) {
    return {VYR_SATSYS_SBAS, prn};
}

}  // namespace vyr_test
