// CVyrRawData: sequential access to the "RawData" stream of an association's result storage,
// which holds the merged input of the processing run that produced the results.
#pragma once

#include <cstdint>

#include <vyr/raw_data.h>
#include <vyr/smart_ptr.h>

#include "storage/stg.h"
#include "storage/stm.h"

class CVyrRawData : public IVyrRawDataEx {
public:
    // Opens (or creates) "RawData" in the result storage. The association checks SetupResult()
    // right after construction: 0 or 0x80009003 (the stream could not be created).
    CVyrRawData(const CVyrPtrSmart<CStg>& resultStorage, uint32_t version);
    CVyrRawData(const CVyrRawData&) = delete;
    CVyrRawData& operator=(const CVyrRawData&) = delete;

    VYR_ERROR SetupResult() const { return m_setupResult; }

    VYR_ERROR AddRawData(const VYR_RAW_DATA& item) override;
    VYR_ERROR GetFirstRawData(VYR_RAW_DATA& item) override;
    VYR_ERROR GetNextRawData(VYR_RAW_DATA& item) override;
    void Release() override;

    ~CVyrRawData() override;

private:
    // The checks every operation starts with.
    VYR_ERROR CheckStream() const;
    // Reads the item at the current position and counts it; a failure leaves the object not
    // positioned, so that no later read starts inside a damaged item.
    VYR_ERROR ReadCounted(VYR_RAW_DATA& item);

    CVyrPtrSmart<CStg> m_storage;
    CVyrPtrSmart<CStm> m_stream;
    VYR_ERROR m_setupResult = VYR_OK;
    uint32_t m_itemsRead = 0;  // since the last GetFirstRawData; 0 = not positioned
    uint32_t m_version;
};
