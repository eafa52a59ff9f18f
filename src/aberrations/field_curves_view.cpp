#include <algorithm>
#include <cmath>
#include <cstdio>

#include "aberrations/aberration_views.h"
#include "aberrations/plot_axes.h"

namespace orvelin {

namespace {

/// One figure of every point of a sweep, and the sweep's angles.
std::vector<double> column(const FieldSweep& s, double FieldCurvePoint::*figure) {
    std::vector<double> v;
    for (const FieldCurvePoint& p : s.points) v.push_back(p.*figure);
    return v;
}

double largest(std::initializer_list<std::vector<double>> columns) {
    double m = 0;
    for (const auto& c : columns)
        for (double v : c)
            if (std::isfinite(v)) m = std::max(m, std::fabs(v));
    return m;
}

}  // namespace

void drawFieldCurvesView(draw::Device& dc, const draw::Rect& area, const AberrationViewTitle& t,
                         const FieldCurvesResult& r) {
    using namespace draw;
    const PlotStyle style = plotStyle(dc, area);
    const int lh = style.lineHeight, margin = std::max(4, area.width() / 80);
    const int x0 = area.left + margin, y0 = area.top + margin;
    char buf[200];
    dc.text({x0, y0}, "Field curves and distortion: " + t.title, style.font, kPlotBlack);
    dc.text(
        {x0, y0 + lh},
        "Foci along the chief ray from the focal plane (+ with the light); distortion against f tan(angle)",
        style.font, kPlotBlack);

    const auto angleT = column(r.tangential, &FieldCurvePoint::field),
               angleS = column(r.sagittal, &FieldCurvePoint::field);
    const auto tT = column(r.tangential, &FieldCurvePoint::tangentialFocus),
               sT = column(r.tangential, &FieldCurvePoint::sagittalFocus);
    const auto tS = column(r.sagittal, &FieldCurvePoint::tangentialFocus),
               sS = column(r.sagittal, &FieldCurvePoint::sagittalFocus);
    const auto dT = column(r.tangential, &FieldCurvePoint::distortion),
               dS = column(r.sagittal, &FieldCurvePoint::distortion);

    const int labelWidth = dc.textSize("-0.0000", style.font).width + lh / 2;
    const int top = y0 + 4 * lh, bottom = area.bottom - margin - 7 * lh;
    const int half = (area.right - margin - x0) / 2;
    PlotAxes curves, distortion;
    curves.box = Rect{x0 + labelWidth, top, x0 + half - lh, bottom};
    distortion.box = Rect{x0 + half + labelWidth, top, area.right - margin, bottom};
    const double theta = r.fieldDegrees > 0 && std::isfinite(r.fieldDegrees) ? r.fieldDegrees : 1;
    for (PlotAxes* a : {&curves, &distortion}) a->yMin = -theta, a->yMax = theta;
    const double focus = niceCeiling(largest({tT, sT, tS, sS}));
    curves.xMin = -focus, curves.xMax = focus;
    const double dist = niceCeiling(largest({dT, dS}));
    distortion.xMin = -dist, distortion.xMax = dist;
    drawAxes(dc, curves, style, "focus (" + t.units + ")", "field angle (degrees)");
    drawAxes(dc, distortion, style, "distortion (%)", "field angle (degrees)");

    const Pen tPen{kPlotTangential, style.penWidth}, sPen{kPlotSagittal, style.penWidth};
    const Pen tDash{kPlotTangential, 1, LineStyle::dash}, sDash{kPlotSagittal, 1, LineStyle::dash};
    drawCurve(dc, curves, tT, angleT, tPen);
    drawCurve(dc, curves, sT, angleT, sPen);
    drawCurve(dc, curves, tS, angleS, tDash);
    drawCurve(dc, curves, sS, angleS, sDash);
    drawCurve(dc, distortion, dT, angleT, Pen{kPlotBlack, style.penWidth});
    drawCurve(dc, distortion, dS, angleS, Pen{kPlotBlack, 1, LineStyle::dash});

    // Points that could not be traced, named under the plots.
    int gaps = 0;
    for (const FieldCurvePoint& p : r.tangential.points) gaps += p.status != kTraceOk;
    for (const FieldCurvePoint& p : r.sagittal.points) gaps += p.status != kTraceOk;

    int y = bottom + 3 * lh;
    drawLegendEntry(dc, {x0, y}, style, tPen, "tangential focus (x)");
    drawLegendEntry(dc, {x0 + half / 2, y}, style, sPen, "sagittal focus (y)");
    drawLegendEntry(dc, {x0 + half, y}, style, Pen{kPlotBlack, style.penWidth},
                    "across the tilts (tangential)");
    y += lh;
    drawLegendEntry(dc, {x0, y}, style, tDash, "the same, field angle across the tilts (sagittal)");
    drawLegendEntry(dc, {x0 + half, y}, style, Pen{kPlotBlack, 1, LineStyle::dash}, "sagittal sweep");
    y += lh;
    auto number = [](double v) {
        char b[32];
        if (std::isfinite(v))
            std::snprintf(b, sizeof b, "%.4f", v);
        else
            std::snprintf(b, sizeof b, "-");
        return std::string(b);
    };
    std::snprintf(buf, sizeof buf, "Best-fit focal-plane tilt: tangential %s, sagittal %s, both %s degrees",
                  number(r.tiltTangential).c_str(), number(r.tiltSagittal).c_str(),
                  number(r.tiltBestFit).c_str());
    dc.text({x0, y}, buf, style.font, kPlotBlack);
    y += lh;
    std::snprintf(buf, sizeof buf, "f (distortion) %s %s; %d field points missing",
                  number(r.tangential.focalLength).c_str(), t.units.c_str(), gaps);
    dc.text({x0, y}, buf, style.font, kPlotBlack);
}

}  // namespace orvelin
