#include "optimise/image_residuals.h"

#include <algorithm>
#include <cmath>

#include "optimise/optimiser.h"
#include "quality/image_quality.h"
#include "trace/ray_trace.h"

namespace orvelin {

namespace {

}  // namespace

ImageResiduals::ImageResiduals() : sampling_(makePupilSampling(kDefaultQualityRays)) {
    for (const PupilSample& s : sampling_.samples) weighted_ += s.weight > 0;
    rays_.resize(sampling_.samples.size());
}

int ImageResiduals::perField(MinimiseKind kind) const {
    return kind == MinimiseKind::spot ? 2 * weighted_ : kind == MinimiseKind::wavefront ? weighted_ : 0;
}

int ImageResiduals::spotCount() const {
    return static_cast<int>(kQualityFields.size()) * perField(MinimiseKind::spot);
}

int ImageResiduals::wavefrontCount() const {
    return static_cast<int>(kQualityFields.size()) * perField(MinimiseKind::wavefront);
}

bool ImageResiduals::wavefrontField(const Design& design, QualityField field, double* out) {
    if (!fieldWavefrontResiduals(design, field, errors_) || static_cast<int>(errors_.size()) != weighted_)
        return false;
    std::copy(errors_.begin(), errors_.end(), out);
    return true;
}

bool ImageResiduals::spotField(const Design& d, QualityField field, double* out) {
    const double um = micronsPerUnit(d);
    const auto& samples = sampling_.samples;
    traceFieldRays(d, field, samples, rays_);
    double sw = 0, cx = 0, cy = 0;
    for (std::size_t k = 0; k < samples.size(); ++k) {
        if (rays_[k].status != kTraceOk) return false;
        sw += samples[k].weight;
        cx += samples[k].weight * rays_[k].x;
        cy += samples[k].weight * rays_[k].y;
    }
    cx /= sw;
    cy /= sw;
    int i = 0;
    for (std::size_t k = 0; k < samples.size(); ++k) {
        if (!(samples[k].weight > 0)) continue;
        const double s = std::sqrt(samples[k].weight / sw) * um;
        out[i++] = s * (rays_[k].x - cx);
        out[i++] = s * (rays_[k].y - cy);
    }
    return true;
}

bool ImageResiduals::fields(const Design& design, MinimiseKind kind, std::span<const QualityField> fields,
                            double* r) {
    if (kind == MinimiseKind::none) return true;
    if (std::clamp(design.surfaceCount, 0, kMaxSurfaces) < 2 || design.semiAperture == 0) return false;
    const int per = perField(kind);
    if (kind == MinimiseKind::wavefront) {
        for (std::size_t i = 0; i < fields.size(); ++i)
            if (!wavefrontField(design, fields[i], r + i * per)) return false;
        return true;
    }
    // A rim beyond what surface 1 can have stops every field.
    TraceState state;
    if (!setEntranceTangential(design, state)) return false;
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (!spotField(design, fields[i], r + i * per)) return false;
    return true;
}

bool ImageResiduals::allFields(const Design& design, MinimiseKind kind, double* r) {
    // Without a field every field is the axis.
    if (design.sinField != 0) return fields(design, kind, kQualityFields, r);
    const int per = perField(kind);
    const QualityField axis[] = {QualityField::center};
    if (!fields(design, kind, axis, r)) return false;
    for (std::size_t f = 1; f < kQualityFields.size(); ++f) std::copy(r, r + per, r + f * per);
    return true;
}

bool ImageResiduals::spot(const Design& design, double* r) {
    return allFields(design, MinimiseKind::spot, r);
}

bool ImageResiduals::wavefront(const Design& design, double* r) {
    return allFields(design, MinimiseKind::wavefront, r);
}

}  // namespace orvelin
