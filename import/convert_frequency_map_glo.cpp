#include "import/convert_frequency_map_glo.h"

#include <cstring>
#include <string>

#include <rinex/rnx_checks.h>

#include "import/convert_rinex_nav.h"
#include "import/convert_rinex_nav_values.h"
#include "import/input_text.h"
#include "import/text_file.h"

using namespace vyr_import;

namespace {

enum class Step { kNext, kEnd, kFailure };

// The lines of the file after its header, counted.
class CountedLines {
public:
    CountedLines(FILE* file, const CLineClassification& lines) : m_file(file), m_lines(lines) {}

    bool read(char* buffer, int& lineClass) {
        if (!m_lines.ReadLine(m_file, buffer, lineClass)) return false;
        ++m_number;
        return true;
    }
    // The line that must follow directly: a data line. End of file ends the import.
    Step read_next_data_line(char* buffer) {
        int lineClass = kLineData;
        if (!read(buffer, lineClass)) return Step::kEnd;
        return lineClass == kLineData ? Step::kNext : Step::kFailure;
    }
    void skipped(int lines) { m_number += static_cast<uint32_t>(lines); }
    uint32_t number() const { return m_number; }

private:
    FILE* m_file;
    const CLineClassification& m_lines;
    uint32_t m_number = 0;
};

}  // namespace

VYR_ERROR CConvertFileFrequencyMapGlo::Convert(VYR_GLONASS_FREQUENCYMAP& map, uint32_t) {
    for (int16_t& channel : map.channel) channel = VYR_GLONASS_FREQUENCYMAP::kNotSet;
    const double version = read_rinex_format_version(GetFileName());
    const VYR_ERROR gate = check_navigation_version(version, 2.0, m_report);
    if (gate != VYR_OK) return gate;
    const bool systemLetter = version >= 3.0;

    TextFile file = open_text_file(GetFileName());
    if (!file) return VYR_E_FILE_NOT_FOUND;
    char buffer[kLineBufferSize];
    int endOfHeader = kLineEndOfHeader;
    const int headerLines = ReadRecord(file.get(), endOfHeader, buffer);
    if (headerLines < 0)
        return note_failure(m_report, VYR_E_HEADER_OR_DATA_MISSING, 0,
                            "the header has no END OF HEADER");
    CountedLines lines(file.get(), *this);
    lines.skipped(headerLines);
    // A message that cannot be used is read past; the channels of the others are kept.
    const auto read_past = [&](uint32_t line, const char* problem) {
        note_read_past(m_report, line, problem);
    };
    const auto end = [&]() {
        if (!std::ferror(file.get())) return VYR_OK;
        return note_failure(m_report, VYR_E_FAILED_TO_READ, lines.number() + 1,
                            read_problem(file.get()));
    };

    int lineClass = kLineData;
    bool haveLine = lines.read(buffer, lineClass);
    while (haveLine) {
        // Look for the first line of a message: a data line that starts with the satellite
        // (orbit lines start with blanks, which is how reading finds its way after a damaged
        // message).
        const bool satelliteFirst = systemLetter ? buffer[0] != ' ' && buffer[0] != '\0'
                                                 : std::strncmp(buffer, "   ", 3) != 0;
        if (lineClass != kLineData || !satelliteFirst) {
            haveLine = lines.read(buffer, lineClass);
            continue;
        }
        // Messages of other systems and record lines ("> EPH") are read past line by line.
        if (systemLetter && buffer[0] != 'R') {
            haveLine = lines.read(buffer, lineClass);
            continue;
        }
        const uint32_t first = lines.number();
        int slot = 0;
        if (parse_integers(systemLetter ? buffer + 1 : buffer, &slot, 1) != 1) {
            read_past(first, "a message whose slot number cannot be read");
            haveLine = lines.read(buffer, lineClass);
            continue;
        }
        Step step = lines.read_next_data_line(buffer);  // orbit line 1
        if (step == Step::kNext) step = lines.read_next_data_line(buffer);
        if (step == Step::kEnd) return end();
        double orbit[4] = {};
        if (step == Step::kFailure) {
            read_past(first, "a message whose orbit lines do not follow it");
        } else if (parse_numbers(buffer, orbit, 4) != 4) {
            read_past(first, "a message whose orbit line 2 holds no frequency channel number");
        } else if (int32_t channel = 0; !RnxGlonassChannel(orbit[3], channel)) {
            read_past(lines.number(), "a message with a frequency channel outside -7 to +13");
        } else {
            if (slot >= 1 && slot <= VYR_GLONASS_FREQUENCYMAP::kSlots)
                map.channel[slot - 1] = static_cast<int16_t>(channel);
            step = lines.read_next_data_line(buffer);  // orbit line 3
            if (step == Step::kEnd) return end();
        }
        haveLine = lines.read(buffer, lineClass);
    }
    return end();
}
