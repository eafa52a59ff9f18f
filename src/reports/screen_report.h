// The three text pages of the main window: the welcome page, the design
// table (above the layout drawing) and the trace report.  Each is painted
// afresh from the design and the last analysis on every repaint; positions
// are measured from the centre of the client area.
#pragma once

#include "design/design.h"
#include "platform/gdi.h"
#include "plots/commands.h"
#include "trace/analysis.h"

namespace orvelin {

/// Name of the welcome picture among the program's bitmaps.
inline constexpr const char* kWelcomeBitmap = "quorvex";

/// Paint the page of `viewState` (0 welcome, 300 trace report, 500 design
/// table; anything else draws nothing).
void PaintViewPage(gdi::Device& dc, int viewState, const Design& design, const AnalysisResults& results);

/// The pieces, for the printed pages and the tests.
void paintWelcomePage(gdi::Device& dc);
void paintDesignTable(gdi::Device& dc, const Design& design);
void paintTraceReport(gdi::Device& dc, const Design& design, const AnalysisResults& results);

/// A raised panel: a box (left, top) of w x h filled with `fill` and no
/// outline, with two bevel rings (light top and left, dark bottom and right).
void drawRaisedPanel(gdi::Device& dc, int left, int top, int w, int h, gdi::Colour fill);

}  // namespace orvelin
