#include "tolerance/tolerance_view.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "aberrations/plot_axes.h"
#include "trace/ray_trace.h"

namespace orvelin {

namespace {

// The device draws Latin-1 text.
constexpr const char* kPlusMinus = "\xB1";
constexpr const char* kDegreeSign = "\xB0";

template <typename... Args>
std::string format(const char* fmt, Args... args) {
    char buf[160];
    std::snprintf(buf, sizeof buf, fmt, args...);
    return buf;
}

/// A signed number in its format; one that rounds to zero prints as +0,
/// never as -0.
std::string signedText(const char* fmt, double v) {
    if (!std::isfinite(v)) return "-";
    std::string s = format(fmt, v);
    if (s.find_first_of("123456789") == std::string::npos) s = format(fmt, 0.0);
    return s;
}

const char* changeFormat(const Criterion& c) {
    return c.figure == CriterionFigure::rmsWavefront ? "%+.5f" : "%+.4f";
}

bool meets(const ToleranceOptions& o, const CompensatedValue& v) {
    if (!v.traced) return false;
    if (!o.threshold) return true;
    return o.criterion.higherIsBetter() ? v.value >= *o.threshold : v.value <= *o.threshold;
}

std::string distributionText(const ToleranceOptions& o) {
    return o.distribution == Distribution::normal ? "normal, sigma V/2 cut at V" : "uniform within the bands";
}

}  // namespace

ToleranceOptions viewToleranceOptions(const Design& design) {
    ToleranceOptions o;
    std::string error;
    for (const std::string& t : defaultToleranceTexts(design)) parseTolerance(t, design, o.tolerances, error);
    o.compensation = Compensation::focus;
    o.threshold = kViewToleranceThreshold;
    o.trials = kViewToleranceTrials;
    o.seed = kViewToleranceSeed;
    return o;
}

std::string criterionUnit(const Criterion& c) {
    return c.figure == CriterionFigure::rmsSpot        ? " um"
           : c.figure == CriterionFigure::rmsWavefront ? " waves"
                                                       : "";
}

std::string criterionText(const Criterion& c, double v) {
    if (!std::isfinite(v)) return "-";
    return format(c.figure == CriterionFigure::rmsWavefront ? "%.5f" : "%.4f", v);
}

std::vector<std::string> toleranceTableHeadings(const ToleranceResult& r) {
    std::vector<std::string> h{"Tolerance", kPlusMinus, "At -", "At +", "Change"};
    for (const std::string& n : r.compensatorNames) h.push_back("Refocus " + n + " (-/+)");
    return h;
}

std::vector<ToleranceTableRow> toleranceTable(const ToleranceResult& r, const std::string& units) {
    const ToleranceOptions& o = r.options;
    const Criterion& c = o.criterion;
    const std::string length = units == "mm" ? " mm" : " in";
    std::vector<ToleranceTableRow> rows;
    for (const SensitivityRow& s : r.sensitivity) {
        ToleranceTableRow row;
        const Tolerance& t = s.tolerance;
        row.tolerance = t.name();
        switch (t.kind) {
            case ToleranceKind::tilt:
                row.band = kPlusMinus + format("%.4g", s.span) + kDegreeSign;
                break;
            case ToleranceKind::conic:
                row.band = kPlusMinus + format("%.4g", s.span);
                break;
            default:
                row.band = kPlusMinus + format("%.4g", s.span) + length;
                if (t.percent) row.band += format(" (%g%%)", t.amount);
                break;
        }
        row.minus = s.minus.traced ? criterionText(c, s.minus.value) : "failed";
        row.plus = s.plus.traced ? criterionText(c, s.plus.value) : "failed";
        if (!s.minus.traced || !s.plus.traced) {
            row.change = "failed";
        } else {
            const double worse = c.higherIsBetter() ? std::min(s.minus.value, s.plus.value)
                                                    : std::max(s.minus.value, s.plus.value);
            row.change = signedText(changeFormat(c), worse - r.nominal.value);
        }
        for (std::size_t i = 0; i < r.compensatorNames.size(); ++i) {
            auto shift = [&](const CompensatedValue& e) {
                if (!e.traced || i >= e.compensators.size() || i >= r.nominal.compensators.size())
                    return std::string("-");
                return signedText("%+.4f", e.compensators[i] - r.nominal.compensators[i]);
            };
            row.refocus.push_back(shift(s.minus) + " / " + shift(s.plus));
        }
        row.critical = !meets(o, s.minus) || !meets(o, s.plus);
        rows.push_back(std::move(row));
    }
    return rows;
}

ToleranceHistogram toleranceHistogram(const ToleranceResult& r) {
    ToleranceHistogram h;
    std::vector<double> ok;
    if (r.montecarlo)
        for (const auto& v : r.montecarlo->values)
            if (v && std::isfinite(*v)) ok.push_back(*v);
    std::vector<double> marks = ok;
    if (r.nominal.traced && std::isfinite(r.nominal.value)) marks.push_back(r.nominal.value);
    if (r.options.threshold) marks.push_back(*r.options.threshold);
    if (marks.empty()) return h;
    h.low = *std::min_element(marks.begin(), marks.end());
    h.high = *std::max_element(marks.begin(), marks.end());
    if (!(h.high - h.low > 1e-12 * std::max(1.0, std::fabs(h.low)))) {
        // One value only: a narrow band around it.
        const double pad = std::max(1e-6, 0.01 * std::fabs(h.low));
        h.low -= pad;
        h.high += pad;
    }
    int bins = std::clamp(static_cast<int>(std::lround(std::sqrt(static_cast<double>(ok.size())))), 5, 40);
    const double width = (h.high - h.low) / bins;
    if (r.options.threshold && *r.options.threshold > h.low) {
        // The threshold on a bin's edge, so that every bar either meets it
        // or misses it: the bins start a whole number of widths below it.
        const double t = *r.options.threshold;
        h.low = t - std::ceil((t - h.low) / width - 1e-9) * width;
        bins = std::max(1, static_cast<int>(std::ceil((h.high - h.low) / width - 1e-9)));
        h.high = h.low + bins * width;
    }
    h.counts.assign(bins, 0);
    for (double v : ok) {
        const int i = std::clamp(static_cast<int>(std::floor((v - h.low) / width)), 0, bins - 1);
        ++h.counts[i];
    }
    h.largest = *std::max_element(h.counts.begin(), h.counts.end());
    return h;
}

draw::Rect toleranceHistogramBox(const draw::Rect& area, int lineHeight) {
    const int margin = std::max(4, area.width() / 80);
    return draw::Rect{area.left + margin + 4 * lineHeight, area.top + 2 * lineHeight + lineHeight / 2,
                      area.left + area.width() * 2 / 3, area.bottom - margin - 3 * lineHeight};
}

void drawToleranceHistogram(draw::Device& dc, const draw::Rect& area, const ToleranceResult& r) {
    using namespace draw;
    const PlotStyle style = plotStyle(dc, area);
    const int lh = style.lineHeight, margin = std::max(4, area.width() / 80);
    const ToleranceOptions& o = r.options;
    const Criterion& c = o.criterion;
    if (!r.montecarlo) {
        dc.text({area.left + margin, area.top},
                "No Monte-Carlo run: give a number of trials to build telescopes.", style.font, kPlotBlack);
        return;
    }
    const MonteCarloResult& m = *r.montecarlo;
    dc.text({area.left + margin, area.top},
            format("Monte-Carlo: %s of %d telescopes built within the bands", c.name.c_str(), m.trials),
            style.font, kPlotBlack);

    const ToleranceHistogram h = toleranceHistogram(r);
    PlotAxes axes;
    axes.box = toleranceHistogramBox(area, lh);
    if (axes.box.width() < 8 || axes.box.height() < 8 || h.counts.empty()) return;
    axes.xMin = h.low, axes.xMax = h.high;
    // Whole trials a tick, the tallest bar under the top tick.
    const double step = std::max(1.0, niceCeiling(h.largest / 4.0));
    axes.yMin = 0, axes.yMax = std::max(1.0, std::ceil(h.largest / step)) * step;
    drawAxes(dc, axes, style, c.name + criterionUnit(c), "trials");

    const int bins = static_cast<int>(h.counts.size());
    const double width = (h.high - h.low) / bins;
    for (int i = 0; i < bins; ++i) {
        if (h.counts[i] == 0) continue;
        const double a = h.low + i * width, b = a + width;
        CompensatedValue middle;
        middle.traced = true;
        middle.value = (a + b) / 2;
        const Colour colour = meets(o, middle) ? kToleranceBarMet : kToleranceBarMissed;
        dc.rect(Rect{axes.px(a), axes.py(h.counts[i]), axes.px(b) + 1, axes.box.bottom}, Pen{kPlotBlack, 1},
                colour);
    }
    // The marks' lines first, then their labels on white over them, to be
    // read over a bar or the other line.
    struct Mark {
        int x;
        std::string label;
        Colour colour;
    };
    std::vector<Mark> marks;
    if (o.threshold) {
        marks.push_back(
            {axes.px(*o.threshold), "threshold " + criterionText(c, *o.threshold), kToleranceThreshold});
        dc.line({marks.back().x, axes.box.top}, {marks.back().x, axes.box.bottom},
                Pen{kToleranceThreshold, style.penWidth, LineStyle::dash});
    }
    if (r.nominal.traced) {
        marks.push_back({axes.px(r.nominal.value), "nominal", kPlotBlack});
        dc.line({marks.back().x, axes.box.top}, {marks.back().x, axes.box.bottom},
                Pen{kPlotBlack, 1, LineStyle::dot});
    }
    int labelY = axes.box.top + 2;
    for (const Mark& m : marks) {
        // Beside its line, on the side with room for it.
        const int w = dc.textSize(m.label, style.font).width;
        const int at = m.x + 3 + w < axes.box.right ? m.x + 3 : m.x - 3 - w;
        dc.text({at, labelY}, m.label, style.font, m.colour, rgb(255, 255, 255));
        labelY += lh;
    }

    // The statistics to the right of the plot.
    const int x = axes.box.right + 2 * lh;
    int y = axes.box.top;
    auto line = [&](const std::string& text) {
        dc.text({x, y}, text, style.font, kPlotBlack);
        y += lh;
    };
    const char* side = c.higherIsBetter() ? "at least" : "at most";
    line(format("%d trials, seed %llu", m.trials, static_cast<unsigned long long>(o.seed)));
    line(distributionText(o));
    line(format("refocused: %s", compensationName(o.compensation)));
    line(format("failed (no image): %d", m.failed));
    y += lh / 2;
    line("mean " + criterionText(c, m.mean));
    line("std  " + criterionText(c, m.std));
    for (const auto& [share, v] : {std::pair{50, m.p50}, std::pair{90, m.p90}, std::pair{98, m.p98}})
        line(format("%d %% %s ", share, side) + criterionText(c, v));
    if (m.yield && o.threshold) {
        y += lh / 2;
        line(format("yield %.1f %%", 100 * *m.yield));
        line(format("(%s %s %s)", c.name.c_str(),
                    c.higherIsBetter() ? ">=" : "<=", criterionText(c, *o.threshold).c_str()));
    }
}

void drawToleranceView(draw::Device& dc, const draw::Rect& area, const Design& design,
                       const ToleranceResult* r) {
    using namespace draw;
    const PlotStyle style = plotStyle(dc, area);
    const int lh = style.lineHeight, margin = std::max(4, area.width() / 80);
    const int x0 = area.left + margin;
    int y = area.top + margin;
    auto line = [&](const std::string& text, Colour colour = kPlotBlack) {
        dc.text({x0, y}, text, style.font, colour);
        y += lh;
    };
    line("Tolerances: " + design.designTitle);
    if (!r) {
        line("No tolerance analysis of this design: Tools > Tolerances... runs one.");
        return;
    }
    const ToleranceOptions& o = r->options;
    const Criterion& c = o.criterion;
    if (r->status == ToleranceStatus::nominalFailed) {
        line("The design as given has no image for " + c.name + ": " + traceProblemMessage(r->traceStatus));
        return;
    }
    if (r->status == ToleranceStatus::cancelled) {
        line("The analysis was cancelled.");
        return;
    }
    std::string refocus;
    for (std::size_t i = 0; i < r->compensatorNames.size() && i < r->nominal.compensators.size(); ++i)
        refocus +=
            format("; %s %.4f (design %.4f)", r->compensatorNames[i].c_str(), r->nominal.compensators[i],
                   i < r->designCompensators.size() ? r->designCompensators[i] : NAN);
    line(format("Criterion %s%s, refocused for %s: nominal %s%s", c.name.c_str(), criterionUnit(c).c_str(),
                compensationName(o.compensation), criterionText(c, r->nominal.value).c_str(),
                refocus.c_str()));
    line(format("Sensitivity: each value alone at both ends of its band, refocused; most damaging first%s",
                o.threshold ? (", red where an end misses " + criterionText(c, *o.threshold)).c_str() : ""));
    y += lh / 2;

    // Columns as wide as their widest cell; numbers stand right-aligned.
    const std::vector<std::string> headings = toleranceTableHeadings(*r);
    const std::vector<ToleranceTableRow> rows = toleranceTable(*r, design.units);
    auto cells = [](const ToleranceTableRow& row) {
        std::vector<std::string> v{row.tolerance, row.band, row.minus, row.plus, row.change};
        v.insert(v.end(), row.refocus.begin(), row.refocus.end());
        return v;
    };
    std::vector<int> widths(headings.size(), 0);
    for (std::size_t k = 0; k < headings.size(); ++k) widths[k] = dc.textSize(headings[k], style.font).width;
    for (const ToleranceTableRow& row : rows) {
        const std::vector<std::string> v = cells(row);
        for (std::size_t k = 0; k < v.size() && k < widths.size(); ++k)
            widths[k] = std::max(widths[k], dc.textSize(v[k], style.font).width);
    }
    std::vector<int> left(headings.size(), x0);
    for (std::size_t k = 1; k < headings.size(); ++k) left[k] = left[k - 1] + widths[k - 1] + lh;
    auto drawRow = [&](const std::vector<std::string>& v, Colour colour) {
        for (std::size_t k = 0; k < v.size() && k < widths.size(); ++k) {
            // The names and bands stand left, the numbers right.
            const int at = k < 2 ? left[k] : left[k] + widths[k] - dc.textSize(v[k], style.font).width;
            dc.text({at, y}, v[k], style.font, colour);
        }
        y += lh;
    };
    drawRow(headings, kPlotBlack);
    const int ruleY = y;
    dc.line({x0, ruleY}, {left.back() + widths.back(), ruleY}, Pen{kPlotBlack, 1});
    y += 2;

    // The histogram takes the lower part when there is one; the table what
    // is left above it.
    const int histogramTop =
        r->montecarlo ? area.bottom - std::max(area.height() * 9 / 20, 10 * lh) : area.bottom;
    const int room = std::max(0, (histogramTop - lh - y) / lh);
    const int shown =
        static_cast<int>(rows.size()) <= room ? static_cast<int>(rows.size()) : std::max(0, room - 1);
    for (int i = 0; i < shown; ++i)
        drawRow(cells(rows[i]), rows[i].critical ? kToleranceCritical : kPlotBlack);
    if (shown < static_cast<int>(rows.size()))
        line(format("... and %d more, each less damaging", static_cast<int>(rows.size()) - shown));
    if (r->montecarlo) drawToleranceHistogram(dc, Rect{area.left, y + lh, area.right, area.bottom}, *r);
}

}  // namespace orvelin
