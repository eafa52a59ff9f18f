// An optimisation's result as JSON, as the command line's `optimise --json`
// writes it and the Python module hands it on.
#pragma once

#include <nlohmann/json.hpp>

#include "optimise/optimiser.h"

namespace orvelin {

/// {"converged", "iterations", "merit": {start, end}, "variables": {name:
/// {start, end}}, "targets": {figure: {target, start, end}}, and, when the
/// design was kept clear, "clearance": {margin, start, end}}.  Numbers JSON
/// cannot hold (a merit of a design that did not trace) are null.
nlohmann::ordered_json optimiseJson(const OptimiseProblem& problem, const OptimiseResult& result);

}  // namespace orvelin
