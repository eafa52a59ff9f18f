// Astigmatic field curves and distortion: how the focus and the image
// position of the chief ray change across the field.
//
// At every field point the tangential focus is where rays through the pupil
// just beside the chief ray along pupil x cross it in x, the sagittal focus
// where those beside it along pupil y cross it in y (the differential
// foci of Coddington's equations, found from real rays), each as a
// distance along the chief ray from where it meets the focal plane, +
// onwards with the light, in the design's unit.  Tangential and sagittal
// are the x and y directions of the focal plane (x in the plane of the
// tilts) at every field point, the sagittal sweep's included.
//
// Distortion compares the chief ray's image position, measured from the
// centre field's and along the sweep (x for the tangential sweep, y for the
// sagittal one), with f tan(angle), where f is the limit of that position
// over tan(angle) as the angle goes to 0: percent of f tan(angle), so a
// design without distortion reads 0, and so does the centre.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "aberrations/field_points.h"

namespace orvelin {

struct FieldCurveOptions {
    int points = 21;  ///< tangential sweep from -theta to theta; the sagittal one has (points + 1) / 2
    double fieldDegrees = 0;  ///< theta; 0: the design's field (see plottedFieldDegrees)
};

/// One field point of a sweep.  When status is not 0 (the chief ray or a
/// ray beside it failed, or the rays do not converge) the figures it lacks
/// are NaN: a gap, never a zero.
struct FieldCurvePoint {
    double field = 0;  ///< degrees along the sweep
    TraceStatus status = kTraceOk;
    double tangentialFocus = NAN;  ///< design unit, along the chief ray from the focal plane
    double sagittalFocus = NAN;
    double distortion = NAN;  ///< percent
    double imageX = NAN;      ///< chief ray's image point less the centre field's, design unit
    double imageY = NAN;
    double focusX[2] = {NAN, NAN};  ///< the tangential and sagittal foci in the focal plane's frame:
    double focusZ[2] = {NAN, NAN};  ///< x and z (depth), design unit
};

struct FieldSweep {
    std::vector<FieldCurvePoint> points;
    double focalLength = NAN;  ///< f of the distortion, design unit (NaN when it cannot be found)
};

struct FieldCurvesResult {
    double fieldDegrees = 0;  ///< theta
    std::string units;        ///< the design's unit
    FieldSweep tangential;    ///< -theta .. theta in the plane of the tilts
    FieldSweep sagittal;      ///< 0 .. theta across it
    /// The focal-plane tilt (degrees, as the design enters it) of the plane
    /// that best fits the tangential foci of the tangential sweep, the
    /// sagittal ones, and both together; NaN when fewer than two fit.
    double tiltTangential = NAN;
    double tiltSagittal = NAN;
    double tiltBestFit = NAN;
};

/// Both sweeps.  The design is not changed.
FieldCurvesResult computeFieldCurves(const Design& design, const FieldCurveOptions& options = {});

}  // namespace orvelin
