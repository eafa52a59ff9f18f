#include "trace/layout.h"

#include <algorithm>
#include <cmath>

namespace orvelin {

namespace {

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

}  // namespace

bool measureLayout(const Design& design, TraceState& state, AnalysisResults& results, LayoutGeometry& g) {
    if (!analyseSystem(design, state, results)) return false;

    const int n = design.surfaceCount;
    const double h = design.semiAperture;
    // Traced with the focal plane at the best focus and best-fit tilt, on a
    // copy: the design itself is only read.
    Design d = design;
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
}

DesignAnalysis analyseDesign(const Design& design) {
    DesignAnalysis a;
    TraceState state;
    measureLayout(design, state, a.results, a.geometry);
    a.status = state.status;
    return a;
}

double designFRatio(const Design& design) {
    const DesignAnalysis a = analyseDesign(design);
    return a.traced() ? a.geometry.layoutFRatio : 0.0;
}

}  // namespace orvelin
