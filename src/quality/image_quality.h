// Image quality in numbers: RMS and geometric spot size, wavefront error,
// Strehl ratio, Airy radius and best focus, for the axis and the field
// edges, from real rays through the tilted mirrors.
//
// Spot figures are in micrometres in the focal plane as the design has it
// (its distance, tilt and curvature), in the focal plane's own coordinates.
// Wavefront figures are in waves.  The optical path of every ray is summed
// mirror to mirror and taken on to a reference sphere centred in the focal
// plane, through the exit pupil; piston and tilt (moving the centre in the
// focal plane) or piston, tilt and defocus (moving it in depth too) are
// removed by least squares over the pupil.
#pragma once

#include <array>
#include <cmath>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "design/design.h"
#include "quality/field_rays.h"
#include "quality/pupil_sampling.h"

namespace orvelin {

/// The program's own wavelength, micrometres (0.000022 inch).
inline constexpr double kQualityWavelengthMicrons = 0.5588;
/// How the Strehl ratio is obtained from the wavefront error, as the
/// output says it.
inline constexpr const char* kStrehlMethod = "extended Marechal approximation exp(-(2 pi sigma)^2)";
/// A field is diffraction-limited when its Strehl ratio, as printed, is at
/// least this: one rule, so the verdict and the figure beside it agree.
inline constexpr double kDiffractionLimitedStrehl = 0.8;
inline constexpr const char* kDiffractionLimitedRule =
    "diffraction-limited when the Strehl ratio is 0.8 or more";

/// The four fields in output order.
inline constexpr std::array<QualityField, 4> kQualityFields = {QualityField::center, QualityField::minus,
                                                               QualityField::plus, QualityField::sagittal};
/// "center", "minus", "plus", "sagittal".
const char* qualityFieldName(QualityField field);
/// The field of a name; nothing for an unknown one.
std::optional<QualityField> qualityFieldFromName(std::string_view name);

struct QualityOptions {
    int rays = kDefaultQualityRays;                        ///< at least this many pupil rays per field
    double wavelengthMicrons = kQualityWavelengthMicrons;  ///< must be positive
};

/// The figures of one field.  When status is not 0 the field's chief ray
/// (or every pupil ray) failed and only status, missed and rays mean
/// anything.
struct FieldQuality {
    TraceStatus status = kTraceOk;
    double rmsSpot = 0;       ///< RMS radius about the centroid, um
    double rmsSpotChief = 0;  ///< RMS radius about the chief ray, um
    double geoSpot = 0;       ///< largest distance of a ray from the centroid, um
    double centroidX = 0;     ///< centroid less chief ray, um
    double centroidY = 0;
    double rmsWavefront = 0;           ///< waves, piston and tilt removed
    double rmsWavefrontBestFocus = 0;  ///< waves, piston, tilt and defocus removed
    double strehl = 0;                 ///< exp(-(2 pi rmsWavefront)^2)
    double airyRadius = 0;             ///< 1.22 lambda times the working f-ratio, um
    double workingFRatio = 0;          ///< 1 / (2 sin of the cone's half angle)
    bool diffractionLimited = false;   ///< strehl >= kDiffractionLimitedStrehl
    double bestFocusShift = 0;         ///< along the chief ray, design unit, + away from the last mirror
    double bestFocusRmsSpot = 0;       ///< rmsSpot there, um
    int missed = 0;                    ///< pupil rays that failed
    int rays = 0;                      ///< pupil rays traced
};

struct QualityReport {
    double wavelengthMicrons = kQualityWavelengthMicrons;
    double micronsPerUnit = 1000;          ///< 1000 for "mm", 25400 for inches
    std::array<FieldQuality, 4> fields{};  ///< in the order of kQualityFields

    const FieldQuality& field(QualityField f) const { return fields[static_cast<size_t>(f)]; }
};

/// Every figure of every field.  The design is not changed (the trace works
/// on a copy with the entrance distance set as the spot plots set it).
QualityReport computeQuality(const Design& design, const QualityOptions& options = {});
/// The same for the listed fields only; the others are left empty.
QualityReport computeQuality(const Design& design, const QualityOptions& options,
                             std::span<const QualityField> fields);

/// One field only.
FieldQuality computeFieldQuality(const Design& design, QualityField field,
                                 const QualityOptions& options = {});
/// The figures of a field given by the direction its rays start in (as
/// startQualityRay gives them for the four fields): any point of the field,
/// for maps across it.  The same start gives the same figures to the bit.
FieldQuality computeFieldQualityFrom(const Design& design, const RayState& start,
                                     const QualityOptions& options = {});

/// The spot of one field as the figures see it: every traced pupil ray's
/// hit point relative to the chief ray, in um, in the focal plane's own
/// coordinates (x tangential, y sagittal).  Missed rays are left out.
struct SpotPoint {
    double x = 0;
    double y = 0;
};
std::vector<SpotPoint> fieldSpot(const Design& design, QualityField field, int rays = kDefaultQualityRays);

/// The wavefront error of one field ray by ray, for a least-squares search:
/// for every weighted pupil ray, its error in waves against the reference
/// sphere about the best centre in the focal plane (piston and tilt
/// removed, as rmsWavefront has them), times sqrt(w / sum of w), so that the
/// squares sum to rmsWavefront^2.  False when the field's chief ray or any
/// pupil ray fails.
bool fieldWavefrontResiduals(const Design& design, QualityField field, std::vector<double>& out,
                             const QualityOptions& options = {});

/// What the wavefront of a field is measured against: the chief ray in the
/// focal plane and the reference sphere centred on its point there, through
/// the exit pupil on the chief ray (a plane when the exit pupil lies at
/// infinity).
struct FieldReference {
    TraceStatus status = kTraceOk;  ///< the chief ray's, or what stops every ray
    FieldRay chief;
    double sphereRadius = INFINITY;  ///< exit pupil to the chief ray's focal point, design unit
    double sphereSign = 1;           ///< +1 with the exit pupil upstream of the focus, -1 downstream
};
FieldReference fieldReference(const Design& design, QualityField field);

/// A traced ray's optical path to the reference sphere, design unit: its
/// wavefront error with piston and tilt left in (the chief ray's own path
/// is the piston; no tilt is removed, so the error says where the light
/// falls about the chief ray).
double pathToReference(const FieldReference& reference, const FieldRay& ray);

/// How a figure is written in JSON.
enum class QualityJsonKind { number, integer, boolean };

/// One figure of a field, as every output names it: `name` after
/// "quality.FIELD." for targets and criteria, `label` and `format` for the
/// command line's table ("UNIT" in a label stands for the design's unit),
/// `json` the JSON pointer of its value in the field's object, and `view`
/// the window's line for it (a printf format; "UNIT" again the design's
/// unit; a line starting with "+" goes on the line before; a yes/no figure
/// has two lines, for yes and for no, split at "|").
struct QualityFigureRow {
    const char* name;
    const char* label;
    const char* format;
    double (*get)(const FieldQuality&);
    const char* json;
    QualityJsonKind jsonKind;
    const char* view;
    bool countsAfterFailure = false;  ///< still a figure of a field that did not trace
    bool yesNo = false;               ///< shown as yes (1) or no (0)
};

/// Every figure of a field, in the order the table prints them.
std::span<const QualityFigureRow> qualityFigureRows();

/// A row's label or view line with its "UNIT" (if any) replaced by `units`.
std::string withUnits(std::string text, const std::string& units);

/// The window's lines of a traced field's figures, from the rows' `view`.
std::vector<std::string> qualityViewLines(const FieldQuality& q, const std::string& units);

/// A figure by its name "quality.FIELD.FIGURE" (FIGURE the name of
/// a row of qualityFigureRows; diffractionLimited is 1 or 0).  Nothing for an
/// unknown name or a field that did not trace.
std::optional<double> qualityFigure(const QualityReport& report, std::string_view name);

/// Every name qualityFigure knows, field by field.
std::vector<std::string> qualityFigureNames();

}  // namespace orvelin
