#include "entry/error_collection.h"

#include <new>

#include "entry/processing_error_format.h"
#include "storage/factories.h"
#include "storage/layout.h"

CVyrErrors::CVyrErrors(const CVyrPtrSmart<CStg>& storage, uint32_t version)
    : CVyrCollectionProcessingErrorInterval(storage, version), m_storage(storage) {
    if (!m_storage.IsValid()) {
        m_status = VYR_E_ENTRY_NOT_FOUND;
        return;
    }
    m_general = new (std::nothrow) CStm();
    if (!m_general.IsValid() || !CFactoryStream(m_storage.Get())
                                     .OpenOrCreate(vyr_storage::kStreamProcessingErrorsGeneral,
                                                   vyr::kDispositionOpenAlways, *m_general)) {
        m_general.Reset();
        m_status = VYR_E_CANNOT_CREATE_ENTRY;
    }
}

CVyrErrors::~CVyrErrors() {
    FlushOpen();
    if (m_general.IsValid()) m_general->Close();
}

void CVyrErrors::Release() {
    delete this;
}

VYR_ERROR CVyrErrors::FlushOpen() {
    VYR_ERROR result = VYR_OK;
    VYR_PROCESSING_ERROR_INTERVAL open;
    for (bool more = m_merger.FirstOpen(open); more; more = m_merger.NextOpen(open)) {
        const VYR_ERROR added = Add(open);
        if (VyrFailed(added) && result == VYR_OK) result = added;
    }
    m_merger.ClearOpen();
    return result;
}

VYR_ERROR CVyrErrors::GetIntervalErrors(std::vector<VYR_PROCESSING_ERROR_INTERVAL>& errors) {
    FlushOpen();
    return GetAll(errors);
}

VYR_ERROR CVyrErrors::GetGeneralErrors(std::vector<VYR_PROCESSING_ERROR>& errors) {
    errors.clear();
    if (VyrFailed(m_status)) return m_status;
    if (!m_general.IsValid()) return VYR_E_INVALID_INTERFACE;
    return ReadAllRecords(*m_general, m_stream.Version(), errors);
}

VYR_ERROR CVyrErrors::AddInterval(uint32_t code, double time, double previousEpoch, uint32_t type,
                                  const void* payload) {
    VYR_PROCESSING_ERROR_INTERVAL interval(code, time);
    interval.payload.Set(type, payload);
    if (!m_merger.Merge(interval, previousEpoch)) return VYR_OK;
    return Add(interval);
}

VYR_ERROR CVyrErrors::AddGeneral(uint32_t code, uint32_t secondCode, uint32_t type,
                                 const void* payload) {
    if (VyrFailed(m_status)) return m_status;
    if (!m_general.IsValid()) return VYR_E_INVALID_INTERFACE;
    VYR_PROCESSING_ERROR error(code, secondCode);
    error.payload.Set(type, payload);
    return AppendRecord(*m_general, error);
}

VYR_ERROR CVyrErrors::AddIntervalErrorValue(uint32_t code, double time, double previousEpoch,
                                            const void* value) {
    return AddInterval(code, time, previousEpoch, CErrorPayload::kValue, value);
}

VYR_ERROR CVyrErrors::AddIntervalErrorSatellite(uint32_t code, double time, double previousEpoch,
                                                const void* satellite) {
    return AddInterval(code, time, previousEpoch, CErrorPayload::kSatellite, satellite);
}

VYR_ERROR CVyrErrors::AddIntervalError(uint32_t code, double time, double previousEpoch) {
    return AddInterval(code, time, previousEpoch, CErrorPayload::kNone, nullptr);
}

VYR_ERROR CVyrErrors::AddErrorSatelliteInterval(uint32_t code, uint32_t secondCode,
                                                const void* satelliteInterval) {
    return AddGeneral(code, secondCode, CErrorPayload::kSatelliteInterval, satelliteInterval);
}

VYR_ERROR CVyrErrors::AddErrorTime(uint32_t code, uint32_t secondCode, const void* time) {
    return AddGeneral(code, secondCode, CErrorPayload::kTime, time);
}

VYR_ERROR CVyrErrors::AddErrorValue(uint32_t code, uint32_t secondCode, const void* value) {
    return AddGeneral(code, secondCode, CErrorPayload::kValue, value);
}

VYR_ERROR CVyrErrors::AddErrorInterval(uint32_t code, uint32_t secondCode, const void* interval) {
    return AddGeneral(code, secondCode, CErrorPayload::kInterval, interval);
}

VYR_ERROR CVyrErrors::AddErrorKey(uint32_t code, uint32_t secondCode, const void* key) {
    return AddGeneral(code, secondCode, CErrorPayload::kKey, key);
}

VYR_ERROR CVyrErrors::AddErrorSatellite(uint32_t code, uint32_t secondCode, const void* satellite) {
    return AddGeneral(code, secondCode, CErrorPayload::kSatellite, satellite);
}

VYR_ERROR CVyrErrors::AddError(uint32_t code, uint32_t secondCode) {
    return AddGeneral(code, secondCode, CErrorPayload::kNone, nullptr);
}
