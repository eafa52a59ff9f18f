#include "trace/layout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace orvelin {

namespace {

using draw::Device;
using draw::rgb;

// The layout is traced and drawn with the focal plane at the best focus and
// best-fit tilt; the user's focal plane comes back on every exit.
class FocalPlaneGuard {
  public:
    explicit FocalPlaneGuard(Design& d) : d_(d), n_(d.surfaceCount) {
        if (n_ >= 2) separation_ = d.surfaces[n_ - 1].separation;
        tilt_ = d.surfaces[n_].tilt;
        radius_ = d.surfaces[n_].radius;
        sagRadius_ = d.surfaces[n_].sagRadius;
    }
    ~FocalPlaneGuard() {
        if (n_ >= 2) {
            d_.surfaces[n_ - 1].separation = separation_;
            recomputeSurface(d_, n_ - 1);
        }
        d_.surfaces[n_].tilt = tilt_;
        d_.surfaces[n_].radius = radius_;
        d_.surfaces[n_].sagRadius = sagRadius_;
        recomputeSurface(d_, n_);
    }
    FocalPlaneGuard(const FocalPlaneGuard&) = delete;
    FocalPlaneGuard& operator=(const FocalPlaneGuard&) = delete;

  private:
    Design& d_;
    int n_;
    double separation_ = 0, tilt_ = 0, radius_ = 0, sagRadius_ = 0;
};

// Screen positions are computed in doubles and truncated toward zero.  A
// value beyond any screen (a degenerate layout) is pinned far outside it
// rather than overflowing an int.
int px(double v) {
    if (!(v > -1e8)) return -100000000;
    if (!(v < 1e8)) return 100000000;
    return static_cast<int>(v);
}

// Trace the marginal pair, the ray from startLow at x = -h and the ray from
// startHigh at x = +h, and store half the spread of their hits on every
// surface (in each surface's own frame, so a tangential size).
template <typename StartLow, typename StartHigh>
bool traceFootprint(Design& d, TraceState& state, StartLow startLow, StartHigh startHigh,
                    double* semiDiameter) {
    const int n = d.surfaceCount;
    const double h = d.semiAperture;
    startLow(state.ray);
    state.ray.x = -h;
    for (int i = 1; i <= n; ++i) {
        if (!traceSurface(d, state, i)) return false;
        semiDiameter[i] = state.ray.x;
        leaveSurface(d, state.ray, i);
    }
    startHigh(state.ray);
    state.ray.x = h;
    for (int i = 1; i <= n; ++i) {
        if (!traceSurface(d, state, i)) return false;
        semiDiameter[i] = (state.ray.x - semiDiameter[i]) * 0.5;
        leaveSurface(d, state.ray, i);
    }
    return true;
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
                      bool colouredFaces) {
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
        const double run = std::fabs(d.surfaces[i - 1].signedSeparation) / k * fold;
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

bool measureLayout(Design& d, TraceState& state, AnalysisResults& results, LayoutGeometry& g) {
    if (!analyseSystem(d, state, results)) return false;

    const int n = d.surfaceCount;
    const double h = d.semiAperture;
    FocalPlaneGuard guard(d);
    focusToBestFit(d, results.bestFocus, results.bestFitTilt);

    // The focal ratio from a sagittal marginal ray: its slope after the
    // focal plane gives the cone's half-angle independently of the tilts.
    if (!setEntranceSagittal(d, state)) return false;
    startAxialRay(state.ray);
    state.ray.y = h;
    if (!traceToFocalPlane(d, state)) return false;
    const double q = h / state.ray.M;

    if (!setEntranceTangential(d, state)) return false;
    if (!traceFootprint(d, state, startAxialRay, startAxialRay, g.centralSemiDiameter)) return false;
    auto fieldMinus = [&d](RayState& r) { startFieldRayMinus(d, r); };
    auto fieldPlus = [&d](RayState& r) { startFieldRayPlus(d, r); };
    if (!traceFootprint(d, state, fieldMinus, fieldPlus, g.unvignettedSemiDiameter)) return false;
    g.layoutFRatio = q / d.aperture;

    // Face angles: the axis after surface i leaves at twice the sum of the
    // tilts so far, and each face stands at its own tilt to the axis that
    // arrives at it.  The vertices follow the folded axis as it is drawn:
    // each run is the separation's length, turned back at every mirror.
    double e = 0;
    const double s0 = d.surfaces[0].mediumSign;
    for (int i = 1; i <= n; ++i) {
        const double alpha = 2 * e + d.surfaces[i].tilt;
        g.faceAngle[i] = alpha;
        g.faceSin[i] = std::sin(alpha * kDegree);
        g.faceCos[i] = std::cos(alpha * kDegree);
        g.faceHalfX[i] = std::fabs(g.unvignettedSemiDiameter[i]) * g.faceSin[i];
        g.faceHalfY[i] = std::fabs(g.unvignettedSemiDiameter[i]) * g.faceCos[i];
        if (i == 1) {
            g.vertexX[i] = g.vertexY[i] = 0;
        } else {
            const double run =
                std::fabs(d.surfaces[i - 1].signedSeparation) * d.surfaces[i - 1].mediumSign * s0;
            g.vertexX[i] = g.vertexX[i - 1] + std::cos(2 * e * kDegree) * run;
            g.vertexY[i] = g.vertexY[i - 1] + std::sin(2 * e * kDegree) * run;
        }
        e += d.surfaces[i].tilt;
    }

    // Extent of the picture in design units, the vertex of surface 1 at the
    // origin and always inside.
    double X = 0, Y = 0, minX = 0, maxX = 0, minY = 0, maxY = 0, gAngle = 0;
    d.surfaces[0].signedSeparation = 0;
    for (int i = 0; i <= n - 1; ++i) {
        const double beta = 2 * (i == 0 ? 0.0 : d.surfaces[i].tilt) + gAngle;
        X += std::cos(beta * kDegree) * d.surfaces[i].signedSeparation * d.surfaces[1].mediumSign;
        Y += std::sin(beta * kDegree) * d.surfaces[i].signedSeparation * d.surfaces[1].mediumSign;
        const double fx = std::fabs(g.faceHalfX[i + 1]);
        const double fy = std::fabs(g.faceHalfY[i + 1]);
        minX = std::min(minX, X - fx);
        maxX = std::max(maxX, X + fx);
        minY = std::min(minY, Y - fy);
        maxY = std::max(maxY, Y + fy);
        gAngle = beta;
    }
    g.layoutWidth = 1.1 * (maxX - minX);
    g.layoutHeight = maxY - minY;
    g.layoutMinY = minY;
    g.layoutMaxX = maxX;
    return true;
}  // the user's focal plane comes back here

bool drawLayout(Design& d, TraceState& state, AnalysisResults& results, LayoutGeometry& g, Device& dc) {
    const draw::Size client = dc.size();
    if (!measureLayout(d, state, results, g)) return false;
    const int n = d.surfaceCount;

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
        // The picture shows the focal plane where it was measured.
        FocalPlaneGuard guard(d);
        focusToBestFit(d, results.bestFocus, results.bestFitTilt);
        // The incoming beam starts at the left edge of the centred box.
        d.surfaces[0].signedSeparation = g.layoutWidth - g.layoutMaxX;
        drawFoldedLayout(dc, d, g, X0, Y0, k, true);
    }

    char text[64];
    int len = std::snprintf(text, sizeof text, "f/%.2f", g.layoutFRatio);
    if (len > static_cast<int>(sizeof text) - 1) len = sizeof text - 1;
    dc.text({(client.width + 1) / 2 + 208, 14 * n + 27}, std::string_view(text, len > 0 ? len : 0),
            draw::Font::smallMono(), rgb(0, 255, 255));
    return true;
}

double designFRatio(const Design& design) {
    Design d = design;
    TraceState state;
    AnalysisResults results;
    LayoutGeometry geometry;
    return measureLayout(d, state, results, geometry) ? geometry.layoutFRatio : 0.0;
}

}  // namespace orvelin
