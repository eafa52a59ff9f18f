// Spot-plot views of `render FILE --view standard|airy|blur|overlay`.
#include "cli/cli_render_plots.h"

#include <QImage>
#include <cstdlib>
#include <vector>

#include "cli/cli.h"
#include "plots/commands.h"
#include "plots/plot_dispatch.h"
#include "plots/plot_frame.h"
#include "plots/random.h"
#include "reports/design_view.h"

namespace orvelin::cli {

namespace {

int gFocusSteps = 0;

// The window's side of a plot without a window: a repaint request paints the
// plot view, that is copies the plot buffer into the window image.
struct HeadlessPlotWindow : PlotWindow {
    gdi::Device& window;
    const gdi::Device& buffer;
    bool dirty = false;
    HeadlessPlotWindow(gdi::Device& w, const gdi::Device& b) : window(w), buffer(b) {}
    void invalidateRect(const gdi::Rect&) override { dirty = true; }
    void updateWindow() override {
        if (dirty) paintPlotView(window, buffer);
        dirty = false;
    }
};

// The plot commands a user would give for the view.  A standard plot comes
// first when the view needs one: the overlay is drawn over a plot on screen,
// and the focus steps take their length from the last standard plot.  The
// Monte-Carlo plots otherwise stand alone, so that a standard plot whose
// field rays miss a mirror does not refuse them.
std::vector<int> commandsFor(int lastCommand) {
    std::vector<int> commands;
    if (lastCommand == kCmdStandardPlot || lastCommand == kCmdAiry || gFocusSteps != 0)
        commands.push_back(kCmdStandardPlot);
    const int step = gFocusSteps > 0 ? kCmdFocusOut : kCmdFocusIn;
    for (int i = 0; i < std::abs(gFocusSteps); ++i) commands.push_back(step);
    if (lastCommand != kCmdStandardPlot) commands.push_back(lastCommand);
    return commands;
}

void renderPlot(RenderJob& job, int lastCommand) {
    // The plot buffer: the screen less the caption allowance.
    QImage bufferImage(job.screen.horzRes, job.screen.vertRes - kCaptionAllowance, QImage::Format_RGB32);
    qt::QtDevice buffer(bufferImage);
    HeadlessPlotWindow repaint(job.window, buffer);
    PlotFrame frame;  // scale 0: the first standard plot takes the unit's default
    RandomSource random;
    SpotPlot plot{job.design, job.trace, frame, random, job.window, buffer, &repaint};

    // An opened design is shown in the design view first; plots are offered
    // only when its painting (the analysis and the layout drawing) traced
    // cleanly.  The plot command erases that picture.
    paintDesignView(job.window, job.design, job.trace, job.results, job.geometry);
    if (job.trace.status != kTraceOk) failTrace(job.trace.status);

    for (int command : commandsFor(lastCommand)) {
        if (command == kCmdAiry) {
            // The overlay asks only for a plot on screen: a plot whose rays
            // missed a mirror still gets its circle.
            // The window keeps its picture.
            dispatchPlot(plot, job.results, job.geometry, command);
            continue;
        }
        // A ray that missed a surface blocks the next plot command, as in
        // the window; the caller reports the status.
        if (job.trace.status != kTraceOk) break;
        clearPlotBuffer(buffer);
        eraseBackground(job.window, viewBackground(kViewStandardPlot));
        repaint.invalidateRect({0, 0, job.window.size().width, job.window.size().height});
        repaint.updateWindow();
        dispatchPlot(plot, job.results, job.geometry, command);
    }
    // What the window shows once the pending repaints are done: the buffer.
    paintPlotView(job.window, buffer);
}

void renderStandard(RenderJob& job) {
    renderPlot(job, kCmdStandardPlot);
}
void renderAiry(RenderJob& job) {
    renderPlot(job, kCmdUniformAiry);
}
void renderBlur(RenderJob& job) {
    renderPlot(job, kCmdUniformBlur);
}
void renderOverlay(RenderJob& job) {
    renderPlot(job, kCmdAiry);
}

}  // namespace

const RenderView kPlotViews[kPlotViewCount] = {
    {"standard", kViewStandardPlot, renderStandard},
    {"airy", kViewUniformAiry, renderAiry},
    {"blur", kViewUniformBlur, renderBlur},
    {"overlay", kViewAiryOverlay, renderOverlay},
};

void addPlotRenderOptions(CLI::App* render) {
    render
        ->add_option("--focus-steps", gFocusSteps,
                     "plot views: step the focal plane K times after the first standard plot, "
                     "outward (F12) for K > 0, inward (F11) for K < 0")
        ->capture_default_str();
}

}  // namespace orvelin::cli
