// The quality figures by name, as the optimiser's targets and the
// tolerances' criteria name them ("quality.center.rmsSpot").
#include <cstdio>
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

using enum QualityJsonKind;

constexpr QualityFigureRow kRows[] = {
    {"rmsSpot", "rmsSpot (um)", "%14.4f", [](const FieldQuality& q) { return q.rmsSpot; }, "/rmsSpot", number,
     "rmsSpot %.3f \xB5m"},
    {"rmsSpotChief", "rmsSpotChief (um)", "%14.4f", [](const FieldQuality& q) { return q.rmsSpotChief; },
     "/rmsSpotChief", number, "rmsSpotChief %.3f \xB5m"},
    {"geoSpot", "geoSpot (um)", "%14.4f", [](const FieldQuality& q) { return q.geoSpot; }, "/geoSpot", number,
     "geoSpot %.3f \xB5m"},
    {"centroid.x", "centroid x (um)", "%14.4f", [](const FieldQuality& q) { return q.centroidX; },
     "/centroid/0", number, "centroid %.3f"},
    {"centroid.y", "centroid y (um)", "%14.4f", [](const FieldQuality& q) { return q.centroidY; },
     "/centroid/1", number, "+, %.3f \xB5m"},
    {"rmsWavefront", "rmsWavefront (waves)", "%14.5f", [](const FieldQuality& q) { return q.rmsWavefront; },
     "/rmsWavefront", number, "rmsWavefront %.4f waves"},
    {"rmsWavefrontBestFocus", "rmsWavefrontBestFocus", "%14.5f",
     [](const FieldQuality& q) { return q.rmsWavefrontBestFocus; }, "/rmsWavefrontBestFocus", number,
     "at best focus %.4f waves"},
    {"strehl", "strehl", "%14.4f", [](const FieldQuality& q) { return q.strehl; }, "/strehl", number,
     "strehl %.4f"},
    {"airyRadius", "airyRadius (um)", "%14.4f", [](const FieldQuality& q) { return q.airyRadius; },
     "/airyRadius", number, "airyRadius %.3f \xB5m"},
    {"diffractionLimited", "diffractionLimited", "%14s",
     [](const FieldQuality& q) { return yesOrNo(q.diffractionLimited); }, "/diffractionLimited", boolean,
     "diffraction-limited (strehl >= 0.8)|not diffraction-limited (strehl < 0.8)", false, true},
    {"bestFocus.shift", "bestFocus shift (UNIT)", "%14.6f", [](const FieldQuality& q) { return q.bestFocusShift; },
     "/bestFocus/shift", number, "bestFocus %+.4f UNIT"},
    {"bestFocus.rmsSpot", "bestFocus rmsSpot (um)", "%14.4f",
     [](const FieldQuality& q) { return q.bestFocusRmsSpot; }, "/bestFocus/rmsSpot", number,
     "  rmsSpot there %.3f \xB5m"},
    {"missed", "missed", "%14.0f", [](const FieldQuality& q) { return static_cast<double>(q.missed); },
     "/missed", integer, "missed %.0f", true},
    {"rays", "rays", "%14.0f", [](const FieldQuality& q) { return static_cast<double>(q.rays); }, "/rays",
     integer, "+ of %.0f rays", true},
};

}  // namespace

std::span<const QualityFigureRow> qualityFigureRows() {
    return kRows;
}

std::string withUnits(std::string text, const std::string& units) {
    if (const std::size_t at = text.find("UNIT"); at != std::string::npos) text.replace(at, 4, units);
    return text;
}

std::vector<std::string> qualityViewLines(const FieldQuality& q, const std::string& units) {
    std::vector<std::string> lines;
    for (const QualityFigureRow& f : kRows) {
        std::string_view view = f.view;
        if (f.yesNo) {
            const std::size_t bar = view.find('|');
            view = f.get(q) != 0 ? view.substr(0, bar) : view.substr(bar + 1);
        }
        const bool joins = view.starts_with('+');
        if (joins) view.remove_prefix(1);
        char buf[128];
        std::snprintf(buf, sizeof buf, std::string(view).c_str(), f.get(q));
        std::string text = withUnits(buf, units);
        if (joins && !lines.empty())
            lines.back() += text;
        else
            lines.push_back(std::move(text));
    }
    return lines;
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
