#include <algorithm>
#include <cmath>
#include <cstdio>

#include "aberrations/aberration_views.h"
#include "aberrations/plot_axes.h"

namespace orvelin {

void drawThroughFocusView(draw::Device& dc, const draw::Rect& area, const AberrationViewTitle& t,
                          const ThroughFocusResult& r) {
    using namespace draw;
    const PlotStyle style = plotStyle(dc, area);
    const int lh = style.lineHeight, margin = std::max(4, area.width() / 80);
    const int x0 = area.left + margin, y0 = area.top + margin;
    char buf[200];
    dc.text({x0, y0}, std::string("Spots through focus: ") + t.title + ", field " + qualityFieldName(r.field),
            style.font, kPlotBlack);
    if (r.status != kTraceOk) {
        dc.text({x0, y0 + 2 * lh}, traceProblemMessage(r.status), style.font, kPlotBlack);
        return;
    }
    std::snprintf(buf, sizeof buf,
                  "Focal plane moved along the chief ray in steps of %.4f %s (working f/%.2f), %g \xB5m",
                  r.step, t.units.c_str(), r.workingFRatio, r.wavelengthMicrons);
    dc.text({x0, y0 + lh}, buf, style.font, kPlotBlack);

    const int n = std::max<int>(1, static_cast<int>(r.spots.size()));
    const int columnWidth = (area.right - margin - x0) / n;
    const int side =
        std::max(8, std::min(columnWidth - lh / 2, area.bottom - margin - (y0 + 4 * lh) - 5 * lh));
    const int top = y0 + 4 * lh;
    const double scale =
        r.largestRadius > 0 && std::isfinite(r.largestRadius) ? (side / 2 - 2) / r.largestRadius : 0;
    const Pen boxPen{kPlotMissing, style.penWidth};
    for (int k = 0; k < static_cast<int>(r.spots.size()); ++k) {
        const FocusSpot& s = r.spots[k];
        const Rect box{x0 + k * columnWidth, top, x0 + k * columnWidth + side, top + side};
        dc.rect(box, boxPen);
        const int cx = box.left + side / 2, cy = box.top + side / 2;
        std::snprintf(buf, sizeof buf, "%+.3f %s", s.shift, t.units.c_str());
        dc.text({box.left, box.top - lh}, buf, style.font, kPlotBlack);
        if (s.status != kTraceOk) {
            dc.text({box.left, box.bottom + lh / 2}, traceProblemMessage(s.status), style.font, kPlotBlack);
            continue;
        }
        // Image +x to the left of the centre and +y downward, as in the spot plots.
        for (const SpotPoint& p : s.points)
            dc.pixel({cx + static_cast<int>((s.centroidX - p.x) * scale),
                      cy + static_cast<int>((p.y - s.centroidY) * scale)},
                     kPlotBlack);
        std::snprintf(buf, sizeof buf, "RMS %.2f \xB5m", s.rmsSpot);
        dc.text({box.left, box.bottom + lh / 2}, buf, style.font, kPlotBlack);
    }
    // The scale bar: the longest 1, 2 or 5 times a power of ten that fits a box.
    if (scale > 0) {
        const double most = side / scale, p = std::pow(10.0, std::floor(std::log10(most)));
        double bar = p;
        for (double m : {5.0, 2.0, 1.0})
            if (m * p <= most) {
                bar = m * p;
                break;
            }
        const int len = static_cast<int>(bar * scale), y = top + side + 3 * lh;
        const Pen black{kPlotBlack, style.penWidth};
        dc.line({x0, y}, {x0 + len, y}, black);
        dc.line({x0, y - lh / 4}, {x0, y + lh / 4 + 1}, black);
        dc.line({x0 + len, y - lh / 4}, {x0 + len, y + lh / 4 + 1}, black);
        std::snprintf(buf, sizeof buf, "%g \xB5m", bar);
        dc.text({x0 + len + lh / 2, y - lh / 2}, buf, style.font, kPlotBlack);
    }
}

}  // namespace orvelin
