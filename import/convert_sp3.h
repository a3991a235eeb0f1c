// Precise orbits of an SP3 file (versions a, c and d): one record per satellite position line.
#pragma once

#include <cstdint>
#include <vector>

#include "import/conversion_report.h"
#include "import/line_classification.h"
#include "storage/file_name_manager.h"
#include "vyr/ephemeris.h"
#include "vyr/error.h"

// The header is not read: epoch lines ("*") set the time of the position lines ("P") that
// follow; velocity, correlation and header lines are passed over, so satellite counts and
// satellite lists of any length make no difference. Damaged position lines, positions under an
// epoch line that does not parse and a position line cut by the end of the file are read past
// and reported; so is a file without its "EOF" line.
class CConvertFileSp3 : public CLineClassification,
                        public CFileNameManager,
                        public CConversionReporter {
public:
    virtual VYR_ERROR Convert(std::vector<VYR_PRECISEEPHEMERIS>& out, uint32_t option);
};

namespace vyr_import {

// The epoch of an "*" line as MJD with fraction; false when the line does not parse.
bool parse_sp3_epoch_line(const char* line, double& epoch);

enum class Sp3Position {
    kRecord,
    kNotStored,  // a satellite without a compact number: a system or number the project has not
    kDamaged,
};
// A "P" line as a record (epoch left 0).
Sp3Position parse_sp3_position_line(const char* line, VYR_PRECISEEPHEMERIS& record);

}  // namespace vyr_import
