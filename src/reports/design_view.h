// The design view as the main window paints it: the design table, then the
// layout drawing below it, or, when the analysis behind the drawing fails,
// the "* Trace problem *" banner with the reason.  The desktop program and
// the command-line renderer both paint through here.
#pragma once

#include "design/design.h"
#include "platform/draw_device.h"
#include "trace/analysis.h"
#include "trace/layout.h"
#include "trace/ray_trace.h"

namespace orvelin {

/// Window background of each view: grey for the welcome page, blue-grey for
/// the trace report, light grey for the design view, brown for the plots.
draw::Colour viewBackground(int viewState);

/// Fill the whole client area with a colour, as erasing the window does.
void eraseBackground(draw::Device& dc, draw::Colour colour);

/// The trace-problem banner centred in the client area below the table of
/// an n-surface design: a grey shadow and a blue "* Trace problem *" in the
/// bold sans font, and two lines below it the message for `status`.
void drawTraceProblemBanner(draw::Device& dc, int surfaceCount, TraceStatus status);

/// The banner's message for a status, with its two leading line ends.
std::string traceProblemText(TraceStatus status);

/// Paint the design view: table, then the layout (which runs the analysis),
/// or the banner when that fails.  Returns true when the layout was drawn.
bool paintDesignView(draw::Device& dc, const Design& design, TraceState& state, AnalysisResults& results,
                     LayoutGeometry& geometry);

}  // namespace orvelin
