// The GLONASS frequency-channel map read from the messages of a GLONASS navigation file.
#pragma once

#include <cstdint>

#include "import/conversion_report.h"
#include "import/line_classification.h"
#include "storage/file_name_manager.h"
#include "vyr/error.h"
#include "vyr/glonass_map.h"

// Every message gives its slot's channel; a later message of a slot overwrites an earlier one.
// Slots outside 1-24 are passed over. Versions 2 and 3 (and later) are read by our own text
// reader; in files of several systems only the GLONASS messages are taken.
class CConvertFileFrequencyMapGlo : public CLineClassification,
                                    public CFileNameManager,
                                    public CConversionReporter {
public:
    virtual VYR_ERROR Convert(VYR_GLONASS_FREQUENCYMAP& map, uint32_t option);
};
