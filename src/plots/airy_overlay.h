// The Airy-disk overlay: the diffraction limit of the design drawn as a
// circle around the centre of the axial spot, at the scale of the plot on
// screen, so the user sees at once whether the spot is smaller than the disk.
#pragma once

#include "plots/spot_plot.h"

namespace orvelin {

/// The Airy radius r (design units) in pixels at a scale: trunc(|r * scale|).
/// False when the circle would be larger than `limit` pixels, or its size is
/// not a number (no convergence); nothing is drawn then.
bool airyCirclePixels(double radius, double scale, double limit, int& pixels);

/// Draw the Airy circle of the design into the plot buffer, centred on the
/// plot centre, a hollow black outline, and ask the window to repaint that
/// square from the buffer.  A circle larger than `limit` (the half diagonal
/// of the buffer) is silently not drawn.  Returns whether it was.
bool drawAiryOverlay(SpotPlot& p, int limit);

}  // namespace orvelin
