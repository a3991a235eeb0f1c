// The Klobuchar coefficients of a GPS navigation file's header.
#pragma once

#include <cstdint>
#include <vector>

#include "import/conversion_report.h"
#include "import/line_classification.h"
#include "storage/file_name_manager.h"
#include "vyr/ephemeris.h"
#include "vyr/error.h"

// One VYR_IONOUTC per pair of alpha and beta lines of the header: "ION ALPHA" / "ION BETA" of
// version 2, "GPSA" / "GPSB" of "IONOSPHERIC CORR" in later versions. A missing coefficient
// stays 0; a file without them gives no record and 0.
class CConvertFileRinexIonoKlobuchar : public CLineClassification,
                                       public CFileNameManager,
                                       public CConversionReporter {
public:
    virtual VYR_ERROR Convert(std::vector<VYR_IONOUTC>& out, uint32_t option);
};
