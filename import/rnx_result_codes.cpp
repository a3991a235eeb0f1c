#include "import/rnx_result_codes.h"

namespace vyr_import {

VYR_ERROR vyr_error_of(eRNX result) {
    switch (result) {
        case eRNX_S_OK:
            return VYR_OK;
        case eRNX_E_FILE_NOT_FOUND:
            return VYR_E_FILE_NOT_FOUND;
        case eRNX_E_FORMAT_VERSION_NOT_SUPPORTED:
        case eRNX_E_FILE_TYPE_NOT_SUPPORTED:
            return VYR_E_UNSUPPORTED_FILE;
        case eRNX_E_HEADER_DATA_MISSING:
        case eRNX_W_HEADER_DATA_MISSING:
        case eRNX_W_DATA_EPOCH_MISSING:
        case eRNX_W_DATA_OBS_MISSING:
            return VYR_E_HEADER_OR_DATA_MISSING;
        case eRNX_E_NONIMPL:
            return VYR_E_NOT_IMPLEMENTED;
        default:
            return VYR_E_FAILED_TO_READ;
    }
}

}  // namespace vyr_import
