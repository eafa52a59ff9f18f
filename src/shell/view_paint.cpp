#include "shell/view_paint.h"

#include <QPainter>
#include <QWidget>

#include "aberrations/aberration_views.h"
#include "clearance/clearance_view.h"
#include "diffraction/diffraction_view.h"
#include "platform/qt/qt_device.h"
#include "plots/plot_dispatch.h"
#include "quality/quality_view.h"
#include "reports/design_view.h"
#include "reports/screen_report.h"
#include "tolerance/tolerance_view.h"

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

void paintView(QPainter& painter, const QRect& client, AppState& s, const QImage& plotBuffer,
               ScreenSize screen) {
    switch (s.viewState) {
        case kViewWelcome:
        case kViewTraceReport: {
            qt::QtDevice dc(painter, toRect(client), capsOf(screen));
            PaintViewPage(dc, s.viewState, s.design, s.results);
            break;
        }
        case kViewDesign: {
            qt::QtDevice dc(painter, toRect(client), capsOf(screen));
            paintDesignView(dc, s.design, s.trace, s.results, s.geometry);
            break;
        }
        case kViewClearance: {
            qt::QtDevice dc(painter, toRect(client), capsOf(screen));
            paintClearanceView(dc, s.design, {}, s.evaluation.clearance(s.design));
            break;
        }
        case kViewStandardPlot:
        case kViewUniformAiry:
        case kViewUniformBlur:
        case kViewAiryOverlay:
            paintPlotBuffer(painter, client, plotBuffer);
            break;
        case kViewImageQuality: {
            qt::QtDevice dc(painter, toRect(client), capsOf(screen));
            drawQualityView(dc, toRect(client), s.evaluation.quality(s.design));
            break;
        }
        case kViewFans:
        case kViewFieldCurves:
        case kViewFieldMap:
        case kViewThroughFocus: {
            // Computed once per design; a repaint only draws.
            qt::QtDevice dc(painter, toRect(client), capsOf(screen));
            drawAberrationView(dc, toRect(client), s.viewState, s.design, s.evaluation.aberrations());
            break;
        }
        case kViewDiffraction: {
            // Computed once per design; a repaint, or the "I" key, only draws.
            qt::QtDevice dc(painter, toRect(client), capsOf(screen));
            drawDiffractionViewOf(dc, toRect(client), s.design, s.evaluation.diffraction(), s.diffractionLog);
            break;
        }
        case kViewTolerances: {
            // The last analysis, run in its dialog; none once the design changed.
            qt::QtDevice dc(painter, toRect(client), capsOf(screen));
            drawToleranceView(dc, toRect(client), s.design, s.tolerances.get());
            break;
        }
        default:
            break;
    }
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
    dispatchPlot(plot, s.results, s.geometry, command);
}

}  // namespace orvelin
