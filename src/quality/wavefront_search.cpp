#include "quality/wavefront_search.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace orvelin {

double pathToSphere(const FieldRay& ray, const double centre[3], const ReferenceSphere& sphere) {
    return toSphere(ray.x, ray.y, ray.z, ray.L, ray.M, ray.N, ray.path, centre, sphere).w;
}

namespace wavefront_search {

namespace {

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


/// Every ray's error and exit-pupil point (see rayWavefront).
void wavefront(const std::vector<FieldRay>& rays, Vec3 C, const ReferenceSphere& sphere,
               std::vector<double>& w, std::vector<std::array<double, 3>>& u) {
    for (size_t k = 0; k < rays.size(); ++k) w[k] = rayWavefront(rays[k], C, sphere, u[k]);
}

}  // namespace

double weightedMean(const std::vector<double>& weight, const std::vector<double>& v) {
    double sw = 0, m = 0;
    for (size_t k = 0; k < v.size(); ++k) sw += weight[k], m += weight[k] * v[k];
    return m / sw;
}

namespace {


/// RMS of the wavefront error about its mean (piston removed) against the
/// sphere about C.
double wavefrontRms(const std::vector<FieldRay>& rays, const std::vector<double>& weight, Vec3 C,
                    const ReferenceSphere& sphere, std::vector<double>& w,
                    std::vector<std::array<double, 3>>& u) {
    wavefront(rays, C, sphere, w, u);
    const double m = weightedMean(weight, w);
    double sw = 0, s2 = 0;
    for (size_t k = 0; k < w.size(); ++k) sw += weight[k], s2 += weight[k] * (w[k] - m) * (w[k] - m);
    return std::sqrt(s2 / sw);
}

/// How often a step that does not help is halved before the search stops.
constexpr int kHalvings = 20;

/// A gain in the RMS error this small, relative to it, is rounding.
constexpr double kSettled = 1e-12;

}  // namespace

/// The least RMS wavefront error over reference centres that move in the
/// focal plane (depth = false) or also along its axis (depth = true),
/// starting from C and leaving C at the best centre found.  Moving C by
/// delta adds about -sigma u.delta to each ray's error, so the tilt (and
/// defocus) fitted in the exit-pupil coordinates u say where to move it;
/// every step is then measured exactly and kept only if it helps (halved
/// otherwise), so the figure is always the error against a real centre.
/// Every ray's error against that centre is left in errors.
double bestWavefrontRms(const std::vector<FieldRay>& rays, const std::vector<double>& weight, Vec3& C,
                        const ReferenceSphere& sphere, bool depth, std::vector<double>& errors) {
    // Two sets of errors, the kept centre's and the one tried, allocated once:
    // with a million rays a fresh set for every step tried costs more than
    // computing it.
    std::vector<double> w(rays.size()), w2(rays.size());
    std::vector<std::array<double, 3>> u(rays.size()), u2(rays.size());
    double best = wavefrontRms(rays, weight, C, sphere, w, u);
    bool settled = false;
    for (int pass = 0; pass < 8 && best > 0 && !settled; ++pass) {
        const Fit fit = fitAndRemove(weight, w, u, depth ? 3 : 2);
        // Settled once the fit foresees no gain beyond rounding: the steps
        // left would only halve their way down to the last bit.
        if (best - fit.rms <= kSettled * best) break;
        Vec3 move = sphere.sigma * Vec3{fit.c[0], fit.c[1], depth ? fit.c[2] : 0.0};
        if (!std::isfinite(move.x + move.y + move.z)) break;
        bool improved = false;
        for (int halving = 0; halving < kHalvings && !improved; ++halving, move = 0.5 * move) {
            // A step too small to move the centre at all: nor will any
            // smaller one.
            const Vec3 next = C + move;
            if (next.x == C.x && next.y == C.y && next.z == C.z) break;
            const double r = wavefrontRms(rays, weight, next, sphere, w2, u2);
            if (r < best) {
                improved = true;
                // Settled once a full step gains no more than rounding.
                settled = halving == 0 && best - r <= kSettled * best;
                best = r;
                C = next;
                w.swap(w2);
                u.swap(u2);
            }
        }
        if (!improved) break;
    }
    errors = std::move(w);
    return best;
}

bool isFlat(const Surface& s) {
    return s.kind == kToroid ? s.curvature == 0 && s.sagCurvature == 0 : s.signedRadius == 0;
}

namespace {


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

/// The minimum of f on [a, b] by Brent's method: parabolas through the
/// three best points found, with golden-section steps where a parabola
/// would step badly, to within tol of x (relative) plus floor.  A smooth
/// minimum takes a dozen evaluations where golden sections alone take
/// forty; the values at a minimum are flat to about the square root of the
/// rounding, so no method locates it better than tol about 1e-8.
template <class F>
double brentMinimum(const F& f, double a, double b, double tol, double floor) {
    const double g = 0.5 * (3 - std::sqrt(5.0));
    double x = a + g * (b - a), w = x, v = x, fx = f(x), fw = fx, fv = fx, d = 0, e = 0;
    for (int iter = 0; iter < 100; ++iter) {
        const double m = 0.5 * (a + b), tol1 = tol * std::fabs(x) + floor, tol2 = 2 * tol1;
        if (std::fabs(x - m) <= tol2 - 0.5 * (b - a)) break;
        bool golden = true;
        if (std::fabs(e) > tol1) {
            double r = (x - w) * (fx - fv), q = (x - v) * (fx - fw), p = (x - v) * q - (x - w) * r;
            q = 2 * (q - r);
            if (q > 0) p = -p;
            q = std::fabs(q);
            const double last = e;
            e = d;
            // Only a step inside the bracket, and shorter than half the one
            // before last, is trusted (NaN from infinite values fails here).
            if (std::fabs(p) < std::fabs(0.5 * q * last) && p > q * (a - x) && p < q * (b - x)) {
                d = p / q;
                if ((x + d) - a < tol2 || b - (x + d) < tol2) d = x < m ? tol1 : -tol1;
                golden = false;
            }
        }
        if (golden) {
            e = (x < m ? b : a) - x;
            d = g * e;
        }
        const double u = std::fabs(d) >= tol1 ? x + d : x + (d > 0 ? tol1 : -tol1);
        const double fu = f(u);
        if (fu <= fx) {
            (u < x ? b : a) = x;
            v = w, fv = fw, w = x, fw = fx, x = u, fx = fu;
        } else {
            (u < x ? a : b) = u;
            if (fu <= fw || w == x) {
                v = w, fv = fw, w = u, fw = fu;
            } else if (fu <= fv || v == x || v == w) {
                v = u, fv = fu;
            }
        }
    }
    return x;
}

}  // namespace

/// A curved focal plane's best focus: starting from the estimate a flat
/// plane would give, the shift that minimises the RMS spot radius,
/// re-intersecting the surface.
double searchCurvedFocus(const Design& design, const std::vector<FieldRay>& rays,
                         const std::vector<double>& weight, Vec3 chiefDir, double estimate,
                         double rmsSpotUnits, double na) {
    const Design focal = focalSurfaceAlone(design);
    auto f = [&](double d) { return shiftedSpotRms2(focal, rays, weight, chiefDir, d); };
    const double width = 0.25 * std::fabs(estimate) + 10 * rmsSpotUnits / std::max(na, 1e-6) + 1e-12;
    return brentMinimum(f, estimate - width, estimate + width, 1e-8, 1e-10 * width);
}

}  // namespace wavefront_search
}  // namespace orvelin
