// The image-quality figures as JSON, as the command line's `quality --json`
// writes them and the Python module hands them on.
#pragma once

#include <nlohmann/json.hpp>
#include <span>

#include "quality/image_quality.h"

namespace orvelin {

/// One field's figures; a field that did not trace gives its status, the
/// trace's message, and the counts of missed and traced rays only.
nlohmann::ordered_json fieldQualityJson(const FieldQuality& quality);

/// {"wavelength_um", "strehlMethod", "fields": {name: figures, ...}} for the
/// listed fields, in that order.
nlohmann::ordered_json qualityJson(const QualityReport& report, std::span<const QualityField> fields);

}  // namespace orvelin
