// Conversions between our satellite systems, signals and signal strength and those of the RINEX
// access library. None fails: an unknown input gives the value 0 of the target type.
#pragma once

#include <rinex/rnx_types.h>

#include <cstdint>
#include <string>

#include "vyr/error.h"
#include "vyr/export.h"
#include "vyr/obs_types.h"
#include "vyr/observation_epoch.h"
#include "vyr/points.h"
#include "vyr/satellite.h"

// GPS, GLONASS, Galileo and SBAS carry the same numbers on both sides; everything else is 0.
VYR_API eSATSYS Vyr_Vyr2RnxSatSys(const VYR_SATELLITE_SYSTEM& system);
// The reverse of Vyr_Vyr2RnxSatSys, with the same rule.
VYR_API VYR_SATELLITE_SYSTEM Vyr_Rnx2VyrSatSys(const eSATSYS& system);

// The signal of a RINEX band and attribute; the kind of the code is not looked at.
VYR_API VYR_OBSTYPE Vyr_Rnx2VyrObsType(const eSATSYS& system, const RNX_OBS_CODE& code);
// The RINEX band and attribute of a signal; the kind stays 0 for the caller to set.
VYR_API RNX_OBS_CODE Vyr_Vyr2RnxObsType(const eSATSYS& system, const VYR_OBSTYPE& type);
// The same signal as RINEX text, band digit and attribute letter ("1C" for GPS L1 C/A), to which
// a kind letter (C, L, D, S) makes the observation code; empty where there is no code.
VYR_API std::string Vyr_RnxSignalText(const eSATSYS& system, const VYR_OBSTYPE& type);

// Signal quality is kept in units of 0.05 dB-Hz; RINEX carries a one-digit strength flag.
VYR_API uint16_t Vyr_RnxSnrFlag2VyrQualitydBHz(const unsigned short& flag);
// Rounded half up and not clamped: quality 1200 gives 10.
VYR_API uint16_t Vyr_VyrQualitydBHz2RnxSnrFlag(const unsigned short& quality);

namespace vyr {
// The occupation before the first epoch of an export: no epoch written yet.
inline constexpr auto kNoOccupationYet = static_cast<VYR_OBSERVATIONEPOCH::eOccupationType>(-1);
}  // namespace vyr

// One stored epoch as the RINEX writer takes it. out's flag is always eEPOCHFLAG_OK; the event
// that the epoch's occupation starts goes to eventFlag: eEPOCHFLAG_START_MOVING when it turns
// kinematic, eEPOCHFLAG_NEW_SITE when it turns static, eEPOCHFLAG_OK otherwise; the first epoch
// (previousOccupation vyr::kNoOccupationYet) always starts one. previousOccupation becomes the
// epoch's occupation. Per signal: code, phase (strength and loss-of-lock digits), Doppler, then
// the strength in dB-Hz when the slot has one; slots with a strength only are left out. SBAS
// number n is written as satellite n + 19 (S20 for PRN 120). Always returns 0.
VYR_API VYR_ERROR Vyr_Vyr2RnxObsEpoch(const VYR_OBSERVATIONEPOCH& epoch,
                                      VYR_OBSERVATIONEPOCH::eOccupationType& previousOccupation,
                                      RNX_OBS_EPOCH& out, eEPOCHFLAG& eventFlag);

// A cartesian RINEX coordinate with the point's X, Y and Z unchanged.
VYR_API RNX_COORD Vyr_Vyr2RnxPointXYZ(const VYR_APPROXIMATE_POINT& point);
