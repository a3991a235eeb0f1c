#include "import/conversion_report.h"

#include <algorithm>
#include <utility>

namespace vyr_import {

void note_read_past(VyrConversionReport& report, uint32_t line, std::string_view problem) {
    auto kind =
        std::find_if(report.readPast.begin(), report.readPast.end(),
                     [&](const VyrConversionReport::ReadPast& r) { return r.problem == problem; });
    if (kind == report.readPast.end()) {
        report.readPast.push_back({std::string(problem), 0, {}});
        kind = report.readPast.end() - 1;
    }
    ++kind->records;
    if (kind->lines.size() < VyrConversionReport::ReadPast::kMaxLines) kind->lines.push_back(line);
}

VYR_ERROR note_failure(VyrConversionReport& report, VYR_ERROR code, uint32_t line,
                       std::string problem) {
    report.failure = {line, std::move(problem)};
    return code;
}

}  // namespace vyr_import
