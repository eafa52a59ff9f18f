// The image of a design as residuals ray by ray, for a least-squares search:
// the spot (each ray's offset from its field's centroid) or the wavefront
// (each ray's error against the best reference sphere), weighted so that a
// field's squares sum to its squared RMS spot radius or wavefront error.
//
// The solver then sees every ray move, not one number per field, and so
// learns how the aberrations trade against each other.
#pragma once

#include <span>
#include <vector>

#include "design/design.h"
#include "quality/field_rays.h"
#include "quality/pupil_sampling.h"

namespace orvelin {

enum class MinimiseKind;

class ImageResiduals {
  public:
    ImageResiduals();

    /// Residuals of one field: two per weighted pupil ray for the spot (x
    /// and y, micrometres), one for the wavefront (waves).
    int perField(MinimiseKind kind) const;
    /// Residuals of all four fields, in the order of kQualityFields.
    int spotCount() const;
    int wavefrontCount() const;

    /// The listed fields' residuals one field after the other into r.
    /// False when a pupil ray of any of them misses (or the design has no
    /// image at all).
    bool fields(const Design& design, MinimiseKind kind, std::span<const QualityField> fields, double* r);

    /// All four fields; without a field every field is the axis, traced once.
    bool spot(const Design& design, double* r);
    bool wavefront(const Design& design, double* r);

  private:
    bool allFields(const Design& design, MinimiseKind kind, double* r);
    bool spotField(const Design& entranceSet, QualityField field, double* out);
    bool wavefrontField(const Design& design, QualityField field, double* out);

    PupilSampling sampling_;
    int weighted_ = 0;
    std::vector<FieldRay> rays_;
    std::vector<double> errors_;
};

}  // namespace orvelin
