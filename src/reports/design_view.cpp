#include "reports/design_view.h"

#include <cstdio>

#include "reports/screen_report.h"

namespace orvelin {

using gdi::RGB;

gdi::COLORREF viewBackground(int viewState) {
    switch (viewState) {
        case kViewTraceReport:
            return RGB(128, 160, 192);
        case kViewDesign:
            return RGB(160, 160, 160);
        case kViewStandardPlot:
        case kViewUniformAiry:
        case kViewUniformBlur:
        case kViewAiryOverlay:
            return RGB(160, 96, 32);
        case kViewImageQuality:
            return RGB(255, 255, 255);
        default:
            return RGB(128, 128, 128);  // the stock grey brush of the welcome page
    }
}

void eraseBackground(gdi::Device& dc, gdi::COLORREF colour) {
    gdi::Handle brush = dc.createSolidBrush(colour);
    dc.fillRect(dc.clientRect(), brush);
    dc.deleteObject(brush);
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

void drawTraceProblemBanner(gdi::Device& dc, int n, TraceStatus status) {
    const gdi::Rect client = dc.clientRect();
    // Centred in the space below the table; the half truncates toward zero
    // (C++ integer division), also when the window is shorter than the table.
    const int a = layoutBandTop(n);
    const int y = a + (client.height() - a) / 2 - 27;

    gdi::Rect r = client;
    r.left = 2;
    r.top = y;
    dc.setBkMode(gdi::TRANSPARENT);
    dc.setTextColor(RGB(128, 128, 128));
    gdi::Handle oldFont = dc.selectObject(dc.getStockObject(gdi::SYSTEM_FONT));
    dc.drawText("* Trace problem *", r, gdi::DT_CENTER);
    r.left = 0;
    r.top = y - 1;
    dc.setTextColor(RGB(0, 32, 192));
    dc.drawText("* Trace problem *", r, gdi::DT_CENTER);
    dc.setTextColor(RGB(0, 0, 0));
    dc.drawText(traceProblemText(status), r, gdi::DT_CENTER);
    dc.selectObject(oldFont);
}

bool paintDesignView(gdi::Device& dc, Design& design, TraceState& state, AnalysisResults& results,
                     LayoutGeometry& geometry) {
    PaintViewPage(dc, kViewDesign, design, results);
    if (drawLayout(design, state, results, geometry, dc)) return true;
    drawTraceProblemBanner(dc, design.surfaceCount, state.status);
    return false;
}

}  // namespace orvelin
