#include "plots/printed_plots.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "plots/monte_carlo_plot.h"
#include "plots/pupil_pattern.h"
#include "plots/spot_plot.h"
#include "plots/standard_plot.h"

namespace orvelin {

namespace {

// The spot measurements of the screen plots (reference-ray centring, blur
// extent) only read the design and the trace and write the frame and the
// extent; they draw nothing, so the page serves as both of their targets.
SpotPlot measuringView(PrintedPlot& p) {
    return SpotPlot{p.design, p.trace, p.frame, p.random, p.printer, p.printer, nullptr};
}

// One step of a printed loop may run only when the user has not cancelled;
// the user interface gets its turn first, and a cancel it delivers stops the
// loop before the step.
bool readyForStep(PrintedPlot& p) {
    if (p.progress.aborted()) return false;
    p.progress.pump();
    return !p.progress.aborted();
}

void setBlack(PrintedPlot& p, int x, int y) {
    const draw::Rect& c = p.clip;
    if (x < c.left || x >= c.right || y < c.top || y >= c.bottom) return;
    p.printer.pixel({x, y}, kPrintedDotColour);
}

// Dots of the spot printed mirrored in y, at (X + dx, Y +- dy).
void setMirroredPair(PrintedPlot& p, int dx, int dy) {
    const PlotFrame& f = p.frame;
    setBlack(p, f.windowOriginX + dx, f.windowCentreY + dy);
    setBlack(p, f.windowOriginX + dx, f.windowCentreY - dy);
}

// Trace the current ray; its truncated offsets at `scale` when it reaches
// the image at a drawable distance.
bool tracedOffsets(PrintedPlot& p, double scale, int& dx, int& dy) {
    if (!traceToImage(p.design, p.trace)) return false;  // no image point: no dot
    return spotOffsets(p.frame.spotCentreX, scale, p.trace.ray.x, p.trace.ray.y, dx, dy);
}

// The rings of an N-ring pattern from the rim inwards, one ring per step;
// traceRing traces the listed points of one ring.
template <class TraceRing>
void printRingByRing(PrintedPlot& p, int rings, TraceRing&& traceRing) {
    std::vector<PupilPoint> ring;
    ring.reserve(static_cast<std::size_t>(3 * rings / 2 + 2));
    for (int j = rings; j >= 1; --j) {
        if (!readyForStep(p)) return;
        ring.clear();
        appendRingPoints(rings, j, ring);
        traceRing(ring);
    }
}

// Each ring over the half pupil and its mirror in x; the writer draws the
// mirror image in y itself.
void printRings(PrintedPlot& p, int rings, StartRay start, bool (*writer)(PrintedPlot&)) {
    printRingByRing(p, rings, [&](const std::vector<PupilPoint>& ring) {
        traceHalfPupil(p.design, p.trace.ray, start, ring, [&] { writer(p); });
    });
}

// The sagittal field spot is not symmetric in y: every point of a ring is
// traced with all four signs.
void printSagittalRings(PrintedPlot& p, int rings) {
    printRingByRing(p, rings, [&](const std::vector<PupilPoint>& ring) {
        traceWholePupil(p.design, p.trace.ray, StartRay::fieldSagittal, ring,
                        [&] { printSagittalFieldDot(p); });
    });
}

// The width and height of the axial blur, measured as the screen's uniform
// blur measures them; the spot's horizontal centre is set too.
struct BlurSize {
    double dx, dy;
};
BlurSize measureBlur(PrintedPlot& p) {
    SpotPlot view = measuringView(p);
    measureBlurExtent(view);
    const SpotExtent& e = p.trace.extent;
    return {std::fabs(e.xMax - e.xMin), std::fabs(e.yMax - e.yMin)};
}

// The ray count of the printed blur: halfW * 0.07 * halfH, truncated.
long blurRayCount(int halfW, int halfH) {
    const double c = halfW * 0.07 * halfH;
    return c > 0 ? static_cast<long>(c) : 0;
}

// A circle of radius R about the plot centre in the page's black pen, filled
// as asked.  A radius beyond any page (or not a number) draws nothing.
void printCircle(PrintedPlot& p, double radius, const draw::Fill& inside) {
    int R;
    if (!truncatedOffset(radius, R)) return;
    const int cx = p.frame.windowCentreX;
    const int cy = p.frame.windowCentreY;
    p.printer.ellipse({cx - R, cy - R, cx + R + 1, cy + R + 1}, draw::Pen{kPrintedDotColour}, inside);
}

}  // namespace

int printedMagnification(int halfW, int halfH) {
    int k = (halfH <= halfW ? halfH : halfW) / kPrintedMagnificationStep;
    if (k < 1) k = 1;
    if (k > 10) k = 10;
    return k;
}

std::string plottingText(long rays) {
    char text[48];
    std::snprintf(text, sizeof text, "Plotting %ld rays", rays);
    return text;
}

bool printMirroredDot(PrintedPlot& p) {
    int dx, dy;
    if (!tracedOffsets(p, p.frame.printScale, dx, dy)) return false;
    setMirroredPair(p, dx, dy);
    return true;
}

bool printFourFieldDot(PrintedPlot& p) {
    int dx, dy;
    if (!tracedOffsets(p, p.frame.printScale, dx, dy)) return false;
    const PlotFrame& f = p.frame;
    for (const PixelOffset& q : fourFieldOffsets(dx, dy, f.printFieldOffset))
        setBlack(p, f.windowOriginX + q.x, f.windowCentreY + q.y);
    return true;
}

bool printSagittalFieldDot(PrintedPlot& p) {
    if (!traceToImage(p.design, p.trace)) return false;
    const PlotFrame& f = p.frame;
    int dx, dy;
    if (!sagittalSpotOffsets(f, f.printScale, f.printFieldOffset, p.trace.ray.x, p.trace.ray.y, dx, dy))
        return false;
    setMirroredPair(p, dx, dy);
    return true;
}

bool printDot(PrintedPlot& p) {
    if (!traceToImage(p.design, p.trace)) return false;
    const PlotFrame& f = p.frame;
    int dx, dy;
    if (!roundedSpotOffsets(f.spotCentreX, f.scale, p.trace.ray.x, p.trace.ray.y, dx, dy)) return false;
    setBlack(p, f.windowOriginX + dx, f.windowCentreY + dy);
    return true;
}

bool printQuickDot(PrintedPlot& p, int pageWidth) {
    int dx, dy;
    if (!tracedOffsets(p, p.frame.scale, dx, dy)) return false;
    const PlotFrame& f = p.frame;
    // Seen from the right edge of the page, so image +x runs to the right.
    const int x = pageWidth - (f.windowOriginX + dx);
    for (const int y : {f.windowCentreY + dy, f.windowCentreY - dy}) {
        for (int row = -1; row <= 1; ++row)
            for (int col = -1; col <= 1; ++col) setBlack(p, x + col, y + row);
    }
    return true;
}

void printMonteCarloRays(PrintedPlot& p, long count) {
    p.progress.setText(plottingText(count));
    // One group of four rays per step.
    traceMonteCarloGroups(
        p.design, p.random, p.trace.ray, count, [&] { return readyForStep(p); }, [&] { printDot(p); });
}

void printStandardSpots(PrintedPlot& p) {
    PlotFrame& f = p.frame;
    const int halfW = f.windowCentreX;
    const int halfH = f.bufferCentreY;
    const int k = printedMagnification(halfW, halfH);
    const int rings = RingCountTable[k];
    const bool field = p.design.sinField != 0;
    p.progress.setText(plottingText(fullRingPatternCount(rings) * (field ? 5 : 1)));

    // The page's scale is k times the screen's.  A frame no screen plot has
    // set yet stands for the default scale and field offset.
    double scale = f.scale;
    int offset = f.fieldOffset;
    if (scale == 0) {
        scale = defaultPlotScale(p.design);
        offset = kDefaultFieldOffset;
    }
    f.printScale = k * scale;
    f.printFieldOffset = k * offset;
    f.windowOriginX = f.windowCentreX;

    setEntranceTangential(p.design, p.trace);  // a failure stays in the status
    const double r = airyDiskRadius(p.design, p.trace);
    // The overlay's circle is filled white, under the dots printed next.
    if (p.viewState == kViewAiryOverlay)
        printCircle(p, std::fabs(r * f.printScale), draw::rgb(255, 255, 255));

    SpotPlot centring = measuringView(p);
    measureSpotCentre(centring, StartRay::axial);
    printRings(p, rings, StartRay::axial, printMirroredDot);
    if (!field) return;

    if (isSymmetricSystem(p.design)) {
        measureSpotCentre(centring, StartRay::fieldPlus);
        printRings(p, rings, StartRay::fieldPlus, printFourFieldDot);
        return;
    }

    // Tilted curved mirrors: both tangential field edges and the sagittal
    // one are traced.  After a cancel the rings draw nothing, but the
    // centring rays still run, as they cost next to nothing.
    f.windowOriginX = halfW - f.printFieldOffset;
    measureSpotCentre(centring, StartRay::fieldPlus);
    printRings(p, rings, StartRay::fieldPlus, printMirroredDot);

    f.windowOriginX = halfW + f.printFieldOffset;
    measureSpotCentre(centring, StartRay::fieldMinus);
    printRings(p, rings, StartRay::fieldMinus, printMirroredDot);

    f.windowOriginX = halfW;
    measureSagittalSpotCentre(centring);
    printSagittalRings(p, rings);
}

void printUniformBlur(PrintedPlot& p) {
    PlotFrame& f = p.frame;
    const int halfW = f.windowCentreX;
    const int halfH = f.bufferCentreY;
    const auto [dx, dy] = measureBlur(p);
    // The blur fills 95 % of the plot area in its limiting direction.
    double scale = (halfW / dx >= halfH / dy) ? 1.9 * halfH / dy : 1.9 * halfW / dx;
    if (scale > kMaxBlurScale || std::isnan(scale)) scale = kPointSpotScale;
    f.scale = scale;
    printMonteCarloRays(p, blurRayCount(halfW, halfH));
}

void printUniformAiry(PrintedPlot& p) {
    PlotFrame& f = p.frame;
    const int halfW = f.windowCentreX;
    const int halfH = f.bufferCentreY;
    const auto [dx, dy] = measureBlur(p);

    // The Airy radius is 90 % of half the page width.
    const double r = airyDiskRadius(p.design, p.trace);
    double scale = 0.9 * halfW / std::fabs(r);
    if (!std::isfinite(scale)) scale = kPointSpotScale;
    f.scale = scale;
    const double R = 0.9 * halfW + 0.00001;

    // A tenth of the printed blur's bounding area, in pixels, as rays;
    // bounded above by the blur plot's count and below by 2000.
    const long most = blurRayCount(halfW, halfH);
    const double area = scale * dx * 0.1 * scale * dy;
    long count = !(area <= static_cast<double>(most)) ? most : static_cast<long>(area);
    if (count < kMinPrintedAiryRays) count = kMinPrintedAiryRays;

    printCircle(p, R, draw::kHollow);
    printMonteCarloRays(p, count);
}

bool printPlotForView(PrintedPlot& p) {
    switch (p.viewState) {
        case kViewStandardPlot:
        case kViewAiryOverlay:
            printStandardSpots(p);
            return true;
        case kViewUniformAiry:
            printUniformAiry(p);
            return true;
        case kViewUniformBlur:
            printUniformBlur(p);
            return true;
        default:
            return false;
    }
}

}  // namespace orvelin
