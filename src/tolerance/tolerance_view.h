// The tolerance view: the criterion of the design as refocused, the
// sensitivity table with the most damaging value first, and, after a
// Monte-Carlo run, a histogram of the criterion over the built telescopes
// with the threshold marked and the run's statistics.  The painters take a
// result computed beforehand (a run takes seconds; a repaint only draws)
// and draw through the drawing device, so one routine serves the window,
// the tolerance dialog, image and SVG files and the printed page.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "design/design.h"
#include "platform/draw_device.h"
#include "tolerance/tolerance.h"

namespace orvelin {

/// The run the command line's view and page show, and the dialog starts
/// from: the default tolerances, refocused, judged by the worst Strehl
/// ratio of the four fields against 0.8 (diffraction-limited), with this
/// many trials from this seed.
inline constexpr int kViewToleranceTrials = 500;
inline constexpr std::uint64_t kViewToleranceSeed = 1;
inline constexpr double kViewToleranceThreshold = 0.8;
ToleranceOptions viewToleranceOptions(const Design& design);

/// The unit a criterion is given in: " um", " waves" or "" (a Strehl ratio).
std::string criterionUnit(const Criterion& c);
/// A criterion's value as the tables print it ("%.4f", a wavefront error
/// "%.5f"); "-" for a gap.
std::string criterionText(const Criterion& c, double v);

/// One row of the sensitivity table as text, shared by the painted view and
/// the dialog's table.
struct ToleranceTableRow {
    std::string tolerance;  ///< "tilt:2"
    std::string band;       ///< "±0.02°" (Latin-1); a radius in percent as a length and the percentage
    std::string minus;      ///< the criterion at the minus end, or "failed"
    std::string plus;
    std::string change;  ///< the worse end's change from nominal, signed
    /// Per compensator: its shift from the nominal refocus at the minus and
    /// plus ends, "-0.0123 / +0.0456".
    std::vector<std::string> refocus;
    /// An end does not trace, or (with a threshold) misses it.
    bool critical = false;
};
/// The headings of the columns above, the compensators' last.
std::vector<std::string> toleranceTableHeadings(const ToleranceResult& r);
/// The rows in the result's order (most damaging first).  `units` is the
/// design's ("mm" or "inches").
std::vector<ToleranceTableRow> toleranceTable(const ToleranceResult& r, const std::string& units);

/// The traced trials' criterion counted in equal bins from `low` to `high`,
/// a range that takes in every value, the nominal and the threshold.
struct ToleranceHistogram {
    double low = 0, high = 1;
    std::vector<int> counts;
    int largest = 0;  ///< the tallest bin's count
};
/// About the square root of the traced trials, 5 to 40 bins.
ToleranceHistogram toleranceHistogram(const ToleranceResult& r);

/// Bars that meet the threshold (their middle does) are blue, those that
/// miss it red; the threshold is a red dashed line, the nominal value a
/// black dotted one.
inline constexpr draw::Colour kToleranceBarMet = draw::rgb(64, 112, 208);
inline constexpr draw::Colour kToleranceBarMissed = draw::rgb(208, 64, 64);
inline constexpr draw::Colour kToleranceThreshold = draw::rgb(208, 0, 0);
/// Rows of the table that are critical.
inline constexpr draw::Colour kToleranceCritical = draw::rgb(192, 0, 0);

/// Where the histogram's plot box lies in an area with a font of the given
/// line height: the statistics take the right third.
draw::Rect toleranceHistogramBox(const draw::Rect& area, int lineHeight);

/// The histogram and the Monte-Carlo statistics into `area`; a note when
/// the result has no Monte-Carlo run.
void drawToleranceHistogram(draw::Device& dc, const draw::Rect& area, const ToleranceResult& r);

/// The whole view into `area` (its background already erased): the title,
/// the criterion and nominal value, the table (as many rows as fit, then
/// how many more), the histogram.  Without a result (none run, or dropped
/// when the design changed) a note says how to run one.
void drawToleranceView(draw::Device& dc, const draw::Rect& area, const Design& design,
                       const ToleranceResult* r);

}  // namespace orvelin
