// Text forms of processing results for `vyr results`: the names of residual types, offset types
// and bands as a person types them, the CSV a kernel in any language can write, and the tables
// the command prints.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <vyr/vyr.h>
#include <nlohmann/json.hpp>

namespace vyr_cli {

// Residual types by their stream names without "Residuals": L1Code ... L3Phase.
std::optional<VYR_RESIDUAL_TYPE> residual_type_named(const std::string& name);
std::string residual_type_name(VYR_RESIDUAL_TYPE type);
// Offset types by their stream names without "ResidualOffset": L1Code, L2Code, L3Code, L1Phase,
// L2Phase, L3Phase.
std::optional<VYR_RESIDUAL_OFFSET_TYPE> offset_type_named(const std::string& name);
std::string offset_type_name(VYR_RESIDUAL_OFFSET_TYPE type);
// Bands of the tracking and ambiguity status streams: L1, L2, L5E5a, E5b, E5ab.
std::optional<VYR_FREQUENCY_BAND> status_band_named(const std::string& name);
std::string band_name(VYR_FREQUENCY_BAND band);
// "L1Code, L2Code, ..." for messages.
std::string residual_type_names();
std::string offset_type_names();
std::string status_band_names();

// A CSV file of results as `vyr results ... show` prints it. Every malformed row throws
// CommandFailure "FILE:LINE: problem"; nothing is returned half read.
// Residuals: header "time,sat,value", the rows of one epoch together, one row per satellite.
std::vector<VYR_RESIDUAL> read_residuals_csv(const std::string& file);
// Offsets: header "sat,from,to,offset", sat a GLONASS slot R01..R24; one record per slot with its
// intervals in the order of the file.
std::vector<VYR_RESIDUAL_OFFSET_SV> read_offsets_csv(const std::string& file);

// A table of results: column names and rows of values (numbers, texts, or null for empty).
struct ResultTable {
    std::vector<std::string> columns;
    std::vector<std::vector<nlohmann::ordered_json>> rows;
};
// CSV with a header line (numbers as their shortest exact text), or a JSON array of objects.
void print_table(const ResultTable& table, bool as_json);

}  // namespace vyr_cli
