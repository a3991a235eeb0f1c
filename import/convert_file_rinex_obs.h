// CConvertFileRinexObs: one RINEX observation file into one VYR_STATION_RINEX per site. Files
// below version 3 go through the text parser, later ones through the RINEX access library.
#pragma once

#include <vector>

#include <vyr/file_converter.h>
#include "import/conversion_report.h"
#include "import/line_classification.h"
#include "storage/file_name_manager.h"

class CConvertFileRinexObs : public CLineClassification,
                             public CFileNameManager,
                             public CConversionReporter {
public:
    // Gathers every site with its epochs in out (cleared first); progress may be null.
    virtual VYR_ERROR Convert(std::vector<VYR_STATION_RINEX>& out, IVyrProgress* progress);
    // Hands every epoch and site to sink as soon as it is read.
    VYR_ERROR ConvertToSink(IVyrStationRinexSink& sink);
    void SetOptions(const VyrObsConversionOptions& options) { m_options = options; }

private:
    VYR_ERROR ConvertText(IVyrStationRinexSink& sink);
    VYR_ERROR ConvertWithLibrary(IVyrStationRinexSink& sink);

    VyrObsConversionOptions m_options;
};
