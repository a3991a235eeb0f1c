// CVyrErrors: the processing errors of one storage (the project, or a result storage). Single
// reports are appended to "ProcessingErrorsGeneral", held open while the object lives; reports
// repeated epoch after epoch are merged into intervals and stored in "ProcessingErrorsInterval"
// once they end, when the intervals are asked for, or when the object goes.
#pragma once

#include <vyr/processing_errors.h>

#include "records/processing_error_interval_collection.h"
#include "records/processing_error_interval_merger.h"
#include "storage/stg.h"

class CVyrErrors final : public CVyrCollectionProcessingErrorInterval, public IVyrErrorsEx {
public:
    CVyrErrors(const CVyrPtrSmart<CStg>& storage, uint32_t version);
    ~CVyrErrors() override;

    // 0, 0x80009004 (no storage) or 0x80009003 (the general-error stream could not be opened).
    VYR_ERROR Status() const { return m_status; }

    VYR_ERROR GetIntervalErrors(std::vector<VYR_PROCESSING_ERROR_INTERVAL>& errors) override;
    VYR_ERROR GetGeneralErrors(std::vector<VYR_PROCESSING_ERROR>& errors) override;
    void Release() override;
    VYR_ERROR AddIntervalErrorValue(uint32_t code, double time, double previousEpoch,
                                    const void* value) override;
    VYR_ERROR AddIntervalErrorSatellite(uint32_t code, double time, double previousEpoch,
                                        const void* satellite) override;
    VYR_ERROR AddIntervalError(uint32_t code, double time, double previousEpoch) override;
    VYR_ERROR AddErrorSatelliteInterval(uint32_t code, uint32_t secondCode,
                                        const void* satelliteInterval) override;
    VYR_ERROR AddErrorTime(uint32_t code, uint32_t secondCode, const void* time) override;
    VYR_ERROR AddErrorValue(uint32_t code, uint32_t secondCode, const void* value) override;
    VYR_ERROR AddErrorInterval(uint32_t code, uint32_t secondCode, const void* interval) override;
    VYR_ERROR AddErrorKey(uint32_t code, uint32_t secondCode, const void* key) override;
    VYR_ERROR AddErrorSatellite(uint32_t code, uint32_t secondCode, const void* satellite) override;
    VYR_ERROR AddError(uint32_t code, uint32_t secondCode) override;

private:
    VYR_ERROR AddInterval(uint32_t code, double time, double previousEpoch, uint32_t type,
                          const void* payload);
    VYR_ERROR AddGeneral(uint32_t code, uint32_t secondCode, uint32_t type, const void* payload);
    // Stores the open intervals and forgets them.
    VYR_ERROR FlushOpen();

    CVyrPtrSmart<CStg> m_storage;
    CVyrPtrSmart<CStm> m_general;
    VYR_ERROR m_status = VYR_OK;
    CProcessingErrorIntervalMerger m_merger;
};
