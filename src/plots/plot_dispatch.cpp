#include "plots/plot_dispatch.h"

#include "plots/airy_overlay.h"
#include "plots/monte_carlo_plot.h"
#include "plots/standard_plot.h"

namespace orvelin {

int dispatchPlot(SpotPlot& p, AnalysisResults& results, LayoutGeometry& geometry, int command) {
    const gdi::Rect client = p.window.clientRect();
    const int limit =
        setUpPlotFrame(p.frame, client.right, client.bottom, p.window.getDeviceCaps(gdi::HORZRES),
                       p.window.getDeviceCaps(gdi::VERTRES));
    switch (command) {
        case kCmdDisplay:
            return drawLayout(p.design, p.trace, results, geometry, p.window) ? 1 : 0;
        case kCmdStandardPlot:
        case kCmdHalfScale:
        case kCmdDoubleScale:
        case kCmdDoubleScaleAndOffset:
            plotStandardSpots(p, command);
            break;
        case kCmdUniformAiry:
            plotUniformAiry(p);
            break;
        case kCmdUniformBlur:
            plotUniformBlur(p);
            break;
        case kCmdAiry:
            drawAiryOverlay(p, limit);
            break;
        case kCmdFocusIn:
        case kCmdFocusOut:
            // The step is that of the last standard plot (0 before any).
            stepFocus(p.design, p.frame, command);
            plotStandardSpots(p, kKeepScaleMode);
            break;
        default:
            break;
    }
    return 1;
}

void clearPlotBuffer(gdi::Device& buffer) {
    const gdi::Rect r = buffer.clientRect();
    gdi::Handle brush = buffer.createSolidBrush(kPlotBackground);
    gdi::Handle oldPen = buffer.selectObject(buffer.getStockObject(gdi::NULL_PEN));
    gdi::Handle oldBrush = buffer.selectObject(brush);
    // With no pen the rectangle fills up to, not including, right and bottom:
    // one more than the size covers the last row and column.
    buffer.rectangle(0, 0, r.right + 1, r.bottom + 1);
    buffer.selectObject(oldBrush);
    buffer.selectObject(oldPen);
    buffer.deleteObject(brush);
}

void paintPlotView(gdi::Device& window, const gdi::Device& buffer) {
    const gdi::Rect client = window.clientRect();
    const gdi::Rect screen = buffer.clientRect();
    window.bitBlt(0, 0, screen.right, screen.bottom, buffer, (screen.right - client.right) / 2,
                  (screen.bottom - client.bottom) / 2);
}

}  // namespace orvelin
