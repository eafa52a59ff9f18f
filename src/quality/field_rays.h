// Real rays of one field through the design, with the optical path each one
// travels: the only place where the image-quality figures call the trace
// (the batched trace, which sums each ray's path mirror to mirror).
#pragma once

#include <cstddef>
#include <functional>
#include <span>

#include "design/design.h"
#include "quality/pupil_sampling.h"
#include "trace/batch_trace.h"
#include "trace/ray_trace.h"

namespace orvelin {

/// The four fields the figures are given for: the axis, the two tangential
/// field edges and the field edge in the sagittal plane.
enum class QualityField { center, minus, plus, sagittal };

/// One traced pupil ray as it arrives at the focal plane, in the focal
/// plane's own frame (its vertex the origin, its axis z): the hit point
/// (z the sag there), the incoming unit direction (towards +z, as the trace
/// runs it; the light's own in the focal plane's space) and the optical path
/// from the incoming plane wavefront through the start plane's origin.
struct FieldRay {
    double x = 0, y = 0, z = 0;
    double L = 0, M = 0, N = 1;
    double path = 0;
    TraceStatus status = kTraceOk;  ///< 3 + k when the ray misses surface k
};

/// Start a ray of the field with the direction the spot plots give it
/// (startAxialRay, startFieldRayMinus/Plus/Sagittal), at the origin.
void startQualityRay(const Design& design, QualityField field, RayState& ray);

/// Trace rays started as `start` from the points (px[k], py[k]) of the
/// start plane into out (one entry per point), with the entrance distance
/// set as the spot plots set it.  A ray whose numbers overflow counts as
/// missing the focal plane.
void traceFromPupil(const Design& design, const RayState& start, std::span<const double> px,
                    std::span<const double> py, std::span<FieldRay> out);

/// Rays of a field once traced (see streamFieldRays): the chunk as the
/// trace left it, and each ray's status, where a ray whose numbers overflow
/// counts as missing the focal plane.
struct FieldChunk {
    const TracedChunk& traced;
    const TraceStatus* status;

    FieldRay ray(std::size_t j) const {
        return FieldRay{traced.x[j], traced.y[j], traced.z[j],    traced.L[j],
                        traced.M[j], traced.N[j], traced.path[j], status[j]};
    }
};
/// What is done with rays of a field once traced, block by block (see
/// traceStream).
using FieldRayConsumer = std::function<void(std::size_t block, const FieldChunk& chunk)>;

/// Trace `count` rays started as `start` from the points `points` gives, to
/// the focal plane, with the entrance distance set as the spot plots set
/// it, a few hundred at a time, never holding them all (see traceStream).
/// Returns 0, or the status that stops every ray before it starts (the
/// aperture exceeds the rim of surface 1), when nothing is consumed.
TraceStatus streamFieldRays(const Design& design, const RayState& start, std::size_t count,
                            const StreamPoints& points, const FieldRayConsumer& consume);

/// Trace the pupil samples of a field (a h, b h in the start plane) into
/// out, which must hold one entry per sample.
void traceFieldRays(const Design& design, QualityField field, std::span<const PupilSample> samples,
                    std::span<FieldRay> out);
/// The same for a field given by the direction its rays start in (any
/// collimated field, not only the four above).
void traceFieldRaysFrom(const Design& design, const RayState& start, std::span<const PupilSample> samples,
                        std::span<FieldRay> out);

}  // namespace orvelin
