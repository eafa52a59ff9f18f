#include "plots/spot_plot.h"

namespace orvelin {

void startRay(const Design& design, RayState& ray, StartRay which) {
    switch (which) {
        case StartRay::axial:
            startAxialRay(ray);
            break;
        case StartRay::fieldPlus:
            startFieldRayPlus(design, ray);
            break;
        case StartRay::fieldMinus:
            startFieldRayMinus(design, ray);
            break;
        case StartRay::fieldSagittal:
            startFieldRaySagittal(design, ray);
            break;
    }
}

namespace {

// Set the same pixel pattern, relative to each target's spot origin, in the
// window and then in the buffer.  Offsets are given relative to (X, Y).
template <class Pixels>
void setPixels(SpotPlot& p, const Pixels& rel) {
    const PlotFrame& f = p.frame;
    for (const PixelOffset& q : rel)
        p.window.pixel({f.windowOriginX + q.x, f.windowCentreY + q.y}, kSpotDotColour);
    for (const PixelOffset& q : rel)
        p.buffer.pixel({f.bufferOriginX + q.x, f.bufferCentreY + q.y}, kSpotDotColour);
}

}  // namespace

bool plotMirroredDot(SpotPlot& p) {
    // A failed trace leaves no image point in the ray: draw nothing, and let
    // the status it set speak for the failure.
    if (!traceToImage(p.design, p.trace)) return false;
    int dx, dy;
    if (!spotOffsets(p.frame.spotCentreX, p.frame.scale, p.trace.ray.x, p.trace.ray.y, dx, dy)) return false;
    const PixelOffset px[] = {{dx, dy}, {dx, -dy}};
    setPixels(p, px);
    return true;
}

bool plotFourFieldDot(SpotPlot& p) {
    if (!traceToImage(p.design, p.trace)) return false;  // no image point: no dot
    int dx, dy;
    if (!spotOffsets(p.frame.spotCentreX, p.frame.scale, p.trace.ray.x, p.trace.ray.y, dx, dy)) return false;
    setPixels(p, fourFieldOffsets(dx, dy, p.frame.fieldOffset));
    return true;
}

bool plotSagittalFieldDot(SpotPlot& p) {
    if (!traceToImage(p.design, p.trace)) return false;  // no image point: no dot
    const PlotFrame& f = p.frame;
    int dx, dy;
    if (!sagittalSpotOffsets(f, f.scale, f.fieldOffset, p.trace.ray.x, p.trace.ray.y, dx, dy)) return false;
    const PixelOffset px[] = {{dx, dy}, {dx, -dy}};
    setPixels(p, px);
    return true;
}

bool plotRoundedDot(SpotPlot& p) {
    if (!traceToImage(p.design, p.trace)) return false;  // no image point: no dot
    int dx, dy;
    if (!roundedSpotOffsets(p.frame.spotCentreX, p.frame.scale, p.trace.ray.x, p.trace.ray.y, dx, dy))
        return false;
    const PixelOffset px[] = {{dx, dy}};
    setPixels(p, px);
    return true;
}

}  // namespace orvelin
