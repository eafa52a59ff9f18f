// The three text pages of the main window: the welcome page, the design
// table (above the layout drawing) and the trace report.  Each is painted
// afresh from the design and the last analysis on every repaint; positions
// are measured from the centre of the client area.
#pragma once

#include "app/command_ids.h"
#include "design/design.h"
#include "platform/draw_device.h"
#include "trace/analysis.h"

namespace orvelin {

/// Name of the welcome picture among the program's bitmaps.
inline constexpr const char* kWelcomeBitmap = "quorvex";

/// Paint the page of `viewState` (0 welcome, 300 trace report, 500 design
/// table; anything else draws nothing).
void PaintViewPage(draw::Device& dc, int viewState, const Design& design, const AnalysisResults& results);

/// The pieces, for the printed pages and the tests.
void paintWelcomePage(draw::Device& dc);
void paintDesignTable(draw::Device& dc, const Design& design);
void paintTraceReport(draw::Device& dc, const Design& design, const AnalysisResults& results);

/// A raised panel: a box (left, top) of w x h filled with `fill` and no
/// outline, with two bevel rings (light top and left, dark bottom and right).
void drawRaisedPanel(draw::Device& dc, int left, int top, int w, int h, draw::Colour fill);

}  // namespace orvelin
