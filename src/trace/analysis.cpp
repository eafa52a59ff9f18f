// System analysis: paraxial foci from Coddington's equations along the axial
// ray, then real marginal, field and chief rays traced to the last mirror.
#include "trace/analysis.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace orvelin {

namespace {

bool noFocus(TraceState& state) {
    state.status = kTraceNoFocus;
    return false;
}

/// One paraxial section (sagittal or tangential) through mirror i by
/// Coddington's equations.  `obliquity` is ct^2 for the tangential section
/// and 1 for the sagittal one; `cv` the section's curvature.  The distance l
/// is measured from the mirror; `collimated` says whether the beam is
/// parallel (l is then meaningless and kept at 0).
void paraxialStep(double& l, bool& collimated, double sIn, double sOut, double ct, double obliquity,
                  double cv) {
    if (!collimated && l == 0) {
        // The image lies on the mirror's vertex: the mirror images it onto
        // itself, so it stays there (the formula would divide by zero).
        return;
    }
    const double v = collimated ? 0 : sIn * obliquity / l;
    if (v == 0 && cv == 0) return;  // a flat leaves a parallel beam parallel
    const double p = (sOut * ct - sIn * ct) * cv;
    const double sum = v + p;
    if (sum == 0) {
        l = 0;
        collimated = true;  // afocal so far
    } else {
        l = sOut * obliquity / sum;
        collimated = (l == 0);
    }
}

/// Where a tangential ray crosses the axis (x = 0), in the last mirror's
/// frame; false for a ray parallel to the axis.
bool axisCrossing(const RayState& r, double& z) {
    if (r.L == 0) return false;
    z = r.z - r.x * r.N / r.L;
    return true;
}

/// Where a ray started at y = h crosses the tangential plane (y = 0).
bool sagittalCrossing(const RayState& r, double& z, double& x) {
    if (r.M == 0) return false;
    z = r.z - r.y * r.N / r.M;
    x = r.x - r.y * r.L / r.M;
    return true;
}

/// Meeting point of two tangential rays: lateral position and distance.
struct TangentialRay {
    double z, u, N;
};
bool meet(const TangentialRay& a, const TangentialRay& b, double& lateral, double& distance) {
    const double denom = a.u * b.N - a.N * b.u;
    if (denom == 0) return false;  // parallel rays never meet
    const double k = (b.z - a.z) * b.u / denom;
    lateral = k * a.u;
    distance = a.z - k * a.N;
    return true;
}

using StartRay = void (*)(const Design&, RayState&);

/// Trace one tangential marginal ray of the beam started by `start` at x.
bool tangentialRay(Design& design, TraceState& state, StartRay start, double x, TangentialRay& out) {
    start(design, state.ray);
    state.ray.x = x;
    if (!traceToLastMirror(design, state)) return false;
    if (!axisCrossing(state.ray, out.z)) return noFocus(state);
    out.u = -state.ray.L;
    out.N = state.ray.N;
    return true;
}

void startAxial(const Design&, RayState& ray) {
    startAxialRay(ray);
}

struct EdgeFoci {
    double ZS, XS, ZT, XT;
};

/// The figures of one field edge (the beam started by `start`).
bool fieldEdge(Design& design, TraceState& state, StartRay start, const AnalysisResults& r, FieldPanel& panel,
               EdgeFoci& foci) {
    const double h = design.semiAperture;
    start(design, state.ray);
    state.ray.y = h;
    if (!traceToLastMirror(design, state)) return false;
    if (!sagittalCrossing(state.ray, foci.ZS, foci.XS)) return noFocus(state);

    if (!setEntranceTangential(design, state)) return false;
    TangentialRay t1, t2;
    if (!tangentialRay(design, state, start, h, t1)) return false;
    if (!tangentialRay(design, state, start, -h, t2)) return false;
    if (!meet(t1, t2, foci.XT, foci.ZT)) return noFocus(state);

    panel.ast = foci.ZS - foci.ZT;
    panel.xS = foci.ZS - r.lsMarginal;
    panel.xT = foci.ZT - r.ltMarginal;

    // Chief ray through the vertex of surface 1.
    state.entrance = 0;
    start(design, state.ray);
    if (!traceToLastMirror(design, state)) return false;
    RayState& c = state.ray;
    if (c.L == 0) c.L = 1e-12;  // parallel to the axis: meets it very far away
    if (c.N == 0) return noFocus(state);
    const double zc = c.z - c.x * c.N / c.L;
    panel.comaS = std::fabs((zc - foci.ZS) * c.L / c.N) - std::fabs(foci.XS);
    panel.comaT = std::fabs((zc - foci.ZT) * c.L / c.N) - std::fabs(foci.XT);
    return true;
}

/// Tilt (degrees) of the line through two foci; 0 when they lie at the same
/// height, where no line can be fitted.
double focalTilt(double z1, double x1, double z2, double x2) {
    const double dx = x1 - x2;
    if (dx == 0) return 0;
    const double t = std::atan((z1 - z2) / dx) * kRadianToDegree;
    return std::fabs(t) < 1e-12 ? 0 : t;
}

bool allFinite(const AnalysisResults& r) {
    static_assert(sizeof(AnalysisResults) == kAnalysisFigureCount * sizeof(double));
    std::array<double, kAnalysisFigureCount> figures;
    std::memcpy(figures.data(), &r, sizeof r);
    return std::all_of(figures.begin(), figures.end(), [](double v) { return std::isfinite(v); });
}

bool analyse(Design& design, TraceState& state, AnalysisResults& r) {
    const int n = design.surfaceCount;
    const double h = design.semiAperture;
    if (h == 0) {
        state.status = kTraceApertureZero;
        return false;
    }
    // At least one mirror, and no more than the design can hold.
    if (n < 2 || n > kMaxSurfaces) return noFocus(state);

    // 1. Paraxial foci: Coddington's equations along the axial ray, the
    //    angle of incidence on each mirror being its tilt.
    double lS = 0, lT = 0;
    bool collS = true, collT = true;
    for (int i = 1; i <= n - 1; ++i) {
        const double sIn = design.surfaces[i].mediumSign, sOut = design.surfaces[i + 1].mediumSign;
        const double ct = design.surfaces[i].cosTilt;
        paraxialStep(lS, collS, sIn, sOut, ct, 1.0, design.surfaces[i].sagCurvature);
        paraxialStep(lT, collT, sIn, sOut, ct, ct * ct, design.surfaces[i].curvature);
        if (i != n - 1) {
            // Distances to the next mirror; a parallel beam has none.
            if (!collS) lS -= design.surfaces[i].signedSeparation;
            if (!collT) lT -= design.surfaces[i].signedSeparation;
        }
    }
    // Decided by the beams, not by the distances: an afocal system has no
    // focus even when a later separation has made a distance non-zero.
    if (collS || collT) return noFocus(state);
    r.lsParaxial = lS;
    r.ltParaxial = lT;
    r.astParaxial = lS - lT;

    // 2. On-axis tangential marginal pair.
    if (!setEntranceTangential(design, state)) return false;
    TangentialRay t1, t2;
    if (!tangentialRay(design, state, startAxial, h, t1)) return false;
    if (!tangentialRay(design, state, startAxial, -h, t2)) return false;

    // 3. On-axis sagittal marginal ray.
    if (!setEntranceSagittal(design, state)) return false;
    startAxialRay(state.ray);
    state.ray.y = h;
    if (!traceToLastMirror(design, state)) return false;
    const double Msag = state.ray.M;
    if (!sagittalCrossing(state.ray, r.lsMarginal, r.comaS)) return noFocus(state);

    // 4. Tangential focus from the pair.
    if (!meet(t1, t2, r.comaT, r.ltMarginal)) return noFocus(state);

    // 5. Best focus: a quarter of the way from the mean marginal focus
    //    towards the mean paraxial one.
    const double m = (r.lsMarginal + r.ltMarginal) * 0.5;
    const double p = (r.lsParaxial + r.ltParaxial) * 0.5;
    r.bestFocus = m + (p - m) * 0.25;

    r.astMarginal = r.lsMarginal - r.ltMarginal;
    r.laS = r.lsMarginal - r.lsParaxial;
    r.laT = r.ltMarginal - r.ltParaxial;

    // 6. Focal lengths from the exit slopes of the marginal rays.
    if (t1.u == t2.u) return noFocus(state);
    r.focusS = h / (-Msag);
    r.focusT = 2 * h / (t1.u - t2.u);
    r.fRatio = (r.focusS + r.focusT) / (4 * h);

    // 7. Tolerance on longitudinal aberration, a quarter wave of 0.000088
    //    inch, in the design's unit.
    const double lambda = kToleranceWavelengthInches * (isMetric(design) ? 25.4 : 1.0);
    const double slopes = t1.u * t2.u;
    if (slopes == 0) return noFocus(state);  // slopes so small their product underflows
    r.laTolerance = std::fabs(lambda / slopes);

    // 8. Field edges; a design without field gets a quarter-degree field.
    if (design.sinField == 0) {
        design.sinField = std::sin(kDefaultFieldRadians);
        design.cosField = std::cos(kDefaultFieldRadians);
    }
    EdgeFoci e1, e2;
    // The first edge keeps the sagittal entrance distance of step 3.
    if (!fieldEdge(design, state, startFieldRayPlus, r, r.fieldPanelMinus, e1)) return false;
    if (!setEntranceSagittal(design, state)) return false;
    if (!fieldEdge(design, state, startFieldRayMinus, r, r.fieldPanelPlus, e2)) return false;

    // 9. Tilt of the best-fit focal plane.
    r.tiltS = focalTilt(e1.ZS, e1.XS, e2.ZS, e2.XS);
    r.tiltT = focalTilt(e1.ZT, e1.XT, e2.ZT, e2.XT);
    r.bestFitTilt = (r.tiltS + r.tiltT) * 0.5;
    if (std::fabs(r.bestFitTilt) < 1e-10) r.bestFitTilt = 0;

    // 10. Field size on the best-fit focal plane (the entrance distance is
    //     still 0 from the chief rays).
    design.surfaces[n - 1].signedSeparation = r.bestFocus;
    design.surfaces[n].tilt = r.bestFitTilt;
    recomputeTilt(design, n);
    startFieldRaySagittal(design, state.ray);
    if (!traceToFocalPlane(design, state)) return false;
    // A field whose image has no size has no focus to speak of.
    if (state.ray.y == 0) return noFocus(state);
    r.fieldDiameter = 2 * state.ray.y;
    startFieldRayPlus(design, state.ray);
    if (!traceToFocalPlane(design, state)) return false;
    const double xPlus = state.ray.x;
    startFieldRayMinus(design, state.ray);
    if (!traceToFocalPlane(design, state)) return false;
    r.anamorphism = ((xPlus - state.ray.x) / r.fieldDiameter - 1) * 100;

    // Absurd but finite inputs can still overflow a figure: that is a focus
    // at no usable distance.
    if (!allFinite(r)) return noFocus(state);
    return true;
}

}  // namespace

bool analyseSystem(const Design& design, TraceState& state, AnalysisResults& results) {
    state.status = kTraceOk;
    // The analysis moves the entrance, the field and the focal plane as it
    // goes: it works on a copy, so the design is only read.
    Design working = design;
    return analyse(working, state, results);
}

}  // namespace orvelin
