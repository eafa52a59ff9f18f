#include <algorithm>
#include <cmath>
#include <cstdio>

#include "aberrations/aberration_views.h"
#include "aberrations/plot_axes.h"

namespace orvelin {

namespace {

/// Green through yellow to red as f goes from 0 to 1.
draw::Colour heat(double f) {
    f = std::clamp(std::isfinite(f) ? f : 0.0, 0.0, 1.0);
    const int r = static_cast<int>(std::lround(f < 0.5 ? 80 + 2 * f * 175 : 255));
    const int g = static_cast<int>(std::lround(f < 0.5 ? 200 : 200 - (f - 0.5) * 2 * 140));
    return draw::rgb(r, g, 80);
}

}  // namespace

void drawFieldMapView(draw::Device& dc, const draw::Rect& area, const AberrationViewTitle& t,
                      const FieldMapResult& r) {
    using namespace draw;
    const PlotStyle style = plotStyle(dc, area);
    const int lh = style.lineHeight, margin = std::max(4, area.width() / 80);
    const int x0 = area.left + margin, y0 = area.top + margin;
    char buf[200];
    dc.text({x0, y0}, "Field map: " + t.title, style.font, kPlotBlack);
    std::snprintf(buf, sizeof buf, "RMS spot (\xB5m) and Strehl ratio at %d x %d field points, %g \xB5m",
                  r.grid, r.grid, r.wavelengthMicrons);
    dc.text({x0, y0 + lh}, buf, style.font, kPlotBlack);

    double lo = INFINITY, hi = 0;
    for (const FieldMapPoint& p : r.points)
        if (p.quality.status == kTraceOk)
            lo = std::min(lo, p.quality.rmsSpot), hi = std::max(hi, p.quality.rmsSpot);

    // A square map: the cells, then the field angles at their centres.
    const int labelWidth = dc.textSize("-0.000", style.font).width + lh;
    const int top = y0 + 4 * lh;
    const int side = std::max(r.grid, std::min(area.right - margin - x0 - labelWidth - 8 * lh,
                                               area.bottom - margin - top - 4 * lh));
    const int cell = std::max(1, side / std::max(r.grid, 1));
    PlotAxes a;
    a.box = Rect{x0 + labelWidth, top, x0 + labelWidth + cell * r.grid, top + cell * r.grid};
    const double theta = r.fieldDegrees, halfCell = r.grid > 1 ? theta / (r.grid - 1) : theta;
    a.xMin = a.yMin = -theta - halfCell;
    a.xMax = a.yMax = theta + halfCell;
    for (int s = 0; s < r.grid; ++s) {
        for (int k = 0; k < r.grid; ++k) {
            const FieldQuality& q = r.at(k, s).quality;
            const Rect c{a.box.left + k * cell, a.box.bottom - (s + 1) * cell, a.box.left + (k + 1) * cell,
                         a.box.bottom - s * cell};
            const bool ok = q.status == kTraceOk;
            dc.fill(c, ok ? heat(hi > lo ? (q.rmsSpot - lo) / (hi - lo) : 0) : kPlotMissing);
            const int cy = c.top + (cell - 2 * lh) / 2;
            const std::string first =
                ok ? (std::snprintf(buf, sizeof buf, "%.2f", q.rmsSpot), buf) : "missing";
            int w = dc.textSize(first, style.font).width;
            dc.text({c.left + (cell - w) / 2, cy}, first, style.font, kPlotBlack);
            const std::string second = ok ? (std::snprintf(buf, sizeof buf, "S %.3f", q.strehl), buf)
                                          : traceProblemMessage(q.status);
            w = dc.textSize(second, style.font).width;
            if (w < cell) dc.text({c.left + (cell - w) / 2, cy + lh}, second, style.font, kPlotBlack);
        }
    }
    drawAxes(dc, a, style, "tangential field angle (degrees, in the plane of the tilts)",
             "sagittal field angle (degrees)");
    // The field itself: the circle of its semi-angle.
    const int cx = a.px(0), cyc = a.py(0), rx = a.px(theta) - cx, ry = cyc - a.py(theta);
    dc.ellipse({cx - rx, cyc - ry, cx + rx + 1, cyc + ry + 1},
               Pen{kPlotBlack, style.penWidth, LineStyle::dash});

    // The colour scale beside the map.
    const int barLeft = a.box.right + 2 * lh, barWidth = lh;
    const int steps = std::max(1, a.box.height());
    for (int k = 0; k < steps; ++k)
        dc.fill({barLeft, a.box.bottom - k - 1, barLeft + barWidth, a.box.bottom - k},
                heat(static_cast<double>(k) / steps));
    dc.rect({barLeft, a.box.top, barLeft + barWidth, a.box.bottom}, Pen{kPlotBlack, 1});
    if (hi >= lo) {
        std::snprintf(buf, sizeof buf, "%.2f \xB5m", hi);
        dc.text({barLeft + barWidth + lh / 2, a.box.top}, buf, style.font, kPlotBlack);
        std::snprintf(buf, sizeof buf, "%.2f \xB5m", lo);
        dc.text({barLeft + barWidth + lh / 2, a.box.bottom - lh}, buf, style.font, kPlotBlack);
    }
}

}  // namespace orvelin
