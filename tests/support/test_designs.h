// Designs built in code for tests and benchmarks, the way the dialogs build
// them: entered values first, then every derived value recomputed.
#pragma once

#include <bit>
#include <cstdint>
#include <vector>

#include "design/design.h"

namespace orvelin::testing {

struct SurfaceSpec {
    double radius = 0;
    double conic = 0;  ///< the sagittal radius when kind is a toroid
    double tilt = 0;
    double separation = 0;
    int kind = kConic;
};

/// Mirrors followed by the focal plane (the last entry; its separation is
/// ignored).
inline Design makeDesign(const std::vector<SurfaceSpec>& surfaces, double aperture, double fieldSemiAngle = 0,
                         const char* units = "mm") {
    Design d;
    d.surfaceCount = static_cast<int>(surfaces.size());
    initMediumSigns(d);
    resetDesign(d);
    for (int i = 1; i <= d.surfaceCount; ++i) {
        const SurfaceSpec& s = surfaces[i - 1];
        d.surfaces[i].kind = s.kind;
        d.surfaces[i].radius = s.radius;
        d.surfaces[i].tilt = s.tilt;
        d.surfaces[i].separation = i < d.surfaceCount ? s.separation : 0;
        d.surfaces[i].sagRadius = s.kind == kToroid ? s.conic : s.radius;
        d.surfaces[i].conic = s.kind == kToroid ? 0 : s.conic;
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
/// focal plane, aperture 100.  Conic 0 is the sphere, 1 the paraboloid.
inline Design singleMirror(double conic, double tilt = 0, double field = 0, const char* units = "mm") {
    return makeDesign({{1000, conic, tilt, 500}, {0, 0, 0, 0}}, 100, field, units);
}

/// The f/5 paraboloid of the worked examples.
inline Design paraboloid(double field = 0, const char* units = "mm") {
    return singleMirror(1, 0, field, units);
}

/// A flat mirror 100 before a flat focal plane: parallel light stays
/// parallel, so an axial spot is the pupil pattern itself, scaled by h.
inline Design flatMirror(double aperture, double field = 0) {
    return makeDesign({{0, 0, 0, 100}, {0, 0, 0, 0}}, aperture, field);
}

/// Three tilted mirrors (a prolate primary, a hyperbolic convex secondary and
/// a toroidal or ellipsoidal tertiary), the focal plane near the best focus
/// and tilted, and a half-degree field: every branch of a field trace but
/// the sphere's.
inline Design threeMirrorTilted(bool toroidalTertiary = true) {
    const SurfaceSpec tertiary = toroidalTertiary ? SurfaceSpec{1100, 1060, 6, 212.3, kToroid}
                                                  : SurfaceSpec{1100, 0.5, 6, 212.3, kConic};
    return makeDesign({{1600, 1.2, 4, 500}, {-900, 3, -7, 550}, tertiary, {0, 0, 2, 0}}, 110, 0.5);
}

/// The same design as a user entered it: title, units, aperture, field and
/// every surface's kind and entered values, bit for bit.  Derived values
/// (which painting the design view recomputes) are not compared.
inline bool sameEnteredValues(const Design& a, const Design& b) {
    const auto same = [](double x, double y) {
        return std::bit_cast<std::uint64_t>(x) == std::bit_cast<std::uint64_t>(y);
    };
    if (a.designTitle != b.designTitle || a.units != b.units || a.surfaceCount != b.surfaceCount ||
        !same(a.aperture, b.aperture) || !same(a.fieldSemiAngle, b.fieldSemiAngle))
        return false;
    for (int i = 1; i <= a.surfaceCount; ++i) {
        const Surface& p = a.surfaces[i];
        const Surface& q = b.surfaces[i];
        if (p.kind != q.kind || !same(p.radius, q.radius) || !same(p.sagRadius, q.sagRadius) ||
            !same(p.conic, q.conic) || !same(p.tilt, q.tilt) || !same(p.separation, q.separation))
            return false;
    }
    return true;
}

}  // namespace orvelin::testing
