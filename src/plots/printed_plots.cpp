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

// The reference-ray centring of the screen plots only reads the design and
// the trace and writes the frame; the page serves as both of its targets.
SpotPlot centringView(PrintedPlot& p) {
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
    if (y < p.clipTop) return;
    p.printer.setPixel(x, y, kPrintedDotColour);
}

using PrintWriter = bool (*)(PrintedPlot&);

// The rings of an N-ring pattern from the rim inwards, one ring per step:
// each listed point and, off the y axis, its mirror image in x; the writer
// draws the mirror image in y itself.
void printRings(PrintedPlot& p, int rings, StartRay start, PrintWriter writer) {
    const double h = p.design.semiAperture;
    std::vector<PupilPoint> ring;
    ring.reserve(static_cast<std::size_t>(3 * rings / 2 + 2));
    for (int j = rings; j >= 1; --j) {
        if (!readyForStep(p)) return;
        ring.clear();
        appendRingPoints(rings, j, ring);
        for (const PupilPoint& q : ring) {
            startRay(p.design, p.trace.ray, start);
            p.trace.ray.x = q.a * h;
            p.trace.ray.y = q.b * h;
            writer(p);
            if (q.a != 0) {
                startRay(p.design, p.trace.ray, start);
                p.trace.ray.x = -q.a * h;
                p.trace.ray.y = q.b * h;
                writer(p);
            }
        }
    }
}

// The sagittal field spot is not symmetric in y: every point of a ring is
// traced with all four signs.
void printSagittalRings(PrintedPlot& p, int rings) {
    const double h = p.design.semiAperture;
    auto dot = [&](double a, double b) {
        startFieldRaySagittal(p.design, p.trace.ray);
        p.trace.ray.x = a * h;
        p.trace.ray.y = b * h;
        printSagittalFieldDot(p);
    };
    std::vector<PupilPoint> ring;
    for (int j = rings; j >= 1; --j) {
        if (!readyForStep(p)) return;
        ring.clear();
        appendRingPoints(rings, j, ring);
        for (const PupilPoint& q : ring) {
            dot(q.a, q.b);
            if (q.b != 0) dot(q.a, -q.b);
            if (q.a != 0) {
                dot(-q.a, q.b);
                if (q.b != 0) dot(-q.a, -q.b);
            }
        }
    }
}

// The centre of the sagittal field spot: x from the chief ray widened by the
// reference rays, y the chief ray's own.
void centreSagittalSpot(PrintedPlot& p) {
    const double h = p.design.semiAperture;
    SpotExtent& e = p.trace.extent;
    startFieldRaySagittal(p.design, p.trace.ray);
    traceToImage(p.design, p.trace);
    e.xMin = e.xMax = p.trace.ray.x;
    e.yMin = e.yMax = p.trace.ray.y;
    for (const PupilPoint& r : ReferencePupilPoints) {
        startFieldRaySagittal(p.design, p.trace.ray);
        p.trace.ray.x = r.a * h;
        p.trace.ray.y = r.b * h;
        if (traceToImage(p.design, p.trace)) trackSpotExtentX(p.trace);
    }
    p.frame.spotCentreX = e.xMin + (e.xMax - e.xMin) * 0.5;
    p.frame.spotCentreY = e.yMin + (e.yMax - e.yMin) * 0.5;
}

// The extents of the axial blur, as the screen's uniform blur measures them:
// the chief ray and the ring pattern of eight rings in all four quadrants;
// then the spot's horizontal centre.
void measureBlurExtent(PrintedPlot& p) {
    const double h = p.design.semiAperture;
    SpotExtent& e = p.trace.extent;
    RayState& ray = p.trace.ray;
    setEntranceTangential(p.design, p.trace);  // a failure stays in the status
    startAxialRay(ray);
    traceToImage(p.design, p.trace);
    e.xMin = e.xMax = ray.x;
    e.yMin = e.yMax = ray.y;
    static const std::vector<PupilPoint> pattern = ringPattern(8);
    const double signs[4][2] = {{1, 1}, {-1, 1}, {1, -1}, {-1, -1}};
    for (const PupilPoint& q : pattern) {
        for (const auto& s : signs) {
            startAxialRay(ray);
            ray.x = s[0] * q.a * h;
            ray.y = s[1] * q.b * h;
            if (traceToImage(p.design, p.trace)) trackSpotExtent(p.trace);
        }
    }
    p.frame.spotCentreX = e.xMin + (e.xMax - e.xMin) * 0.5;
}

// The ray count of the printed blur: halfW * 0.07 * halfH, truncated.
long blurRayCount(int halfW, int halfH) {
    const double c = halfW * 0.07 * halfH;
    return c > 0 ? static_cast<long>(c) : 0;
}

// A circle of radius R about the plot centre, in the current pen and brush.
// A radius beyond any page (or not a number) draws nothing.
void printCircle(PrintedPlot& p, double radius) {
    int R;
    if (!truncatedOffset(radius, R)) return;
    const int cx = p.frame.windowCentreX;
    const int cy = p.frame.windowCentreY;
    p.printer.ellipse(cx - R, cy - R, cx + R + 1, cy + R + 1);
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
    if (!traceToImage(p.design, p.trace)) return false;  // no image point: no dot
    const PlotFrame& f = p.frame;
    int dx, dy;
    if (!spotOffsets(f.spotCentreX, f.printScale, p.trace.ray.x, p.trace.ray.y, dx, dy)) return false;
    setBlack(p, f.windowOriginX + dx, f.windowCentreY + dy);
    setBlack(p, f.windowOriginX + dx, f.windowCentreY - dy);
    return true;
}

bool printFourFieldDot(PrintedPlot& p) {
    if (!traceToImage(p.design, p.trace)) return false;
    const PlotFrame& f = p.frame;
    int dx, dy;
    if (!spotOffsets(f.spotCentreX, f.printScale, p.trace.ray.x, p.trace.ray.y, dx, dy)) return false;
    const int X = f.windowOriginX, Y = f.windowCentreY, F = f.printFieldOffset;
    setBlack(p, X - F + dx, Y + dy);  // left: the traced spot
    setBlack(p, X - F + dx, Y - dy);
    setBlack(p, X + F - dx, Y + dy);  // right: its mirror image
    setBlack(p, X + F - dx, Y - dy);
    setBlack(p, X - dy, Y - F + dx);  // top: a quarter turn
    setBlack(p, X + dy, Y - F + dx);
    setBlack(p, X - dy, Y + F - dx);  // bottom: the opposite quarter turn
    setBlack(p, X + dy, Y + F - dx);
    return true;
}

bool printSagittalFieldDot(PrintedPlot& p) {
    if (!traceToImage(p.design, p.trace)) return false;
    const PlotFrame& f = p.frame;
    int dx, dy;
    if (!truncatedOffset((f.spotCentreX - p.trace.ray.x) * f.printScale, dx) ||
        !truncatedOffset((p.trace.ray.y - f.spotCentreY) * f.printScale, dy))
        return false;
    dy += f.printFieldOffset;
    setBlack(p, f.windowOriginX + dx, f.windowCentreY + dy);
    setBlack(p, f.windowOriginX + dx, f.windowCentreY - dy);
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
    if (!traceToImage(p.design, p.trace)) return false;
    const PlotFrame& f = p.frame;
    int dx, dy;
    if (!spotOffsets(f.spotCentreX, f.scale, p.trace.ray.x, p.trace.ray.y, dx, dy)) return false;
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
    RayState& ray = p.trace.ray;
    // Four rays per step, each with its own sample, one per quadrant; a
    // count that is not a multiple of four finishes its last group.
    for (long i = 0; i < count; i += 4) {
        if (!readyForStep(p)) return;
        PupilSample s = samplePupilPoint(p.design, p.random, ray);
        ray.x = s.u;
        ray.y = s.v;
        printDot(p);
        s = samplePupilPoint(p.design, p.random, ray);
        ray.x = -s.u;
        ray.y = s.v;
        printDot(p);
        s = samplePupilPoint(p.design, p.random, ray);
        ray.x = s.u;
        ray.y = -s.v;
        printDot(p);
        s = samplePupilPoint(p.design, p.random, ray);
        ray.x = -s.u;
        ray.y = -s.v;
        printDot(p);
    }
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
    if (p.viewState == 700) printCircle(p, std::fabs(r * f.printScale));

    SpotPlot centring = centringView(p);
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
    centreSagittalSpot(p);
    printSagittalRings(p, rings);
}

void printUniformBlur(PrintedPlot& p) {
    PlotFrame& f = p.frame;
    const int halfW = f.windowCentreX;
    const int halfH = f.bufferCentreY;
    measureBlurExtent(p);
    const SpotExtent& e = p.trace.extent;
    const double dx = std::fabs(e.xMax - e.xMin);
    const double dy = std::fabs(e.yMax - e.yMin);
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
    measureBlurExtent(p);
    const SpotExtent& e = p.trace.extent;
    const double dx = std::fabs(e.xMax - e.xMin);
    const double dy = std::fabs(e.yMax - e.yMin);

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

    gdi::Handle oldBrush = p.printer.selectObject(p.printer.getStockObject(gdi::NULL_BRUSH));
    printCircle(p, R);
    p.printer.selectObject(oldBrush);
    printMonteCarloRays(p, count);
}

bool printPlotForView(PrintedPlot& p) {
    switch (p.viewState) {
        case 600:
        case 700:
            printStandardSpots(p);
            return true;
        case 602:
            printUniformAiry(p);
            return true;
        case 603:
            printUniformBlur(p);
            return true;
        default:
            return false;
    }
}

}  // namespace orvelin
