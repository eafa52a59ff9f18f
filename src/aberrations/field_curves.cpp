#include "aberrations/field_curves.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace orvelin {

namespace {

/// Pupil offset of the rays beside the chief ray, as a fraction of the
/// semi-aperture.  Taken in pairs either side, the error of the differential
/// focus is of the order of this squared times the spherical aberration's
/// focus shift (about 1e-6 of it), while rounding stays far below.
constexpr double kBeside = 1e-3;

/// Field angle (radians) of the pair of chief rays either side of the centre
/// that find f.
constexpr double kFocalAngle = 1e-5;

/// The chief ray of a field point and where the rays beside it focus.
struct PointTrace {
    TraceStatus status = kTraceOk;
    FieldRay chief;
    double focus[2] = {NAN, NAN};  ///< tangential, sagittal: along the chief ray
};

/// The shift along the chief ray at which two rays beside it (a and b, on
/// either side) cross it in the coordinate c (0 x, 1 y), as the focal plane
/// moved along the chief ray sees them: each ray's point on the plane z =
/// chief.z, then its rate of moving against the chief ray with the shift.
double crossing(const FieldRay& chief, const FieldRay& a, const FieldRay& b, int c) {
    auto at = [&](const FieldRay& r, double& e, double& rate) {
        const double t = (chief.z - r.z) / r.N;
        const double p = c == 0 ? r.x + t * r.L : r.y + t * r.M;
        e = p - (c == 0 ? chief.x : chief.y);
        rate = chief.N * (c == 0 ? r.L : r.M) / r.N - (c == 0 ? chief.L : chief.M);
    };
    double ea, ra, eb, rb;
    at(a, ea, ra);
    at(b, eb, rb);
    return -(ea - eb) / (ra - rb);
}

PointTrace tracePoint(const Design& design, FieldAngle angle) {
    PointTrace p;
    const double d = kBeside * design.semiAperture;
    const double px[5] = {0, d, -d, 0, 0}, py[5] = {0, 0, 0, d, -d};
    std::array<FieldRay, 5> rays;
    traceFromPupil(design, fieldStartRay(design, angle), px, py, rays);
    p.chief = rays[0];
    for (const FieldRay& r : rays) {
        if (r.status != kTraceOk) {
            p.status = r.status;
            return p;
        }
    }
    p.focus[0] = crossing(p.chief, rays[1], rays[2], 0);
    p.focus[1] = crossing(p.chief, rays[3], rays[4], 1);
    if (!std::isfinite(p.focus[0]) || !std::isfinite(p.focus[1])) p.status = kTraceNoFocus;
    return p;
}

/// The chief ray's image point of a field point, or NaN.
std::array<double, 2> imagePoint(const Design& design, FieldAngle angle) {
    const double zero[1] = {0};
    FieldRay chief;
    traceFromPupil(design, fieldStartRay(design, angle), zero, zero, std::span<FieldRay>(&chief, 1));
    if (chief.status != kTraceOk) return {NAN, NAN};
    return {chief.x, chief.y};
}

/// A sweep along the tangential (c = 0) or sagittal (c = 1) direction at
/// the angles given, measured from the centre's image point.
FieldSweep sweep(const Design& design, const std::vector<double>& angles, int c, const FieldRay* centre) {
    FieldSweep s;
    auto angleOf = [c](double a) { return c == 0 ? FieldAngle{a, 0} : FieldAngle{0, a}; };
    // f from a pair of chief rays either side of the centre: the quadratic
    // term of a tilted system's image position cancels between them.
    const double e = kFocalAngle * kRadianToDegree;
    const auto plus = imagePoint(design, angleOf(e)), minus = imagePoint(design, angleOf(-e));
    const double f = (plus[c] - minus[c]) / (2 * std::tan(e * kDegree));
    if (std::isfinite(f) && f != 0) s.focalLength = f;
    for (double a : angles) {
        FieldCurvePoint q;
        q.field = a;
        const PointTrace t = tracePoint(design, angleOf(a));
        q.status = t.status;
        const FieldRay& r = t.chief;
        if (t.status == kTraceOk) {
            q.tangentialFocus = t.focus[0];
            q.sagittalFocus = t.focus[1];
            for (int k = 0; k < 2; ++k) {
                q.focusX[k] = r.x + t.focus[k] * r.L;
                q.focusZ[k] = r.z + t.focus[k] * r.N;
            }
        }
        // The image point needs the chief ray alone (a ray beside it may
        // still have failed).
        if (r.status == kTraceOk && centre) {
            q.imageX = r.x - centre->x;
            q.imageY = r.y - centre->y;
            const double ideal = s.focalLength * std::tan(a * kDegree);
            const double along = c == 0 ? q.imageX : q.imageY;
            if (a == 0)
                q.distortion = 0;  // the limit: the position is f tan(angle) to first order
            else if (std::isfinite(ideal) && ideal != 0 && std::isfinite(along))
                q.distortion = 100 * (along - ideal) / ideal;
        }
        s.points.push_back(q);
    }
    return s;
}

/// Tilt (degrees) of the line z = c + m x fitted to the foci in the focal
/// plane's frame, added to the focal plane's own tilt; NaN for fewer than
/// two points or none apart.
double fittedTilt(const Design& design, const FieldSweep& s, bool tangential, bool sagittal) {
    double n = 0, sx = 0, sz = 0;
    auto each = [&](auto&& f) {
        for (const FieldCurvePoint& p : s.points)
            for (int k = 0; k < 2; ++k)
                if ((k == 0 ? tangential : sagittal) && std::isfinite(p.focusX[k] + p.focusZ[k]))
                    f(p.focusX[k], p.focusZ[k]);
    };
    each([&](double x, double z) { n += 1, sx += x, sz += z; });
    if (n < 2) return NAN;
    const double mx = sx / n, mz = sz / n;
    double sxx = 0, sxz = 0;
    each([&](double x, double z) { sxx += (x - mx) * (x - mx), sxz += (x - mx) * (z - mz); });
    if (!(sxx > 0)) return NAN;
    // A line z = x tan(t) in the focal plane's frame lies at t plus the
    // plane's own tilt in the frame the tilt is entered in.
    const int fp = std::clamp(design.surfaceCount, 1, kMaxSurfaces);
    const double tilt = design.surfaces[fp].tilt + std::atan(sxz / sxx) * kRadianToDegree;
    return std::isfinite(tilt) ? tilt : NAN;
}

}  // namespace

FieldCurvesResult computeFieldCurves(const Design& design, const FieldCurveOptions& options) {
    FieldCurvesResult r;
    r.units = design.units;
    r.fieldDegrees = plottedFieldDegrees(design, options.fieldDegrees);
    const int n = std::max(options.points, 1);
    std::vector<double> tangential = evenlySpaced(n), sagittal;
    for (double& a : tangential) a *= r.fieldDegrees;
    for (double a : tangential)
        if (a >= 0) sagittal.push_back(a);

    const TraceStatus status = designTraceStatus(design);
    const FieldRay* centre = nullptr;
    FieldRay centreRay;
    if (status == kTraceOk) {
        const double zero[1] = {0};
        traceFromPupil(design, fieldStartRay(design, {}), zero, zero, std::span<FieldRay>(&centreRay, 1));
        if (centreRay.status == kTraceOk) centre = &centreRay;
    }
    if (status != kTraceOk) {
        // Nothing starts: every point a gap with the reason.
        for (double a : tangential) r.tangential.points.push_back({a, status});
        for (double a : sagittal) r.sagittal.points.push_back({a, status});
        return r;
    }
    r.tangential = sweep(design, tangential, 0, centre);
    r.sagittal = sweep(design, sagittal, 1, centre);
    r.tiltTangential = fittedTilt(design, r.tangential, true, false);
    r.tiltSagittal = fittedTilt(design, r.tangential, false, true);
    r.tiltBestFit = fittedTilt(design, r.tangential, true, true);
    return r;
}

}  // namespace orvelin
