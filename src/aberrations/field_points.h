// Points of the field for the aberration plots: the direction in which the
// light of a field point arrives, and what every plot needs before it traces
// (whether the design can be traced at all, the micrometres of its unit).
//
// Field angles are in degrees, measured in the entrance space: tangential
// in the plane of the tilts (+ on the side of the "plus" field of the
// image-quality figures), sagittal across it.  A point (a, b) starts its
// rays along (s tan a, s tan b, 1), normalised, with s the sign of the
// entrance space, so that the four fields of the image-quality figures are
// the points (0, 0), (-theta, 0), (theta, 0) and (0, theta) to the bit.
#pragma once

#include <vector>

#include "design/design.h"
#include "quality/image_quality.h"
#include "trace/ray_trace.h"

namespace orvelin {

struct FieldAngle {
    double tangential = 0;  ///< degrees, in the plane of the tilts
    double sagittal = 0;    ///< degrees, across it
};

/// The start ray (at the origin of the entrance plane) of field point a.
RayState fieldStartRay(const Design& design, FieldAngle a);

/// The field angle of one of the four fields of the image-quality figures.
FieldAngle qualityFieldAngle(const Design& design, QualityField field);

/// The field semi-angle a plot covers: `requested` when it is positive,
/// else the design's, else the quarter degree the analysis takes for a
/// design without field.
double plottedFieldDegrees(const Design& design, double requested = 0);

/// Micrometres in one unit of the design: 1000 for mm, 25400 for inches.


/// The status that stops every ray of the design before it starts: no
/// focus for a design without a mirror, aperture zero; 0 otherwise (a ray
/// may still miss a surface).
TraceStatus designTraceStatus(const Design& design);

/// n values evenly spaced from -1 to 1 (0 exactly in the middle of an odd
/// count, and the ends exactly -1 and 1); one value 0 for n = 1.
std::vector<double> evenlySpaced(int n);

}  // namespace orvelin
