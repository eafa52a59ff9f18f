#include "quality/field_rays.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "trace/batch_trace.h"

namespace orvelin {

void startQualityRay(const Design& design, QualityField field, RayState& ray) {
    switch (field) {
        case QualityField::center:
            startAxialRay(ray);
            break;
        case QualityField::minus:
            startFieldRayMinus(design, ray);
            break;
        case QualityField::plus:
            startFieldRayPlus(design, ray);
            break;
        case QualityField::sagittal:
            startFieldRaySagittal(design, ray);
            break;
    }
}

// The optical path is the sum of the signed lengths between successive hit
// points.  traceSurface leaves each hit point in the surface's own frame; it
// is taken back into the frame the ray came from (the turn into a tilted
// surface is a rotation about its vertex), where the length along the
// incoming direction is a dot product.  A virtual stretch (a hit behind the
// ray) counts negative, as it must for the wavefront.
//
void traceFromPupil(const Design& design, const RayState& start, std::span<const double> px,
                    std::span<const double> py, std::span<FieldRay> out) {
    const int n = std::clamp(design.surfaceCount, 0, kMaxSurfaces);
    RayBundle bundle;
    tracePupilToFocalPlane(design, start, px, py, bundle);
    for (size_t k = 0; k < out.size(); ++k) {
        FieldRay& r = out[k];
        r = FieldRay{bundle.x[k], bundle.y[k], bundle.z[k],    bundle.L[k],
                     bundle.M[k], bundle.N[k], bundle.path[k], bundle.status[k]};
        // Values too large for the arithmetic that follows make no image.
        if (r.status == kTraceOk && !std::isfinite(r.x + r.y + r.z + r.L + r.M + r.N + r.path))
            r.status = traceMissStatus(std::max(n, 1));
    }
}

void traceFieldRays(const Design& design, QualityField field, std::span<const PupilSample> samples,
                    std::span<FieldRay> out) {
    const double h = design.semiAperture;
    std::vector<double> px(samples.size()), py(samples.size());
    for (size_t k = 0; k < samples.size(); ++k) {
        px[k] = samples[k].a * h;
        py[k] = samples[k].b * h;
    }
    RayState start;
    startQualityRay(design, field, start);
    traceFromPupil(design, start, px, py, out);
}

}  // namespace orvelin
