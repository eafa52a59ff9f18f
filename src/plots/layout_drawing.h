// The layout drawing: the mirrors seen from the side, in the plane of the
// tilts, with the two marginal rays of the on-axis beam folding from mirror
// to mirror, drawn below the design table from a measured LayoutGeometry.
#pragma once

#include "design/design.h"
#include "platform/draw_device.h"
#include "trace/layout.h"

namespace orvelin {

/// Draw a traced design's layout (as analyseDesign measured it) into the
/// device's client area below the design table, then write the focal ratio
/// beside the table.  A client area too small for a drawing band (0.95 *
/// bottom <= band top) gets the focal ratio but no picture.
void drawLayout(const Design& design, const DesignAnalysis& analysis, draw::Device& dc);

/// The picture itself, from a measured geometry: the marginal rays and the
/// faces, surface after surface, from (X0, Y0) at k design units per pixel.
/// The incoming beam is drawn entranceRun design units long.  Faces are coloured by curvature when asked (the
/// screen), else black (paper); the marginal rays are black.
void drawFoldedLayout(draw::Device& dc, const Design& design, const LayoutGeometry& geometry, double X0,
                      double Y0, double k, double entranceRun, bool colouredFaces);

}  // namespace orvelin
