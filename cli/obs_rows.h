// The rows `vyr obs` prints, one per signal of an epoch: CSV (time, satellite, type, code,
// phase, Doppler, quality, flags) or a JSON array of the same objects. Rows are gathered and
// written to standard output in large pieces; a day of 30-second epochs is tens of megabytes.
#pragma once

#include <string>

#include <vyr/vyr.h>

namespace vyr_cli {

// What each column means, for `vyr obs --help`.
extern const char* const kObsColumnsHelp;

class ObsRowPrinter {
public:
    // Writes the CSV header or the opening bracket.
    explicit ObsRowPrinter(bool as_json);
    ObsRowPrinter(const ObsRowPrinter&) = delete;
    ObsRowPrinter& operator=(const ObsRowPrinter&) = delete;
    // Writes what is gathered, so rows printed before a failure are not lost.
    ~ObsRowPrinter();

    void print(const VYR_OBSERVATIONEPOCH& epoch);
    // Closes the JSON array and writes everything out.
    void finish();

private:
    void flush_if_full();
    void flush();

    bool m_json;
    bool m_firstRow = true;
    std::string m_out;
};

}  // namespace vyr_cli
