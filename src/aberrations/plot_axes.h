// Axes for the aberration plots: a box that maps values to pixels, ticks at
// 1, 2 or 5 times a power of ten with their labels, titles, and curves that
// break where a point is missing.  Drawn through the drawing device.
#pragma once

#include <string>
#include <vector>

#include "platform/draw_device.h"

namespace orvelin {

/// A plotting box and the values its edges stand for.
struct PlotAxes {
    draw::Rect box;
    double xMin = -1, xMax = 1;
    double yMin = -1, yMax = 1;

    int px(double x) const;  ///< the column of x
    int py(double y) const;  ///< the row of y (up is larger)
};

/// The smallest 1, 2 or 5 times a power of ten at or above v (v > 0); 1
/// for anything else.
double niceCeiling(double v);

/// Ticks from lo to hi, about `count` of them, at multiples of a 1, 2, 5
/// step; nothing for an empty or unbounded range.
std::vector<double> niceTicks(double lo, double hi, int count);

/// A tick label: the value with no more digits than its step needs.
std::string tickLabel(double value, double step);

/// The style of a plot: its font, line height and pen width, scaled to the
/// area it fills.
struct PlotStyle {
    draw::Font font;
    int lineHeight = 12;
    int penWidth = 1;
};
PlotStyle plotStyle(draw::Device& dc, const draw::Rect& area);

/// The box's frame, grey grid lines and black zero lines, ticks with labels
/// below and to the left, the x title under the labels and the y title above
/// the box.  `yTicks` false draws no y labels (a neighbour shares them).
void drawAxes(draw::Device& dc, const PlotAxes& axes, const PlotStyle& style, const std::string& xTitle,
              const std::string& yTitle, bool yTicks = true);

/// A polyline through (xs[k], ys[k]), broken where either is not finite;
/// values outside the box are clipped to it.
void drawCurve(draw::Device& dc, const PlotAxes& axes, const std::vector<double>& xs,
               const std::vector<double>& ys, const draw::Pen& pen);

/// A legend entry: a short line in the pen and the text after it.
void drawLegendEntry(draw::Device& dc, draw::Point at, const PlotStyle& style, const draw::Pen& pen,
                     const std::string& text);

inline constexpr draw::Colour kPlotBlack = draw::rgb(0, 0, 0);
inline constexpr draw::Colour kPlotGrid = draw::rgb(216, 216, 216);
inline constexpr draw::Colour kPlotTangential = draw::rgb(0, 0, 208);  ///< x errors, tangential foci
inline constexpr draw::Colour kPlotSagittal = draw::rgb(208, 0, 0);    ///< y errors, sagittal foci
inline constexpr draw::Colour kPlotMissing = draw::rgb(176, 176, 176);

}  // namespace orvelin
