#include <algorithm>
#include <cmath>
#include <cstdio>

#include "aberrations/aberration_views.h"
#include "aberrations/plot_axes.h"
#include "app/command_ids.h"

namespace orvelin {

AberrationViewTitle aberrationViewTitle(const Design& design) {
    return {design.designTitle, unitsWord(design)};
}

const FanResult& AberrationViewCache::fans(const Design& design) const {
    return fans_.get(design, [](const Design& d) { return computeFans(d); });
}
const FieldCurvesResult& AberrationViewCache::fieldCurves(const Design& design) const {
    return curves_.get(design, [](const Design& d) { return computeFieldCurves(d); });
}
const FieldMapResult& AberrationViewCache::fieldMap(const Design& design) const {
    return map_.get(design, [](const Design& d) { return computeFieldMap(d); });
}
const ThroughFocusResult& AberrationViewCache::throughFocus(const Design& design) const {
    return focus_.get(design, [](const Design& d) { return computeThroughFocus(d); });
}

void drawAberrationView(draw::Device& dc, const draw::Rect& area, int viewState, const Design& design,
                        const AberrationViewCache& cache) {
    const AberrationViewTitle t = aberrationViewTitle(design);
    switch (viewState) {
        case kViewFans:
            drawFansView(dc, area, t, cache.fans(design));
            break;
        case kViewFieldCurves:
            drawFieldCurvesView(dc, area, t, cache.fieldCurves(design));
            break;
        case kViewFieldMap:
            drawFieldMapView(dc, area, t, cache.fieldMap(design));
            break;
        case kViewThroughFocus:
            drawThroughFocusView(dc, area, t, cache.throughFocus(design));
            break;
        default:
            break;
    }
}

void drawFansView(draw::Device& dc, const draw::Rect& area, const AberrationViewTitle& t, const FanResult& r) {
    using namespace draw;
    const PlotStyle style = plotStyle(dc, area);
    const int lh = style.lineHeight, margin = std::max(4, area.width() / 80);
    const int x0 = area.left + margin, y0 = area.top + margin;
    char buf[160];
    dc.text({x0, y0}, "Ray and wavefront fans: " + t.title, style.font, kPlotBlack);
    const double errorScale = niceCeiling(r.largestError), opdScale = niceCeiling(r.largestOpd);
    std::snprintf(
        buf, sizeof buf,
        "Relative to the chief ray, in the focal plane; ray fans \xB1%g \xB5m, wavefront fans \xB1%g waves "
        "at %g \xB5m",
        errorScale, opdScale, r.wavelengthMicrons);
    dc.text({x0, y0 + lh}, buf, style.font, kPlotBlack);

    // Four columns of plots under the titles, with room for the tick labels
    // at the left of each and the pupil titles under the last row.
    const int labelWidth = dc.textSize("-0.000", style.font).width + lh / 2;
    const int top = y0 + 3 * lh, bottom = area.bottom - margin - 3 * lh;
    const int rows = std::max<int>(1, static_cast<int>(r.fields.size()));
    const int rowHeight = std::max(4 * lh, (bottom - top) / rows);
    const int columnWidth = (area.right - margin - x0) / 4;
    const Pen xPen{kPlotTangential, style.penWidth}, yPen{kPlotSagittal, style.penWidth};
    const char* columnTitles[4] = {"tangential ray fan", "sagittal ray fan", "tangential wavefront",
                                   "sagittal wavefront"};
    for (int row = 0; row < rows && row < static_cast<int>(r.fields.size()); ++row) {
        const FieldFans& f = r.fields[row];
        const int rowTop = top + row * rowHeight;
        for (int c = 0; c < 4; ++c) {
            PlotAxes a;
            a.box = Rect{x0 + c * columnWidth + labelWidth, rowTop + lh, x0 + (c + 1) * columnWidth - lh / 2,
                         rowTop + rowHeight - 2 * lh};
            const double scale = c < 2 ? errorScale : opdScale;
            a.yMin = -scale, a.yMax = scale;
            const bool last = row == rows - 1;
            const std::string title = std::string(qualityFieldName(f.field)) + ": " + columnTitles[c];
            drawAxes(dc, a, style, last ? (c % 2 == 0 ? "pupil x" : "pupil y") : "", title);
            if (f.status != kTraceOk) {
                dc.text({a.box.left + lh / 2, a.box.top + lh / 2}, traceProblemMessage(f.status), style.font,
                        kPlotBlack);
                continue;
            }
            const Fan& fan = c % 2 == 0 ? f.tangential : f.sagittal;
            if (c < 2) {
                drawCurve(dc, a, r.pupil, fan.ex, xPen);
                drawCurve(dc, a, r.pupil, fan.ey, yPen);
            } else {
                drawCurve(dc, a, r.pupil, fan.opd, Pen{kPlotBlack, style.penWidth});
            }
        }
    }
    const int legendY = area.bottom - margin - lh;
    drawLegendEntry(dc, {x0, legendY}, style, xPen, "x error (tangential, the plane of the tilts)");
    drawLegendEntry(dc, {x0 + area.width() / 3, legendY}, style, yPen, "y error (sagittal)");
    drawLegendEntry(dc, {x0 + 2 * area.width() / 3, legendY}, style, Pen{kPlotBlack, style.penWidth},
                    "wavefront, + ahead of the sphere");
}

}  // namespace orvelin
