// The searches behind the image-quality figures: the centre of the
// reference sphere that leaves the least RMS wavefront error, and the best
// focus of a curved focal surface.  Used by the figures only.
#pragma once

#include <array>
#include <cmath>
#include <vector>

#include "design/design.h"
#include "quality/field_rays.h"
#include "quality/ray_terms.h"
#include "quality/ray_vectors.h"
#include "quality/reference_sphere.h"

namespace orvelin::wavefront_search {

using namespace ray_vectors;

/// The wavefront error of a ray against the sphere about C, and the ray's
/// point on the sphere as seen from C in units of R (the exit-pupil
/// coordinates in which moving C shows as tilt and defocus).
inline double rayWavefront(const FieldRay& ray, Vec3 C, const ReferenceSphere& sphere,
                           std::array<double, 3>& u) {
    const double centre[3] = {C.x, C.y, C.z};
    const SpherePath<double> p = toSphere(ray.x, ray.y, ray.z, ray.L, ray.M, ray.N, ray.path, centre, sphere);
    const Vec3 D = direction(ray), X{p.Xx, p.Xy, p.Xz};
    if (std::isinf(sphere.R)) {
        u = {-D.x, -D.y, -D.z};
    } else {
        const double s = -p.b - sphere.sigma * p.root;
        const Vec3 q = (1 / sphere.R) * (X + s * D);
        u = {q.x, q.y, q.z};
    }
    return p.w;
}


/// The weighted mean of v.
double weightedMean(const std::vector<double>& weight, const std::vector<double>& v);

/// The least RMS wavefront error over reference centres that move in the
/// focal plane (depth = false) or also along its axis (depth = true),
/// starting from C and leaving C at the best centre found; every ray's error
/// against that centre is left in errors.
double bestWavefrontRms(const std::vector<FieldRay>& rays, const std::vector<double>& weight, Vec3& C,
                        const ReferenceSphere& sphere, bool depth, std::vector<double>& errors);

/// Whether the surface is a plane (both curvatures zero for a toroid).
bool isFlat(const Surface& s);

/// A curved focal plane's best focus: starting from the estimate a flat
/// plane would give, the shift that minimises the RMS spot radius,
/// re-intersecting the surface.
double searchCurvedFocus(const Design& design, const std::vector<FieldRay>& rays,
                         const std::vector<double>& weight, Vec3 chiefDir, double estimate,
                         double rmsSpotUnits, double na);

}  // namespace orvelin::wavefront_search
