#include "import/convert_frequency_map_glo.h"

#include "import/convert_rinex_nav_values.h"

using namespace vyr_import;

namespace {

enum class Step { kNext, kEnd, kFailure };

// Reads the line that must follow directly: a data line. End of file ends the import.
Step read_next_data_line(FILE* file, const CLineClassification& lines, char* buffer) {
    int lineClass = kLineData;
    if (!lines.ReadLine(file, buffer, lineClass)) return Step::kEnd;
    return lineClass == kLineData ? Step::kNext : Step::kFailure;
}

}  // namespace

VYR_ERROR CConvertFileFrequencyMapGlo::Convert(VYR_GLONASS_FREQUENCYMAP& map, uint32_t) {
    for (int16_t& channel : map.channel) channel = VYR_GLONASS_FREQUENCYMAP::kNotSet;
    const double version = read_rinex_format_version(GetFileName());
    if (version < 2.0) return VYR_E_NOT_IMPLEMENTED;
    const bool systemLetter = version >= 3.0;

    TextFile file = open_text_file(GetFileName());
    if (!file) return VYR_E_FILE_NOT_FOUND;
    char buffer[kLineBufferSize];
    int endOfHeader = kLineEndOfHeader;
    if (ReadRecord(file.get(), endOfHeader, buffer) < 0) return VYR_E_HEADER_OR_DATA_MISSING;

    int lineClass = kLineData;
    bool haveLine = ReadLine(file.get(), buffer, lineClass);
    while (haveLine) {
        // Look for the first line of a message: a data line that starts with the satellite.
        if (lineClass != kLineData || (systemLetter && (buffer[0] == ' ' || buffer[0] == '\0'))) {
            haveLine = ReadLine(file.get(), buffer, lineClass);
            continue;
        }
        // Messages of other systems and record lines ("> EPH") are read past line by line.
        if (systemLetter && buffer[0] != 'R') {
            haveLine = ReadLine(file.get(), buffer, lineClass);
            continue;
        }
        int slot = 0;
        if (parse_integers(systemLetter ? buffer + 1 : buffer, &slot, 1) != 1)
            return VYR_E_FAILED_TO_READ;
        Step step = read_next_data_line(file.get(), *this, buffer);  // orbit line 1
        if (step == Step::kNext) step = read_next_data_line(file.get(), *this, buffer);
        if (step == Step::kEnd) return VYR_OK;
        if (step == Step::kFailure) return VYR_E_FAILED_TO_READ;
        double orbit[4] = {};
        if (parse_numbers(buffer, orbit, 4) != 4) return VYR_E_FAILED_TO_READ;
        if (slot >= 1 && slot <= VYR_GLONASS_FREQUENCYMAP::kSlots)
            map.channel[slot - 1] = round_half_away<int8_t>(orbit[3]);
        step = read_next_data_line(file.get(), *this, buffer);  // orbit line 3
        if (step == Step::kEnd) return VYR_OK;
        if (step == Step::kFailure) return VYR_E_FAILED_TO_READ;
        haveLine = ReadLine(file.get(), buffer, lineClass);
    }
    return VYR_OK;
}
