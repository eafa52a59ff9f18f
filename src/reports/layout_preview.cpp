#include "reports/layout_preview.h"

#include <cmath>

#include "app/command_ids.h"
#include "reports/design_view.h"
#include "plots/layout_drawing.h"

namespace orvelin {

bool drawLayoutPreview(draw::Device& dc, const Design& design) {
    eraseBackground(dc, kDesignViewBackground);
    TraceState state;
    AnalysisResults results;
    LayoutGeometry g;
    if (!measureLayout(design, state, results, g)) return false;

    // The scale as the design view chooses it, with the whole device as the
    // band: the larger of the two design units per pixel.
    const draw::Size client = dc.size();
    const double bandWidth = 0.95 * client.width;
    const double bandHeight = 0.95 * client.height;
    if (bandWidth <= 0 || bandHeight <= 0) return true;
    const double sx = g.layoutWidth / bandWidth;
    const double sy = g.layoutHeight / bandHeight;
    const double k = (sx != 0 && sx > sy) ? sx : sy;
    if (!(k > 0 && std::isfinite(k))) return true;
    const double X0 = (client.width - g.layoutWidth / k) * 0.5;
    const double Y0 = (client.height - g.layoutHeight / k) * 0.5 - g.layoutMinY / k;
    // A copy shows the best focus; the caller's design is only read.
    Design d = design;
    focusToBestFit(d, results.bestFocus, results.bestFitTilt);
    // The incoming beam starts at the left edge of the centred picture.
    drawFoldedLayout(dc, d, g, X0, Y0, k, g.layoutWidth - g.layoutMaxX, true);
    return true;
}

}  // namespace orvelin
