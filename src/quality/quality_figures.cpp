// The quality figures by name, as the optimiser's targets and the
// tolerances' criteria name them ("quality.center.rmsSpot").
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "quality/image_quality.h"

namespace orvelin {

namespace {

double yesOrNo(bool v) {
    return v ? 1.0 : 0.0;
}

constexpr QualityFigureRow kRows[] = {
    {"rmsSpot", "rmsSpot (um)", "%14.4f", [](const FieldQuality& q) { return q.rmsSpot; }},
    {"rmsSpotChief", "rmsSpotChief (um)", "%14.4f", [](const FieldQuality& q) { return q.rmsSpotChief; }},
    {"geoSpot", "geoSpot (um)", "%14.4f", [](const FieldQuality& q) { return q.geoSpot; }},
    {"centroid.x", "centroid x (um)", "%14.4f", [](const FieldQuality& q) { return q.centroidX; }},
    {"centroid.y", "centroid y (um)", "%14.4f", [](const FieldQuality& q) { return q.centroidY; }},
    {"rmsWavefront", "rmsWavefront (waves)", "%14.5f", [](const FieldQuality& q) { return q.rmsWavefront; }},
    {"rmsWavefrontBestFocus", "rmsWavefrontBestFocus", "%14.5f",
     [](const FieldQuality& q) { return q.rmsWavefrontBestFocus; }},
    {"strehl", "strehl", "%14.4f", [](const FieldQuality& q) { return q.strehl; }},
    {"airyRadius", "airyRadius (um)", "%14.4f", [](const FieldQuality& q) { return q.airyRadius; }},
    {"diffractionLimited", "diffractionLimited", "%14s",
     [](const FieldQuality& q) { return yesOrNo(q.diffractionLimited); }, false, true},
    {"bestFocus.shift", "bestFocus shift (UNIT)", "%14.6f", [](const FieldQuality& q) { return q.bestFocusShift; }},
    {"bestFocus.rmsSpot", "bestFocus rmsSpot (um)", "%14.4f",
     [](const FieldQuality& q) { return q.bestFocusRmsSpot; }},
    {"missed", "missed", "%14.0f", [](const FieldQuality& q) { return static_cast<double>(q.missed); }, true},
    {"rays", "rays", "%14.0f", [](const FieldQuality& q) { return static_cast<double>(q.rays); }, true},
};

}  // namespace

std::span<const QualityFigureRow> qualityFigureRows() {
    return kRows;
}

std::optional<double> qualityFigure(const QualityReport& report, std::string_view name) {
    constexpr std::string_view prefix = "quality.";
    if (!name.starts_with(prefix)) return std::nullopt;
    name.remove_prefix(prefix.size());
    const size_t dot = name.find('.');
    if (dot == std::string_view::npos) return std::nullopt;
    const auto field = qualityFieldFromName(name.substr(0, dot));
    if (!field) return std::nullopt;
    const std::string_view figure = name.substr(dot + 1);
    const FieldQuality& q = report.field(*field);
    for (const QualityFigureRow& f : kRows) {
        if (figure != f.name) continue;
        if (q.status != kTraceOk && !f.countsAfterFailure) return std::nullopt;
        return f.get(q);
    }
    return std::nullopt;
}

std::vector<std::string> qualityFigureNames() {
    std::vector<std::string> names;
    for (QualityField field : kQualityFields)
        for (const QualityFigureRow& f : kRows)
            names.push_back(std::string("quality.") + qualityFieldName(field) + "." + f.name);
    return names;
}
}  // namespace orvelin
