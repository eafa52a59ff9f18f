#include "reports/design_view.h"

#include <cstdio>

#include "plots/layout_drawing.h"
#include "reports/screen_report.h"

namespace orvelin {

using draw::rgb;

void eraseBackground(draw::Device& dc, draw::Colour colour) {
    const draw::Size client = dc.size();
    dc.fill({0, 0, client.width, client.height}, colour);
}

std::string traceProblemText(TraceStatus status) {
    switch (status) {
        case kTraceApertureZero:
            return "\n\nAperture is zero";
        case kTraceNoFocus:
            return "\n\nThere is no focus";
        default: {
            char text[64];
            std::snprintf(text, sizeof text, "\n\nLight misses surface #%d", status - 3);
            return text;
        }
    }
}

void drawTraceProblemBanner(draw::Device& dc, int n, TraceStatus status) {
    const draw::Size client = dc.size();
    // Centred in the space below the table; the half truncates toward zero
    // (C++ integer division), also when the window is shorter than the table.
    const int a = layoutBandTop(n);
    const int y = a + (client.height - a) / 2 - 27;

    // A grey shadow a little right and down, then the blue text, then the
    // reason below it, each centred across the rest of the client area.
    const draw::Font font = draw::Font::boldSans();
    const draw::Rect shadow{2, y, client.width, client.height};
    const draw::Rect r{0, y - 1, client.width, client.height};
    dc.textBox(shadow, "* Trace problem *", font, rgb(128, 128, 128), draw::Align::centre);
    dc.textBox(r, "* Trace problem *", font, rgb(0, 32, 192), draw::Align::centre);
    dc.textBox(r, traceProblemText(status), font, rgb(0, 0, 0), draw::Align::centre);
}

void drawDesignView(draw::Device& dc, const Design& design, const DesignAnalysis& analysis) {
    PaintViewPage(dc, kViewDesign, design, analysis.results);
    if (analysis.traced())
        drawLayout(design, analysis, dc);
    else
        drawTraceProblemBanner(dc, design.surfaceCount, analysis.status);
}

}  // namespace orvelin
