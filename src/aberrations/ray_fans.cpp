#include "aberrations/ray_fans.h"

#include <algorithm>
#include <cmath>

#include "aberrations/field_points.h"
#include "quality/reference_sphere.h"

namespace orvelin {

namespace {

/// Rays k0 .. k0 + n - 1 of a traced field into a fan, measured from the
/// chief ray.
void fillFan(const Design& design, Fan& fan, const std::vector<FieldRay>& rays, std::size_t k0, std::size_t n,
             const FieldRay& chief, double chiefPath, const ReferenceSphere& sphere, double um, double lambda,
             int& missed) {
    const double centre[3] = {chief.x, chief.y, chief.z};
    fan.ex.assign(n, NAN);
    fan.ey.assign(n, NAN);
    fan.opd.assign(n, NAN);
    fan.status.assign(n, kTraceOk);
    for (std::size_t k = 0; k < n; ++k) {
        const FieldRay& r = rays[k0 + k];
        if (r.status != kTraceOk) {
            fan.status[k] = r.status;
            ++missed;
            continue;
        }
        const double ex = (r.x - chief.x) * um, ey = (r.y - chief.y) * um;
        const double opd = (chiefPath - pathToSphere(r, centre, sphere)) / lambda;
        if (!std::isfinite(ex) || !std::isfinite(ey) || !std::isfinite(opd)) {
            // Too large for the arithmetic: no image point to speak of.
            fan.status[k] = traceMissStatus(std::clamp(design.surfaceCount, 1, kMaxSurfaces));
            ++missed;
            continue;
        }
        fan.ex[k] = ex;
        fan.ey[k] = ey;
        fan.opd[k] = opd;
    }
}

FieldFans fieldFans(const Design& design, QualityField field, const std::vector<double>& pupil,
                    double lambda) {
    FieldFans f;
    f.field = field;
    f.status = designTraceStatus(design);
    if (f.status != kTraceOk) return f;
    // The chief ray first, then the tangential line, then the sagittal one.
    const std::size_t n = pupil.size();
    const double h = design.semiAperture;
    std::vector<double> px(1 + 2 * n, 0.0), py(1 + 2 * n, 0.0);
    for (std::size_t k = 0; k < n; ++k) {
        px[1 + k] = pupil[k] * h;
        py[1 + n + k] = pupil[k] * h;
    }
    RayState start;
    startQualityRay(design, field, start);
    std::vector<FieldRay> rays(px.size());
    traceFromPupil(design, start, px, py, rays);
    const FieldRay& chief = rays[0];
    if (chief.status != kTraceOk) {
        f.status = chief.status;
        return f;
    }
    const ReferenceSphere sphere = exitPupilSphere(design, start, chief);
    const double centre[3] = {chief.x, chief.y, chief.z};
    const double chiefPath = pathToSphere(chief, centre, sphere);
    const double um = micronsPerUnit(design);
    fillFan(design, f.tangential, rays, 1, n, chief, chiefPath, sphere, um, lambda, f.missed);
    fillFan(design, f.sagittal, rays, 1 + n, n, chief, chiefPath, sphere, um, lambda, f.missed);
    return f;
}

double largestOf(const std::vector<double>& v, double sofar) {
    for (double x : v)
        if (std::isfinite(x)) sofar = std::max(sofar, std::fabs(x));
    return sofar;
}

}  // namespace

FanResult computeFans(const Design& design, const FanOptions& options) {
    FanResult r;
    r.wavelengthMicrons = options.wavelengthMicrons;
    r.pupil = evenlySpaced(std::max(options.points, 1));
    const double lambda = options.wavelengthMicrons / micronsPerUnit(design);  // design units
    std::vector<QualityField> fields = options.fields;
    if (fields.empty()) fields.assign(kQualityFields.begin(), kQualityFields.end());
    for (QualityField field : fields) {
        r.fields.push_back(fieldFans(design, field, r.pupil, lambda));
        const FieldFans& f = r.fields.back();
        for (const Fan* fan : {&f.tangential, &f.sagittal}) {
            r.largestError = largestOf(fan->ey, largestOf(fan->ex, r.largestError));
            r.largestOpd = largestOf(fan->opd, r.largestOpd);
        }
    }
    return r;
}

}  // namespace orvelin
