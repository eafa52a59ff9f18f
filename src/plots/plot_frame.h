// The plot frame: how image-plane coordinates become device pixels.
//
// Every spot diagram maps the traced image point (x, y) of a ray, in design
// units, to pixels through one PlotFrame.  On screen a plot draws twice at
// once, into the window (seen dot by dot) and into the plot buffer (a
// screen-sized image that repaints copy from), so the frame holds a centre for
// each target.  For a ray whose image point is (x, y):
//
//   dx = trunc((spotCentreX - x) * scale),  dy = trunc(y * scale)
//   window pixel (windowOriginX + dx, windowCentreY + dy)
//   buffer pixel (bufferOriginX + dx, bufferCentreY + dy)
//
// so image +x is drawn to the left of the spot centre and image +y downward.
// The origins move sideways by the field offset while field spots are drawn.
#pragma once

#include "app/command_ids.h"
#include "design/design.h"
#include "trace/ray_trace.h"

namespace orvelin {

struct PlotFrame {
    int windowCentreX = 0;     ///< plot centre in the window: (client right + 1) / 2; on paper half the page
    int windowCentreY = 0;     ///< (client bottom + 1) / 2; on paper the centre of the plot area
    int bufferCentreX = 0;     ///< plot centre in the plot buffer: screen width / 2
    int bufferCentreY = 0;     ///< (screen height - 38) / 2; on paper half the plot area's height
    int windowOriginX = 0;     ///< x on which the spot now drawn is centred (window or paper)
    int bufferOriginX = 0;     ///< the same in the plot buffer
    double scale = 0;          ///< pixels per design unit; 0 = not set (next standard plot uses the default)
    double focusStep = 0;      ///< F11/F12 step in design units: 32 / scale of the last standard plot
    int fieldOffset = 0;       ///< pixels from the axial spot to each field spot
    double spotCentreX = 0;    ///< image x drawn at the origin of the spot now drawn
    double spotCentreY = 0;    ///< image y drawn at the centre of the sagittal field spot
    double printScale = 0;     ///< scale of the printed standard plot
    int printFieldOffset = 0;  ///< field offset of the printed standard plot
};

/// The screen's rows kept back for the window caption: the plot buffer is
/// the screen less this many rows.
inline constexpr int kCaptionAllowance = 38;
/// Default scales: pixels per millimetre and per inch.
inline constexpr double kDefaultScaleMm = 1900;
inline constexpr double kDefaultScaleInch = 48000;
/// Field offset, in pixels, after a scale reset.
inline constexpr int kDefaultFieldOffset = 144;
/// One focus step moves the focal plane by what this many pixels represent.
inline constexpr double kFocusStepPixels = 32;

/// Scale mode of a standard plot that keeps the scale (after a focus step).
inline constexpr int kKeepScaleMode = 4;

/// The default scale for the design's unit: 1900 px/mm for "mm", 48000 px/inch
/// for any other unit word.
double defaultPlotScale(const Design& design);

/// Set up the frame for a window of client size clientWidth x clientHeight on
/// a screen of screenWidth x screenHeight pixels (the full screen, caption
/// allowance included).  Both origins go to their centres.  Returns the
/// overlay limit: the half-diagonal of the plot buffer, truncated.
int setUpPlotFrame(PlotFrame& frame, int clientWidth, int clientHeight, int screenWidth, int screenHeight);

/// The scale step of a standard plot: a zero scale or mode 601 resets scale
/// and field offset to the defaults; then 604 halves the scale, 605 doubles
/// it, 606 doubles both scale and field offset; mode 4 keeps them.  Finally
/// focusStep = 32 / scale.
void applyScaleMode(PlotFrame& frame, const Design& design, int mode);

/// F11 (903) or F12 (904): move the focal plane in or out by the focus step
/// of the last standard plot and bring the last space's derived values up to
/// date.  Other commands and designs without a mirror change nothing.
void stepFocus(Design& design, const PlotFrame& frame, int command);

/// Radius of the Airy disk in design units, 1.22 lambda / (2 NA) for
/// lambda = 0.000022 inch (0.5588 um), with 2 NA taken as L+ - L-, the
/// difference of the x direction cosines of the two tangential rim rays of an
/// axial beam after the last mirror.  In inches, times 25.4 for "mm".  May be
/// negative (callers use its magnitude); the two traces are not checked, and
/// the caller sets up the entrance distance first.  A zero difference (no
/// convergence, e.g. a flat system) gives an infinite radius, which every
/// caller turns into "draw nothing" or a zero scale.
double airyDiskRadius(const Design& design, TraceState& state);

}  // namespace orvelin
