// The image over the whole field: the RMS spot and the Strehl ratio at a
// grid of field points, so that the best and the worst parts of the field
// are seen at a glance.  Each point's figures are the image-quality figures
// of that field point (the same rays, reference and focal plane), so the
// map's centre is the centre field of those figures to the bit.
#pragma once

#include <vector>

#include "aberrations/field_points.h"
#include "quality/image_quality.h"

namespace orvelin {

struct FieldMapOptions {
    int grid = 5;             ///< points along each direction (at least 1)
    double fieldDegrees = 0;  ///< theta; 0: the design's field (see plottedFieldDegrees)
    int rays = kDefaultQualityRays;
    double wavelengthMicrons = kQualityWavelengthMicrons;
};

/// One grid point: its field angles and figures (quality.status not 0: the
/// point is a gap, with the reason).
struct FieldMapPoint {
    FieldAngle field;
    FieldQuality quality;
};

struct FieldMapResult {
    int grid = 0;
    double fieldDegrees = 0;  ///< the grid spans -theta .. theta both ways
    double wavelengthMicrons = kQualityWavelengthMicrons;
    /// grid x grid points, row by row: sagittal angle from -theta upwards,
    /// along each row the tangential angle from -theta.
    std::vector<FieldMapPoint> points;

    const FieldMapPoint& at(int tangential, int sagittal) const {
        return points[sagittal * grid + tangential];
    }
};

/// Every point of the grid (spread over the processor's cores; the figures
/// do not depend on how).  The design is not changed.
FieldMapResult computeFieldMap(const Design& design, const FieldMapOptions& options = {});

}  // namespace orvelin
