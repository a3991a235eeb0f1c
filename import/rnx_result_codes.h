// Result codes of the RINEX access library as VYR_ERROR, for every reader that uses it.
#pragma once

#include <rinex/rnx_types.h>

#include <vyr/error.h>

namespace vyr_import {

VYR_ERROR vyr_error_of(eRNX result);

}  // namespace vyr_import
