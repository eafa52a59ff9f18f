#include "quality/field_rays.h"

#include <algorithm>
#include <cmath>
#include <vector>

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

TraceStatus streamFieldRays(const Design& design, const RayState& start, std::size_t count,
                            const StreamPoints& points, const FieldRayConsumer& consume) {
    TraceState state;
    if (!setEntranceTangential(design, state)) return state.status;
    const int n = std::clamp(design.surfaceCount, 0, kMaxSurfaces);
    traceStream(design, state.entrance, start, count, BundleEnd::focalPlane, points, [&](std::size_t block, const TracedChunk& c) {
        // Values too large for the arithmetic that follows make no image:
        // such a ray counts as missing the focal plane.
        const TraceStatus overflow = traceMissStatus(std::max(n, 1));
        TraceStatus status[kStreamChunkRays];
        for (std::size_t j = 0; j < c.count; ++j) {
            const bool finite =
                std::isfinite(c.x[j] + c.y[j] + c.z[j] + c.L[j] + c.M[j] + c.N[j] + c.path[j]);
            status[j] = c.missed[j] != 0 ? c.status(j) : (finite ? kTraceOk : overflow);
        }
        consume(block, FieldChunk{c, status});
    });
    return kTraceOk;
}

void traceFromPupil(const Design& design, const RayState& start, std::span<const double> px,
                    std::span<const double> py, std::span<FieldRay> out) {
    const TraceStatus failed = streamFieldRays(
        design, start, out.size(),
        [&](std::size_t first, std::size_t count, double* x, double* y) {
            std::copy_n(px.data() + first, count, x);
            std::copy_n(py.data() + first, count, y);
        },
        [&](std::size_t, const FieldChunk& chunk) {
            for (std::size_t j = 0; j < chunk.traced.count; ++j) out[chunk.traced.first + j] = chunk.ray(j);
        });
    if (failed != kTraceOk)
        for (FieldRay& r : out) r.status = failed;
}

void traceFieldRaysFrom(const Design& design, const RayState& start, std::span<const PupilSample> samples,
                        std::span<FieldRay> out) {
    const double h = design.semiAperture;
    std::vector<double> px(samples.size()), py(samples.size());
    for (size_t k = 0; k < samples.size(); ++k) {
        px[k] = samples[k].a * h;
        py[k] = samples[k].b * h;
    }
    traceFromPupil(design, start, px, py, out);
}

void traceFieldRays(const Design& design, QualityField field, std::span<const PupilSample> samples,
                    std::span<FieldRay> out) {
    RayState start;
    startQualityRay(design, field, start);
    traceFieldRaysFrom(design, start, samples, out);
}

}  // namespace orvelin
