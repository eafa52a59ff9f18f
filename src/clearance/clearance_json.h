// The clearance check as JSON, as the command line's `clearance --json`
// writes it and the Python module hands it on.
#pragma once

#include <nlohmann/json.hpp>

#include "clearance/clearance.h"

namespace orvelin {

/// {"clear", "minClearance", "pairs": [{"space", "surface", "clearance"},
/// ...]}, smallest clearance first.
nlohmann::ordered_json clearanceJson(const ClearanceReport& report);

}  // namespace orvelin
