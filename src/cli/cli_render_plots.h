// The spot-plot views of `render`: standard, airy, blur and overlay, drawn
// as the window shows them after the plot commands, through the same
// dispatch as the desktop program, into a window image and a screen-sized
// plot buffer.
#pragma once

#include <CLI/CLI.hpp>

#include "app/view_table.h"
#include "cli/cli_render.h"

namespace orvelin::cli {

/// A plot view of the view table (isPlotView): "standard" (Standard Plot),
/// "airy" (Uniform Airy), "blur" (Uniform Blur) and "overlay" (Standard
/// Plot, then Airy!), by the commands its row names.
void renderPlotView(RenderJob& job, const ViewEntry& view);

/// Add `--focus-steps K` to the render command: before the view's last
/// command, the focal plane is stepped K times outward (F12, K > 0) or -K
/// times inward (F11, K < 0) after a standard plot, each step replotting the
/// standard plot at the same scale, as the keys do in the window.
void addPlotRenderOptions(CLI::App* render);

}  // namespace orvelin::cli
