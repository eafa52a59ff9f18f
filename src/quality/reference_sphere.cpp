#include "quality/ray_vectors.h"
#include "quality/reference_sphere.h"

#include <algorithm>
#include <span>

namespace orvelin {

namespace {

using namespace ray_vectors;

}  // namespace

// The tangential and the sagittal probe are averaged; the signed distance
// is taken from the chief ray's focal-plane point, negative upstream.
ReferenceSphere exitPupilSphere(const Design& design, const RayState& start, const FieldRay& chief) {
    const double eps = 1e-5;
    double sum = 0;
    int count = 0;
    for (int axis = 0; axis < 2; ++axis) {
        RayState ray = start;
        (axis == 0 ? ray.L : ray.M) += eps;
        const double len = std::sqrt(ray.L * ray.L + ray.M * ray.M + ray.N * ray.N);
        ray.L /= len;
        ray.M /= len;
        ray.N /= len;
        const double zero[1] = {0};
        FieldRay probe;
        traceFromPupil(design, ray, zero, zero, std::span<FieldRay>(&probe, 1));
        if (probe.status != kTraceOk) continue;
        const Vec3 D0 = direction(chief), D1 = direction(probe);
        const Vec3 c = cross(D0, D1);
        const double c2 = dot(c, c);
        if (!(c2 > 0)) continue;
        const double s = dot(cross(position(probe) - position(chief), D1), c) / c2;
        if (!std::isfinite(s)) continue;
        sum += s;
        ++count;
    }
    ReferenceSphere sphere;
    if (count == 0) return sphere;
    const double s = sum / count;
    if (!(std::fabs(s) > 0) || !std::isfinite(s)) return sphere;
    sphere.R = std::fabs(s);
    sphere.sigma = s < 0 ? 1 : -1;
    return sphere;
}

Design focalSurfaceAlone(const Design& design) {
    Design fp;
    fp.surfaceCount = 1;
    fp.surfaces[1] = design.surfaces[std::clamp(design.surfaceCount, 1, kMaxSurfaces)];
    fp.surfaces[1].tilt = 0;
    fp.surfaces[1].sinTilt = 0;
    fp.surfaces[1].cosTilt = 1;
    return fp;
}

}  // namespace orvelin
