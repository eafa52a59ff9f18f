#include "plots/plot_dispatch.h"

#include "plots/airy_overlay.h"
#include "plots/monte_carlo_plot.h"
#include "plots/standard_plot.h"

namespace orvelin {

void dispatchPlot(SpotPlot& p, int command) {
    const draw::Size client = p.window.size();
    const draw::Size screen = p.window.screenSize();
    const int limit = setUpPlotFrame(p.frame, client.width, client.height, screen.width, screen.height);
    switch (command) {
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
            plotStandardSpots(p, kKeepScaleMode);
            break;
        default:
            break;
    }
}

void clearPlotBuffer(draw::Device& buffer) {
    const draw::Size s = buffer.size();
    // With no pen the rectangle fills up to, not including, right and bottom:
    // one more than the size covers the last row and column.
    buffer.rect({0, 0, s.width + 1, s.height + 1}, draw::kNoPen, kPlotBackground);
}

void paintPlotView(draw::Device& window, const draw::Device& buffer) {
    const draw::Size client = window.size();
    const draw::Size screen = buffer.size();
    window.copy({0, 0}, screen, buffer,
                {(screen.width - client.width) / 2, (screen.height - client.height) / 2});
}

}  // namespace orvelin
