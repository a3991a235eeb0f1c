// CVyrAssocCore: what station associations and computed-ionosphere associations share. Each
// association lives in a keyed storage of the project with a result storage inside it; the core
// makes and opens that pair, moves single records and hands out the objects both kinds offer
// (key, processing errors, raw data, observation statistics, computation intervals).
#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include <vyr/key.h>
#include <vyr/processing_errors.h>
#include <vyr/raw_data.h>
#include <vyr/statistics.h>

#include "records/record_io.h"
#include "records/single_record.h"
#include "storage/stg.h"

namespace vyr_stations {

// Type 0 is no key; a text key holds 1 to 16 characters.
bool is_usable_assoc_key(const VYR_KEY& key);

class CVyrAssocCore {
public:
    // kind: vyr_storage::kStorageStationAssoc or kStorageIonoCompAssoc; the result storage kind
    // follows from it.
    CVyrAssocCore(const CVyrPtrSmart<CStg>& project, const VYR_KEY& key, uint32_t kind,
                  uint32_t version);

    // A new association storage and its result storage. describe (may be empty) writes the
    // caller's description into the association storage. Whatever fails after the association
    // storage was made destroys it again, so that the key can be used later.
    VYR_ERROR Create(const std::function<VYR_ERROR(CStg&)>& describe);
    // 0x80009004 when either storage is missing.
    VYR_ERROR Open();

    bool IsOpen() const { return m_assoc.IsValid() && m_result.IsValid(); }
    const CVyrPtrSmart<CStg>& Project() const { return m_project; }
    const CVyrPtrSmart<CStg>& Assoc() const { return m_assoc; }
    const CVyrPtrSmart<CStg>& Result() const { return m_result; }
    uint32_t Version() const { return m_version; }

    // Single records of either storage; the output changes only when the whole record was read.
    template <class T>
    VYR_ERROR Write(const CVyrPtrSmart<CStg>& storage, uint32_t streamId, const T& record,
                    int32_t disposition) {
        if (!IsOpen()) return VYR_E_INVALID_INTERFACE;
        return vyr_records::write_single_record(*storage, streamId, record, {disposition, true});
    }
    template <class T>
    VYR_ERROR Read(const CVyrPtrSmart<CStg>& storage, uint32_t streamId, T& record) {
        if (!IsOpen()) return VYR_E_INVALID_INTERFACE;
        T read{};
        const VYR_ERROR result =
            vyr_records::read_single_record(*storage, streamId, m_version, read);
        if (result == VYR_OK) record = std::move(read);
        return result;
    }

    VYR_ERROR GetKey(VYR_KEY& key) const;
    VYR_ERROR GetErrors(CVyrIPtrSmart<IVyrErrors>& errors);
    VYR_ERROR GetErrorsEx(CVyrIPtrSmart<IVyrErrorsEx>& errors);
    VYR_ERROR GetRawData(CVyrIPtrSmart<IVyrRawDataEx>& rawData);
    VYR_ERROR SetObservationStatistics(const vyr::ObservationStatistics& statistics);
    VYR_ERROR GetObservationStatistics(vyr::ObservationStatistics& statistics);
    VYR_ERROR SetComputationIntervals(const std::vector<VYR_INTERVAL>& intervals);
    VYR_ERROR GetComputationIntervals(std::vector<VYR_INTERVAL>& intervals);

private:
    template <class Interface>
    VYR_ERROR HandOutErrors(CVyrIPtrSmart<Interface>& errors);
    bool OpenOrCreateAssoc(int32_t disposition, CStg& assoc);
    bool DestroyAssoc();

    CVyrPtrSmart<CStg> m_project;
    CVyrPtrSmart<CStg> m_assoc;
    CVyrPtrSmart<CStg> m_result;
    VYR_KEY m_key;
    uint32_t m_kind;
    uint32_t m_version;
};

}  // namespace vyr_stations
