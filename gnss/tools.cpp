#include "gnss/tools.h"

#include <vyr/file_converter.h>
#include <vyr/rinex_conversions.h>

VYR_ERROR CVyrToolsImpl::ConvertToObsEpoch(const RNX_OBS_EPOCH& epoch, const bool strength[][12],
                                           VYR_OBSERVATIONEPOCH& out) {
    return Vyr_ConvertToObsEpoch(epoch, strength, out);
}

VYR_ERROR CVyrToolsImpl::ConvertToObsEpoch(const VYR_OBSERVATION& record,
                                           VYR_OBSERVATIONEPOCH& epoch) {
    return Vyr_ConvertToObsEpoch(record, epoch);
}

VYR_ERROR CVyrToolsImpl::SerializeObsEpoch(const VYR_OBSERVATIONEPOCH& epoch, uint8_t* buffer,
                                           const uint32_t& capacity, uint32_t& written) {
    return Vyr_SerializeObsEpoch(epoch, buffer, capacity, written);
}

VYR_ERROR CVyrToolsImpl::DeserializeObsEpoch(const uint8_t* buffer, const uint32_t& size,
                                             uint32_t& mjd, double& fraction, uint32_t& length) {
    return Vyr_DeserializeObsEpoch(buffer, size, mjd, fraction, length);
}

VYR_ERROR CVyrToolsImpl::DeserializeObsEpoch(const uint8_t* buffer, const uint32_t& size,
                                             VYR_OBSERVATIONEPOCH& epoch, uint32_t& consumed) {
    return Vyr_DeserializeObsEpoch(buffer, size, epoch, consumed);
}

eSATSYS CVyrToolsImpl::Vyr2RnxSatSys(const VYR_SATELLITE_SYSTEM& system) {
    return Vyr_Vyr2RnxSatSys(system);
}

VYR_OBSTYPE CVyrToolsImpl::Rnx2VyrObsType(const eSATSYS& system, const RNX_OBS_CODE& code) {
    return Vyr_Rnx2VyrObsType(system, code);
}

uint16_t CVyrToolsImpl::RnxSnrFlag2VyrQualitydBHz(const unsigned short& flag) {
    return Vyr_RnxSnrFlag2VyrQualitydBHz(flag);
}

RNX_OBS_CODE CVyrToolsImpl::Vyr2RnxObsType(const eSATSYS& system, const VYR_OBSTYPE& type) {
    return Vyr_Vyr2RnxObsType(system, type);
}

VYR_ERROR CVyrToolsImpl::Vyr2RnxObsEpoch(const VYR_OBSERVATIONEPOCH& epoch,
                                         VYR_OBSERVATIONEPOCH::eOccupationType& previousOccupation,
                                         RNX_OBS_EPOCH& out, eEPOCHFLAG& eventFlag) {
    return Vyr_Vyr2RnxObsEpoch(epoch, previousOccupation, out, eventFlag);
}

void CVyrToolsImpl::Release() {
    delete this;
}
