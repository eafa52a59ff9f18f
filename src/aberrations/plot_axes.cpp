#include "aberrations/plot_axes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace orvelin {

int PlotAxes::px(double x) const {
    const double f = (x - xMin) / (xMax - xMin);
    const double v = box.left + std::clamp(std::isfinite(f) ? f : 0.5, 0.0, 1.0) * (box.width() - 1);
    return static_cast<int>(std::lround(v));
}

int PlotAxes::py(double y) const {
    const double f = (y - yMin) / (yMax - yMin);
    const double v = box.bottom - 1 - std::clamp(std::isfinite(f) ? f : 0.5, 0.0, 1.0) * (box.height() - 1);
    return static_cast<int>(std::lround(v));
}

double niceCeiling(double v) {
    if (!(v > 0) || !std::isfinite(v)) return 1;
    const double p = std::pow(10.0, std::floor(std::log10(v)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * p >= v * (1 - 1e-12)) return m * p;
    return 10 * p;
}

namespace {

double tickStep(double lo, double hi, int count) {
    return niceCeiling((hi - lo) / std::max(count, 1));
}

}  // namespace

std::vector<double> niceTicks(double lo, double hi, int count) {
    std::vector<double> ticks;
    if (!(hi > lo) || !std::isfinite(hi - lo)) return ticks;
    const double step = tickStep(lo, hi, count);
    for (double k = std::ceil(lo / step - 1e-9); k * step <= hi + 1e-9 * step && ticks.size() < 64; k += 1)
        ticks.push_back(k * step == 0 ? 0.0 : k * step);
    return ticks;
}

std::string tickLabel(double value, double step) {
    const int digits = std::clamp(static_cast<int>(-std::floor(std::log10(step) + 1e-9)), 0, 9);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.*f", digits, std::fabs(value) < 1e-12 * step ? 0.0 : value);
    return buf;
}

PlotStyle plotStyle(draw::Device& dc, const draw::Rect& area) {
    PlotStyle s;
    s.font = draw::Font::scaled(std::clamp(area.width() / 64, 10, 400), 400);
    s.lineHeight = std::max(1, dc.fontMetrics(s.font).lineHeight());
    s.penWidth = std::max(1, area.width() / 800);
    return s;
}

void drawAxes(draw::Device& dc, const PlotAxes& a, const PlotStyle& style, const std::string& xTitle,
              const std::string& yTitle, bool yTicks) {
    using namespace draw;
    const Pen grid{kPlotGrid, 1}, black{kPlotBlack, style.penWidth};
    const int tick = std::max(3, style.lineHeight / 4);
    const std::vector<double> xs = niceTicks(a.xMin, a.xMax, 4), ys = niceTicks(a.yMin, a.yMax, 4);
    const double xStep = xs.size() > 1 ? xs[1] - xs[0] : 1, yStep = ys.size() > 1 ? ys[1] - ys[0] : 1;
    for (double x : xs) {
        const int c = a.px(x);
        dc.line({c, a.box.top}, {c, a.box.bottom}, x == 0 ? black : grid);
        dc.line({c, a.box.bottom}, {c, a.box.bottom + tick}, black);
        const std::string label = tickLabel(x, xStep);
        const int w = dc.textSize(label, style.font).width;
        dc.text({c - w / 2, a.box.bottom + tick}, label, style.font, kPlotBlack);
    }
    for (double y : ys) {
        const int r = a.py(y);
        dc.line({a.box.left, r}, {a.box.right, r}, y == 0 ? black : grid);
        if (!yTicks) continue;
        dc.line({a.box.left - tick, r}, {a.box.left, r}, black);
        const std::string label = tickLabel(y, yStep);
        const int w = dc.textSize(label, style.font).width;
        dc.text({a.box.left - tick - 2 - w, r - style.lineHeight / 2}, label, style.font, kPlotBlack);
    }
    dc.rect(a.box, black);
    if (!xTitle.empty()) {
        const int w = dc.textSize(xTitle, style.font).width;
        dc.text({a.box.left + (a.box.width() - w) / 2, a.box.bottom + tick + style.lineHeight}, xTitle,
                style.font, kPlotBlack);
    }
    if (!yTitle.empty()) dc.text({a.box.left, a.box.top - style.lineHeight}, yTitle, style.font, kPlotBlack);
}

void drawCurve(draw::Device& dc, const PlotAxes& a, const std::vector<double>& xs,
               const std::vector<double>& ys, const draw::Pen& pen) {
    bool have = false;
    draw::Point last;
    for (std::size_t k = 0; k < xs.size() && k < ys.size(); ++k) {
        if (!std::isfinite(xs[k]) || !std::isfinite(ys[k])) {
            have = false;  // a gap, never a line through it
            continue;
        }
        const draw::Point p{a.px(xs[k]), a.py(ys[k])};
        if (have) dc.line(last, p, pen);
        last = p;
        have = true;
    }
}

void drawLegendEntry(draw::Device& dc, draw::Point at, const PlotStyle& style, const draw::Pen& pen,
                     const std::string& text) {
    const int len = 2 * style.lineHeight, mid = at.y + style.lineHeight / 2;
    dc.line({at.x, mid}, {at.x + len, mid}, pen);
    dc.text({at.x + len + style.lineHeight / 2, at.y}, text, style.font, kPlotBlack);
}

}  // namespace orvelin
