// `render`: a view drawn exactly as the main window of a given client size
// would show it, written as a PNG or SVG.  The views are the view table's
// (app/view_table.h): a view is drawn by its screen painter, the spot plots
// by their commands, so a new view needs nothing here.
#pragma once

#include <QImage>
#include <functional>

#include "app/application.h"
#include "design/design.h"
#include "platform/qt/qt_device.h"
#include "trace/analysis.h"
#include "trace/layout.h"
#include "trace/ray_trace.h"

namespace orvelin::cli {

/// What a render function draws with: the design and the records the
/// window would hold, and the window's client area as an image device
/// standing on a screen of `screen` size.
class RenderHost;

struct RenderJob {
    Application& app;  ///< the command rules; the records below are its state's
    RenderHost* host;  ///< the application's host
    const Design& design;
    TraceState& trace;
    qt::QtDevice& window;
    qt::ScreenMetrics screen;
};

/// The command line's side of the application core for `render`: the plot
/// commands draw through `plot`.  Nobody is there to ask, so it serves no
/// files, questions or dialogs: the core's headless pieces answer them
/// "cancel".
class RenderHost : public HeadlessViewNotices, public HeadlessPlatformWork {
  public:
    /// The job it paints on, set once the job stands.
    RenderJob* job = nullptr;
    /// How a plot command draws, once the core has allowed it.
    std::function<void(int command)> plot;

    void runPlot(int command) override {
        if (plot) plot(command);
    }
    int clientWidth() const override;
};

}  // namespace orvelin::cli
