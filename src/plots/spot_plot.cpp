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

struct Pixel {
    int x, y;
};

// Set the same pixel pattern, relative to each target's spot origin, in the
// window and then in the buffer.  Offsets are given relative to (X, Y).
template <int K>
void setPixels(SpotPlot& p, const Pixel (&rel)[K]) {
    const PlotFrame& f = p.frame;
    for (const Pixel& q : rel)
        p.window.setPixel(f.windowOriginX + q.x, f.windowCentreY + q.y, kSpotDotColour);
    for (const Pixel& q : rel)
        p.buffer.setPixel(f.bufferOriginX + q.x, f.bufferCentreY + q.y, kSpotDotColour);
}

}  // namespace

bool plotMirroredDot(SpotPlot& p) {
    // A failed trace leaves no image point in the ray: draw nothing, and let
    // the status it set speak for the failure.
    if (!traceToImage(p.design, p.trace)) return false;
    int dx, dy;
    if (!spotOffsets(p.frame.spotCentreX, p.frame.scale, p.trace.ray.x, p.trace.ray.y, dx, dy)) return false;
    const Pixel px[] = {{dx, dy}, {dx, -dy}};
    setPixels(p, px);
    return true;
}

bool plotFourFieldDot(SpotPlot& p) {
    if (!traceToImage(p.design, p.trace)) return false;  // no image point: no dot
    int dx, dy;
    if (!spotOffsets(p.frame.spotCentreX, p.frame.scale, p.trace.ray.x, p.trace.ray.y, dx, dy)) return false;
    const int f = p.frame.fieldOffset;
    const Pixel px[] = {
        {-f + dx, dy},  {-f + dx, -dy},  // left: the traced spot
        {f - dx, dy},   {f - dx, -dy},   // right: its mirror image
        {-dy, -f + dx}, {dy, -f + dx},   // top: a quarter turn
        {-dy, f - dx},  {dy, f - dx},    // bottom: the opposite quarter turn
    };
    setPixels(p, px);
    return true;
}

bool plotSagittalFieldDot(SpotPlot& p) {
    if (!traceToImage(p.design, p.trace)) return false;  // no image point: no dot
    const PlotFrame& fr = p.frame;
    int dx, dy;
    if (!truncatedOffset((fr.spotCentreX - p.trace.ray.x) * fr.scale, dx) ||
        !truncatedOffset((p.trace.ray.y - fr.spotCentreY) * fr.scale, dy))
        return false;
    dy += fr.fieldOffset;
    const Pixel px[] = {{dx, dy}, {dx, -dy}};
    setPixels(p, px);
    return true;
}

bool plotRoundedDot(SpotPlot& p) {
    if (!traceToImage(p.design, p.trace)) return false;  // no image point: no dot
    int dx, dy;
    if (!roundedSpotOffsets(p.frame.spotCentreX, p.frame.scale, p.trace.ray.x, p.trace.ray.y, dx, dy))
        return false;
    const Pixel px[] = {{dx, dy}};
    setPixels(p, px);
    return true;
}

}  // namespace orvelin
