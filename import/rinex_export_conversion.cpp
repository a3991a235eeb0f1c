// A stored epoch and an a-priori point as the RINEX writer takes them.
#include <algorithm>

#include <vyr/mjd_time.h>
#include <vyr/rinex_conversions.h>

#include "gnss/rinex_codes.h"

namespace {

using Signal = VYR_OBSERVATIONEPOCH_SIGNAL;
using Occupation = VYR_OBSERVATIONEPOCH::eOccupationType;

// The writer numbers SBAS satellites by the two digits of their id: stored 1 is S20 (PRN 120).
constexpr uint8_t kSbasNumberOffset = 19;
// Loss-of-lock digit bits: 1 lost lock, 4 Galileo E1 (BOC tracking).
constexpr uint8_t kLliLostLock = 1;
constexpr uint8_t kLliGalileoE1 = 4;
// The strength digit is one column wide; strong signals are 9, not 10.
constexpr uint16_t kMaxStrengthDigit = 9;

eEPOCHFLAG event_of(Occupation previous, Occupation current) {
    const bool kinematic = current == VYR_OBSERVATIONEPOCH::OCCUPATION_KINEMATIC;
    if (previous == vyr::kNoOccupationYet)
        return kinematic ? eEPOCHFLAG_START_MOVING : eEPOCHFLAG_NEW_SITE;
    if (previous == VYR_OBSERVATIONEPOCH::OCCUPATION_STATIC && kinematic)
        return eEPOCHFLAG_START_MOVING;
    if (previous == VYR_OBSERVATIONEPOCH::OCCUPATION_KINEMATIC && !kinematic)
        return eEPOCHFLAG_NEW_SITE;
    return eEPOCHFLAG_OK;
}

char letter_of(eSATSYS system) {
    return vyr::system_letter(Vyr_Rnx2VyrSatSys(system));
}

RNX_OBS_VALUE value_of(RNX_OBS_CODE code, uint32_t kind, double value) {
    code.kind = kind;
    return RNX_OBS_VALUE{code, value, 0, 0};
}

void add_signal(eSATSYS system, const Signal& signal, std::vector<RNX_OBS_VALUE>& values) {
    const VYR_OBSTYPE type = signal.obsType;  // a copy: the packed field may be misaligned
    const RNX_OBS_CODE code = Vyr_Vyr2RnxObsType(system, type);
    if (signal.flags & Signal::kCodeValid)
        values.push_back(value_of(code, vyr_gnss::kRnxKindCode, signal.code));
    if (signal.flags & Signal::kPhaseValid) {
        RNX_OBS_VALUE phase = value_of(code, vyr_gnss::kRnxKindPhase, signal.phase);
        if (signal.quality != 0) {
            const uint16_t digit = Vyr_VyrQualitydBHz2RnxSnrFlag(signal.quality);
            phase.signalStrength = static_cast<uint8_t>(std::min(digit, kMaxStrengthDigit));
        }
        if (signal.flags & Signal::kLossOfLock) phase.lossOfLock |= kLliLostLock;
        if (system == eSATSYS_GALILEO && type == VYR_OBS_E1) phase.lossOfLock |= kLliGalileoE1;
        values.push_back(phase);
    }
    if (signal.flags & Signal::kDopplerValid)
        values.push_back(value_of(code, vyr_gnss::kRnxKindDoppler, signal.doppler));
    if (signal.flags & Signal::kQualityValid)
        values.push_back(value_of(code, vyr_gnss::kRnxKindStrength, signal.quality / 20.0));
}

}  // namespace

VYR_ERROR Vyr_Vyr2RnxObsEpoch(const VYR_OBSERVATIONEPOCH& epoch, Occupation& previousOccupation,
                              RNX_OBS_EPOCH& out, eEPOCHFLAG& eventFlag) {
    // The satellite entries of the previous epoch keep their value lists: no allocation per
    // satellite once the lists have grown.
    std::vector<RNX_OBS_SAT> satellites = std::move(out.satellites);
    out = RNX_OBS_EPOCH{};
    out.flag = eEPOCHFLAG_OK;

    eventFlag = event_of(previousOccupation, epoch.occupation);
    previousOccupation = epoch.occupation;

    out.time = Mjd2RnxTime(epoch.mjd, epoch.fraction, eTIMESYS_GPS);

    size_t used = 0;
    for (const VYR_OBSERVATIONEPOCH_SV& sv : epoch.satellites) {
        if (used == satellites.size()) satellites.emplace_back();
        RNX_OBS_SAT& sat = satellites[used++];
        sat.system = Vyr_Vyr2RnxSatSys(sv.satId.system);
        sat.number = sv.satId.prn;
        if (sat.system == eSATSYS_SBAS)
            sat.number = static_cast<uint8_t>(sat.number + kSbasNumberOffset);
        sat.systemLetter = letter_of(sat.system);
        sat.values.clear();
        for (const Signal& signal : sv.observations)
            if (signal.flags & Signal::kTracked) add_signal(sat.system, signal, sat.values);
    }
    satellites.resize(used);
    out.satellites = std::move(satellites);
    out.recordCount = static_cast<uint32_t>(used);
    return VYR_OK;
}

RNX_COORD Vyr_Vyr2RnxPointXYZ(const VYR_APPROXIMATE_POINT& point) {
    return RNX_COORD{1, point.x, point.y, point.z};
}
