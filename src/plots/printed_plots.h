// The spot plots on paper.
//
// The printed plots follow the screen plots with four differences: they draw
// only on the printer's page, in black; they size themselves to the page;
// they trace many more rays; and, because a printout takes long, they let
// the user interface run between steps (one ring of the ring pattern, or
// four Monte-Carlo rays), show the number of rays being plotted and stop
// when the user cancels.
//
// Before a printed plot runs, the caller sets the plot frame to the page, in
// printer pixels: windowCentreX = windowOriginX = W / 2, bufferCentreY = half
// the height of the plot area below the header line, windowCentreY = the
// header height + bufferCentreY.  Every other frame field keeps the value the
// last screen plot left, in particular scale and fieldOffset.
#pragma once

#include <string>
#include <string_view>

#include "app/command_ids.h"
#include "design/design.h"
#include "platform/draw_device.h"
#include "platform/print_document.h"
#include "plots/plot_frame.h"
#include "plots/random.h"
#include "trace/ray_trace.h"

namespace orvelin {

/// Dots on paper are black.
inline constexpr draw::Colour kPrintedDotColour = draw::rgb(0, 0, 0);

/// Ring counts of the printed standard plot by the page's magnification k
/// (index k, 1..10; index 0 is unused).
inline constexpr int RingCountTable[11] = {0, 16, 26, 36, 44, 54, 64, 76, 86, 98, 108};
/// Pixels of half the plot area per unit of magnification.
inline constexpr int kPrintedMagnificationStep = 204;
/// The smallest ray count of a printed uniform-Airy plot.
inline constexpr long kMinPrintedAiryRays = 2000;

/// A clip box that holds every pixel.
inline constexpr draw::Rect kUnclipped{-2147483647 - 1, -2147483647 - 1, 2147483647, 2147483647};

/// The records and the page of one printed plot.
struct PrintedPlot {
    const Design& design;
    TraceState& trace;
    PlotFrame& frame;
    RandomSource& random;
    draw::Device& printer;
    PrintProgress& progress;
    int viewState = kViewStandardPlot;  ///< the Airy overlay view adds the Airy circle to the standard plot
    /// Dots outside this box (right and bottom exclusive) are not drawn: a
    /// spot larger than its place must not blot out the page around it,
    /// Print Page's header line or the Quick Print table and report.
    draw::Rect clip = kUnclipped;
};

/// The magnification of the printed standard plot for a plot area of half
/// width halfW and half height halfH: min(halfW, halfH) / 204, within 1..10.
int printedMagnification(int halfW, int halfH);

/// "Plotting %ld rays".
std::string plottingText(long rays);

// Dot writers.  Each traces the current ray to the image and sets black
// pixels on the printer only, with (X, Y) = (windowOriginX, windowCentreY).
// A ray whose trace fails holds no image point and draws nothing.  They
// return whether a dot was drawn.

/// (X + dx, Y + dy) and (X + dx, Y - dy) at printScale (offsets truncated).
bool printMirroredDot(PrintedPlot& p);
/// The eight pixels of the four field spots of a symmetric system, with
/// printScale and printFieldOffset.
bool printFourFieldDot(PrintedPlot& p);
/// The sagittal field spot and its mirror image, dy' = trunc((y -
/// spotCentreY) printScale) + printFieldOffset.
bool printSagittalFieldDot(PrintedPlot& p);
/// One pixel at the offsets rounded half away from zero, at scale (the
/// Monte-Carlo dot).
bool printDot(PrintedPlot& p);
/// The dot of the Quick Print page: with offsets truncated at scale, a 3 x 3
/// block centred on (W - (X + dx), Y + dy) and one on (W - (X + dx), Y - dy):
/// x is measured from the right edge of the page, so image +x runs right.
bool printQuickDot(PrintedPlot& p, int pageWidth);

/// The printed Monte-Carlo loop: the progress text with `count`, then groups
/// of four rays (one fresh sample per quadrant) until count is reached or the
/// job is cancelled, letting the user interface run before each group.
void printMonteCarloRays(PrintedPlot& p, long count);

/// The printed standard plot (view 600; view 700 adds the Airy circle at the
/// printed scale): the full ring pattern of 16 to 108 rings by page size,
/// at k times the screen scale and field offset.  Writes printScale,
/// printFieldOffset, spotCentreX, spotCentreY, windowOriginX and the spot
/// extent; leaves scale alone.
void printStandardSpots(PrintedPlot& p);

/// The printed uniform blur: the blur fills 95 % of the plot area in its
/// limiting direction, with halfW * 0.07 * halfH rays.  Overwrites scale.
void printUniformBlur(PrintedPlot& p);

/// The printed uniform Airy: the Airy radius is 90 % of half the page width,
/// its circle is drawn, and a tenth of the blur's area in pixels is plotted
/// as rays (at least 2000, at most the blur plot's count).  Overwrites scale.
void printUniformAiry(PrintedPlot& p);

/// The printed plot of a view state: 600 and 700 standard, 602 uniform
/// Airy, 603 uniform blur; false (nothing drawn) for any other view.
bool printPlotForView(PrintedPlot& p);

}  // namespace orvelin
