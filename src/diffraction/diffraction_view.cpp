#include "diffraction/diffraction_view.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

#include "aberrations/plot_axes.h"

namespace orvelin {

namespace {

using draw::Colour;
using draw::Pen;
using draw::Point;
using draw::Rect;

/// The Airy circle over the picture: light where the picture is dark, which
/// the first dark ring is.
constexpr Colour kAiryCircle = draw::rgb(0, 208, 255);
/// The encircled-energy curve of the field.
constexpr Colour kEnergy = draw::rgb(0, 136, 0);

struct Point2 {
    double x = 0, y = 0;
};

/// The colour scale's stops, evenly growing in brightness.
struct ColourStop {
    double at;
    int r, g, b;
};
constexpr ColourStop kStops[] = {{0.0, 0, 0, 4},      {0.15, 40, 11, 84},  {0.3, 101, 21, 110},
                                 {0.45, 159, 42, 99}, {0.6, 212, 72, 66},  {0.75, 245, 125, 21},
                                 {0.9, 250, 193, 39}, {1.0, 252, 255, 164}};

/// Taps on each side of the interpolation kernel.
constexpr int kLanczosTaps = 3;

/// The Lanczos kernel sinc(x) sinc(x / a), a = kLanczosTaps.
double lanczos(double x) {
    if (std::fabs(x) < 1e-12) return 1;
    if (std::fabs(x) >= kLanczosTaps) return 0;
    const double px = std::numbers::pi * x;
    return kLanczosTaps * std::sin(px) * std::sin(px / kLanczosTaps) / (px * px);
}

/// The taps and weights that interpolate the samples at position u (in
/// samples): 2 a of them, summing to 1.
struct Taps {
    int first = 0;
    double weight[2 * kLanczosTaps] = {};
};
Taps tapsAt(double u) {
    Taps t;
    // Far outside the samples (or not a number): no tap reaches them.
    if (!(std::fabs(u) < 1e7)) {
        t.first = -(1 << 30);
        return t;
    }
    const double base = std::floor(u);
    t.first = static_cast<int>(base) - kLanczosTaps + 1;
    double sum = 0;
    for (int k = 0; k < 2 * kLanczosTaps; ++k) sum += t.weight[k] = lanczos(u - (t.first + k));
    if (sum != 0)
        for (double& w : t.weight) w /= sum;
    return t;
}

/// The PSF at w x h points (column i at x = x0 + i dx, row j at y = y0 -
/// j dy, um about the chief ray), row after row.  The PSF is band-limited
/// and sampled at least at the Nyquist rate of the intensity, so the
/// windowed-sinc (Lanczos) interpolation comes close to its exact
/// reconstruction where a bilinear one shows the sampling grid; it is
/// separable, a pass along the rows and one down the columns.  Beyond the
/// computed window the PSF is 0; the kernel's small undershoot is cut at 0.
std::vector<double> resampledPsf(const FieldDiffraction& f, double x0, double dx, int w, double y0, double dy,
                                 int h) {
    const int m = f.psfSize, half = m / 2;
    std::vector<Taps> across(w), down(h);
    for (int i = 0; i < w; ++i) across[i] = tapsAt((x0 + i * dx) / f.psfSpacing + half);
    for (int j = 0; j < h; ++j) down[j] = tapsAt((y0 - j * dy) / f.psfSpacing + half);
    const int rowLo = std::max(0, std::min(down.front().first, down.back().first));
    const int rowHi = std::min(m - 1, std::max(down.front().first, down.back().first) + 2 * kLanczosTaps - 1);
    std::vector<double> rows(static_cast<std::size_t>(std::max(0, rowHi - rowLo + 1)) * w, 0.0);
    for (int r = rowLo; r <= rowHi; ++r) {
        for (int i = 0; i < w; ++i) {
            double v = 0;
            for (int k = 0; k < 2 * kLanczosTaps; ++k) {
                const int c = across[i].first + k;
                if (c >= 0 && c < m) v += across[i].weight[k] * f.psfAt(r, c);
            }
            rows[static_cast<std::size_t>(r - rowLo) * w + i] = v;
        }
    }
    std::vector<double> out(static_cast<std::size_t>(w) * h, 0.0);
    for (int j = 0; j < h; ++j) {
        for (int k = 0; k < 2 * kLanczosTaps; ++k) {
            const int r = down[j].first + k;
            if (r < rowLo || r > rowHi) continue;
            const double weight = down[j].weight[k];
            const double* from = &rows[static_cast<std::size_t>(r - rowLo) * w];
            double* to = &out[static_cast<std::size_t>(j) * w];
            for (int i = 0; i < w; ++i) to[i] += weight * from[i];
        }
    }
    for (double& v : out) v = std::max(v, 0.0);
    return out;
}

/// Where the PSF is brightest, um about the chief ray: its brightest
/// sample, moved to the top of the parabola through it and its neighbours
/// along each axis.
Point2 psfPeak(const FieldDiffraction& f) {
    const int m = f.psfSize;
    const auto top = std::max_element(f.psf.begin(), f.psf.end()) - f.psf.begin();
    const int row = static_cast<int>(top / m), column = static_cast<int>(top % m);
    auto vertex = [](double before, double at, double after) {
        const double curvature = before - 2 * at + after;
        return curvature < 0 ? 0.5 * (before - after) / curvature : 0.0;
    };
    double dx = 0, dy = 0;
    if (column > 0 && column + 1 < m)
        dx = vertex(f.psfAt(row, column - 1), f.psfAt(row, column), f.psfAt(row, column + 1));
    if (row > 0 && row + 1 < m)
        dy = vertex(f.psfAt(row - 1, column), f.psfAt(row, column), f.psfAt(row + 1, column));
    return {(column - m / 2 + dx) * f.psfSpacing, (row - m / 2 + dy) * f.psfSpacing};
}

/// A field with a picture to draw: it traced, and its samples have a size.
bool traced(const FieldDiffraction& f) {
    return f.status == kTraceOk && f.psfSize > 1 &&
           f.psf.size() == static_cast<std::size_t>(f.psfSize) * f.psfSize && f.psfSpacing > 0 &&
           std::isfinite(f.psfSpacing) && std::isfinite(f.airyRadius);
}

/// The scales every row shares: the PSF's half width (um), the highest
/// cutoff (cycles/mm) and the longest encircled-energy curve (um).
struct CommonScales {
    double psf = 0, frequency = 0, radius = 0;
};

CommonScales commonScales(const DiffractionResult& r) {
    CommonScales s;
    s.psf = psfWindowHalfWidth(r);
    for (QualityField q : r.computed) {
        const FieldDiffraction& f = r.field(q);
        if (!traced(f)) continue;
        s.frequency = std::max(s.frequency, f.cutoff);
        if (!f.encircledEnergy.radius.empty()) s.radius = std::max(s.radius, f.encircledEnergy.radius.back());
    }
    return s;
}

/// The Marechal estimate's line, its accent in the drawing device's Latin-1
/// (split where the escape would run on into the next letter).
constexpr char kMarechalFigure[] =
    "Mar\xE9"
    "chal %.3f";

/// The figures beside a field's plots, a line each.
std::vector<std::string> fieldLines(QualityField q, const FieldDiffraction& f) {
    std::vector<std::string> lines{qualityFieldName(q)};
    if (f.status != kTraceOk) return lines;
    char buf[64];
    auto add = [&](const char* format, double v) {
        std::snprintf(buf, sizeof buf, format, v);
        lines.emplace_back(buf);
    };
    add("Strehl %.3f", f.strehl);
    add(kMarechalFigure, f.strehlMarechal);
    add("EE50 %.2f \xB5m", f.ee50);
    add("EE80 %.2f \xB5m", f.ee80);
    add("F/%.2f", f.fNumber);
    add("Airy %.2f \xB5m", f.airyRadius);
    if (f.undersampled) lines.emplace_back("grid too coarse");
    return lines;
}

/// The picture of one field's PSF filling the box, each pixel the PSF at
/// the value the axes give its centre, on the colour scale of the field's
/// own peak; the frame over it and the Airy circle about the peak.
void drawPsf(draw::Device& dc, const PlotAxes& a, const FieldDiffraction& f, bool logIntensity,
             int penWidth) {
    const int w = a.box.width(), h = a.box.height();
    if (w < 2 || h < 2) return;
    const double peak = *std::max_element(f.psf.begin(), f.psf.end());
    const double dx = (a.xMax - a.xMin) / (w - 1), dy = (a.yMax - a.yMin) / (h - 1);
    const std::vector<double> values = resampledPsf(f, a.xMin, dx, w, a.yMax, dy, h);
    std::vector<Colour> pixels(values.size());
    for (std::size_t k = 0; k < values.size(); ++k)
        pixels[k] = psfColour(psfScalePosition(peak > 0 ? values[k] / peak : 0, logIntensity));
    dc.image({a.box.left, a.box.top}, {w, h}, pixels);
    dc.rect(a.box, Pen{kPlotBlack, penWidth});
    const Point2 centre = psfPeak(f);
    const int cx = a.px(centre.x), cy = a.py(centre.y);
    const int radius = static_cast<int>(std::lround(f.airyRadius * (w - 1) / (a.xMax - a.xMin)));
    // A dark rim under the light circle keeps it visible on the bright core
    // of the logarithmic picture as on the dark ring of the linear one.
    const draw::Rect circle{cx - radius, cy - radius, cx + radius + 1, cy + radius + 1};
    dc.ellipse(circle, Pen{kPlotBlack, penWidth + 2});
    dc.ellipse(circle, Pen{kAiryCircle, penWidth});
}

/// The encircled energy of the Airy pattern of a field's f-ratio at the
/// radii of its curve: 1 - J0(v)^2 - J1(v)^2, v = pi r / (lambda F#).
std::vector<double> airyEnergy(const FieldDiffraction& f, double wavelengthMicrons) {
    std::vector<double> out;
    for (double r : f.encircledEnergy.radius) {
        const double v = std::numbers::pi * r / (wavelengthMicrons * f.fNumber);
        const double j0 = std::cyl_bessel_j(0.0, v), j1 = std::cyl_bessel_j(1.0, v);
        out.push_back(1 - j0 * j0 - j1 * j1);
    }
    return out;
}

/// The colour scale: a bar of the scale's colours, its values beneath.
void drawColourScale(draw::Device& dc, const Rect& bar, const PlotStyle& style, bool logIntensity) {
    const int w = bar.width(), h = bar.height();
    if (w < 2 || h < 1) return;
    std::vector<Colour> pixels(static_cast<std::size_t>(w) * h);
    for (int i = 0; i < w; ++i) {
        const Colour c = psfColour(static_cast<double>(i) / (w - 1));
        for (int j = 0; j < h; ++j) pixels[static_cast<std::size_t>(j) * w + i] = c;
    }
    dc.image({bar.left, bar.top}, {w, h}, pixels);
    dc.rect(bar, Pen{kPlotBlack, 1});
    const int marks = logIntensity ? kPsfDecades : 2;
    int free = bar.left;  // where the next label may start
    for (int k = 0; k <= marks; ++k) {
        char label[16];
        if (!logIntensity)
            std::snprintf(label, sizeof label, "%g", static_cast<double>(k) / marks);
        else if (kPsfDecades - k >= 3)
            std::snprintf(label, sizeof label, "1e-%d", kPsfDecades - k);
        else
            std::snprintf(label, sizeof label, "%g", std::pow(10.0, k - kPsfDecades));
        // Centred under its mark, the end labels kept within the bar; a
        // label that would run into the one before is left out.
        const int x = bar.left + (w - 1) * k / marks;
        const int lw = dc.textSize(label, style.font).width;
        const int left = std::clamp(x - lw / 2, bar.left, std::max(bar.left, bar.right - lw));
        dc.line({x, bar.bottom}, {x, bar.bottom + std::max(2, style.lineHeight / 4)}, Pen{kPlotBlack, 1});
        if (left < free) continue;
        dc.text({left, bar.bottom + style.lineHeight / 4}, label, style.font, kPlotBlack);
        free = left + lw + style.lineHeight / 4;
    }
}

}  // namespace

Colour psfColour(double f) {
    f = std::clamp(std::isfinite(f) ? f : 0.0, 0.0, 1.0);
    std::size_t k = 1;
    while (k + 1 < std::size(kStops) && f > kStops[k].at) ++k;
    const ColourStop &a = kStops[k - 1], &b = kStops[k];
    const double t = (f - a.at) / (b.at - a.at);
    auto mix = [t](int p, int q) { return static_cast<int>(std::lround(p + (q - p) * t)); };
    return draw::rgb(mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b));
}

double psfScalePosition(double v, bool logIntensity) {
    if (!(v > 0)) return 0;
    if (!logIntensity) return std::min(v, 1.0);
    return std::clamp(1 + std::log10(v) / kPsfDecades, 0.0, 1.0);
}

double psfWindowHalfWidth(const DiffractionResult& r) {
    double want = 0, limit = INFINITY;
    for (QualityField q : r.computed) {
        const FieldDiffraction& f = r.field(q);
        if (!traced(f)) continue;
        const double offset = std::max(std::fabs(f.centroidX), std::fabs(f.centroidY));
        want = std::max({want, 3 * f.airyRadius, offset + 1.5 * f.ee80});
        limit = std::min(limit, (f.psfSize / 2 - 1) * f.psfSpacing);
    }
    if (!(want > 0) || !std::isfinite(want)) return 0;
    const double step = niceCeiling(want / 5);
    return std::min(std::ceil(want / step - 1e-9) * step, limit);
}

void drawDiffractionView(draw::Device& dc, const Rect& area, const AberrationViewTitle& t,
                         const DiffractionResult& r, bool logIntensity) {
    const PlotStyle style = plotStyle(dc, area);
    const int lh = style.lineHeight, margin = std::max(4, area.width() / 80);
    const int x0 = area.left + margin, y0 = area.top + margin, right = area.right - margin;
    char buf[200];
    dc.text({x0, y0}, "Diffraction: " + t.title, style.font, kPlotBlack);
    std::snprintf(buf, sizeof buf,
                  "Star image (PSF) about the chief ray, MTF and encircled energy at %g \xB5m",
                  r.wavelengthMicrons);
    dc.text({x0, y0 + lh}, buf, style.font, kPlotBlack);
    std::snprintf(buf, sizeof buf,
                  "Pupil %d x %d cells, transform %d x %d; PSF on the plane perpendicular to the chief ray, "
                  "x in the plane of the tilts",
                  r.grid, r.grid, r.fftSize, r.fftSize);
    dc.text({x0, y0 + 2 * lh}, buf, style.font, kPlotBlack);

    // One row per field under the columns' titles: the figures, then the
    // PSF (square), the MTF and the encircled energy, each with room for its
    // tick labels at its left and beneath.
    const int legendTop = area.bottom - margin - 3 * lh;
    const int titles = y0 + 3 * lh, top = titles + lh, bottom = legendTop - lh;
    const int rows = std::max<int>(1, static_cast<int>(r.computed.size()));
    const int rowHeight = std::max(3 * lh, (bottom - top) / rows);
    const int boxHeight = std::max(lh, rowHeight - 2 * lh);
    const int labelWidth = dc.textSize("-0.00", style.font).width + lh / 2;
    std::vector<std::vector<std::string>> lines;
    int textWidth = 0;
    for (QualityField q : r.computed) {
        lines.push_back(fieldLines(q, r.field(q)));
        for (const std::string& s : lines.back())
            textWidth = std::max(textWidth, dc.textSize(s, style.font).width);
    }
    textWidth += lh;
    const int avail = right - x0 - textWidth - 3 * labelWidth - 2 * lh;
    const int side = std::max(lh, std::min(boxHeight, avail / 3));
    const int plotWidth = std::max(lh, (avail - side) / 2);
    const int psfLeft = x0 + textWidth + labelWidth;
    const int mtfLeft = psfLeft + side + lh + labelWidth, eeLeft = mtfLeft + plotWidth + lh + labelWidth;

    const CommonScales scale = commonScales(r);
    if (scale.psf > 0) {
        dc.text({psfLeft, titles}, "PSF, y \xB5m", style.font, kPlotBlack);
        dc.text({mtfLeft, titles}, "MTF (contrast)", style.font, kPlotBlack);
        dc.text({eeLeft, titles}, "encircled energy (fraction)", style.font, kPlotBlack);
    }
    const Pen black{kPlotBlack, style.penWidth}, tangential{kPlotTangential, style.penWidth},
        sagittal{kPlotSagittal, style.penWidth}, energy{kEnergy, style.penWidth};
    for (int row = 0; row < static_cast<int>(r.computed.size()); ++row) {
        const FieldDiffraction& f = r.field(r.computed[row]);
        const int rowTop = top + row * rowHeight, boxTop = rowTop;
        for (std::size_t k = 0; k < lines[row].size(); ++k) {
            const int y = boxTop + static_cast<int>(k) * lh;
            if (k > 0 && y + lh > rowTop + rowHeight) break;  // a short row shows what fits
            dc.text({x0, y}, lines[row][k], style.font, kPlotBlack);
        }
        if (!traced(f)) {
            // The trace status in place of the plots.
            dc.text({psfLeft, boxTop}, traceProblemMessage(f.status), style.font, kPlotBlack);
            continue;
        }
        const bool last = row + 1 == static_cast<int>(r.computed.size());
        PlotAxes psf;
        psf.box = Rect{psfLeft, boxTop, psfLeft + side, boxTop + side};
        psf.xMin = psf.yMin = -scale.psf;
        psf.xMax = psf.yMax = scale.psf;
        drawAxes(dc, psf, style, last ? "x \xB5m (tangential)" : "", "");
        drawPsf(dc, psf, f, logIntensity, style.penWidth);

        PlotAxes mtf;
        mtf.box = Rect{mtfLeft, boxTop, mtfLeft + plotWidth, boxTop + boxHeight};
        mtf.xMin = 0, mtf.xMax = scale.frequency, mtf.yMin = 0, mtf.yMax = 1;
        drawAxes(dc, mtf, style, last ? "cycles/mm" : "", "");
        drawCurve(dc, mtf, f.mtf.frequency, f.mtf.diffractionLimit, black);
        drawCurve(dc, mtf, f.mtf.frequency, f.mtf.tangential, tangential);
        drawCurve(dc, mtf, f.mtf.frequency, f.mtf.sagittal, sagittal);

        PlotAxes ee;
        ee.box = Rect{eeLeft, boxTop, eeLeft + plotWidth, boxTop + boxHeight};
        ee.xMin = 0, ee.xMax = scale.radius, ee.yMin = 0, ee.yMax = 1;
        drawAxes(dc, ee, style, last ? "radius \xB5m (about the centroid)" : "", "");
        drawCurve(dc, ee, f.encircledEnergy.radius, airyEnergy(f, r.wavelengthMicrons), black);
        drawCurve(dc, ee, f.encircledEnergy.radius, f.encircledEnergy.fraction, energy);
    }

    // The colour scale with its words, the Airy circle's and the curves'.
    const int barWidth = std::max(14 * lh, area.width() / 5);
    const Rect bar{x0, legendTop + lh / 8, x0 + barWidth, legendTop + lh * 2 / 3};
    drawColourScale(dc, bar, style, logIntensity);
    const int wordsLeft = bar.right + lh;
    dc.text({wordsLeft, legendTop},
            logIntensity ? "PSF intensity, logarithmic: 4 decades below each field's peak (key I: linear)"
                         : "PSF intensity, linear: each field to its own peak (key I: logarithmic)",
            style.font, kPlotBlack);
    const int mark = std::max(3, lh / 3), markY = legendTop + lh + lh / 2;
    dc.ellipse({wordsLeft, markY - mark, wordsLeft + 2 * mark + 1, markY + mark + 1},
               Pen{kAiryCircle, style.penWidth});
    dc.text({wordsLeft + 2 * mark + lh / 2, legendTop + lh}, "Airy radius 1.22 wavelength F#, about the peak",
            style.font, kPlotBlack);
    const int legendY = legendTop + 2 * lh, step = std::max(1, (right - x0) / 4);
    drawLegendEntry(dc, {x0, legendY}, style, tangential, "MTF tangential");
    drawLegendEntry(dc, {x0 + step, legendY}, style, sagittal, "MTF sagittal");
    drawLegendEntry(dc, {x0 + 2 * step, legendY}, style, black, "diffraction limit");
    drawLegendEntry(dc, {x0 + 3 * step, legendY}, style, energy, "encircled energy");
}

const DiffractionResult& DiffractionViewCache::result(const Design& design) const {
    return kept_.get(design, [](const Design& d) { return computeDiffraction(d); });
}

void drawDiffractionViewOf(draw::Device& dc, const Rect& area, const Design& design,
                           const DiffractionViewCache& cache, bool logIntensity) {
    drawDiffractionView(dc, area, aberrationViewTitle(design), cache.result(design), logIntensity);
}

}  // namespace orvelin
