// How the converters fill the report of a conversion (VyrConversionReport): records read past,
// remarks, and the place of a failure.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <vyr/file_converter.h>

#include "vyr/error.h"

namespace vyr_import {

// Counts one record read past under its problem, keeping its line among the first few.
void note_read_past(VyrConversionReport& report, uint32_t line, std::string_view problem);
// Keeps the place and problem of a failure and returns its code.
VYR_ERROR note_failure(VyrConversionReport& report, VYR_ERROR code, uint32_t line,
                       std::string problem);

}  // namespace vyr_import

// The report a format converter fills while it runs; the front hands it out afterwards.
class CConversionReporter {
public:
    const VyrConversionReport& Report() const { return m_report; }

protected:
    VyrConversionReport m_report;
};
