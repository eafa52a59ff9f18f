// Designs built value by value, so that the drawing tests do not depend on
// the file reader.
#pragma once

#include "design/design.h"

namespace orvelin::testing {

struct MirrorValues {
    double radius, conic, tilt, separation;
    int kind = kConic;
    double sagRadius = 0;  ///< toroids only
};

/// A design of the given mirrors and a flat, untilted focal plane.
inline Design makeDesign(std::initializer_list<MirrorValues> mirrors, double aperture, double field,
                         const char* units = "mm") {
    Design d;
    d.surfaceCount = static_cast<int>(mirrors.size()) + 1;
    initMediumSigns(d);
    resetDesign(d);
    int i = 1;
    for (const MirrorValues& m : mirrors) {
        d.kind[i] = m.kind;
        d.radius[i] = m.radius;
        d.sagRadius[i] = m.kind == kToroid ? m.sagRadius : m.radius;
        d.conic[i] = m.kind == kToroid ? 0 : m.conic;
        d.tilt[i] = m.tilt;
        d.separation[i] = m.separation;
        ++i;
    }
    for (int s = 1; s <= d.surfaceCount; ++s) recomputeSurface(d, s);
    d.aperture = aperture;
    recomputeAperture(d);
    d.fieldSemiAngle = field;
    recomputeField(d);
    d.units = units;
    return d;
}

/// The f/5 paraboloid of the worked example: R 1000, K 1, 500 to the focal
/// plane, aperture 100, field semi-angle 0.5 degrees.
inline Design paraboloid() {
    return makeDesign({{1000, 1, 0, 500}}, 100, 0.5);
}

}  // namespace orvelin::testing
