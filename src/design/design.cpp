#include "design/design.h"

#include <cmath>

namespace orvelin {

void resetDesign(Design& d) {
    for (int i = 0; i < kSurfaceSlots; ++i) {
        d.kind[i] = 0;
        d.radius[i] = d.sagRadius[i] = d.conic[i] = d.tilt[i] = d.separation[i] = 0;
        d.signedRadius[i] = d.signedSagRadius[i] = d.curvature[i] = d.sagCurvature[i] = 0;
        d.oneMinusConic[i] = d.signedSeparation[i] = d.sinTilt[i] = d.cosTilt[i] = 0;
    }
    d.aperture = d.semiAperture = d.fieldSemiAngle = d.sinField = 0;
    d.cosField = 1;
}

void initMediumSigns(Design& d) {
    const int n = d.surfaceCount;
    d.mediumSign[0] = (n >= 0 && n % 2 == 0) ? 1.0 : -1.0;
    for (int i = 1; i < kSignSlots; ++i) d.mediumSign[i] = -d.mediumSign[i - 1];
}

void recomputeTilt(Design& d, int i) {
    if (d.tilt[i] == 0) {
        d.sinTilt[i] = 0;
        d.cosTilt[i] = 1;
    } else {
        d.sinTilt[i] = std::sin(d.tilt[i] * kDegree);
        d.cosTilt[i] = std::cos(d.tilt[i] * kDegree);
    }
}

// A zero radius means a flat surface: curvature exactly 0, no division.
static double curvatureOf(double signedRadius) { return signedRadius == 0 ? 0.0 : 1.0 / signedRadius; }

void recomputeSurface(Design& d, int i) {
    const double s = d.mediumSign[i];
    d.signedRadius[i] = -s * d.radius[i];
    d.signedSagRadius[i] = -s * d.sagRadius[i];
    d.curvature[i] = curvatureOf(d.signedRadius[i]);
    d.sagCurvature[i] = curvatureOf(d.signedSagRadius[i]);
    d.oneMinusConic[i] = 1 - d.conic[i];
    recomputeTilt(d, i);
    d.signedSeparation[i] = -s * d.separation[i];
}

void recomputeAperture(Design& d) { d.semiAperture = d.aperture * 0.5; }

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
    if (d.kind[i] == kToroid) return "toroid";
    if (d.kind[i] != kConic) return "duplicate";
    if (d.radius[i] == 0) return "flat";
    const double k = d.conic[i];
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
            d.tilt[n] = bestFitTilt;
            recomputeTilt(d, n);
        }
        return;
    }
    d.signedSeparation[n - 1] = bestFocus;
    d.separation[n - 1] = -d.mediumSign[n - 1] * bestFocus;
    d.tilt[n] = bestFitTilt;
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
        if (d.cosTilt[i] == 0) continue;
        cv -= (d.curvature[i] / d.cosTilt[i]) * d.mediumSign[i];
    }
    // The focal plane's own cosine of 0 likewise leaves the plane flat.
    cv = d.cosTilt[n] == 0 ? 0.0 : (2 * cv) / d.cosTilt[n];
    d.curvature[n] = cv;
    d.sagCurvature[n] = cv;
    d.signedRadius[n] = cv == 0 ? 0.0 : 1.0 / cv;
    d.radius[n] = -d.signedRadius[n] * d.mediumSign[n];
    d.signedSagRadius[n] = d.signedRadius[n];
    d.sagRadius[n] = d.radius[n];
}

}  // namespace orvelin
