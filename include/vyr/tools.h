// The tools object: the library's free conversions of epochs, systems, signals and signal
// strength, reachable by a caller that holds only interfaces. It keeps no state.
#pragma once

#include <rinex/rnx_types.h>

#include <cstdint>

#include "vyr/error.h"
#include "vyr/export.h"
#include "vyr/obs_types.h"
#include "vyr/observation_epoch.h"
#include "vyr/observation_record.h"
#include "vyr/satellite.h"

// Operations in slot order; each returns what the free function it names returns. Handed out
// by the root, needs no project and keeps no state.
class IVyrTools {
public:
    // Vyr_ConvertToObsEpoch of a RINEX epoch (strength as the free function takes it).
    virtual VYR_ERROR ConvertToObsEpoch(const RNX_OBS_EPOCH& epoch, const bool strength[][12],
                                        VYR_OBSERVATIONEPOCH& out) = 0;
    // Vyr_ConvertToObsEpoch of an older receiver record.
    virtual VYR_ERROR ConvertToObsEpoch(const VYR_OBSERVATION& record,
                                        VYR_OBSERVATIONEPOCH& epoch) = 0;
    // Vyr_SerializeObsEpoch.
    virtual VYR_ERROR SerializeObsEpoch(const VYR_OBSERVATIONEPOCH& epoch, uint8_t* buffer,
                                        const uint32_t& capacity, uint32_t& written) = 0;
    // The time and total length of an encoded epoch only.
    virtual VYR_ERROR DeserializeObsEpoch(const uint8_t* buffer, const uint32_t& size,
                                          uint32_t& mjd, double& fraction, uint32_t& length) = 0;
    // Vyr_DeserializeObsEpoch of a whole epoch.
    virtual VYR_ERROR DeserializeObsEpoch(const uint8_t* buffer, const uint32_t& size,
                                          VYR_OBSERVATIONEPOCH& epoch, uint32_t& consumed) = 0;
    // Vyr_Vyr2RnxSatSys.
    virtual eSATSYS Vyr2RnxSatSys(const VYR_SATELLITE_SYSTEM& system) = 0;
    // Vyr_Rnx2VyrObsType.
    virtual VYR_OBSTYPE Rnx2VyrObsType(const eSATSYS& system, const RNX_OBS_CODE& code) = 0;
    // Vyr_RnxSnrFlag2VyrQualitydBHz.
    virtual uint16_t RnxSnrFlag2VyrQualitydBHz(const unsigned short& flag) = 0;
    // Vyr_Vyr2RnxObsType.
    virtual RNX_OBS_CODE Vyr2RnxObsType(const eSATSYS& system, const VYR_OBSTYPE& type) = 0;
    // Vyr_Vyr2RnxObsEpoch.
    virtual VYR_ERROR Vyr2RnxObsEpoch(const VYR_OBSERVATIONEPOCH& epoch,
                                      VYR_OBSERVATIONEPOCH::eOccupationType& previousOccupation,
                                      RNX_OBS_EPOCH& out, eEPOCHFLAG& eventFlag) = 0;
    // Drops the object; the smart pointer holding it calls this.
    virtual void Release() = 0;
    virtual ~IVyrTools() = default;
};
