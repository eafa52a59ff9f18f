#include "quality/image_quality.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>
#include <optional>

namespace orvelin {

namespace {

struct Vec3 {
    double x = 0, y = 0, z = 0;
};
Vec3 operator-(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec3 operator+(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec3 operator*(double s, Vec3 a) {
    return {s * a.x, s * a.y, s * a.z};
}
double dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec3 cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec3 position(const FieldRay& r) {
    return {r.x, r.y, r.z};
}
Vec3 direction(const FieldRay& r) {
    return {r.L, r.M, r.N};
}

double micronsPerUnit(const Design& d) {
    return d.units == "mm" ? 1000.0 : 25400.0;
}

/// Weighted least squares of w against up to three regressors g (their
/// weighted means taken out, which also removes the piston): the
/// coefficients and the RMS of what is left.  A regressor that carries no
/// information (a pivot lost in rounding) gets the coefficient 0.
struct Fit {
    std::array<double, 3> c{};
    double rms = 0;
};

Fit fitAndRemove(const std::vector<double>& weight, const std::vector<double>& value,
                 const std::vector<std::array<double, 3>>& g, int count) {
    double sw = 0, mv = 0;
    std::array<double, 3> mg{};
    for (size_t k = 0; k < value.size(); ++k) {
        sw += weight[k];
        mv += weight[k] * value[k];
        for (int j = 0; j < count; ++j) mg[j] += weight[k] * g[k][j];
    }
    mv /= sw;
    for (int j = 0; j < count; ++j) mg[j] /= sw;
    double A[3][4] = {};
    for (size_t k = 0; k < value.size(); ++k) {
        const double dv = value[k] - mv;
        double dg[3];
        for (int j = 0; j < count; ++j) dg[j] = g[k][j] - mg[j];
        for (int i = 0; i < count; ++i) {
            for (int j = 0; j < count; ++j) A[i][j] += weight[k] * dg[i] * dg[j];
            A[i][3] += weight[k] * dg[i] * dv;
        }
    }
    double scale = 0;
    for (int i = 0; i < count; ++i) scale = std::max(scale, std::fabs(A[i][i]));
    Fit fit;
    bool used[3] = {};
    // Gauss-Jordan with partial pivoting; tiny pivots are dropped.
    int row[3] = {0, 1, 2};
    for (int col = 0; col < count; ++col) {
        int best = -1;
        double bestAbs = 0;
        for (int r = col; r < count; ++r)
            if (std::fabs(A[row[r]][col]) > bestAbs) bestAbs = std::fabs(A[row[r]][col]), best = r;
        if (best < 0 || !(bestAbs > 1e-13 * scale)) continue;
        std::swap(row[col], row[best]);
        const int p = row[col];
        used[col] = true;
        for (int r = 0; r < count; ++r) {
            if (r == col) continue;
            const double f = A[row[r]][col] / A[p][col];
            for (int j = col; j < 4; ++j) A[row[r]][j] -= f * A[p][j];
        }
    }
    for (int col = 0; col < count; ++col)
        if (used[col]) fit.c[col] = A[row[col]][3] / A[row[col]][col];
    double ss = 0;
    for (size_t k = 0; k < value.size(); ++k) {
        double e = value[k] - mv;
        for (int j = 0; j < count; ++j) e -= fit.c[j] * (g[k][j] - mg[j]);
        ss += weight[k] * e * e;
    }
    fit.rms = std::sqrt(ss / sw);
    return fit;
}

/// The reference sphere: centred on C, through the exit pupil at distance R
/// along the chief ray, upstream of C (sigma +1) or downstream (-1).  An
/// exit pupil at infinity makes it a plane (R infinite).
struct ReferenceSphere {
    double R = INFINITY;
    double sigma = 1;
};

/// The wavefront error of each ray against the sphere about C, and the
/// ray's point on the sphere as seen from C in units of R (the exit-pupil
/// coordinates in which moving C shows as tilt and defocus).  With
/// X = P - C, b = X.D and X_perp the part of X across the ray, the path to
/// the sphere beyond P is s = -b - sigma sqrt(R^2 - X_perp^2); adding R
/// (a piston) and writing the difference of square roots without
/// cancellation keeps every digit for any R.
void wavefront(const std::vector<FieldRay>& rays, Vec3 C, const ReferenceSphere& sphere,
               std::vector<double>& w, std::vector<std::array<double, 3>>& u) {
    // Each ray's error alone: large bundles are shared among the cores, with
    // the very same figures whatever their number.
    tbb::parallel_for(tbb::blocked_range<size_t>(0, rays.size(), 8192),
                      [&](const tbb::blocked_range<size_t>& range) {
                          for (size_t k = range.begin(); k < range.end(); ++k) {
                              const Vec3 D = direction(rays[k]);
                              const Vec3 X = position(rays[k]) - C;
                              const double b = dot(X, D);
                              const Vec3 perp = X - b * D;
                              const double p2 = dot(perp, perp);
                              if (std::isinf(sphere.R)) {
                                  w[k] = rays[k].path - b;
                                  u[k] = {-D.x, -D.y, -D.z};
                                  continue;
                              }
                              const double root = std::sqrt(std::max(0.0, sphere.R * sphere.R - p2));
                              w[k] = rays[k].path - b + sphere.sigma * p2 / (sphere.R + root);
                              const double s = -b - sphere.sigma * root;
                              const Vec3 q = (1 / sphere.R) * (X + s * D);
                              u[k] = {q.x, q.y, q.z};
                          }
                      });
}

/// RMS of the wavefront error about its mean (piston removed) against the
/// sphere about C.
double wavefrontRms(const std::vector<FieldRay>& rays, const std::vector<double>& weight, Vec3 C,
                    const ReferenceSphere& sphere, std::vector<double>& w,
                    std::vector<std::array<double, 3>>& u) {
    wavefront(rays, C, sphere, w, u);
    double sw = 0, m = 0;
    for (size_t k = 0; k < w.size(); ++k) sw += weight[k], m += weight[k] * w[k];
    m /= sw;
    double s2 = 0;
    for (size_t k = 0; k < w.size(); ++k) s2 += weight[k] * (w[k] - m) * (w[k] - m);
    return std::sqrt(s2 / sw);
}

/// The least RMS wavefront error over reference centres that move in the
/// focal plane (depth = false) or also along its axis (depth = true),
/// starting from C and leaving C at the best centre found.  Moving C by
/// delta adds about -sigma u.delta to each ray's error, so the tilt (and
/// defocus) fitted in the exit-pupil coordinates u say where to move it;
/// every step is then measured exactly and kept only if it helps (halved
/// otherwise), so the figure is always the error against a real centre.
double searchWavefrontRms(const std::vector<FieldRay>& rays, const std::vector<double>& weight, Vec3& C,
                          const ReferenceSphere& sphere, bool depth, int halvings) {
    // Two sets of errors, the kept centre's and the one tried, allocated once:
    // with a million rays a fresh set for every step tried costs more than
    // computing it.
    std::vector<double> w(rays.size()), w2(rays.size());
    std::vector<std::array<double, 3>> u(rays.size()), u2(rays.size());
    double best = wavefrontRms(rays, weight, C, sphere, w, u);
    for (int pass = 0; pass < 8 && best > 0; ++pass) {
        const Fit fit = fitAndRemove(weight, w, u, depth ? 3 : 2);
        Vec3 move = sphere.sigma * Vec3{fit.c[0], fit.c[1], depth ? fit.c[2] : 0.0};
        if (!std::isfinite(move.x + move.y + move.z)) break;
        bool improved = false;
        for (int halving = 0; halving < halvings && !improved; ++halving, move = 0.5 * move) {
            const double r = wavefrontRms(rays, weight, C + move, sphere, w2, u2);
            if (r < best) {
                improved = true;
                // Settled once a full step gains no more than rounding.
                const bool settled = halving == 0 && best - r <= 1e-12 * best;
                best = r;
                C = C + move;
                w.swap(w2);
                u.swap(u2);
                if (settled) return best;
            }
        }
        if (!improved) break;
    }
    return best;
}

/// Above this many rays the centre is first found on a sample of them.
constexpr std::size_t kSearchSample = 1 << 16;

/// How often a step that does not help is halved before the search stops.
constexpr int kHalvings = 20;

double bestWavefrontRms(const std::vector<FieldRay>& rays, const std::vector<double>& weight, Vec3& C,
                        const ReferenceSphere& sphere, bool depth) {
    if (rays.size() <= 2 * kSearchSample)
        return searchWavefrontRms(rays, weight, C, sphere, depth, kHalvings);
    // A large bundle: the best centre is found on an evenly strided sample
    // of the rays (the pupil sampled more coarsely), then polished on all of
    // them.  The RMS is stationary at its minimum, so a centre off by the
    // sample's small error changes it only in the second order, far below
    // any printed digit; the few full passes left make every figure the
    // error against a real centre, measured on every ray.
    const std::size_t stride = rays.size() / kSearchSample;
    std::vector<FieldRay> sample;
    std::vector<double> sampleWeight;
    sample.reserve(rays.size() / stride + 1);
    sampleWeight.reserve(rays.size() / stride + 1);
    for (std::size_t k = 0; k < rays.size(); k += stride) {
        sample.push_back(rays[k]);
        sampleWeight.push_back(weight[k]);
    }
    searchWavefrontRms(sample, sampleWeight, C, sphere, depth, kHalvings);
    return searchWavefrontRms(rays, weight, C, sphere, depth, 3);
}

/// Where the exit pupil lies on the chief ray: rays from the centre of the
/// entrance pupil at directions a little off the chief ray's cross it there
/// (the tangential and the sagittal one, averaged).  The signed distance
/// from the chief ray's focal-plane point, negative upstream.
ReferenceSphere exitPupilSphere(const Design& design, QualityField field, const FieldRay& chief) {
    const double eps = 1e-5;
    double sum = 0;
    int count = 0;
    for (int axis = 0; axis < 2; ++axis) {
        RayState ray;
        startQualityRay(design, field, ray);
        (axis == 0 ? ray.L : ray.M) += eps;
        const double len = std::sqrt(ray.L * ray.L + ray.M * ray.M + ray.N * ray.N);
        ray.L /= len;
        ray.M /= len;
        ray.N /= len;
        const double zero[1] = {0};
        FieldRay probe;
        traceFromPupil(design, ray, zero, zero, std::span<FieldRay>(&probe, 1));
        if (probe.status != kTraceOk) continue;
        const Vec3 D0 = direction(chief), D1 = direction(probe);
        const Vec3 c = cross(D0, D1);
        const double c2 = dot(c, c);
        if (!(c2 > 0)) continue;
        const double s = dot(cross(position(probe) - position(chief), D1), c) / c2;
        if (!std::isfinite(s)) continue;
        sum += s;
        ++count;
    }
    ReferenceSphere sphere;
    if (count == 0) return sphere;
    const double s = sum / count;
    if (!(std::fabs(s) > 0) || !std::isfinite(s)) return sphere;
    sphere.R = std::fabs(s);
    sphere.sigma = s < 0 ? 1 : -1;
    return sphere;
}

/// The focal surface alone, untilted, vertex at the origin: re-intersecting
/// a ray with it gives the hit point in the focal plane's own frame.
Design focalSurfaceAlone(const Design& design) {
    Design fp;
    fp.surfaceCount = 1;
    fp.surfaces[1] = design.surfaces[std::clamp(design.surfaceCount, 1, kMaxSurfaces)];
    fp.surfaces[1].tilt = 0;
    fp.surfaces[1].sinTilt = 0;
    fp.surfaces[1].cosTilt = 1;
    fp.surfaces[0].signedSeparation = 0;
    return fp;
}

bool isFlat(const Surface& s) {
    return s.kind == kToroid ? s.curvature == 0 && s.sagCurvature == 0 : s.signedRadius == 0;
}

/// Mean squared spot radius about the centroid with the focal surface moved
/// by shift along the chief ray: the rays are moved back instead, and met
/// again with the unmoved surface.  Infinite if a ray no longer meets it.
double shiftedSpotRms2(const Design& focal, const std::vector<FieldRay>& rays,
                       const std::vector<double>& weight, Vec3 chiefDir, double shift) {
    TraceState state;
    double sw = 0, sx = 0, sy = 0;
    std::vector<double> xs(rays.size()), ys(rays.size());
    for (size_t k = 0; k < rays.size(); ++k) {
        state.ray = RayState{rays[k].x - shift * chiefDir.x,
                             rays[k].y - shift * chiefDir.y,
                             rays[k].z - shift * chiefDir.z,
                             rays[k].L,
                             rays[k].M,
                             rays[k].N};
        if (!traceSurface(focal, state, 1)) return INFINITY;
        xs[k] = state.ray.x;
        ys[k] = state.ray.y;
        sw += weight[k];
        sx += weight[k] * xs[k];
        sy += weight[k] * ys[k];
    }
    const double mx = sx / sw, my = sy / sw;
    double s2 = 0;
    for (size_t k = 0; k < rays.size(); ++k)
        s2 += weight[k] * ((xs[k] - mx) * (xs[k] - mx) + (ys[k] - my) * (ys[k] - my));
    return s2 / sw;
}

/// Best focus: the shift along the chief ray that minimises the RMS spot
/// radius, and that radius.  On a flat focal plane every ray's hit point
/// moves linearly with the shift, so the mean squared radius is a quadratic
/// in it with a closed-form minimum.  A curved focal plane starts from that
/// estimate and is settled by a golden-section search, re-intersecting the
/// surface.
void bestFocus(const Design& design, const std::vector<FieldRay>& rays, const std::vector<double>& weight,
               Vec3 chiefDir, double rmsSpotUnits, double na, double& shift, double& rms) {
    double sw = 0, mx = 0, my = 0, ma = 0, mb = 0;
    std::vector<double> a(rays.size()), b(rays.size());
    for (size_t k = 0; k < rays.size(); ++k) {
        // d(hit)/d(shift) on the plane z = shift * chiefDir.z, in the
        // moved plane's own coordinates.
        a[k] = chiefDir.z * rays[k].L / rays[k].N - chiefDir.x;
        b[k] = chiefDir.z * rays[k].M / rays[k].N - chiefDir.y;
        sw += weight[k];
        mx += weight[k] * rays[k].x;
        my += weight[k] * rays[k].y;
        ma += weight[k] * a[k];
        mb += weight[k] * b[k];
    }
    mx /= sw, my /= sw, ma /= sw, mb /= sw;
    double s0 = 0, s1 = 0, s2 = 0;
    for (size_t k = 0; k < rays.size(); ++k) {
        const double X = rays[k].x - mx, Y = rays[k].y - my, A = a[k] - ma, B = b[k] - mb;
        s0 += weight[k] * (X * X + Y * Y);
        s1 += weight[k] * (X * A + Y * B);
        s2 += weight[k] * (A * A + B * B);
    }
    shift = s2 > 0 ? -s1 / s2 : 0;
    double best2 = s2 > 0 ? (s0 - s1 * s1 / s2) / sw : s0 / sw;
    if (!std::isfinite(shift) || !std::isfinite(best2)) {
        shift = 0;
        best2 = rmsSpotUnits * rmsSpotUnits;
    }
    const int n = std::clamp(design.surfaceCount, 1, kMaxSurfaces);
    if (!isFlat(design.surfaces[n])) {
        const Design focal = focalSurfaceAlone(design);
        auto f = [&](double d) { return shiftedSpotRms2(focal, rays, weight, chiefDir, d); };
        const double width = 0.25 * std::fabs(shift) + 10 * rmsSpotUnits / std::max(na, 1e-6) + 1e-12;
        double lo = shift - width, hi = shift + width;
        const double g = 0.5 * (std::sqrt(5.0) - 1);
        double c = hi - g * (hi - lo), d = lo + g * (hi - lo);
        double fc = f(c), fd = f(d);
        for (int iter = 0; iter < 80 && hi - lo > 1e-15 * (std::fabs(lo) + std::fabs(hi)); ++iter) {
            if (fc < fd) {
                hi = d, d = c, fd = fc;
                c = hi - g * (hi - lo);
                fc = f(c);
            } else {
                lo = c, c = d, fc = fd;
                d = lo + g * (hi - lo);
                fd = f(d);
            }
        }
        const double at = 0.5 * (lo + hi), fat = f(at), f0 = f(0);
        if (std::isfinite(fat) && fat <= f0) {
            shift = at;
            best2 = fat;
        } else {
            shift = 0;
            best2 = std::isfinite(f0) ? f0 : rmsSpotUnits * rmsSpotUnits;
        }
    }
    rms = std::sqrt(std::max(0.0, best2));
}

}  // namespace

const char* qualityFieldName(QualityField field) {
    switch (field) {
        case QualityField::center:
            return "center";
        case QualityField::minus:
            return "minus";
        case QualityField::plus:
            return "plus";
        case QualityField::sagittal:
            return "sagittal";
    }
    return "";
}

std::optional<QualityField> qualityFieldFromName(std::string_view name) {
    for (QualityField f : kQualityFields)
        if (name == qualityFieldName(f)) return f;
    return std::nullopt;
}

namespace {

/// The traced pupil of one field, or the status that stops it.
struct TracedField {
    TraceStatus status = kTraceOk;
    Design design;  ///< the copy traced, entrance distance set
    PupilSampling sampling;
    std::vector<FieldRay> rays;
};

TracedField traceField(const Design& design, QualityField field, int rays) {
    TracedField t;
    t.design = design;
    t.sampling = makePupilSampling(rays);
    t.rays.resize(t.sampling.samples.size());
    if (std::clamp(design.surfaceCount, 0, kMaxSurfaces) < 2) {
        t.status = kTraceNoFocus;
        return t;
    }
    if (design.semiAperture == 0) {
        t.status = kTraceApertureZero;
        return t;
    }
    TraceState state;
    if (!setEntranceTangential(t.design, state)) {
        t.status = state.status;
        return t;
    }
    traceFieldRays(t.design, field, t.sampling.samples, t.rays);
    t.status = t.rays[0].status;
    return t;
}

}  // namespace

FieldQuality computeFieldQuality(const Design& design, QualityField field, const QualityOptions& options) {
    FieldQuality q;
    const TracedField t = traceField(design, field, options.rays);
    q.rays = static_cast<int>(t.rays.size());
    for (const FieldRay& r : t.rays) q.missed += r.status != kTraceOk;
    q.status = t.status;
    if (q.status != kTraceOk) return q;

    const double um = micronsPerUnit(design);
    const double lambda = options.wavelengthMicrons / um;  // in the design's unit
    const FieldRay& chief = t.rays[0];

    // The rays that count: hit, with weight (the rim and centre have none).
    std::vector<FieldRay> rays;
    std::vector<double> weight;
    rays.reserve(t.rays.size());
    weight.reserve(t.rays.size());
    TraceStatus firstMiss = kTraceOk;
    for (size_t k = 0; k < t.rays.size(); ++k) {
        if (t.rays[k].status != kTraceOk) {
            if (firstMiss == kTraceOk) firstMiss = t.rays[k].status;
            continue;
        }
        if (t.sampling.samples[k].weight > 0) {
            rays.push_back(t.rays[k]);
            weight.push_back(t.sampling.samples[k].weight);
        }
    }
    if (rays.empty()) {
        q.status = firstMiss;
        return q;
    }
    double sw = 0, cx = 0, cy = 0;
    for (size_t k = 0; k < rays.size(); ++k) {
        sw += weight[k];
        cx += weight[k] * rays[k].x;
        cy += weight[k] * rays[k].y;
    }
    cx /= sw;
    cy /= sw;
    double s2 = 0, s2chief = 0;
    for (size_t k = 0; k < rays.size(); ++k) {
        const double dx = rays[k].x - cx, dy = rays[k].y - cy;
        const double ex = rays[k].x - chief.x, ey = rays[k].y - chief.y;
        s2 += weight[k] * (dx * dx + dy * dy);
        s2chief += weight[k] * (ex * ex + ey * ey);
    }
    const double rmsUnits = std::sqrt(s2 / sw);
    q.rmsSpot = rmsUnits * um;
    q.rmsSpotChief = std::sqrt(s2chief / sw) * um;
    q.centroidX = (cx - chief.x) * um;
    q.centroidY = (cy - chief.y) * um;
    double geo = 0;
    for (const FieldRay& r : t.rays)
        if (r.status == kTraceOk) geo = std::max(geo, std::hypot(r.x - cx, r.y - cy));
    q.geoSpot = geo * um;

    // The cone of the beam about the chief ray, from the rim.
    const Vec3 D0 = direction(chief);
    double sinSum = 0;
    int rim = 0;
    const size_t rimStart = t.rays.size() - t.sampling.azimuths;
    for (size_t k = rimStart; k < t.rays.size(); ++k) {
        if (t.rays[k].status != kTraceOk) continue;
        const Vec3 c = cross(direction(t.rays[k]), D0);
        sinSum += std::sqrt(dot(c, c));
        ++rim;
    }
    double na = 0;
    if (rim > 0) {
        na = sinSum / rim;
    } else {
        // The rim missed: the mean square sine over a uniform disk is half
        // the rim's square.
        double m2 = 0;
        for (size_t k = 0; k < rays.size(); ++k) {
            const Vec3 c = cross(direction(rays[k]), D0);
            m2 += weight[k] * dot(c, c);
        }
        na = std::sqrt(2 * m2 / sw);
    }
    if (!(na > 0) || !std::isfinite(na)) {
        q.status = kTraceNoFocus;  // a parallel beam has no image to judge
        return q;
    }
    q.workingFRatio = 1 / (2 * na);
    q.airyRadius = 1.22 * options.wavelengthMicrons * q.workingFRatio;

    const ReferenceSphere sphere = exitPupilSphere(t.design, field, chief);
    Vec3 C = position(chief);
    q.rmsWavefront = bestWavefrontRms(rays, weight, C, sphere, false) / lambda;
    q.rmsWavefrontBestFocus = bestWavefrontRms(rays, weight, C, sphere, true) / lambda;
    q.strehl = std::exp(-std::pow(2 * std::numbers::pi * q.rmsWavefront, 2));
    q.diffractionLimited = q.rmsWavefront <= 1.0 / 14.0;

    double shift = 0, best = 0;
    bestFocus(t.design, rays, weight, D0, rmsUnits, na, shift, best);
    q.bestFocusShift = shift;
    q.bestFocusRmsSpot = best * um;

    const double all[] = {
        q.rmsSpot,         q.rmsSpotChief,          q.geoSpot, q.centroidX,  q.centroidY,
        q.rmsWavefront,    q.rmsWavefrontBestFocus, q.strehl,  q.airyRadius, q.bestFocusShift,
        q.bestFocusRmsSpot};
    for (double v : all) {
        if (!std::isfinite(v)) {
            // Figures too large for the arithmetic: no focus worth the name.
            const int missed = q.missed, traced = q.rays;
            q = FieldQuality{};
            q.status = kTraceNoFocus;
            q.missed = missed;
            q.rays = traced;
            break;
        }
    }
    return q;
}

bool fieldWavefrontResiduals(const Design& design, QualityField field, std::vector<double>& out,
                             const QualityOptions& options) {
    out.clear();
    const TracedField t = traceField(design, field, options.rays);
    if (t.status != kTraceOk) return false;
    std::vector<FieldRay> rays;
    std::vector<double> weight;
    for (size_t k = 0; k < t.rays.size(); ++k) {
        if (t.rays[k].status != kTraceOk) return false;
        if (t.sampling.samples[k].weight > 0) {
            rays.push_back(t.rays[k]);
            weight.push_back(t.sampling.samples[k].weight);
        }
    }
    if (rays.empty()) return false;
    const double lambda = options.wavelengthMicrons / micronsPerUnit(design);
    const ReferenceSphere sphere = exitPupilSphere(t.design, field, t.rays[0]);
    Vec3 C = position(t.rays[0]);
    bestWavefrontRms(rays, weight, C, sphere, false);
    std::vector<double> w(rays.size());
    std::vector<std::array<double, 3>> u(rays.size());
    wavefront(rays, C, sphere, w, u);
    double sw = 0, m = 0;
    for (size_t k = 0; k < w.size(); ++k) sw += weight[k], m += weight[k] * w[k];
    m /= sw;
    for (size_t k = 0; k < w.size(); ++k) out.push_back(std::sqrt(weight[k] / sw) * (w[k] - m) / lambda);
    for (double v : out)
        if (!std::isfinite(v)) return false;
    return true;
}

QualityReport computeQuality(const Design& design, const QualityOptions& options) {
    return computeQuality(design, options, kQualityFields);
}

QualityReport computeQuality(const Design& design, const QualityOptions& options,
                             std::span<const QualityField> fields) {
    QualityReport report;
    report.wavelengthMicrons = options.wavelengthMicrons;
    report.micronsPerUnit = micronsPerUnit(design);
    std::optional<FieldQuality> axis;
    for (size_t i = 0; i < kQualityFields.size(); ++i) {
        if (std::find(fields.begin(), fields.end(), kQualityFields[i]) == fields.end()) continue;
        // Without a field every field is the axis.
        if (design.sinField == 0 && i > 0) {
            if (!axis) axis = computeFieldQuality(design, kQualityFields[0], options);
            report.fields[i] = *axis;
            continue;
        }
        report.fields[i] = computeFieldQuality(design, kQualityFields[i], options);
        if (i == 0) axis = report.fields[i];
    }
    return report;
}

std::vector<SpotPoint> fieldSpot(const Design& design, QualityField field, int rays) {
    const TracedField t = traceField(design, field, rays);
    std::vector<SpotPoint> spot;
    if (t.status != kTraceOk) return spot;
    const double um = micronsPerUnit(design);
    const FieldRay& chief = t.rays[0];
    spot.reserve(t.rays.size());
    for (const FieldRay& r : t.rays)
        if (r.status == kTraceOk) spot.push_back({(r.x - chief.x) * um, (r.y - chief.y) * um});
    return spot;
}

namespace {

struct FigureName {
    const char* name;
    double (*get)(const FieldQuality&);
};

constexpr FigureName kFigureNames[] = {
    {"rmsSpot", [](const FieldQuality& q) { return q.rmsSpot; }},
    {"rmsSpotChief", [](const FieldQuality& q) { return q.rmsSpotChief; }},
    {"geoSpot", [](const FieldQuality& q) { return q.geoSpot; }},
    {"centroid.x", [](const FieldQuality& q) { return q.centroidX; }},
    {"centroid.y", [](const FieldQuality& q) { return q.centroidY; }},
    {"rmsWavefront", [](const FieldQuality& q) { return q.rmsWavefront; }},
    {"rmsWavefrontBestFocus", [](const FieldQuality& q) { return q.rmsWavefrontBestFocus; }},
    {"strehl", [](const FieldQuality& q) { return q.strehl; }},
    {"airyRadius", [](const FieldQuality& q) { return q.airyRadius; }},
    {"diffractionLimited", [](const FieldQuality& q) { return q.diffractionLimited ? 1.0 : 0.0; }},
    {"bestFocus.shift", [](const FieldQuality& q) { return q.bestFocusShift; }},
    {"bestFocus.rmsSpot", [](const FieldQuality& q) { return q.bestFocusRmsSpot; }},
    {"missed", [](const FieldQuality& q) { return static_cast<double>(q.missed); }},
    {"rays", [](const FieldQuality& q) { return static_cast<double>(q.rays); }},
};

}  // namespace

std::optional<double> qualityFigure(const QualityReport& report, std::string_view name) {
    constexpr std::string_view prefix = "quality.";
    if (!name.starts_with(prefix)) return std::nullopt;
    name.remove_prefix(prefix.size());
    const size_t dot = name.find('.');
    if (dot == std::string_view::npos) return std::nullopt;
    const auto field = qualityFieldFromName(name.substr(0, dot));
    if (!field) return std::nullopt;
    const std::string_view figure = name.substr(dot + 1);
    const FieldQuality& q = report.field(*field);
    for (const FigureName& f : kFigureNames) {
        if (figure != f.name) continue;
        if (q.status != kTraceOk && figure != "missed" && figure != "rays") return std::nullopt;
        return f.get(q);
    }
    return std::nullopt;
}

std::vector<std::string> qualityFigureNames() {
    std::vector<std::string> names;
    for (QualityField field : kQualityFields)
        for (const FigureName& f : kFigureNames)
            names.push_back(std::string("quality.") + qualityFieldName(field) + "." + f.name);
    return names;
}

}  // namespace orvelin
