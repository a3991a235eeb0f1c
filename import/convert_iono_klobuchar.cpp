#include "import/convert_iono_klobuchar.h"

#include <cstring>

#include "import/convert_rinex_nav_values.h"
#include "import/input_text.h"
#include "import/text_file.h"

namespace vyr_import {
namespace {

constexpr uint8_t kContentKlobuchar = 2;

// Where the coefficients of an alpha (or beta) line start, or null when the line holds none.
const char* coefficients_of(char* line, int lineClass, int versionTwoClass, const char* type) {
    if (lineClass == versionTwoClass) return line;
    if (std::strstr(line, "IONOSPHERIC CORR") != nullptr && std::strncmp(line, type, 4) == 0)
        return line + 4;
    return nullptr;
}

enum class Found { kLine, kEnd };

// Reads up to the next alpha (or beta) line and parses its four coefficients into values; the
// end of the header or of the file ends the search.
Found read_coefficients(FILE* file, const CLineClassification& lines, int versionTwoClass,
                        const char* type, float* values) {
    char buffer[kLineBufferSize];
    int lineClass = kLineNone;
    while (lines.ReadLine(file, buffer, lineClass)) {
        if (lineClass == kLineEndOfHeader) return Found::kEnd;
        // Header lines keep their Fortran exponents; ours are read here.
        lines.ReplaceChar(buffer, 'D', 'E');
        const char* text = coefficients_of(buffer, lineClass, versionTwoClass, type);
        if (text == nullptr) continue;
        double parsed[4] = {};
        parse_numbers(text, parsed, 4);
        for (int i = 0; i < 4; ++i) values[i] = static_cast<float>(parsed[i]);
        return Found::kLine;
    }
    return Found::kEnd;
}

}  // namespace

}  // namespace vyr_import

using namespace vyr_import;

VYR_ERROR CConvertFileRinexIonoKlobuchar::Convert(std::vector<VYR_IONOUTC>& out, uint32_t) {
    out.clear();
    TextFile file = open_text_file(GetFileName());
    if (!file) return VYR_E_FILE_NOT_FOUND;
    char buffer[kLineBufferSize];
    int program = kLineProgram;
    if (ReadRecord(file.get(), program, buffer) < 0)
        return std::ferror(file.get())
                   ? note_failure(m_report, VYR_E_FAILED_TO_READ, 0, read_problem(file.get()))
                   : VYR_OK;
    for (;;) {
        // Read into aligned arrays: the record's fields are packed.
        float alpha[4] = {};
        float beta[4] = {};
        if (read_coefficients(file.get(), *this, kLineIonAlpha, "GPSA", alpha) == Found::kEnd ||
            read_coefficients(file.get(), *this, kLineIonBeta, "GPSB", beta) == Found::kEnd) {
            // A header cut by a read failure is a failure, not a header without coefficients.
            if (!std::ferror(file.get())) return VYR_OK;
            out.clear();
            return note_failure(m_report, VYR_E_FAILED_TO_READ, 0, read_problem(file.get()));
        }
        VYR_IONOUTC record{};
        std::memcpy(record.alpha, alpha, sizeof alpha);
        std::memcpy(record.beta, beta, sizeof beta);
        record.content = kContentKlobuchar;
        out.push_back(record);
    }
}
