// A tolerance run as JSON, for the command line and scripts.  Holds no
// timings and no thread counts, so that a seed gives the same bytes on any
// machine load.
#pragma once

#include <nlohmann/json.hpp>

#include "tolerance/tolerance.h"

namespace orvelin {

/// {"criterion", "nominal", "compensation", "sensitivity": [...],
/// "montecarlo": {...}} (the last only with trials).  Numbers at full
/// precision; null for a design that did not trace.
nlohmann::ordered_json toleranceJson(const ToleranceResult& result);

}  // namespace orvelin
