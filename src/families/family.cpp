// Names, rules and the request's checks of the families; the JSON of a result.
#include "families/family.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "quality/image_quality.h"

namespace orvelin {

const char* familyWord(Family f) {
    switch (f) {
        case Family::herschelian:
            return "herschelian";
        case Family::kutter:
            return "kutter";
        case Family::yolo:
            return "yolo";
        case Family::trischiefspiegler:
            return "trischiefspiegler";
    }
    return "";
}

const char* familyTitle(Family f) {
    switch (f) {
        case Family::herschelian:
            return "Herschelian (one tilted mirror)";
        case Family::kutter:
            return "Kutter (two-mirror Schiefspiegler)";
        case Family::yolo:
            return "Yolo (two concave mirrors)";
        case Family::trischiefspiegler:
            return "Tri-Schiefspiegler (three mirrors)";
    }
    return "";
}

std::optional<Family> familyFromWord(std::string_view word) {
    for (Family f : kFamilies)
        if (word == familyWord(f)) return f;
    return std::nullopt;
}

const char* familyLayoutRule(Family f) {
    switch (f) {
        case Family::herschelian:
            return "One concave toroidal mirror of radius 2f, the focus f from it.  The tilt is the "
                   "smallest that puts the focus outside the incoming beam by the margin; the sagittal "
                   "radius starts at R cos^2(tilt), which takes out the tilt's astigmatism.  The tilt's "
                   "coma stays (with the stop on the mirror nothing removes it), so the aperture and "
                   "f-ratio bound what a Herschelian reaches.";
        case Family::kutter:
            return "Concave primary and convex toroidal secondary of equal radii R = f (a flat field); "
                   "the secondary magnifies 2x, stands R/4 from the primary, and the image lies R/2 "
                   "beyond it.  The primary's tilt is the smallest that keeps the secondary out of the "
                   "incoming beam by the margin; the secondary's tilt cancels the primary's coma "
                   "(third order); the secondary's sagittal radius takes out the astigmatism.";
        case Family::yolo:
            return "Two concave mirrors of equal radii R = 3.236 f; the secondary stands R (3 - sqrt 5)/4 "
                   "from the primary and sends the beam forward across the incoming one to a focus "
                   "level with the primary (magnification 0.618).  The primary's tilt keeps the "
                   "secondary and the focus out of the beams by the margin; the secondary's equal tilt "
                   "cancels the coma; the toroidal secondary takes out the astigmatism.";
        case Family::trischiefspiegler:
            return "Concave primary and convex secondary of equal radii (magnification 1.875, "
                   "separation R/3.75), then a weak concave tertiary level with the primary that "
                   "shortens the focus by 0.9.  The primary's tilt keeps every mirror out of the beams "
                   "by the margin; the secondary's and tertiary's tilts cancel the coma and the "
                   "astigmatism together (third order); all three mirrors are spheres.";
    }
    return "";
}

std::optional<std::string> familyRequestProblem(const FamilyRequest& r) {
    if (!std::isfinite(r.aperture) || r.aperture <= 0) return "the aperture must be above 0";
    if (!std::isfinite(r.fRatio) || r.fRatio <= 0) return "the f-ratio must be above 0";
    if (!std::isfinite(r.fieldDegrees) || r.fieldDegrees < 0 || r.fieldDegrees >= 20)
        return "the full field must be at least 0 and below 20 degrees";
    if (!std::isfinite(r.margin) || r.margin < 0) return "the margin must be at least 0";
    if (r.units != "mm" && r.units != "inches") return "the units must be mm or inches";
    return std::nullopt;
}

namespace {

nlohmann::ordered_json number(double v) {
    return std::isfinite(v) ? nlohmann::ordered_json(v) : nlohmann::ordered_json(nullptr);
}

}  // namespace

std::string familyFiguresText(const FamilyResult& r, const std::string& units) {
    std::string text;
    char line[160];
    auto add = [&](int len) {
        if (len > 0) text.append(line, std::min(static_cast<std::size_t>(len), sizeof line - 1));
    };
    add(std::snprintf(line, sizeof line, "F/ratio          %10.4f\n", r.fRatio));
    add(std::snprintf(line, sizeof line, "Focal length     %10.3f %s\n", r.focalLength, units.c_str()));
    add(std::snprintf(line, sizeof line, "Back focus       %10.3f %s\n", r.backFocus, units.c_str()));
    add(std::snprintf(line, sizeof line, "Min clearance    %10.3f %s\n", r.minClearance, units.c_str()));
    add(std::snprintf(line, sizeof line, "%-16s %10s %10s %12s\n", "field", "strehl", "rmsSpot",
                      "rmsWavefront"));
    for (std::size_t k = 0; k < kQualityFields.size(); ++k)
        add(std::snprintf(line, sizeof line, "%-16s %10.4f %10.4f %12.5f\n",
                          qualityFieldName(kQualityFields[k]), r.fields[k].strehl, r.fields[k].rmsSpot,
                          r.fields[k].rmsWavefront));
    return text;
}

nlohmann::ordered_json familyJson(const FamilyRequest& request, const FamilyResult& result) {
    nlohmann::ordered_json j;
    j["family"] = familyWord(request.family);
    j["ok"] = result.ok;
    if (!result.ok) j["reason"] = result.reason;
    j["request"] = {{"aperture", number(request.aperture)},
                    {"fRatio", number(request.fRatio)},
                    {"field", number(request.fieldDegrees)},
                    {"margin", number(request.margin)},
                    {"units", request.units}};
    if (!result.traced) return j;
    j["fRatio"] = number(result.fRatio);
    j["focalLength"] = number(result.focalLength);
    j["backFocus"] = number(result.backFocus);
    j["minClearance"] = number(result.minClearance);
    j["fields"] = nlohmann::ordered_json::object();
    for (std::size_t k = 0; k < kQualityFields.size(); ++k) {
        const FamilyFieldFigures& f = result.fields[k];
        j["fields"][qualityFieldName(kQualityFields[k])] = {{"strehl", number(f.strehl)},
                                                            {"rmsSpot", number(f.rmsSpot)},
                                                            {"rmsWavefront", number(f.rmsWavefront)}};
    }
    j["iterations"] = result.iterations;
    return j;
}

}  // namespace orvelin
