// Precise orbits of an SP3 file (versions a, c and d): one record per satellite position line.
#pragma once

#include <cstdint>
#include <vector>

#include "import/line_classification.h"
#include "storage/file_name_manager.h"
#include "vyr/ephemeris.h"
#include "vyr/error.h"

// The header is not read: epoch lines ("*") set the time of the position lines ("P") that
// follow; velocity, correlation and header lines are passed over, so satellite counts and
// satellite lists of any length make no difference.
class CConvertFileSp3 : public CLineClassification, public CFileNameManager {
public:
    virtual VYR_ERROR Convert(std::vector<VYR_PRECISEEPHEMERIS>& out, uint32_t option);
};

namespace vyr_import {

// The epoch of an "*" line as MJD with fraction; false when the line does not parse.
bool parse_sp3_epoch_line(const char* line, double& epoch);
// A "P" line as a record (epoch left 0); false when it does not give the satellite and four
// values or its satellite has no compact number.
bool parse_sp3_position_line(const char* line, VYR_PRECISEEPHEMERIS& record);

}  // namespace vyr_import
