// The stored lists of the common data as named fields, for `vyr show`.
#pragma once

#include <string>

#include <vyr/vyr.h>
#include <nlohmann/json.hpp>

namespace vyr_cli {

using Fields = nlohmann::ordered_json;

Fields fields_of(const VYR_BROADCASTEPHEMERIS& r);
Fields fields_of(const VYR_BROADCASTEPHEMERIS_GLO& r);
Fields fields_of(const VYR_BROADCASTEPHEMERIS_GAL& r);
Fields fields_of(const VYR_PRECISEEPHEMERIS& r);
Fields fields_of(const VYR_IONOUTC& r);
Fields fields_of(const VYR_IONO_GLOBALREG& r);
Fields fields_of(const VYR_ALMANACHEPHEMERIS& r);
Fields fields_of(const VYR_ALMANACHEPHEMERIS_GLO& r);
Fields fields_of(const VYR_ALMANACHEPHEMERIS_GAL& r);
Fields fields_of(const VYR_ESTABLISHED_POINT& r);
Fields fields_of(const VYR_USE_FOR_ESTABLISHING_POINT& r);

// A compact satellite number as system letter and number ("G05").
std::string satellite_name(uint8_t satellite);

}  // namespace vyr_cli
