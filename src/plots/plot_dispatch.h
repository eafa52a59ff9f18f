// From a command number to a plot: the frame set-up every plot starts with,
// then one of the spot plots, the Airy overlay or the standard plot that
// follows a focus step.  Also the two plot-buffer chores of the plot
// commands and of painting a plot view.
#pragma once

#include "plots/spot_plot.h"

namespace orvelin {

/// Set up the plot frame from the window's client area and the screen
/// (the screen size of the window's device) and run the command:
/// 601/604/605/606 standard plot with that scale mode, 602 uniform Airy,
/// 603 uniform blur, 700 Airy overlay (limit: the half diagonal of the plot
/// buffer), 903/904 a standard plot at the same scale (the focus step
/// itself is the application's: a change of the design, for Undo, made
/// before the plot).  Any other command does nothing.
void dispatchPlot(SpotPlot& p, int command);

/// Clear the plot buffer to the plot background, as every plot command does
/// before it plots: a borderless rectangle over the whole buffer.
void clearPlotBuffer(draw::Device& buffer);

/// Paint a plot view: copy the plot buffer into the window so that the
/// buffer's centre falls on the centre of the client area.  A client area
/// larger than the buffer shows the buffer centred, with the window's own
/// background around it.
void paintPlotView(draw::Device& window, const draw::Device& buffer);

}  // namespace orvelin
