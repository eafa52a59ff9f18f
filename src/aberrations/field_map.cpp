#include "aberrations/field_map.h"

#include <tbb/parallel_for.h>

#include <algorithm>

namespace orvelin {

FieldMapResult computeFieldMap(const Design& design, const FieldMapOptions& options) {
    FieldMapResult r;
    r.grid = std::max(options.grid, 1);
    r.fieldDegrees = plottedFieldDegrees(design, options.fieldDegrees);
    r.wavelengthMicrons = options.wavelengthMicrons;
    const std::vector<double> u = evenlySpaced(r.grid);
    r.points.resize(static_cast<std::size_t>(r.grid) * r.grid);
    for (int s = 0; s < r.grid; ++s)
        for (int t = 0; t < r.grid; ++t)
            r.points[s * r.grid + t].field = {u[t] * r.fieldDegrees, u[s] * r.fieldDegrees};
    const QualityOptions quality{options.rays, options.wavelengthMicrons};
    // Each point stands alone: a few hundred rays, too few to share a core.
    tbb::parallel_for(std::size_t{0}, r.points.size(), [&](std::size_t k) {
        FieldMapPoint& p = r.points[k];
        p.quality = computeFieldQualityFrom(design, fieldStartRay(design, p.field), quality);
    });
    return r;
}

}  // namespace orvelin
