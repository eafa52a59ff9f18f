// What every screen spot plot shares: the records it reads and writes, the
// two drawing targets, the mapping of one traced ray to pixels, and the dot
// writers.
//
// A screen plot draws each dot at once into the window (so the user sees the
// spot grow) and into the plot buffer, the screen-sized image from which
// every later repaint of the plot view is copied; the plot is never
// recomputed for a repaint.  The buffer's centre is shown at the centre of
// the client area, so the two drawings coincide on screen.
//
// A ray whose trace fails holds no image point: its dot is not drawn, the
// plot goes on with the next ray, and the failure stays visible in the trace
// status (which then blocks further plots until the analysis runs again).
#pragma once

#include <array>

#include "design/design.h"
#include "platform/draw_device.h"
#include "plots/plot_frame.h"
#include "plots/pupil_pattern.h"
#include "plots/random.h"
#include "trace/ray_trace.h"

namespace orvelin {

/// Colour of a spot dot on screen.
inline constexpr draw::Colour kSpotDotColour = draw::rgb(255, 255, 255);
/// Background of every plot view and of the cleared plot buffer.
inline constexpr draw::Colour kPlotBackground = draw::rgb(160, 96, 32);
/// The pen of the Airy circles drawn into the plot buffer (outlines only).
inline constexpr draw::Pen kAiryCirclePen{draw::rgb(0, 0, 0)};

/// The window's side of a plot: repaint requests.  The desktop program
/// forwards them to its window; the headless renderer paints the plot view
/// (a copy of the buffer) into its window image.
class PlotWindow {
  public:
    virtual ~PlotWindow() = default;
    /// Mark a rectangle of the client area for repainting, erasing it first.
    virtual void invalidate(const draw::Rect& r) = 0;
    /// Repaint what is marked, now.
    virtual void repaintPending() = 0;
};

/// The records and targets of one screen plot.
struct SpotPlot {
    const Design& design;
    TraceState& trace;
    PlotFrame& frame;
    RandomSource& random;
    draw::Device& window;           ///< the window's device (its client area)
    draw::Device& buffer;           ///< the plot buffer, screenWidth x screenHeight
    PlotWindow* repaint = nullptr;  ///< repaint requests; none when null
};

/// The start rays a spot is traced from.
enum class StartRay { axial, fieldPlus, fieldMinus, fieldSagittal };

/// Overwrite the ray with the chosen start ray (position 0, its direction).
void startRay(const Design& design, RayState& ray, StartRay which);

/// Offsets beyond this many pixels are not drawn: far outside any screen or
/// page, and a double that large (or infinite, or NaN) has no int value.
inline constexpr double kMaxPixelOffset = 1e8;

/// Truncate a pixel offset toward zero.  False (nothing to draw) when it is
/// not finite or beyond kMaxPixelOffset.
inline bool truncatedOffset(double v, int& out) {
    if (!(v > -kMaxPixelOffset && v < kMaxPixelOffset)) return false;
    out = static_cast<int>(v);
    return true;
}

/// Round a pixel offset half away from zero (d + 0.5 for d >= 0, d - 0.5
/// below), with the same limits as truncatedOffset.
inline bool roundedOffset(double v, int& out) {
    if (!(v > -kMaxPixelOffset && v < kMaxPixelOffset)) return false;
    out = static_cast<int>(v >= 0 ? v + 0.5 : v - 0.5);
    return true;
}

/// The truncated offsets of an image point from the spot centre:
/// dx = trunc((spotCentreX - x) * scale), dy = trunc(y * scale).
inline bool spotOffsets(double spotCentreX, double scale, double x, double y, int& dx, int& dy) {
    return truncatedOffset((spotCentreX - x) * scale, dx) && truncatedOffset(y * scale, dy);
}

/// The rounded offsets of the Monte-Carlo dots (same formula, rounded).
inline bool roundedSpotOffsets(double spotCentreX, double scale, double x, double y, int& dx, int& dy) {
    return roundedOffset((spotCentreX - x) * scale, dx) && roundedOffset(y * scale, dy);
}

/// The offsets of a point of the sagittal field spot, which is centred in
/// both directions: dx as spotOffsets, dy = trunc((y - spotCentreY) * scale)
/// moved fieldOffset pixels below the plot centre.
inline bool sagittalSpotOffsets(const PlotFrame& f, double scale, int fieldOffset, double x, double y,
                                int& dx, int& dy) {
    if (!truncatedOffset((f.spotCentreX - x) * scale, dx) ||
        !truncatedOffset((y - f.spotCentreY) * scale, dy))
        return false;
    dy += fieldOffset;
    return true;
}

/// A pixel relative to a spot's origin (X, Y).
struct PixelOffset {
    int x, y;
};

/// The one traced field spot of a symmetric system at its four field
/// positions, F pixels from (X, Y): left as traced, right mirrored, top and
/// bottom turned a quarter turn, each with increasing dx pointing to the
/// centre; both halves in y of each.
inline std::array<PixelOffset, 8> fourFieldOffsets(int dx, int dy, int F) {
    return {{
        {-F + dx, dy},
        {-F + dx, -dy},  // left: the traced spot
        {F - dx, dy},
        {F - dx, -dy},  // right: its mirror image
        {-dy, -F + dx},
        {dy, -F + dx},  // top: a quarter turn
        {-dy, F - dx},
        {dy, F - dx},  // bottom: the opposite quarter turn
    }};
}

/// Trace the pupil points (fractions of h) over the half pupil a >= 0 from
/// `start`, and each point off the y axis again mirrored to -a, calling
/// draw() with every ray set up; the dot writer draws both halves in y (b
/// and -b) itself, so a point on the y axis is traced once.
template <class Points, class Draw>
void traceHalfPupil(const Design& design, RayState& ray, StartRay start, const Points& points, Draw&& draw) {
    const double h = design.semiAperture;
    for (const PupilPoint& q : points) {
        startRay(design, ray, start);
        ray.x = q.a * h;
        ray.y = q.b * h;
        draw();
        if (q.a != 0) {
            startRay(design, ray, start);
            ray.x = -q.a * h;
            ray.y = q.b * h;
            draw();
        }
    }
}

/// Trace the pupil points with all four signs, for a spot not symmetric in
/// y: (a, b), (a, -b), (-a, b), (-a, -b), each point on an axis once.
template <class Points, class Draw>
void traceWholePupil(const Design& design, RayState& ray, StartRay start, const Points& points, Draw&& draw) {
    const double h = design.semiAperture;
    auto one = [&](double a, double b) {
        startRay(design, ray, start);
        ray.x = a * h;
        ray.y = b * h;
        draw();
    };
    for (const PupilPoint& q : points) {
        one(q.a, q.b);
        if (q.b != 0) one(q.a, -q.b);
        if (q.a != 0) {
            one(-q.a, q.b);
            if (q.b != 0) one(-q.a, -q.b);
        }
    }
}

// Dot writers.  Each traces the current ray to the image and sets white
// pixels, first all of them in the window and then the same in the buffer;
// (X, Y) is (windowOriginX, windowCentreY) in the window and (bufferOriginX,
// bufferCentreY) in the buffer.  They return whether a dot was drawn.

/// (X + dx, Y + dy) and its mirror image (X + dx, Y - dy): the axial spot and
/// the tangential field spots of an asymmetric system.
bool plotMirroredDot(SpotPlot& p);

/// The one traced field spot of a symmetric system at the four field
/// positions, F = fieldOffset: left as traced, right mirrored, top and bottom
/// turned a quarter turn, each with increasing dx pointing to the centre.
bool plotFourFieldDot(SpotPlot& p);

/// The sagittal field spot below the centre and its mirror image above:
/// dy' = trunc((y - spotCentreY) * scale) + F; (X + dx, Y + dy'),
/// (X + dx, Y - dy').
bool plotSagittalFieldDot(SpotPlot& p);

/// One pixel per target at the rounded offsets (the Monte-Carlo dot).
bool plotRoundedDot(SpotPlot& p);

}  // namespace orvelin
