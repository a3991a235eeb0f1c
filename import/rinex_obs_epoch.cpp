// One epoch of the RINEX access library as the system's epoch.
#include <rinex/rnx_types.h>

#include <cmath>

#include <vyr/file_converter.h>
#include <vyr/mjd_time.h>
#include <vyr/rinex_conversions.h>
#include "gnss/rinex_codes.h"

namespace {

constexpr int kSlotCount = 12;  // indexed by VYR_OBSTYPE 1-11

// The signal of every system, band and attribute the library numbers, looked up once: the
// conversion asks for each value of each epoch.
class SignalTable {
public:
    static constexpr uint32_t kBands = 11;       // 0-10
    static constexpr uint32_t kAttributes = 18;  // 0-17

    SignalTable() {
        for (int system = eSATSYS_OTHER; system <= eSATSYS_SBAS; ++system)
            for (uint32_t band = 0; band < kBands; ++band)
                for (uint32_t attribute = 0; attribute < kAttributes; ++attribute)
                    m_types[system][band][attribute] = Vyr_Rnx2VyrObsType(
                        static_cast<eSATSYS>(system), RNX_OBS_CODE{0, band, attribute});
    }
    VYR_OBSTYPE Of(eSATSYS system, const RNX_OBS_CODE& code) const {
        if (system < eSATSYS_OTHER || system > eSATSYS_SBAS || code.band >= kBands ||
            code.attribute >= kAttributes)
            return Vyr_Rnx2VyrObsType(system, code);
        return m_types[system][code.band][code.attribute];
    }

private:
    VYR_OBSTYPE m_types[eSATSYS_SBAS + 1][kBands][kAttributes];
};

// The satellite of an epoch entry; system 0 when it has none in this system.
VYR_SATID satellite_of(const RNX_OBS_SAT& sat) {
    switch (sat.system) {
        case eSATSYS_GPS:
        case eSATSYS_GLONASS:
        case eSATSYS_GALILEO:
            return {Vyr_Rnx2VyrSatSys(sat.system), sat.number};
        case eSATSYS_SBAS:
            // The library numbers SBAS 100 + nn; only PRN 120 and above are kept.
            if (sat.number > vyr::kSbasPrnOffset)
                return {VYR_SATSYS_SBAS, static_cast<uint8_t>(sat.number - vyr::kSbasPrnOffset)};
            return {VYR_SATSYS_NONE, 0};
        default:
            return {VYR_SATSYS_NONE, 0};
    }
}

// Stores one value in its slot. A value of 0.0 stands for a blank field and never overwrites
// what another code of the same type put there.
void store_value(const RNX_OBS_VALUE& value, bool fileHasStrength,
                 VYR_OBSERVATIONEPOCH_SIGNAL& slot) {
    using Signal = VYR_OBSERVATIONEPOCH_SIGNAL;
    if (value.value == 0.0) return;
    switch (value.code.kind) {
        case vyr_gnss::kRnxKindCode:
            slot.code = value.value;
            slot.flags |= Signal::kCodeValid;
            break;
        case vyr_gnss::kRnxKindPhase:
            slot.phase = value.value;
            slot.flags |= Signal::kPhaseValid;
            if (!fileHasStrength && value.signalStrength != 0)
                slot.quality = static_cast<uint16_t>(value.signalStrength * 120 + 50);
            if (value.lossOfLock & 1) slot.flags |= Signal::kLossOfLock;
            break;
        case vyr_gnss::kRnxKindDoppler:
            slot.doppler = value.value;
            slot.flags |= Signal::kDopplerValid;
            break;
        case vyr_gnss::kRnxKindStrength:
            slot.quality = vyr_gnss::quality_of_strength(value.value);
            slot.flags |= Signal::kQualityValid;
            break;
        default:
            break;
    }
}

}  // namespace

VYR_ERROR Vyr_ConvertToObsEpoch(const RNX_OBS_EPOCH& epoch, const bool strength[][12],
                                VYR_OBSERVATIONEPOCH& out) {
    // The entries of the previous epoch are reused with their signal lists: no allocation per
    // satellite once the lists have grown.
    std::vector<VYR_OBSERVATIONEPOCH_SV> entries = std::move(out.satellites);
    out.Reset();
    out.satellites = std::move(entries);
    size_t used = 0;
    if (epoch.flag == eEPOCHFLAG_OK || epoch.flag == eEPOCHFLAG_POWER_FAILURE) {
        double milliseconds = 0.0;
        CalendarToMjd(epoch.time.year, epoch.time.month, epoch.time.day, epoch.time.hour,
                      epoch.time.minute, epoch.time.seconds, out.mjd, milliseconds);
        out.fraction = milliseconds / mjd::kMillisecondsPerDay;
    }
    static const SignalTable signals;
    for (const RNX_OBS_SAT& sat : epoch.satellites) {
        const VYR_SATID id = satellite_of(sat);
        // A satellite without a system of ours could not be told apart from another when stored.
        if (id.system == VYR_SATSYS_NONE) continue;
        const int row = static_cast<int>(sat.system);
        VYR_OBSERVATIONEPOCH_SIGNAL slots[kSlotCount];
        for (const RNX_OBS_VALUE& value : sat.values) {
            const VYR_OBSTYPE type = signals.Of(sat.system, value.code);
            if (type <= VYR_OBS_NONE || type >= kSlotCount) continue;
            store_value(value, strength != nullptr && strength[row][type], slots[type]);
        }
        if (used == out.satellites.size()) out.satellites.emplace_back();
        VYR_OBSERVATIONEPOCH_SV& entry = out.satellites[used++];
        entry.satId = id;
        entry.systemData = 0;
        entry.observations.clear();
        for (int type = 1; type < kSlotCount; ++type) {
            if ((slots[type].flags & VYR_OBSERVATIONEPOCH_SIGNAL::kTracked) == 0) continue;
            slots[type].obsType = static_cast<VYR_OBSTYPE>(type);
            entry.observations.push_back(slots[type]);
        }
    }
    out.satellites.resize(used);
    out.status = 1;
    return VYR_OK;
}
