// Spot-plot views of `render FILE --view standard|airy|blur|overlay`.
#include "cli/cli_render_plots.h"

#include <QImage>
#include <cstdlib>
#include <vector>

#include "app/command_ids.h"
#include "app/view_table.h"
#include "cli/cli.h"
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
    draw::Device& window;
    const draw::Device& buffer;
    bool dirty = false;
    HeadlessPlotWindow(draw::Device& w, const draw::Device& b) : window(w), buffer(b) {}
    void invalidate(const draw::Rect&) override { dirty = true; }
    void repaintPending() override {
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
    QImage bufferImage(job.screen.screenWidth, job.screen.screenHeight - kCaptionAllowance,
                       QImage::Format_RGB32);
    qt::QtDevice buffer(bufferImage);
    HeadlessPlotWindow repaint(job.window, buffer);
    AppState& s = job.app.state();
    SpotPlot plot{s.design, s.trace, s.frame, s.random, job.window, buffer, &repaint};

    // The plot commands draw as the window draws them: the overlay over the
    // plot on screen, every other plot on a cleared buffer and window.
    RenderHost& renderHost = *job.host;
    renderHost.plot = [&](int command) {
        if (command != kCmdAiry) {
            clearPlotBuffer(buffer);
            eraseBackground(job.window, viewBackground(kViewStandardPlot));
            repaint.invalidate({0, 0, job.window.size().width, job.window.size().height});
            repaint.repaintPending();
        }
        dispatchPlot(plot, command);
    };

    // An opened design is shown in the design view first; the core offers
    // the plots only when its painting traced cleanly, stops the commands
    // after a plot whose rays missed a surface (the caller reports it), and
    // draws the overlay only over a plot on screen.
    // Showing the design also resets the plot frame: the first standard plot
    // takes the unit's default scale.
    job.app.showDesign(job.design);
    if (s.trace.status != kTraceOk) failTrace(s.trace.status);
    for (int command : commandsFor(lastCommand)) job.app.runCommand(command);
    renderHost.plot = nullptr;
    // What the window shows once the pending repaints are done: the buffer.
    paintPlotView(job.window, buffer);
}

}  // namespace

void renderPlotView(RenderJob& job, const ViewEntry& view) {
    // The view's last command draws it: 601, 602, 603, or 700 over a standard plot.
    int last = 0;
    for (int command : view.commands)
        if (command != 0) last = command;
    renderPlot(job, last);
}

void addPlotRenderOptions(CLI::App* render) {
    render
        ->add_option("--focus-steps", gFocusSteps,
                     "plot views: step the focal plane K times after the first standard plot, "
                     "outward (F12) for K > 0, inward (F11) for K < 0")
        ->capture_default_str();
}

}  // namespace orvelin::cli
