#include "aberrations/through_focus.h"

#include <algorithm>
#include <cmath>

#include "aberrations/field_points.h"
#include "quality/reference_sphere.h"

namespace orvelin {

namespace {

/// Sine of the beam's cone about the chief ray: the mean over the rim's
/// rays, as the image-quality figures take it; without a rim, from the
/// mean square over the pupil (half the rim's square for a uniform disk).
double coneSine(const PupilSampling& sampling, const std::vector<FieldRay>& rays) {
    const FieldRay& c = rays[0];
    auto sine = [&](const FieldRay& r) {
        const double x = r.M * c.N - r.N * c.M, y = r.N * c.L - r.L * c.N, z = r.L * c.M - r.M * c.L;
        return std::sqrt(x * x + y * y + z * z);
    };
    double rim = 0, sum = 0, sw = 0, s2 = 0;
    for (std::size_t k = rays.size() - sampling.azimuths; k < rays.size(); ++k)
        if (rays[k].status == kTraceOk) rim += 1, sum += sine(rays[k]);
    if (rim > 0) return sum / rim;
    for (std::size_t k = 0; k < rays.size(); ++k) {
        if (rays[k].status != kTraceOk) continue;
        const double w = sampling.samples[k].weight, s = sine(rays[k]);
        sw += w, s2 += w * s * s;
    }
    return sw > 0 ? std::sqrt(2 * s2 / sw) : 0;
}

/// The spot with the focal surface moved by `shift` along the chief ray:
/// every ray is moved back by as much and met again with the unmoved
/// surface (on a flat one, exactly the linear motion of its hit point).
FocusSpot spotAt(const Design& focal, const PupilSampling& sampling, const std::vector<FieldRay>& rays,
                 double shift, double um) {
    FocusSpot spot;
    spot.shift = shift;
    const FieldRay& c = rays[0];
    auto moved = [&](const FieldRay& r, double& x, double& y) {
        if (shift == 0) {
            x = r.x, y = r.y;
            return true;
        }
        TraceState state;
        state.ray = RayState{r.x - shift * c.L, r.y - shift * c.M, r.z - shift * c.N, r.L, r.M, r.N};
        if (!traceSurface(focal, state, 1)) return false;
        x = state.ray.x, y = state.ray.y;
        return std::isfinite(x + y);
    };
    double cx = 0, cy = 0;
    if (!moved(c, cx, cy)) {
        spot.status = traceMissStatus(std::max(focal.surfaceCount, 1));
        return spot;
    }
    double sw = 0, sx = 0, sy = 0;
    std::vector<double> w;
    spot.points.reserve(rays.size());
    for (std::size_t k = 0; k < rays.size(); ++k) {
        double x, y;
        if (rays[k].status != kTraceOk || !moved(rays[k], x, y)) {
            ++spot.missed;
            continue;
        }
        const SpotPoint p{(x - cx) * um, (y - cy) * um};
        if (!std::isfinite(p.x + p.y)) {
            ++spot.missed;
            continue;
        }
        spot.points.push_back(p);
        w.push_back(sampling.samples[k].weight);
        sw += w.back(), sx += w.back() * p.x, sy += w.back() * p.y;
    }
    if (!(sw > 0)) return spot;
    const double mx = sx / sw, my = sy / sw;
    double s2 = 0;
    for (std::size_t k = 0; k < w.size(); ++k) {
        const double dx = spot.points[k].x - mx, dy = spot.points[k].y - my;
        s2 += w[k] * (dx * dx + dy * dy);
    }
    spot.rmsSpot = std::sqrt(s2 / sw);
    if (!std::isfinite(spot.rmsSpot)) {
        // Figures too large for the arithmetic: no focus worth the name.
        FocusSpot gap;
        gap.shift = shift;
        gap.status = kTraceNoFocus;
        gap.missed = spot.missed;
        return gap;
    }
    spot.centroidX = mx;
    spot.centroidY = my;
    for (const SpotPoint& p : spot.points)
        spot.radius = std::max(spot.radius, std::hypot(p.x - mx, p.y - my));
    return spot;
}

}  // namespace

ThroughFocusResult computeThroughFocus(const Design& design, const ThroughFocusOptions& options) {
    ThroughFocusResult r;
    r.field = options.field;
    r.wavelengthMicrons = options.wavelengthMicrons;
    r.status = designTraceStatus(design);
    if (r.status != kTraceOk) return r;
    const PupilSampling sampling = makePupilSampling(std::clamp(options.rays, 1, kMaxQualityRays));
    std::vector<FieldRay> rays(sampling.samples.size());
    traceFieldRays(design, options.field, sampling.samples, rays);
    if (rays[0].status != kTraceOk) {
        r.status = rays[0].status;
        return r;
    }
    const double um = micronsPerUnit(design);
    const double na = coneSine(sampling, rays);
    r.workingFRatio = na > 0 ? 1 / (2 * na) : 0;
    const double lambda = options.wavelengthMicrons / um;
    r.step = options.step > 0 ? options.step : 2 * lambda * r.workingFRatio * r.workingFRatio;
    if (!(na > 0) || !(r.step > 0) || !std::isfinite(r.step) || !std::isfinite(r.workingFRatio)) {
        r.status = kTraceNoFocus;  // a beam without a cone has no depth of focus
        return r;
    }
    const Design focal = focalSurfaceAlone(design);
    const int steps = std::max(options.steps, 0);
    for (int k = -steps; k <= steps; ++k) {
        r.spots.push_back(spotAt(focal, sampling, rays, k * r.step, um));
        r.largestRadius = std::max(r.largestRadius, r.spots.back().radius);
    }
    return r;
}

}  // namespace orvelin
