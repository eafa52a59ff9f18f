#include "shell/view_paint.h"

#include <QPainter>
#include <QWidget>

#include "app/view_painters.h"
#include "platform/qt/qt_device.h"
#include "plots/plot_dispatch.h"

namespace orvelin {

namespace {

draw::Rect toRect(const QRect& r) {
    return {0, 0, r.width(), r.height()};
}

qt::ScreenMetrics capsOf(ScreenSize screen) {
    qt::ScreenMetrics caps;
    caps.screenWidth = screen.width;
    caps.screenHeight = screen.height;
    return caps;
}

/// Repaint requests of a running plot, passed to the client widget.  The
/// window shows the plot buffer, so a request only schedules a copy.
class WidgetRepaint : public PlotWindow {
  public:
    explicit WidgetRepaint(QWidget* widget) : widget_(widget) {}
    void invalidate(const draw::Rect& r) override {
        if (widget_) widget_->update(QRect(r.left, r.top, r.width(), r.height()));
    }
    void repaintPending() override {
        if (widget_) widget_->update();
    }

  private:
    QWidget* widget_;
};

}  // namespace

void paintPlotBuffer(QPainter& painter, const QRect& client, const QImage& plotBuffer) {
    const PlotCopy copy =
        plotViewCopy(plotBuffer.width(), plotBuffer.height(), client.width(), client.height());
    if (copy.source.width() <= 0 || copy.source.height() <= 0) return;
    painter.drawImage(QPoint(copy.target.left, copy.target.top), plotBuffer,
                      QRect(copy.source.left, copy.source.top, copy.source.width(), copy.source.height()));
}

void paintView(QPainter& painter, const QRect& client, const AppState& s, const QImage& plotBuffer,
               ScreenSize screen) {
    // Every view but the spot plots has a painter in the view table; the
    // plots were drawn into the buffer by their commands and are copied.
    if (isPlotView(s.viewState)) {
        paintPlotBuffer(painter, client, plotBuffer);
        return;
    }
    qt::QtDevice dc(painter, toRect(client), capsOf(screen));
    paintView(dc, s.viewState, s.viewInputs());
}

void runPlotCommand(QWidget* window, const QRect& client, AppState& s, QImage& plotBuffer, ScreenSize screen,
                    int command) {
    // Every dot goes into the buffer, which the window shows; the window's
    // own copy of the dots is drawn into a scratch image of the client's size.
    QImage scratch(std::max(1, client.width()), std::max(1, client.height()), QImage::Format_RGB32);
    scratch.fill(Qt::black);
    qt::QtDevice windowDevice(scratch, toRect(client), capsOf(screen));
    qt::QtDevice bufferDevice(plotBuffer);
    WidgetRepaint repaint(window);
    SpotPlot plot{s.design, s.trace, s.frame, s.random, windowDevice, bufferDevice, &repaint};
    // The overlay draws over the plot shown; every other plot starts afresh.
    if (command != kCmdAiry) clearPlotBuffer(bufferDevice);
    dispatchPlot(plot, command);
}

}  // namespace orvelin
