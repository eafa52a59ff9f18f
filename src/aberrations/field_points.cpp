#include "aberrations/field_points.h"

#include <algorithm>
#include <cmath>

#include "trace/analysis.h"

namespace orvelin {

RayState fieldStartRay(const Design& design, FieldAngle a) {
    const double s = design.surfaces[1].mediumSign;
    const double t = a.tangential * kDegree, g = a.sagittal * kDegree;
    // In either plane alone the direction is (s sin, 0, cos): what the
    // field edges of the image-quality figures start with, to the bit.
    if (a.sagittal == 0) {
        if (a.tangential == 0) return RayState{0, 0, 0, 0, 0, 1};
        return RayState{0, 0, 0, s * std::sin(t), 0, std::cos(t)};
    }
    if (a.tangential == 0) return RayState{0, 0, 0, 0, s * std::sin(g), std::cos(g)};
    const double u = std::tan(t), v = std::tan(g);
    const double n = 1 / std::sqrt(1 + u * u + v * v);
    return RayState{0, 0, 0, s * u * n, s * v * n, n};
}

FieldAngle qualityFieldAngle(const Design& design, QualityField field) {
    // Without a field every field is the axis, as the figures have it.
    const double theta = design.sinField == 0 ? 0 : design.fieldSemiAngle;
    switch (field) {
        case QualityField::center:
            return {};
        case QualityField::minus:
            return {-theta, 0};
        case QualityField::plus:
            return {theta, 0};
        case QualityField::sagittal:
            return {0, theta};
    }
    return {};
}

double plottedFieldDegrees(const Design& design, double requested) {
    if (requested > 0) return requested;
    if (design.fieldSemiAngle > 0) return design.fieldSemiAngle;
    return kDefaultFieldRadians * kRadianToDegree;
}

TraceStatus designTraceStatus(const Design& design) {
    if (std::clamp(design.surfaceCount, 0, kMaxSurfaces) < 2) return kTraceNoFocus;
    if (design.semiAperture == 0) return kTraceApertureZero;
    return kTraceOk;
}

std::vector<double> evenlySpaced(int n) {
    if (n <= 1) return {0.0};
    std::vector<double> v(n);
    const int half = n - 1;
    // Mirrored about the middle, so that the two halves are exact negatives.
    for (int k = 0; k < n; ++k) v[k] = static_cast<double>(2 * k - half) / half;
    return v;
}

}  // namespace orvelin
