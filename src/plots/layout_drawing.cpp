#include "plots/layout_drawing.h"

#include <cmath>
#include <cstdio>
#include <string_view>

namespace orvelin {

namespace {

using draw::Device;
using draw::rgb;

// Screen positions are computed in doubles and truncated toward zero.  A
// value beyond any screen (a degenerate layout) is pinned far outside it
// rather than overflowing an int.
int px(double v) {
    if (!(v > -1e8)) return -100000000;
    if (!(v < 1e8)) return 100000000;
    return static_cast<int>(v);
}

// Mirrors are drawn in the colour of their curvature: concave (positive
// radius) blue, convex red, flat green.
draw::Colour faceColour(double radius) {
    if (radius > 0) return rgb(0, 0, 160);
    if (radius < 0) return rgb(160, 0, 0);
    return rgb(0, 160, 0);
}

// The marginal rays, and the faces on paper, are black.
constexpr draw::Pen kLayoutPen{rgb(0, 0, 0)};

}  // namespace

void drawFoldedLayout(Device& dc, const Design& d, const LayoutGeometry& g, double X0, double Y0, double k,
                      double entranceRun, bool colouredFaces) {
    const int n = d.surfaceCount;
    double prevX = X0, prevY = Y0, prevAs = 0, prevAc = 0, e = 0;
    const double s0 = d.surfaces[0].mediumSign;
    for (int i = 1; i <= n; ++i) {
        const double fs = g.faceHalfX[i] / k;
        const double fc = g.faceHalfY[i] / k;
        const double as = g.faceSin[i] * g.centralSemiDiameter[i] / k;
        const double ac = g.faceCos[i] * g.centralSemiDiameter[i] / k;
        // The product of medium signs flips at each mirror, so the picture
        // folds back and forth as the light does.
        const double fold = d.surfaces[i - 1].mediumSign * s0;
        const double run = std::fabs(i == 1 ? entranceRun : d.surfaces[i - 1].signedSeparation) / k * fold;
        const double x = prevX + std::cos(2 * e * kDegree) * run;
        const double y = prevY + std::sin(2 * e * kDegree) * run;
        if (i == 1) prevAc = ac;  // the incoming beam arrives parallel to X

        // The marginal rays.
        dc.line({px(prevX - prevAs), px(prevY + prevAc)}, {px(x - as), px(y + ac)}, kLayoutPen);
        dc.line({px(prevX + prevAs), px(prevY - prevAc)}, {px(x + as), px(y - ac)}, kLayoutPen);

        // On screen each face has the colour of its curvature; on paper it
        // is black.  The last step paints the face's end point too.
        const draw::Pen face = colouredFaces ? draw::Pen{faceColour(d.surfaces[i].radius)} : kLayoutPen;
        dc.polyline({{px(x + fs), px(y - fc)}, {px(x - fs), px(y + fc)}, {px(x - fs), px(y + fc + 1)}}, face);
        if (i != n) {
            // Mirrors are two pixels thick, the focal plane one; the second
            // stroke lies behind the face as the light sees it.
            const int shift = fold == 1 ? 1 : -1;
            dc.polyline({{px(x + fs) + shift, px(y - fc)},
                         {px(x - fs) + shift, px(y + fc)},
                         {px(x - fs) + shift, px(y + fc + 1)}},
                        face);
        }
        prevX = x;
        prevY = y;
        prevAs = as;
        prevAc = ac;
        e += d.surfaces[i].tilt;
    }
}

void drawLayout(const Design& design, const DesignAnalysis& analysis, Device& dc) {
    const draw::Size client = dc.size();
    const LayoutGeometry& g = analysis.geometry;
    const AnalysisResults& results = analysis.results;
    const int n = design.surfaceCount;

    // Scale: the larger of the two units-per-pixel figures, so that the
    // picture fits across the window and down the band below the table.
    const int top = layoutBandTop(n);
    const int right = client.width;
    const int bottom = client.height;
    const double bandHeight = 0.95 * bottom - top;
    const double bandWidth = 0.95 * right;
    // A window too small for a band below the table (or a long design in a
    // small window) has no room for a picture: skip it rather than divide by
    // a zero or negative band.
    double k = 0;
    if (bandHeight > 0 && bandWidth > 0) {
        const double sx = g.layoutWidth / bandWidth;
        const double sy = g.layoutHeight / bandHeight;
        k = (sx != 0 && sx > sy) ? sx : sy;
    }
    if (k > 0 && std::isfinite(k)) {
        const double X0 = (right - g.layoutWidth / k) * 0.5;
        const double Y0 = top + ((bottom - top) - g.layoutHeight / k) * 0.5 - g.layoutMinY / k;
        // The picture shows the focal plane where it was measured; the
        // incoming beam starts at the left edge of the centred box.
        Design shown = design;
        focusToBestFit(shown, results.bestFocus, results.bestFitTilt);
        drawFoldedLayout(dc, shown, g, X0, Y0, k, g.layoutWidth - g.layoutMaxX, true);
    }

    char text[64];
    int len = std::snprintf(text, sizeof text, "f/%.2f", g.layoutFRatio);
    if (len > static_cast<int>(sizeof text) - 1) len = sizeof text - 1;
    dc.text({(client.width + 1) / 2 + 208, 14 * n + 27}, std::string_view(text, len > 0 ? len : 0),
            draw::Font::smallMono(), rgb(0, 255, 255));
}

}  // namespace orvelin
