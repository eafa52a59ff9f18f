// The standard spot plot: a fixed ring pattern of pupil rays for the axial
// field point in the middle and, when the design has a field, for the edge
// of the field fieldOffset pixels to the left, right, above and below.
//
// The scale stays from plot to plot (a default per unit, changed only by the
// scale modes), so that the focus steps move the focal plane at a constant
// scale and the user sees the spot shrink and grow.
#pragma once

#include "plots/spot_plot.h"

namespace orvelin {

/// Centre a spot horizontally: trace the chief ray of `start` to the image,
/// take its x as both x bounds of the spot extent, widen them by the six
/// reference rays (rim and 0.45 zone, tangential and sagittal), and set
/// spotCentreX to the middle.  Returns whether the chief ray reached the
/// image.  Reference rays that fail do not widen the extent.
bool measureSpotCentre(SpotPlot& p, StartRay start);

/// Centre the sagittal field spot, which is not symmetric in y: x as
/// measureSpotCentre does, y (spotCentreY) from the chief ray alone.
/// Returns whether the chief ray reached the image.
bool measureSagittalSpotCentre(SpotPlot& p);

/// True unless a curved surface (mirror or focal plane) is tilted: then the
/// field spots at the four field edges are images of one another and one of
/// them is traced.  Tilted flats do not break the symmetry.
bool isSymmetricSystem(const Design& design);

/// The standard plot with a scale mode: 601 reset, 604 half, 605 double,
/// 606 double scale and field offset, 4 keep (see applyScaleMode).
void plotStandardSpots(SpotPlot& p, int mode);

}  // namespace orvelin
