// The trace report as JSON: the design's title and units, then all 30
// figures by field name, the field panels as nested objects.  The command
// line writes it as text; the Python module hands it on as a dict.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "design/design.h"
#include "trace/analysis.h"

namespace orvelin {

/// {"title", "units", figure: value, ..., "fieldPanelMinus": {...}, ...} in
/// the order of AnalysisResults.
nlohmann::ordered_json reportJson(const Design& design, const AnalysisResults& results);

/// The report's JSON as the command line writes it: two-space indent, every
/// number with 17 significant digits (every bit of each double kept, and the
/// same digits on every machine), text that is not valid UTF-8 with U+FFFD
/// in its place; a line end after the closing brace.
std::string reportJsonText(const nlohmann::ordered_json& report);

}  // namespace orvelin
