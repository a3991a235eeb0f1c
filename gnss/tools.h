// CVyrToolsImpl: the tools object the root hands out. Every operation forwards to its free
// function; the object holds nothing.
#pragma once

#include <vyr/tools.h>

class CVyrToolsImpl final : public IVyrTools {
public:
    VYR_ERROR ConvertToObsEpoch(const RNX_OBS_EPOCH& epoch, const bool strength[][12],
                                VYR_OBSERVATIONEPOCH& out) override;
    VYR_ERROR ConvertToObsEpoch(const VYR_OBSERVATION& record,
                                VYR_OBSERVATIONEPOCH& epoch) override;
    VYR_ERROR SerializeObsEpoch(const VYR_OBSERVATIONEPOCH& epoch, uint8_t* buffer,
                                const uint32_t& capacity, uint32_t& written) override;
    VYR_ERROR DeserializeObsEpoch(const uint8_t* buffer, const uint32_t& size, uint32_t& mjd,
                                  double& fraction, uint32_t& length) override;
    VYR_ERROR DeserializeObsEpoch(const uint8_t* buffer, const uint32_t& size,
                                  VYR_OBSERVATIONEPOCH& epoch, uint32_t& consumed) override;
    eSATSYS Vyr2RnxSatSys(const VYR_SATELLITE_SYSTEM& system) override;
    VYR_OBSTYPE Rnx2VyrObsType(const eSATSYS& system, const RNX_OBS_CODE& code) override;
    uint16_t RnxSnrFlag2VyrQualitydBHz(const unsigned short& flag) override;
    RNX_OBS_CODE Vyr2RnxObsType(const eSATSYS& system, const VYR_OBSTYPE& type) override;
    VYR_ERROR Vyr2RnxObsEpoch(const VYR_OBSERVATIONEPOCH& epoch,
                              VYR_OBSERVATIONEPOCH::eOccupationType& previousOccupation,
                              RNX_OBS_EPOCH& out, eEPOCHFLAG& eventFlag) override;
    void Release() override;
};
