// The preview of a design (one made from a family): its layout alone, fitted to
// the whole drawing area, before the design is taken into the design view
// (which draws the same picture below its table).
#pragma once

#include "design/design.h"
#include "platform/draw_device.h"

namespace orvelin {

/// Erase the device to the design view's grey and draw the layout (the
/// folded axis, the marginal rays and the faces coloured by curvature, the
/// focal plane at the best focus and best-fit tilt) centred in it, at the
/// largest scale that leaves a 2.5 % border on the tighter side.  Returns
/// false, with nothing but the grey drawn, when the design does not trace.
bool drawLayoutPreview(draw::Device& dc, const Design& design);

}  // namespace orvelin
