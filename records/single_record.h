// Single-record streams of a storage: open the stream by identifier, move the record, close.
// Stored layout: docs/format.md, section 6.2.
#pragma once

#include <cstdint>

#include <vyr/error.h>

#include "records/record_io.h"
#include "storage/factories.h"
#include "storage/stg.h"

namespace vyr_records {

// How a stream to be written is opened.
struct WriteDisposition {
    int32_t disposition = vyr::kDispositionOpenAlways;
    // A non-strict create-new (disposition 1) counts an existing stream as already written.
    bool strict = true;
};

template <class T>
VYR_ERROR write_single_record(CStg& storage, uint32_t streamId, const T& record,
                              WriteDisposition how = {}) {
    CStm stream;
    if (!CFactoryStream(&storage).OpenOrCreate(streamId, how.disposition, stream)) {
        const bool exists = storage.GetLastError() == STG_E_FILEALREADYEXISTS;
        if (!how.strict && how.disposition == vyr::kDispositionCreateNew && exists) return VYR_OK;
        return VYR_E_CANNOT_CREATE_ENTRY;
    }
    const VYR_ERROR result = WriteSingleRecord(stream, record);
    stream.Close();
    return result;
}

template <class T>
VYR_ERROR read_single_record(CStg& storage, uint32_t streamId, uint32_t version, T& record) {
    CStm stream;
    if (!CFactoryStream(&storage).Open(streamId, stream)) return VYR_E_ENTRY_NOT_FOUND;
    const VYR_ERROR result = ReadSingleRecord(stream, version, record);
    stream.Close();
    return result;
}

}  // namespace vyr_records
