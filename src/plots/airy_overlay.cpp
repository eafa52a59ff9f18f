#include "plots/airy_overlay.h"

#include <cmath>

namespace orvelin {

bool airyCirclePixels(double radius, double scale, double limit, int& pixels) {
    const double size = std::fabs(radius * scale);
    // Compared as a double first: an infinite or NaN size has no int value.
    if (!(size < limit + 1.0)) return false;
    pixels = static_cast<int>(size);
    return pixels <= limit;
}

bool drawAiryOverlay(SpotPlot& p, int limit) {
    const PlotFrame& f = p.frame;
    setEntranceTangential(p.design, p.trace);  // a failure stays in the status
    const double r = airyDiskRadius(p.design, p.trace);
    int R = 0;
    if (!airyCirclePixels(r, f.scale, limit, R)) return false;
    // An outline only: the dots inside stay visible.
    p.buffer.ellipse(
        {f.bufferOriginX - R, f.bufferCentreY - R, f.bufferOriginX + R + 1, f.bufferCentreY + R + 1},
        kAiryCirclePen);
    // The window shows the circle at its next repaint, a copy of the buffer.
    if (p.repaint)
        p.repaint->invalidate(
            {f.windowCentreX - R, f.windowCentreY - R, f.windowCentreX + R + 1, f.windowCentreY + R + 1});
    return true;
}

}  // namespace orvelin
