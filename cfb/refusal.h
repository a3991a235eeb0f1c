// Why an open refused a damaged document: the check that finds the fault records what is wrong
// and where, beside the unchanged result code, and the caller reads it back through
// cfb::last_refusal() (one per thread, as the platform keeps its error details beside a status).
#pragma once

#include <cstdint>
#include <string>

#include "cfb/interfaces.h"

namespace cfb {

// Records `why` as this thread's last refusal and returns `code`.
HRESULT refuse(HRESULT code, std::string why);
// Every open starts with no refusal.
void clear_refusal();

// "sector 17", or the marker's name for the ids above MAXREGSECT ("ENDOFCHAIN").
std::string sector_text(uint32_t id);

}  // namespace cfb
