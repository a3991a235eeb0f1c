// The system's own reader of version-2 GPS and GLONASS navigation files.
#pragma once

#include <vector>

#include "import/line_classification.h"
#include "vyr/ephemeris.h"
#include "vyr/error.h"
#include "vyr/file_converter.h"

namespace vyr_import {

// A two-digit year of a version-2 record: below 80 in the 2000s, 80 to 99 in the 1900s.
int full_year(int year);

// Appends one record per message whose lines all parse; a message that does not, that a line
// other than an orbit line breaks, or that the end of the file cuts short, is read past and noted
// in report, and reading goes on at the next message's first line. The header must end with "END
// OF HEADER" (else 0x8000e003). Failures leave their line and problem in report.
VYR_ERROR read_gps_navigation_v2(const char* fileName, const CLineClassification& lines,
                                 std::vector<VYR_BROADCASTEPHEMERIS>& out, IVyrProgress* progress,
                                 VyrConversionReport& report);
VYR_ERROR read_glonass_navigation_v2(const char* fileName, const CLineClassification& lines,
                                     std::vector<VYR_BROADCASTEPHEMERIS_GLO>& out,
                                     IVyrProgress* progress, VyrConversionReport& report);

}  // namespace vyr_import
