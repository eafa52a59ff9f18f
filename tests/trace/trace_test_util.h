// Designs built in code for the trace tests, as the dialogs would build them.
#pragma once

#include <vector>

#include "design/design.h"

namespace orvelin::testing {

struct SurfaceSpec {
    double radius = 0;
    double conic = 0;  ///< or the sagittal radius of a toroid
    double tilt = 0;
    double separation = 0;
    int kind = kConic;
};

/// Mirrors followed by the focal plane (its separation is ignored).
inline Design makeDesign(const std::vector<SurfaceSpec>& surfaces, double aperture, double fieldSemiAngle = 0,
                         const char* units = "mm") {
    Design d;
    d.surfaceCount = static_cast<int>(surfaces.size());
    initMediumSigns(d);
    resetDesign(d);
    for (int i = 1; i <= d.surfaceCount; ++i) {
        const SurfaceSpec& s = surfaces[i - 1];
        d.kind[i] = s.kind;
        d.radius[i] = s.radius;
        d.tilt[i] = s.tilt;
        d.separation[i] = i < d.surfaceCount ? s.separation : 0;
        if (s.kind == kToroid) {
            d.sagRadius[i] = s.conic;
            d.conic[i] = 0;
        } else {
            d.sagRadius[i] = s.radius;
            d.conic[i] = s.conic;
        }
        recomputeSurface(d, i);
    }
    d.aperture = aperture;
    recomputeAperture(d);
    d.fieldSemiAngle = fieldSemiAngle;
    recomputeField(d);
    d.units = units;
    d.designTitle = "test";
    return d;
}

/// The one-mirror design of the worked examples: radius 1000, 500 to a flat
/// focal plane, aperture 100 mm.
inline Design singleMirror(double conic, double tilt = 0, double field = 0) {
    return makeDesign({{1000, conic, tilt, 500}, {0, 0, 0, 0}}, 100, field);
}

}  // namespace orvelin::testing
