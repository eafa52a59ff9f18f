// Spot diagrams through focus: the spot of one field with the focal plane
// moved along the chief ray by whole steps either side of where the design
// has it, each with its RMS radius.  The default step is the depth of focus
// 2 lambda F^2 of the beam's working f-ratio.
//
// The pupil rays are those of the image-quality figures, and the points are
// hit points less the chief ray's on the moved focal plane (in its own
// coordinates, um), so the spot at shift 0 is the spot and RMS of those
// figures.
#pragma once

#include <vector>

#include "quality/image_quality.h"

namespace orvelin {

struct ThroughFocusOptions {
    QualityField field = QualityField::center;
    int steps = 3;    ///< spots at -steps .. steps times the step
    double step = 0;  ///< design unit; 0: the depth of focus 2 lambda F^2
    int rays = kDefaultQualityRays;
    double wavelengthMicrons = kQualityWavelengthMicrons;
};

/// One spot.  When status is not 0 the chief ray no longer meets the moved
/// focal surface and the spot is a gap.
struct FocusSpot {
    double shift = 0;  ///< along the chief ray, design unit, + onwards with the light
    TraceStatus status = kTraceOk;
    double rmsSpot = 0;                   ///< RMS radius about the centroid, um
    std::vector<SpotPoint> points;        ///< um, less the chief ray's point
    int missed = 0;                       ///< pupil rays that failed or left the moved surface
    double centroidX = 0, centroidY = 0;  ///< weighted as the RMS, um from the chief ray's point
    double radius = 0;                    ///< farthest point from the centroid, um
};

struct ThroughFocusResult {
    QualityField field = QualityField::center;
    TraceStatus status = kTraceOk;  ///< not 0: the field did not trace, no spots
    double step = 0;                ///< design unit
    double workingFRatio = 0;       ///< 1 / (2 sin of the cone's half angle)
    double wavelengthMicrons = kQualityWavelengthMicrons;
    std::vector<FocusSpot> spots;  ///< shifts ascending
    double largestRadius = 0;      ///< the largest spot radius, um (the common scale)
};

/// The spots.  The design is not changed.
ThroughFocusResult computeThroughFocus(const Design& design, const ThroughFocusOptions& options = {});

}  // namespace orvelin
