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

/// The design view's background, light grey.
inline constexpr draw::Colour kDesignViewBackground = draw::rgb(160, 160, 160);

/// Fill the whole client area with a colour, as erasing the window does.
void eraseBackground(draw::Device& dc, draw::Colour colour);

/// The trace-problem banner centred in the client area below the table of
/// an n-surface design: a grey shadow and a blue "* Trace problem *" in the
/// bold sans font, and two lines below it the message for `status`.
void drawTraceProblemBanner(draw::Device& dc, int surfaceCount, TraceStatus status);

/// The banner's message for a status, with its two leading line ends.
std::string traceProblemText(TraceStatus status);

/// Draw the design view: the table, then the layout of the design as
/// analysed, or the banner when the analysis failed.
void drawDesignView(draw::Device& dc, const Design& design, const DesignAnalysis& analysis);

}  // namespace orvelin
