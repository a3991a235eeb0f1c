// Files that hold no station into the project's common data: ephemerides, precise orbits,
// ionosphere models, Klobuchar coefficients and the GLONASS channel map, each list counted.
#pragma once

#include <string>
#include <vector>

#include <vyr/common_data.h>
#include <vyr/file_converter.h>
#include <vyr/file_import.h>

namespace vyr_import {

// Converts a file of any kind but observations and stores what it gives: Klobuchar
// coefficients with the time of the file's first GPS message; the GLONASS channels of the file
// over the map already stored. One list per store, in the order fed. Throws ImportFailure
// naming the file when a conversion or a store fails, with the line and the problem when the
// conversion tells them ("PATH:LINE: problem (text of the code)").
std::vector<VyrImportedList> import_common_data_file(VyrImportKind kind, const std::string& path,
                                                     IVyrFileConverter& converter,
                                                     IVyrCommonData& commonData);

}  // namespace vyr_import
