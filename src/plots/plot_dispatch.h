// From a command number to a plot: the frame set-up every plot starts with,
// then the layout drawing, one of the spot plots, the Airy overlay or a
// focus step followed by a standard plot.  Also the two plot-buffer chores
// of the plot commands and of painting a plot view.
#pragma once

#include "plots/layout_drawing.h"
#include "plots/spot_plot.h"
#include "trace/analysis.h"

namespace orvelin {

/// Set up the plot frame from the window's client area and the screen
/// (the screen size of the window's device) and run the command:
/// 500 layout drawing, 601/604/605/606 standard plot with that scale mode,
/// 602 uniform Airy, 603 uniform blur, 700 Airy overlay (limit: the half
/// diagonal of the plot buffer), 903/904 focus step in/out then a standard
/// plot at the same scale.  Any other command does nothing.  Returns 0 only
/// when command 500's layout drawing fails, otherwise 1.
int dispatchPlot(SpotPlot& p, AnalysisResults& results, LayoutGeometry& geometry, int command);

/// Clear the plot buffer to the plot background, as every plot command does
/// before it plots: a borderless rectangle over the whole buffer.
void clearPlotBuffer(draw::Device& buffer);

/// Paint a plot view: copy the plot buffer into the window so that the
/// buffer's centre falls on the centre of the client area.  A client area
/// larger than the buffer shows the buffer centred, with the window's own
/// background around it.
void paintPlotView(draw::Device& window, const draw::Device& buffer);

}  // namespace orvelin
