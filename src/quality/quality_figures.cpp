// The quality figures by name, as the optimiser's targets and the
// tolerances' criteria name them ("quality.center.rmsSpot").
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "quality/image_quality.h"

namespace orvelin {

namespace {

struct FigureName {
    const char* name;
    double (*get)(const FieldQuality&);
};

constexpr FigureName kFigureNames[] = {
    {"rmsSpot", [](const FieldQuality& q) { return q.rmsSpot; }},
    {"rmsSpotChief", [](const FieldQuality& q) { return q.rmsSpotChief; }},
    {"geoSpot", [](const FieldQuality& q) { return q.geoSpot; }},
    {"centroid.x", [](const FieldQuality& q) { return q.centroidX; }},
    {"centroid.y", [](const FieldQuality& q) { return q.centroidY; }},
    {"rmsWavefront", [](const FieldQuality& q) { return q.rmsWavefront; }},
    {"rmsWavefrontBestFocus", [](const FieldQuality& q) { return q.rmsWavefrontBestFocus; }},
    {"strehl", [](const FieldQuality& q) { return q.strehl; }},
    {"airyRadius", [](const FieldQuality& q) { return q.airyRadius; }},
    {"diffractionLimited", [](const FieldQuality& q) { return q.diffractionLimited ? 1.0 : 0.0; }},
    {"bestFocus.shift", [](const FieldQuality& q) { return q.bestFocusShift; }},
    {"bestFocus.rmsSpot", [](const FieldQuality& q) { return q.bestFocusRmsSpot; }},
    {"missed", [](const FieldQuality& q) { return static_cast<double>(q.missed); }},
    {"rays", [](const FieldQuality& q) { return static_cast<double>(q.rays); }},
};

}  // namespace

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
    for (const FigureName& f : kFigureNames) {
        if (figure != f.name) continue;
        if (q.status != kTraceOk && figure != "missed" && figure != "rays") return std::nullopt;
        return f.get(q);
    }
    return std::nullopt;
}

std::vector<std::string> qualityFigureNames() {
    std::vector<std::string> names;
    for (QualityField field : kQualityFields)
        for (const FigureName& f : kFigureNames)
            names.push_back(std::string("quality.") + qualityFieldName(field) + "." + f.name);
    return names;
}
}  // namespace orvelin
