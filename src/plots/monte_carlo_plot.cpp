#include "plots/monte_carlo_plot.h"

#include <cmath>

#include "plots/pupil_pattern.h"
#include "plots/standard_plot.h"

namespace orvelin {

PupilSample samplePupilPoint(const Design& design, RandomSource& random, RayState& ray) {
    PupilSample s;
    do {
        // Reducing modulo 32768 leaves the generator's 0..32767 unchanged.
        s.u = static_cast<double>(nextRandom(random) % 32768) / kRandomMax;
        s.v = static_cast<double>(nextRandom(random) % 32768) / kRandomMax;
    } while (s.u * s.u + s.v * s.v > 1);
    s.u *= design.semiAperture;
    s.v *= design.semiAperture;
    startAxialRay(ray);
    return s;
}

double blurScale(double dx, double dy) {
    double scale = dy > dx ? kBlurSpanPixels / dy : kBlurSpanPixels / dx;
    // A zero extent gives an infinite quotient; NaN extents come only from
    // a spot without any traced ray.  Both are drawn as a point.
    if (scale > kMaxBlurScale || std::isnan(scale)) scale = kPointSpotScale;
    return scale;
}

void traceMonteCarloBundle(const Design& design, double entrance, RandomSource& random, long count,
                           MonteCarloBundle& bundle) {
    bundle.u.clear();
    bundle.v.clear();
    RayState ray;
    traceMonteCarloGroups(
        design, random, ray, count, [] { return true; },
        [&] {
            bundle.u.push_back(ray.x);
            bundle.v.push_back(ray.y);
        });
    startAxialRay(ray);
    startBundle(bundle.rays, ray, bundle.u, bundle.v);
    traceBundle(design, entrance, bundle.rays, BundleEnd::image);
}

void plotMonteCarloRays(SpotPlot& p) {
    // One bundle per thread, kept: a plot then reuses the memory of the last.
    thread_local MonteCarloBundle bundle;
    traceMonteCarloBundle(p.design, p.trace.entrance, p.random, kMonteCarloRays, bundle);
    const RayBundle& rays = bundle.rays;
    const PlotFrame& f = p.frame;
    for (std::size_t i = 0; i < rays.size(); ++i) {
        if (rays.status[i] != kTraceOk) {
            p.trace.status = rays.status[i];  // no image point: no dot
            continue;
        }
        int dx, dy;
        if (!roundedSpotOffsets(f.spotCentreX, f.scale, rays.x[i], rays.y[i], dx, dy)) continue;
        p.window.pixel({f.windowOriginX + dx, f.windowCentreY + dy}, kSpotDotColour);
        p.buffer.pixel({f.bufferOriginX + dx, f.bufferCentreY + dy}, kSpotDotColour);
    }
    // Leave the last ray in the trace as the one-ray loop did.
    if (!rays.size()) return;
    startAxialRay(p.trace.ray);
    p.trace.ray.x = bundle.u.back();
    p.trace.ray.y = bundle.v.back();
    traceToImage(p.design, p.trace);
}

void measureBlurExtent(SpotPlot& p) {
    const double h = p.design.semiAperture;
    SpotExtent& e = p.trace.extent;
    RayState& ray = p.trace.ray;
    setEntranceTangential(p.design, p.trace);  // a failure stays in the status
    startAxialRay(ray);
    traceToImage(p.design, p.trace);
    e.xMin = e.xMax = ray.x;
    e.yMin = e.yMax = ray.y;
    static const std::vector<PupilPoint> pattern = ringPattern(8);
    for (const PupilPoint& q : pattern) {
        for (const auto& s : kQuadrantSigns) {
            startAxialRay(ray);
            ray.x = s[0] * q.a * h;
            ray.y = s[1] * q.b * h;
            // A failed ray has no image point to widen the extent with.
            if (traceToImage(p.design, p.trace)) trackSpotExtent(p.trace);
        }
    }
    p.frame.spotCentreX = e.xMin + (e.xMax - e.xMin) * 0.5;
}

void plotUniformBlur(SpotPlot& p) {
    measureBlurExtent(p);
    const SpotExtent& e = p.trace.extent;
    p.frame.scale = blurScale(std::fabs(e.xMax - e.xMin), std::fabs(e.yMax - e.yMin));
    plotMonteCarloRays(p);
}

void plotUniformAiry(SpotPlot& p) {
    PlotFrame& f = p.frame;
    setEntranceTangential(p.design, p.trace);  // a failure stays in the status
    measureSpotCentre(p, StartRay::axial);
    const double r = airyDiskRadius(p.design, p.trace);
    // A system without convergence has an infinite Airy radius and a zero
    // scale: all its dots fall on the centre.
    f.scale = kAiryRadiusPixels / std::fabs(r);
    if (!std::isfinite(f.scale)) f.scale = kPointSpotScale;

    // The circle goes into the buffer, a hollow black outline; the window
    // gets it through a repaint from the buffer.
    const int R = kAiryCirclePixels;
    p.buffer.ellipse(
        {f.bufferCentreX - R, f.bufferCentreY - R, f.bufferCentreX + R + 1, f.bufferCentreY + R + 1},
        kAiryCirclePen);
    if (p.repaint) {
        p.repaint->invalidate(
            {f.windowCentreX - R, f.windowCentreY - R, f.windowCentreX + R + 1, f.windowCentreY + R + 1});
        p.repaint->repaintPending();
    }
    plotMonteCarloRays(p);
}

}  // namespace orvelin
