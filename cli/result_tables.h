// The processing results of a station association as tables: what `vyr results ... show` prints
// for each kind of result, and the record counts `vyr assoc list` gives.
#pragma once

#include <string>
#include <vector>

#include <vyr/vyr.h>
#include <nlohmann/json.hpp>

#include "result_text.h"

namespace vyr_cli {

// What to show. `type` selects the residual type, offset type or band; a combination replaces
// it for residuals.
struct ResultQuery {
    std::string kind;
    std::string type;
    std::optional<VYR_RESIDUAL_COMBINATION> combination;
    std::vector<VYR_RESIDUAL_TYPE> combined;
};

// The kinds `show` knows, for help texts and messages.
const std::vector<std::string>& result_kinds();

// Throws CommandFailure naming the path for an unknown kind or type and for a failed read.
ResultTable result_table(IVyrStationAssocEx& assoc, const ResultQuery& query,
                         const std::string& path);

// {"residuals.L1Code": 2880, "cycle-slips": 4, ...}: every result the association holds, with
// its number of records.
nlohmann::ordered_json result_counts(IVyrStationAssocEx& assoc, const std::string& path);

}  // namespace vyr_cli
