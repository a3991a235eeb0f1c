// Older receiver records to observation epochs.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>
#include <vector>

#include "stations/observation_record_layout.h"

namespace vyr_stations {

uint16_t aux_value_hundredths(float value) {
    constexpr uint16_t kOutOfRange = 65535;
    const double scaled = static_cast<double>(value) * 100.0 + 0.5;
    if (std::isnan(scaled) || scaled >= kOutOfRange) return kOutOfRange;
    const double whole = std::trunc(scaled);
    return whole < 0 ? kOutOfRange : static_cast<uint16_t>(whole);
}

namespace {

using Signal = VYR_OBSERVATIONEPOCH_SIGNAL;

uint16_t quality_from_raw(uint8_t raw) {
    return static_cast<uint16_t>(((raw >> 3) + 25) * 20);
}

double phase_in(const uint8_t (&slot)[8]) {
    double value;
    std::memcpy(&value, slot, sizeof value);
    return value;
}

// The slot that does not hold the phase holds two floats: the L1 and the L2 auxiliary value.
float aux_in(const uint8_t (&slot)[8], int which) {
    float value;
    std::memcpy(&value, slot + 4 * which, sizeof value);
    return value;
}

void set_quality(Signal& s, uint8_t raw) {
    s.quality = quality_from_raw(raw);
    s.flags |= Signal::kQualityValid;
}

void set_phase(Signal& s, double phase, bool lossOfLock) {
    s.phase = phase;
    s.flags |= Signal::kPhaseValid;
    if (lossOfLock) s.flags |= Signal::kLossOfLock;
}

void set_doppler(Signal& s, double doppler) {
    s.doppler = doppler;
    s.flags |= Signal::kDopplerValid;
}

// Phase, auxiliary value, quality and Doppler of the L1 observation of an extended record. The
// C/A observation prefers slot B and Doppler B, a P observation alone slot A and Doppler A.
void fill_l1_extended(Signal& s, const VYR_OBSERVATION_SV_EXTENDED& r, bool preferB) {
    const uint16_t f = r.flags;
    if (f & VYR_SV_L1_STRENGTH) set_quality(s, r.l1Strength);
    const bool hasA = f & VYR_SV_L1_PHASE_A;
    const bool hasB = f & VYR_SV_L1_PHASE_B;
    const bool useB = preferB ? hasB : (hasB && !hasA);
    if (hasA || hasB) {
        set_phase(s, phase_in(useB ? r.slotB : r.slotA), f & VYR_SV_L1_LOSS_OF_LOCK);
        s.auxValue = aux_value_hundredths(aux_in(useB ? r.slotA : r.slotB, 0));
    }
    const bool dopA = f & VYR_SV_L1_DOPPLER_A;
    const bool dopB = f & VYR_SV_L1_DOPPLER_B;
    const bool useDopB = preferB ? dopB : (dopB && !dopA);
    if (dopA || dopB) set_doppler(s, useDopB ? r.l1DopplerB : r.l1DopplerA);
}

void fill_l1_basic(Signal& s, const VYR_OBSERVATION_SV_BASIC& r) {
    const uint16_t f = r.flags;
    if (f & VYR_SV_L1_STRENGTH) set_quality(s, r.l1Strength);
    if (f & (VYR_SV_L1_PHASE_A | VYR_SV_L1_PHASE_B))
        set_phase(s, r.l1Phase, f & VYR_SV_L1_LOSS_OF_LOCK);
}

// The C/A and P observations of one satellite record.
template <class Record>
void add_l1(const Record& r, uint16_t baseFlags, std::vector<Signal>& out) {
    constexpr bool kExtended = std::is_same_v<Record, VYR_OBSERVATION_SV_EXTENDED>;
    const uint16_t f = r.flags;
    bool haveCa = false;
    Signal ca{};
    if (f & VYR_SV_L1_CA_CODE) {
        ca.flags = baseFlags;
        ca.obsType = VYR_OBS_L1CA;
        if constexpr (kExtended) {
            ca.code = r.l1CaCode;
            fill_l1_extended(ca, r, true);
        } else {
            ca.code = r.l1Code;
            fill_l1_basic(ca, r);
        }
        out.push_back(ca);
        haveCa = true;
    }
    if (f & VYR_SV_L1_P_CODE) {
        // Beside a C/A observation the P observation shares its phase, quality and Doppler.
        Signal p = haveCa ? ca : Signal{};
        p.obsType = VYR_OBS_L1P;
        if (!haveCa) p.flags = baseFlags;
        if constexpr (kExtended) {
            p.code = r.l1PCode;
            if (!haveCa) fill_l1_extended(p, r, false);
        } else {
            p.code = r.l1Code;
            if (!haveCa) fill_l1_basic(p, r);
        }
        out.push_back(p);
    }
}

template <class Record>
void add_l2(const Record& r, VYR_SATELLITE_SYSTEM system, uint16_t baseFlags,
            std::vector<Signal>& out) {
    constexpr bool kExtended = std::is_same_v<Record, VYR_OBSERVATION_SV_EXTENDED>;
    const uint16_t f = r.flags;
    if (!(f & VYR_SV_L2_PRESENT)) return;
    const bool codeFlagged = r.l2Flags & VYR_SV_L2_CODE;
    // Without the code flag the values speak for themselves: zero means absent.
    if (!codeFlagged && r.l2Code == 0.0) return;

    Signal s{};
    s.flags = baseFlags;
    if (system == VYR_SATSYS_GPS)
        s.obsType = (r.l2Flags & VYR_SV_L2_IS_L2C) ? VYR_OBS_L2C : VYR_OBS_L2Y;
    else
        s.obsType = VYR_OBS_L2P;
    s.code = r.l2Code;
    if (f & VYR_SV_L2_STRENGTH) set_quality(s, r.l2Strength);
    const bool takePhase = codeFlagged ? (r.l2Flags & VYR_SV_L2_PHASE) != 0 : r.l2Phase != 0.0;
    if (takePhase) set_phase(s, r.l2Phase, f & VYR_SV_L2_LOSS_OF_LOCK);
    if constexpr (kExtended) {
        s.auxValue = aux_value_hundredths(aux_in((f & VYR_SV_L1_PHASE_B) ? r.slotA : r.slotB, 1));
        if (f & VYR_SV_L2_DOPPLER) set_doppler(s, r.l2Doppler);
    }
    out.push_back(s);
}

template <class Record>
void add_satellite(const uint8_t* stored, uint32_t storedSize, bool dual, uint16_t baseFlags,
                   VYR_OBSERVATIONEPOCH& epoch) {
    Record r{};
    std::memcpy(&r, stored, std::min<size_t>(storedSize, sizeof r));
    VYR_OBSERVATIONEPOCH_SV sv;
    sv.satId = r.number <= 32 ? VYR_SATID{VYR_SATSYS_GPS, r.number}
                              : VYR_SATID{VYR_SATSYS_GLONASS, uint8_t(r.number - 32)};
    add_l1(r, baseFlags, sv.observations);
    if (dual) add_l2(r, sv.satId.system, baseFlags, sv.observations);
    epoch.satellites.push_back(std::move(sv));
}

}  // namespace
}  // namespace vyr_stations

VYR_ERROR Vyr_ConvertToObsEpoch(const VYR_OBSERVATION& record, VYR_OBSERVATIONEPOCH& epoch) {
    using namespace vyr_stations;
    epoch.Reset();
    epoch.status = 1;
    epoch.mjd = record.mjd;
    epoch.fraction = record.fraction;
    epoch.occupation = (record.occupation & 1) ? VYR_OBSERVATIONEPOCH::OCCUPATION_STATIC
                                               : VYR_OBSERVATIONEPOCH::OCCUPATION_KINEMATIC;
    epoch.sourceTag = record.sourceTag;

    const uint16_t headerFlags = record.flags;
    const uint16_t baseFlags = (headerFlags & VYR_OBSERVATION::kMarkSignals)
                                   ? uint16_t(VYR_OBSERVATIONEPOCH_SIGNAL::kOlderRecordMark |
                                              VYR_OBSERVATIONEPOCH_SIGNAL::kCodeValid)
                                   : VYR_OBSERVATIONEPOCH_SIGNAL::kCodeValid;
    const bool dual =
        (headerFlags & VYR_OBSERVATION::kL1Data) && (headerFlags & VYR_OBSERVATION::kL2Data);
    // Records are laid out with the stored size, even where only their L1 part is converted.
    const uint32_t stride = satellite_record_size(headerFlags);
    const int32_t storedCount = record.count;  // a copy: std::clamp binds references
    const int count = std::clamp(storedCount, 0, VYR_OBSERVATION::kMaxSatellites);
    epoch.satellites.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const uint8_t* stored = record.satellites + static_cast<size_t>(i) * stride;
        if (is_extended(headerFlags))
            add_satellite<VYR_OBSERVATION_SV_EXTENDED>(stored, stride, dual, baseFlags, epoch);
        else
            add_satellite<VYR_OBSERVATION_SV_BASIC>(stored, stride, dual, baseFlags, epoch);
    }
    return VYR_OK;
}
