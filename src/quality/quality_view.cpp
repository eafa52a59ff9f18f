#include "quality/quality_view.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace orvelin {

QualityViewData computeQualityView(const Design& design) {
    QualityViewData v;
    v.report = computeQuality(design);
    for (size_t i = 0; i < kQualityFields.size(); ++i)
        v.spots[i] = design.sinField == 0 && i > 0 ? v.spots[0] : fieldSpot(design, kQualityFields[i]);
    v.title = design.designTitle;
    v.units = unitsWord(design);
    return v;
}

namespace {

/// Lines of text under each spot box.
constexpr int kFigureLines = 12;
/// Lines above the boxes: title, wavelength, scale bar, the fields' names.
constexpr int kHeadingLines = 4;
/// The share of half a box that the largest spot fills.
constexpr double kSpotFill = 0.9;

/// The longest scale bar of 1, 2 or 5 times a power of ten micrometres that
/// fits in `pixels` at the scale.
double niceBar(double pixelsPerMicron, int pixels) {
    const double most = pixels / pixelsPerMicron;
    if (!(most > 0) || !std::isfinite(most)) return 0;
    double p = std::pow(10.0, std::floor(std::log10(most)));
    for (double m : {5.0, 2.0, 1.0})
        if (m * p <= most) return m * p;
    return p;
}

std::string format(const char* fmt, double v) {
    char buf[96];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

}  // namespace

QualityViewLayout layoutQualityView(const draw::Rect& area, int lineHeight, const QualityViewData& data) {
    QualityViewLayout l;
    l.lineHeight = std::max(1, lineHeight);
    l.margin = std::max(4, area.width() / 80);
    const int columnWidth = (area.width() - 2 * l.margin) / 4;
    // Above the boxes: the title, the wavelength, the scale bar and the
    // fields' names; below them the figures.
    const int textHeight = (kHeadingLines + 1 + kFigureLines) * l.lineHeight;
    const int side =
        std::max(16, std::min(columnWidth - l.margin, area.height() - 2 * l.margin - textHeight));
    const int top = area.top + l.margin + kHeadingLines * l.lineHeight;
    for (int i = 0; i < 4; ++i) {
        const int left = area.left + l.margin + i * columnWidth;
        l.boxes[i] = draw::Rect{left, top, left + side, top + side};
    }
    // One scale for all four spots: the largest spot radius (from its
    // centroid) or Airy radius fills half a box.
    double extent = 0;
    for (size_t i = 0; i < 4; ++i) {
        const FieldQuality& q = data.report.fields[i];
        if (q.status != kTraceOk) continue;
        extent = std::max(extent, q.airyRadius);
        const double cx = q.centroidX, cy = q.centroidY;
        for (const SpotPoint& p : data.spots[i]) extent = std::max(extent, std::hypot(p.x - cx, p.y - cy));
    }
    // The largest spot keeps a tenth of the half box clear of the box's
    // edge, so that no spot seems cut by it.
    l.pixelsPerMicron = extent > 0 && std::isfinite(extent) ? kSpotFill * (side / 2 - 2) / extent : 0;
    l.barMicrons = niceBar(l.pixelsPerMicron, side);
    l.barPixels = static_cast<int>(l.barMicrons * l.pixelsPerMicron);
    // The scale stands with the heading, where every window size shows it.
    l.barX = area.left + l.margin;
    l.barY = area.top + l.margin + 2 * l.lineHeight + l.lineHeight / 2;
    return l;
}

void drawQualityView(draw::Device& dc, const draw::Rect& area, const QualityViewData& data) {
    using namespace draw;
    const int fontHeight = std::clamp(area.width() / 56, 11, 400);
    const Font font = Font::scaled(fontHeight, 400);
    const QualityViewLayout l = layoutQualityView(area, dc.fontMetrics(font).lineHeight(), data);
    const int penWidth = std::max(1, area.width() / 800);
    const Pen boxPen{kQualityBoxColour, penWidth};
    const Pen airyPen{kQualityAiryColour, penWidth};
    const Pen blackPen{rgb(0, 0, 0), penWidth};
    const auto text = [&](int x, int y, const std::string& s) { dc.text({x, y}, s, font, rgb(0, 0, 0)); };

    const int x0 = area.left + l.margin, y0 = area.top + l.margin;
    text(x0, y0, "Image quality: " + data.title);
    text(x0, y0 + l.lineHeight,
         format("Wavelength %g \xB5m; Strehl ratio by the ", data.report.wavelengthMicrons) + kStrehlMethod);

    for (size_t i = 0; i < 4; ++i) {
        const Rect& box = l.boxes[i];
        const FieldQuality& q = data.report.fields[i];
        text(box.left, box.top - l.lineHeight, qualityFieldName(kQualityFields[i]));
        dc.rect(box, boxPen);
        const int cx = box.left + box.width() / 2, cy = box.top + box.height() / 2;
        int y = box.bottom + l.lineHeight / 2;
        auto line = [&](const std::string& s) {
            text(box.left, y, s);
            y += l.lineHeight;
        };
        if (q.status != kTraceOk) {
            line(traceProblemMessage(q.status));
            continue;
        }
        for (const SpotPoint& p : data.spots[i]) {
            const int dx = static_cast<int>((q.centroidX - p.x) * l.pixelsPerMicron);
            const int dy = static_cast<int>((p.y - q.centroidY) * l.pixelsPerMicron);
            dc.pixel({cx + dx, cy + dy}, rgb(0, 0, 0));
        }
        const int r = static_cast<int>(q.airyRadius * l.pixelsPerMicron);
        dc.ellipse({cx - r, cy - r, cx + r + 1, cy + r + 1}, airyPen);
        for (const std::string& s : qualityViewLines(q, data.units)) line(s);
    }

    // The scale bar with end ticks, and its length.
    if (l.barPixels > 0) {
        const int tick = std::max(2, l.lineHeight / 4);
        dc.line({l.barX, l.barY}, {l.barX + l.barPixels, l.barY}, blackPen);
        dc.line({l.barX, l.barY - tick}, {l.barX, l.barY + tick + 1}, blackPen);
        dc.line({l.barX + l.barPixels, l.barY - tick}, {l.barX + l.barPixels, l.barY + tick + 1}, blackPen);
        text(l.barX + l.barPixels + l.margin, l.barY - l.lineHeight / 2,
             format("%g \xB5m (Airy circles in red)", l.barMicrons));
    }
}

}  // namespace orvelin
