#include "design/design.h"

#include <cmath>
#include <cstring>

namespace orvelin {

void resetDesign(Design& d) {
    // The medium signs belong to the surface count, not to the surface values.
    for (Surface& s : d.surfaces) s = Surface{.mediumSign = s.mediumSign};
    d.aperture = d.semiAperture = d.fieldSemiAngle = d.sinField = 0;
    d.cosField = 1;
}

namespace {
bool sameBits(const double* a, const double* b, int count) {
    return std::memcmp(a, b, sizeof(double) * static_cast<size_t>(count)) == 0;
}
}  // namespace

bool bitIdentical(const Design& a, const Design& b) {
    const double sa[] = {a.aperture, a.semiAperture, a.fieldSemiAngle, a.sinField, a.cosField};
    const double sb[] = {b.aperture, b.semiAperture, b.fieldSemiAngle, b.sinField, b.cosField};
    if (!(a.surfaceCount == b.surfaceCount && a.units == b.units && a.designTitle == b.designTitle &&
          sameBits(sa, sb, 5)))
        return false;
    for (int i = 0; i < kSurfaceSlots; ++i) {
        const Surface& p = a.surfaces[i];
        const Surface& q = b.surfaces[i];
        const double va[] = {p.radius,     p.sagRadius,    p.conic,         p.tilt,
                             p.separation, p.mediumSign,   p.signedRadius,  p.signedSagRadius,
                             p.curvature,  p.sagCurvature, p.oneMinusConic, p.signedSeparation,
                             p.sinTilt,    p.cosTilt};
        const double vb[] = {q.radius,     q.sagRadius,    q.conic,         q.tilt,
                             q.separation, q.mediumSign,   q.signedRadius,  q.signedSagRadius,
                             q.curvature,  q.sagCurvature, q.oneMinusConic, q.signedSeparation,
                             q.sinTilt,    q.cosTilt};
        if (p.kind != q.kind || !sameBits(va, vb, 14)) return false;
    }
    return true;
}

void initMediumSigns(Design& d) {
    const int n = d.surfaceCount;
    d.surfaces[0].mediumSign = (n >= 0 && n % 2 == 0) ? 1.0 : -1.0;
    for (int i = 1; i < kSurfaceSlots; ++i) d.surfaces[i].mediumSign = -d.surfaces[i - 1].mediumSign;
}

void recomputeTilt(Design& d, int i) {
    if (d.surfaces[i].tilt == 0) {
        d.surfaces[i].sinTilt = 0;
        d.surfaces[i].cosTilt = 1;
    } else {
        d.surfaces[i].sinTilt = std::sin(d.surfaces[i].tilt * kDegree);
        d.surfaces[i].cosTilt = std::cos(d.surfaces[i].tilt * kDegree);
    }
}

// A zero radius means a flat surface: curvature exactly 0, no division.
static double curvatureOf(double signedRadius) {
    return signedRadius == 0 ? 0.0 : 1.0 / signedRadius;
}

void recomputeSurface(Design& d, int i) {
    const double s = d.surfaces[i].mediumSign;
    d.surfaces[i].signedRadius = -s * d.surfaces[i].radius;
    d.surfaces[i].signedSagRadius = -s * d.surfaces[i].sagRadius;
    d.surfaces[i].curvature = curvatureOf(d.surfaces[i].signedRadius);
    d.surfaces[i].sagCurvature = curvatureOf(d.surfaces[i].signedSagRadius);
    d.surfaces[i].oneMinusConic = 1 - d.surfaces[i].conic;
    recomputeTilt(d, i);
    d.surfaces[i].signedSeparation = -s * d.surfaces[i].separation;
}

void recomputeAperture(Design& d) {
    d.semiAperture = d.aperture * 0.5;
}

void recomputeField(Design& d) {
    if (d.fieldSemiAngle == 0) {
        d.sinField = 0;
        d.cosField = 1;
    } else {
        d.sinField = std::sin(d.fieldSemiAngle * kDegree);
        d.cosField = std::cos(d.fieldSemiAngle * kDegree);
    }
}

const char* surfaceKindName(const Design& d, int i) {
    if (d.surfaces[i].kind == kToroid) return "toroid";
    if (d.surfaces[i].kind != kConic) return "duplicate";
    if (d.surfaces[i].radius == 0) return "flat";
    const double k = d.surfaces[i].conic;
    if (k == 0) return "sphere";
    if (k == 1) return "parab";
    if (k < 0) return "oblate";
    if (k > 1) return "hyperb";
    return "ellip";
}

void focusToBestFit(Design& d, double bestFocus, double bestFitTilt) {
    const int n = d.surfaceCount;
    if (n < 2) {
        // A lone focal plane has no distance to move; only its tilt is fitted.
        if (n == 1) {
            d.surfaces[n].tilt = bestFitTilt;
            recomputeTilt(d, n);
        }
        return;
    }
    d.surfaces[n - 1].signedSeparation = bestFocus;
    d.surfaces[n - 1].separation = -d.surfaces[n - 1].mediumSign * bestFocus;
    d.surfaces[n].tilt = bestFitTilt;
    recomputeTilt(d, n);
}

void curveFocalPlane(Design& d) {
    const int n = d.surfaceCount;
    if (n < 1) return;
    // Each tilted mirror contributes its curvature over the cosine of its tilt
    // (the tangential field curvature of a tilted mirror).
    double cv = 0;
    for (int i = 1; i <= n - 1; ++i) {
        // A surface left all-zero (e.g. by a cancelled dialog during New) has a
        // stored tilt cosine of 0; its term is skipped instead of dividing by 0.
        if (d.surfaces[i].cosTilt == 0) continue;
        cv -= (d.surfaces[i].curvature / d.surfaces[i].cosTilt) * d.surfaces[i].mediumSign;
    }
    // The focal plane's own cosine of 0 likewise leaves the plane flat.
    cv = d.surfaces[n].cosTilt == 0 ? 0.0 : (2 * cv) / d.surfaces[n].cosTilt;
    d.surfaces[n].curvature = cv;
    d.surfaces[n].sagCurvature = cv;
    d.surfaces[n].signedRadius = cv == 0 ? 0.0 : 1.0 / cv;
    d.surfaces[n].radius = -d.surfaces[n].signedRadius * d.surfaces[n].mediumSign;
    d.surfaces[n].signedSagRadius = d.surfaces[n].signedRadius;
    d.surfaces[n].sagRadius = d.surfaces[n].radius;
}

}  // namespace orvelin
