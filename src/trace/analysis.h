// System analysis: the 30 figures of the trace report.
//
// About twenty real rays are traced to the last mirror (plus three to the
// best-fit focal plane) and turned into paraxial and marginal foci in the
// sagittal and tangential sections, astigmatism, coma, longitudinal
// aberration and its tolerance, focal lengths and focal ratio, the same
// figures at both edges of the field, the tilt of the best-fit focal plane,
// the field diameter and the anamorphism.
//
// Frame of the figures: except for fieldDiameter and anamorphism, every
// figure is in the frame of the space after the last mirror: distances along
// z from the vertex of the last mirror, lateral values x offsets, in the
// design's unit.  Angles are in degrees.
#pragma once

#include <array>

#include "design/design.h"
#include "trace/ray_trace.h"

namespace orvelin {

/// Figures of one field edge.
struct FieldPanel {
    double ast = 0;    ///< sagittal less tangential focus
    double xS = 0;     ///< sagittal field focus less the on-axis marginal one
    double xT = 0;     ///< the same for the tangential focus
    double comaS = 0;  ///< chief ray's distance from the axis at the sagittal focus, less the focus's
    double comaT = 0;  ///< the same at the tangential focus
};

/// The 30 figures of the trace report.
struct AnalysisResults {
    double lsParaxial = 0;       ///< paraxial sagittal focal distance
    double ltParaxial = 0;       ///< paraxial tangential focal distance
    double astParaxial = 0;      ///< paraxial astigmatism
    double lsMarginal = 0;       ///< marginal sagittal focal distance
    double ltMarginal = 0;       ///< marginal tangential focal distance
    double astMarginal = 0;      ///< marginal astigmatism
    double bestFocus = 0;        ///< best-focus distance from the last mirror
    double comaS = 0;            ///< lateral offset of the on-axis sagittal focus
    double comaT = 0;            ///< lateral offset of the on-axis tangential focus
    double laS = 0;              ///< sagittal longitudinal aberration
    double laT = 0;              ///< tangential longitudinal aberration
    double focusS = 0;           ///< sagittal focal length
    double focusT = 0;           ///< tangential focal length
    double fRatio = 0;           ///< focal ratio
    double laTolerance = 0;      ///< tolerance on longitudinal aberration
    FieldPanel fieldPanelMinus;  ///< the edge started with startFieldRayPlus
    FieldPanel fieldPanelPlus;   ///< the edge started with startFieldRayMinus
    double tiltS = 0;            ///< tilt of the line through the sagittal field foci
    double tiltT = 0;            ///< the same for the tangential foci
    double bestFitTilt = 0;      ///< best-fit focal-plane tilt
    double fieldDiameter = 0;    ///< image size across the field
    double anamorphism = 0;      ///< difference of the two sections' image sizes, percent
};

/// Analyse the design.  Sets state.status to 0 first; returns true with every
/// figure written, or false with state.status set (1 aperture zero, 2 no
/// focus, 3 + k ray misses surface k); on failure the figures written before
/// it hold new values and the rest keep old ones.  The design is only read.
bool analyseSystem(const Design& design, TraceState& state, AnalysisResults& results);

/// The number of figures: the doubles of AnalysisResults, whose labels,
/// formats and places in the reports are in one table (reports/report_figures.h).
inline constexpr int kAnalysisFigureCount = 30;

/// The wavelength the longitudinal-aberration tolerance is based on, in inches.
inline constexpr double kToleranceWavelengthInches = 0.000088;
/// The field semi-angle (radians) used for the field figures of a design
/// without field: a quarter of a degree.
inline constexpr double kDefaultFieldRadians = 0.00436332313;

}  // namespace orvelin
