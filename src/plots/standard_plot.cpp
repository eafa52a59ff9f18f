#include "plots/standard_plot.h"

#include "plots/pupil_pattern.h"

namespace orvelin {

namespace {

// The chief ray of `start` to the image gives both x bounds of the spot
// (and both y bounds when `alsoY`); the six reference rays widen the x
// bounds only.  The spot's centre is the middle of the bounds.
bool centreOnReferenceRays(SpotPlot& p, StartRay start, bool alsoY) {
    const double h = p.design.semiAperture;
    SpotExtent& e = p.trace.extent;
    startRay(p.design, p.trace.ray, start);
    const bool ok = traceToImage(p.design, p.trace);
    e.xMin = e.xMax = p.trace.ray.x;
    if (alsoY) e.yMin = e.yMax = p.trace.ray.y;
    for (const PupilPoint& r : ReferencePupilPoints) {
        startRay(p.design, p.trace.ray, start);
        p.trace.ray.x = r.a * h;
        p.trace.ray.y = r.b * h;
        // A failed reference ray has no image point to widen the spot with.
        if (traceToImage(p.design, p.trace)) trackSpotExtentX(p.trace);
    }
    p.frame.spotCentreX = e.xMin + (e.xMax - e.xMin) * 0.5;
    if (alsoY) p.frame.spotCentreY = e.yMin + (e.yMax - e.yMin) * 0.5;
    return ok;
}

}  // namespace

bool measureSpotCentre(SpotPlot& p, StartRay start) {
    return centreOnReferenceRays(p, start, false);
}

bool measureSagittalSpotCentre(SpotPlot& p) {
    return centreOnReferenceRays(p, StartRay::fieldSagittal, true);
}

bool isSymmetricSystem(const Design& design) {
    for (int i = 1; i <= design.surfaceCount && i < kSurfaceSlots; ++i) {
        if (design.surfaces[i].tilt != 0 &&
            (design.surfaces[i].signedRadius != 0 || design.surfaces[i].signedSagRadius != 0))
            return false;
    }
    return true;
}

namespace {

using DotWriter = bool (*)(SpotPlot&);

// The standard pattern over the half pupil and its mirror; the writer draws
// both halves in y itself.
void plotPatternHalves(SpotPlot& p, StartRay start, DotWriter writer) {
    traceHalfPupil(p.design, p.trace.ray, start, StandardPupilPattern, [&] { writer(p); });
}

void setOrigins(PlotFrame& f, int shift) {
    f.windowOriginX = f.windowCentreX + shift;
    f.bufferOriginX = f.bufferCentreX + shift;
}

}  // namespace

void plotStandardSpots(SpotPlot& p, int mode) {
    PlotFrame& f = p.frame;
    applyScaleMode(f, p.design, mode);
    setEntranceTangential(p.design, p.trace);  // a failure stays in the status

    // Axial spot at the centre of the plot.
    measureSpotCentre(p, StartRay::axial);
    plotPatternHalves(p, StartRay::axial, plotMirroredDot);

    if (p.design.sinField == 0) return;

    if (isSymmetricSystem(p.design)) {
        // One field spot, drawn at all four field edges.
        if (!measureSpotCentre(p, StartRay::fieldPlus)) return;
        plotPatternHalves(p, StartRay::fieldPlus, plotFourFieldDot);
        return;
    }

    // Tilted curved mirrors: the + and - tangential field edges differ, and
    // each is traced.  A failing chief ray ends the plot; what was drawn stays.
    setOrigins(f, -f.fieldOffset);
    if (!measureSpotCentre(p, StartRay::fieldPlus)) return;
    plotPatternHalves(p, StartRay::fieldPlus, plotMirroredDot);

    setOrigins(f, f.fieldOffset);
    if (!measureSpotCentre(p, StartRay::fieldMinus)) return;
    plotPatternHalves(p, StartRay::fieldMinus, plotMirroredDot);

    // The sagittal field edge: not symmetric in y, so the spot is centred in
    // both directions on its chief ray (x widened by the reference rays) and
    // every pattern point is traced with all four signs.
    setOrigins(f, 0);
    measureSagittalSpotCentre(p);  // the chief ray is not checked
    traceWholePupil(p.design, p.trace.ray, StartRay::fieldSagittal, StandardPupilPattern,
                    [&] { plotSagittalFieldDot(p); });
}

}  // namespace orvelin
