#include "reports/figure_notes.h"

#include <cstring>
#include <string_view>

#include "reports/report_figures.h"

namespace orvelin {

namespace {

// How a figure is measured: in the design's unit of length, in degrees, as
// a percentage, or as a pure number.
enum class Measure { length, degrees, percent, number, microns, waves };

struct Note {
    const char* name;
    Measure measure;
    const char* meaning;
};

// The report's figures.  The field boxes hold the same five figures for
// either edge of the field, so they are noted once, by their last name.
constexpr Note kReportNotes[] = {
    {"lsParaxial", Measure::length, "Paraxial sagittal focal distance from the last mirror"},
    {"ltParaxial", Measure::length, "Paraxial tangential focal distance from the last mirror"},
    {"astParaxial", Measure::length, "Paraxial astigmatism: the distance between the two paraxial foci"},
    {"lsMarginal", Measure::length, "Sagittal focal distance of the marginal rays"},
    {"ltMarginal", Measure::length, "Tangential focal distance of the marginal rays"},
    {"astMarginal", Measure::length, "Marginal astigmatism: the distance between the two marginal foci"},
    {"bestFocus", Measure::length, "Distance of the best focus from the last mirror"},
    {"comaS", Measure::length, "Sagittal coma on axis: lateral offset of the sagittal focus"},
    {"comaT", Measure::length, "Tangential coma on axis: lateral offset of the tangential focus"},
    {"laS", Measure::length, "Sagittal longitudinal aberration: marginal less paraxial focus"},
    {"laT", Measure::length, "Tangential longitudinal aberration: marginal less paraxial focus"},
    {"focusS", Measure::length, "Sagittal focal length"},
    {"focusT", Measure::length, "Tangential focal length"},
    {"fRatio", Measure::number, "Focal ratio: focal length over aperture"},
    {"laTolerance", Measure::length, "Longitudinal aberration the image tolerates at this focal ratio"},
    {"bestFitTilt", Measure::degrees, "Tilt of the focal plane that best fits the field's foci"},
    {"tiltS", Measure::degrees, "Tilt of the line through the two sagittal field foci"},
    {"tiltT", Measure::degrees, "Tilt of the line through the two tangential field foci"},
    {"fieldDiameter", Measure::length, "Size of the image across the field"},
    {"anamorphism", Measure::percent, "Difference between the image sizes in the two sections"},
    {"ast", Measure::length, "Astigmatism at this edge of the field"},
    {"xS", Measure::length, "Lateral place of the sagittal focus at this edge of the field"},
    {"xT", Measure::length, "Lateral place of the tangential focus at this edge of the field"},
};

// The image-quality figures of each field.
struct QualityNote {
    const char* name;
    const char* label;
    Measure measure;
    const char* meaning;
};

constexpr QualityNote kQualityNotes[] = {
    {"rmsSpot", "RMS spot", Measure::microns, "RMS radius of the spot about its centroid"},
    {"rmsSpotChief", "RMS spot about the chief ray", Measure::microns,
     "RMS radius of the spot about the chief ray"},
    {"geoSpot", "Geometric spot", Measure::microns, "Largest distance of a ray from the spot's centroid"},
    {"centroid.x", "Centroid x", Measure::microns,
     "Centroid of the spot less the chief ray, across the layout"},
    {"centroid.y", "Centroid y", Measure::microns,
     "Centroid of the spot less the chief ray, out of the layout"},
    {"rmsWavefront", "RMS wavefront", Measure::waves, "RMS wavefront error, piston and tilt removed"},
    {"rmsWavefrontBestFocus", "RMS wavefront at best focus", Measure::waves,
     "RMS wavefront error with defocus removed too"},
    {"strehl", "Strehl ratio", Measure::number, "Peak of the image against a perfect one's, 0 to 1"},
    {"airyRadius", "Airy radius", Measure::microns, "Radius of the Airy disk's first dark ring"},
    {"diffractionLimited", "Diffraction-limited", Measure::number,
     "1 when the image is diffraction-limited, 0 when not"},
    {"bestFocus.shift", "Best-focus shift", Measure::length,
     "Shift of the smallest spot along the chief ray, + away from the last mirror"},
    {"bestFocus.rmsSpot", "RMS spot at best focus", Measure::microns, "RMS spot radius at the best focus"},
    {"missed", "Missed rays", Measure::number, "Pupil rays that missed a mirror"},
    {"rays", "Rays", Measure::number, "Pupil rays traced"},
};

struct FieldWord {
    const char* name;
    const char* words;
};
constexpr FieldWord kFields[] = {{"center", "Field center"},
                                 {"minus", "- Field angle"},
                                 {"plus", "+ Field angle"},
                                 {"sagittal", "Sagittal field"}};

std::string unitOf(Measure m, const std::string& units) {
    switch (m) {
        case Measure::length:
            return units == "mm" ? "mm" : "inches";
        case Measure::degrees:
            return "degrees";
        case Measure::percent:
            return "%";
        case Measure::microns:
            return "um";
        case Measure::waves:
            return "waves";
        case Measure::number:
            break;
    }
    return {};
}

/// The box title without the blanks it is drawn with.
std::string trimmed(const char* title) {
    std::string t = title;
    const auto first = t.find_first_not_of(' ');
    const auto last = t.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : t.substr(first, last - first + 1);
}

std::optional<FigureNote> qualityNote(std::string_view name, const std::string& units) {
    constexpr std::string_view prefix = "quality.";
    if (!name.starts_with(prefix)) return std::nullopt;
    name.remove_prefix(prefix.size());
    for (const FieldWord& field : kFields) {
        const std::string_view f = field.name;
        if (!name.starts_with(f) || name.size() <= f.size() || name[f.size()] != '.') continue;
        const std::string_view figure = name.substr(f.size() + 1);
        for (const QualityNote& n : kQualityNotes)
            if (figure == n.name)
                return FigureNote{n.label, field.words, unitOf(n.measure, units), n.meaning};
    }
    return std::nullopt;
}

}  // namespace

std::optional<FigureNote> figureNote(const std::string& name, const std::string& units) {
    for (const ReportFigure& f : kReportFigures) {
        if (name != f.name) continue;
        const char* dot = std::strrchr(f.name, '.');
        const std::string_view key = dot ? dot + 1 : f.name;
        for (const Note& n : kReportNotes)
            if (key == n.name)
                return FigureNote{f.label, trimmed(reportBox(f.box).title), unitOf(n.measure, units),
                                  n.meaning};
    }
    return qualityNote(name, units);
}

const ReportFigure* reportFigureAt(const Design& design, int clientWidth, int x, int y) {
    const int cx = clientWidth / 2;
    auto within = [x, y](int left, int top, int width, int height) {
        return x >= left && x < left + width && y >= top && y < top + height;
    };
    for (const ReportFigure& f : kReportFigures) {
        if (!showsFigure(f, design)) continue;
        const ReportBoxPlace& box = reportBox(f.box);
        const int left = cx + box.screenDx;
        const int labelWidth = 8 * static_cast<int>(std::strlen(f.label));
        if (within(left + f.screenLabelX, box.screenTop + f.screenLabelY, labelWidth, 16) ||
            within(left + f.screenValueX, box.screenTop + f.screenValueY, 80, 14))
            return &f;
    }
    return nullptr;
}

std::string figureTitle(const FigureNote& note) {
    std::string t = note.label + ", " + note.field;
    if (!note.unit.empty()) t += " (" + note.unit + ")";
    return t;
}

std::string figureExplanation(const FigureNote& note) {
    std::string t = note.meaning;
    t += note.unit.empty() ? "; a pure number" : ", in " + note.unit;
    return t + ".";
}

}  // namespace orvelin
