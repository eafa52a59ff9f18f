// The batched trace's arithmetic, written once for any lane type: a plain
// double (one ray at a time) or a vector of doubles (xsimd batch).  Every
// expression is the one-ray trace's, operand for operand and in the same
// order, so that a lane gives the one-ray trace's result bit for bit; where
// the one-ray trace leaves a surface early (a miss), the lanes compute on and
// the miss is kept in a mask.
//
// Included by one source file per instruction set; everything here has
// internal linkage, so code compiled for a wider instruction set can never be
// picked by the linker for another file.
#pragma once

#include <cfloat>
#include <cmath>
#include <cstddef>
#include <limits>

#include "design/design.h"
#include "trace/batch_trace.h"
#include "trace/batch_trace_internal.h"
#include "trace/conic_root.h"

namespace orvelin {
namespace {

// A lane group's steps are forced inline: a step left as a call takes its
// vectors through memory, which costs more than the step itself.
#define ORVELIN_LANE_STEP [[gnu::always_inline]] inline

// ---------------------------------------------------------------------------
// Lane operations for plain doubles.  The vector file adds the same names for
// its batch type.

inline double lanesSelect(bool m, double a, double b) {
    return m ? a : b;
}
inline bool lanesAny(bool m) {
    return m;
}
inline double lanesSqrt(double a) {
    return std::sqrt(a);
}
inline double lanesAbs(double a) {
    return std::fabs(a);
}
inline double lanesCopysign(double a, double b) {
    return std::copysign(a, b);
}
inline bool lanesFinite(double a) {
    return std::isfinite(a);
}
inline double lanesMax(double a, double b) {
    return a < b ? b : a;  // std::max(a, b)
}
inline void lanesStore(double* p, double v) {
    *p = v;
}

template <class V>
struct LaneTraits;
template <>
struct LaneTraits<double> {
    using Mask = bool;
    static constexpr std::size_t width = 1;
    static double load(const double* p) { return *p; }
    static bool all() { return true; }
};

/// The rays of one group of lanes.
template <class V>
struct Lanes {
    V x, y, z, L, M, N, path;
    V seg;  ///< distance travelled towards the surface being traced, in the frame's own sense
};

template <class V>
using MaskOf = typename LaneTraits<V>::Mask;

/// Move to the vertex plane z = d (see transferToVertexPlane).
template <class V>
ORVELIN_LANE_STEP MaskOf<V> laneTransfer(Lanes<V>& r, double d) {
    const MaskOf<V> ok = r.N != V(0.0);
    const V t = (r.z - V(d)) / r.N;
    r.x = r.x - t * r.L;
    r.y = r.y - t * r.M;
    r.z = V(0.0);
    r.seg = r.seg - t;
    return ok;
}

template <class V>
ORVELIN_LANE_STEP void laneReflectFlat(Lanes<V>& r) {
    r.L = -r.L;
    r.M = -r.M;
    r.N = lanesAbs(r.N);
}

/// Sphere of signed radius R (see traceSphere).
template <class V>
ORVELIN_LANE_STEP MaskOf<V> laneSphere(Lanes<V>& r, double d, double R) {
    const double rr = std::fabs(R) * R;
    const double twoOverRR = 2 / rr;
    const V zv = r.z - V(d);
    const V zc = zv - V(R);
    const V D = V(R * R) - r.x * r.x - r.y * r.y - zc * zc;
    const V B = r.L * r.x + r.M * r.y + r.N * zc;
    const V q = B * B + D;
    const MaskOf<V> ok = q >= V(0.0);
    const V root = lanesSqrt(q);
    const V w = B + lanesCopysign(root, V(R));
    r.x = r.x - w * r.L;
    r.y = r.y - w * r.M;
    r.z = zv - w * r.N;
    r.seg = r.seg - w;
    const V k = root * V(twoOverRR);
    r.L = -r.L - k * r.x;
    r.M = -r.M - k * r.y;
    r.N = -r.N - k * (r.z - V(R));
    if (rr == 0) return ok && !ok;  // a radius so small its square underflows
    return ok;
}

/// The conic's root nearer the vertex plane in every lane, the one-ray
/// trace's choice made lane by lane (see traceConic): the linear root where
/// qa = 0, else the near root.  `found` are the lanes where it is a hit.
template <class V>
ORVELIN_LANE_STEP V laneConicRoot(const ConicQuadratic<V>& q, MaskOf<V>& found) {
    const V discriminant = conicDiscriminant(q);
    V u = conicNearRoot(q, discriminant);
    const MaskOf<V> linear = q.qa == V(0.0);
    if (lanesAny(linear)) {
        u = lanesSelect(linear, conicLinearRoot(q), u);
        found = q.qb != V(0.0) && (linear || discriminant >= V(0.0));
    } else {
        found = q.qb != V(0.0) && discriminant >= V(0.0);
    }
    return u;
}

/// General conic in the vertex plane (see traceConic).
template <class V>
MaskOf<V> laneConic(Lanes<V>& r, double R, double P) {
    const V vR(R), vP(P);
    MaskOf<V> ok;
    const V u = laneConicRoot(conicQuadratic(r.x, r.y, r.L, r.M, r.N, vR, vP), ok);
    r.x = r.x + u * r.L;
    r.y = r.y + u * r.M;
    r.z = u * r.N;
    r.seg = r.seg + u;
    const V nz = vP * r.z - vR;
    const V n2 = r.x * r.x + r.y * r.y + nz * nz;
    const MaskOf<V> inRange = n2 >= V(DBL_MIN) && n2 <= V(DBL_MAX);
    const V k = V(2.0) * (r.L * r.x + r.M * r.y + r.N * nz) / n2;
    V L = k * r.x - r.L;
    V M = k * r.y - r.M;
    V N = k * nz - r.N;
    if (lanesAny(ok && !inRange)) {
        // Normals whose squared length leaves the range of doubles: the unit
        // normal, as the one-ray trace does.
        const V len = lanesSqrt(n2);
        const V nx = r.x / len, ny = r.y / len, nzUnit = nz / len;
        const V g = r.L * nx + r.M * ny + r.N * nzUnit;
        L = lanesSelect(inRange, L, V(2.0) * g * nx - r.L);
        M = lanesSelect(inRange, M, V(2.0) * g * ny - r.M);
        N = lanesSelect(inRange, N, V(2.0) * g * nzUnit - r.N);
        ok = ok && (inRange || len > V(0.0));
    }
    r.L = L;
    r.M = M;
    r.N = N;
    return ok;
}

/// Sag and normal z-component of the toroid (see toroidSag).
template <class V>
MaskOf<V> laneToroidSag(const V& x, const V& y, double cv, double cvs, V& S, V& beta) {
    const V r2 = x * x + y * y;
    const MaskOf<V> atVertex = r2 == V(0.0);
    const V omega = V(cv) * x * x + V(cvs) * y * y;
    const V arg = V(1.0) - omega * omega / r2;
    const V b = lanesSqrt(arg);
    const V s = omega / (V(1.0) + b);
    beta = lanesSelect(atVertex, V(1.0), b);
    S = lanesSelect(atVertex, V(0.0), s);
    return atVertex || (arg >= V(0.0) && lanesFinite(s));
}

/// Toroid by successive tangent planes, every lane its own passes (see
/// traceToroid).  `live` are the lanes still worth tracing.
template <class V>
MaskOf<V> laneToroid(Lanes<V>& r, double cv, double cvs, MaskOf<V> live) {
    V S, beta;
    MaskOf<V> ok = laneToroidSag(r.x, r.y, cv, cvs, S, beta);
    V nx(0.0), ny(0.0), nz(1.0), g = r.N;
    MaskOf<V> settled = ok && !ok;
    V lastChange(0.0);
    MaskOf<V> active = ok && live;
    for (int pass = 0; pass < kToroidMaxPasses && lanesAny(active); ++pass) {
        const V S0 = S;
        const V nxP = V(-cv) * r.x;
        const V nyP = V(-cvs) * r.y;
        const V nzP = beta;
        const V gP = r.L * nxP + r.M * nyP + r.N * nzP;
        const MaskOf<V> flat = gP == V(0.0);
        const V t = beta * (S0 - r.z) / gP;
        const V x = r.x + t * r.L;
        const V y = r.y + t * r.M;
        const V z = r.z + t * r.N;
        V S1, beta1;
        const MaskOf<V> reach = laneToroidSag(x, y, cv, cvs, S1, beta1);
        const V change = lanesAbs(S0 - S1);
        nx = lanesSelect(active, nxP, nx);
        ny = lanesSelect(active, nyP, ny);
        nz = lanesSelect(active, nzP, nz);
        g = lanesSelect(active, gP, g);
        r.x = lanesSelect(active, x, r.x);
        r.y = lanesSelect(active, y, r.y);
        r.z = lanesSelect(active, z, r.z);
        r.seg = lanesSelect(active, r.seg + t, r.seg);
        S = lanesSelect(active, S1, S);
        beta = lanesSelect(active, beta1, beta);
        lastChange = lanesSelect(active, change, lastChange);
        const MaskOf<V> failed = active && (flat || !reach);
        ok = ok && !failed;
        const MaskOf<V> done = active && !failed && change <= V(kToroidSagTolerance);
        settled = settled || done;
        active = active && !failed && !done;
    }
    // Passes that ended dithering at the rounding of the sag are accepted.
    ok = ok && (settled || lastChange <= V(1e-11) * lanesMax(V(1.0), lanesAbs(S)));
    const V k = V(2.0) * g / (nx * nx + ny * ny + nz * nz);
    r.L = k * nx - r.L;
    r.M = k * ny - r.M;
    r.N = k * nz - r.N;
    return ok;
}

/// How far surface i's vertex lies along the incoming axis: the separation
/// before it, or for surface 1 the rays' entrance distance.
inline double separationBefore(const Design& design, double entrance, int i) {
    return i == 1 ? entrance : design.surfaces[i - 1].signedSeparation;
}

/// Surface i (see surfaceStep): turn in, intersect, reflect.  With
/// `arriving` the ray keeps the direction in which it met the surface (at
/// the focal plane, where the reflection means nothing).
template <class V>
MaskOf<V> laneSurface(const Design& design, double entrance, Lanes<V>& r, int i, MaskOf<V> live,
                      bool arriving) {
    const Surface& s = design.surfaces[i];
    double d = separationBefore(design, entrance, i);
    if (s.tilt != 0) {
        const double st = s.sinTilt, ct = s.cosTilt;
        const V vst(st), vct(ct);
        if (i != 1) {
            const V x = r.x, z = r.z;
            r.x = x * vct + z * vst - V(d * st);
            r.z = z * vct - x * vst;
            d *= ct;
        }
        const V L = r.L, N = r.N;
        r.L = L * vct + N * vst;
        r.N = N * vct - L * vst;
    }
    const V L0 = r.L, M0 = r.M, N0 = r.N;
    r.seg = V(0.0);
    if (i == 1) {
        // The incoming wavefront is the plane through the entrance origin
        // perpendicular to the ray as it meets surface 1 (a tilt of surface
        // 1 turns the beam, not the entrance plane): the ray starts that far
        // beyond it.
        r.seg = r.x * r.L + r.y * r.M + r.z * r.N;
    }
    MaskOf<V> hit;
    const double R = s.signedRadius;
    if (s.kind == kToroid) {
        hit = laneTransfer(r, d);
        hit = hit && laneToroid(r, s.curvature, s.sagCurvature, live && hit);
    } else if (R == 0) {
        hit = laneTransfer(r, d);
        laneReflectFlat(r);
    } else if (s.oneMinusConic == 1) {
        hit = laneSphere(r, d, R);
    } else {
        hit = laneTransfer(r, d);
        hit = hit && laneConic(r, R, s.oneMinusConic);
    }
    // The frames are unfolded: in a space of medium sign s the light's
    // physical travel is -s times the distance along the frame's rays.
    r.path = r.path + V(-design.surfaces[i - 1].mediumSign) * r.seg;
    const MaskOf<V> finite = lanesFinite(r.x + r.y + r.z + r.L + r.M + r.N);
    if (arriving) {
        r.L = L0;
        r.M = M0;
        r.N = N0;
    }
    return hit && finite;
}

/// The full turn out of tilted mirror i (see turnOut).
template <class V>
void laneTurnOut(const Surface& s, Lanes<V>& r) {
    if (s.tilt == 0) return;
    const V st(s.sinTilt), ct(s.cosTilt);
    const V x = r.x, z = r.z;
    r.z = z * ct - x * st;
    r.x = x * ct + z * st;
    const V L = r.L, N = r.N;
    r.L = L * ct + N * st;
    r.N = N * ct - L * st;
}

using detail::kChunkRays;
using Rows = detail::TraceRows;

/// What surface i asks of every lane, settled once per surface and chunk so
/// that the loops over the lane groups hold no decision that is the same for
/// all of them.  Every constant is formed as laneSurface forms it.
struct SurfacePlan {
    int i = 0;
    double number = 0;          ///< i, as the lanes record a miss
    bool tilted = false;        ///< turn into the tilted surface
    bool turnPosition = false;  ///< the position too (not at surface 1)
    bool first = false;         ///< surface 1: the path starts at the incoming wavefront
    bool arriving = false;      ///< the focal plane: keep the direction of arrival
    double st = 0, ct = 1;
    double dst = 0;  ///< d sin(tilt), d before it is turned
    double d = 0;    ///< distance to the vertex plane in the surface's frame
    double R = 0, P = 0;
    double pathSign = 0;  ///< -s of the space in front of the surface
    enum class Out { none, turn, imageX } out = Out::none;
};

inline SurfacePlan planSurface(const Design& design, double entrance, int i, int n, BundleEnd end) {
    const Surface& s = design.surfaces[i];
    SurfacePlan p;
    p.i = i;
    p.number = i;
    p.d = separationBefore(design, entrance, i);
    p.tilted = s.tilt != 0;
    p.st = s.sinTilt;
    p.ct = s.cosTilt;
    if (p.tilted && i != 1) {
        p.turnPosition = true;
        p.dst = p.d * p.st;
        p.d *= p.ct;
    }
    p.first = i == 1;
    p.arriving = i == n;
    p.R = s.signedRadius;
    p.P = s.oneMinusConic;
    p.pathSign = -design.surfaces[i - 1].mediumSign;
    if (i < n) {
        if (p.tilted) p.out = SurfacePlan::Out::turn;
    } else if (end == BundleEnd::image && p.tilted) {
        p.out = SurfacePlan::Out::imageX;
    }
    return p;
}

/// The lanes of group j still to be traced (none missed a surface yet).
template <class V>
ORVELIN_LANE_STEP MaskOf<V> liveLanes(const Rows& c, std::size_t j) {
    return LaneTraits<V>::load(c.a[7] + j) == V(0.0);
}

/// Turn into the tilted surface (laneSurface's opening, operation for
/// operation).
template <class V>
ORVELIN_LANE_STEP void planTurnIn(const SurfacePlan& p, V& x, V& z, V& L, V& N) {
    if (!p.tilted) return;
    const V vst(p.st), vct(p.ct);
    if (p.turnPosition) {
        const V x0 = x, z0 = z;
        x = x0 * vct + z0 * vst - V(p.dst);
        z = z0 * vct - x0 * vst;
    }
    const V L0 = L, N0 = N;
    L = L0 * vct + N0 * vst;
    N = N0 * vct - L0 * vst;
}

/// Where the segment towards the surface starts: at surface 1 the distance
/// from the incoming wavefront, elsewhere 0 (as in laneSurface).
template <class V>
ORVELIN_LANE_STEP V planSegmentStart(const SurfacePlan& p, const V& x, const V& y, const V& z, const V& L,
                                     const V& M, const V& N) {
    return p.first ? x * L + y * M + z * N : V(0.0);
}

/// The end of a surface for one group: path, miss, turn out, store.  L0..N0
/// are the directions the ray met the surface with, kept at the focal plane.
template <class V>
ORVELIN_LANE_STEP void planFinish(const SurfacePlan& p, const Rows& c, std::size_t j, MaskOf<V> live,
                                  MaskOf<V> hit, V x, V y, V z, V L, V M, V N, const V& L0, const V& M0,
                                  const V& N0, const V& seg) {
    const V path = LaneTraits<V>::load(c.a[6] + j) + V(p.pathSign) * seg;
    hit = hit && lanesFinite(x + y + z + L + M + N);
    if (p.arriving) {
        L = L0;
        M = M0;
        N = N0;
    }
    // A live lane that misses takes the surface's number; the others keep
    // theirs (0 for a live lane that hits).
    V missed = LaneTraits<V>::load(c.a[7] + j);
    missed = lanesSelect(hit, missed, lanesSelect(live, V(p.number), missed));
    if (p.out == SurfacePlan::Out::turn) {
        const V st(p.st), ct(p.ct);
        const V x0 = x, z0 = z;
        z = z0 * ct - x0 * st;
        x = x0 * ct + z0 * st;
        const V L1 = L, N1 = N;
        L = L1 * ct + N1 * st;
        N = N1 * ct - L1 * st;
    } else if (p.out == SurfacePlan::Out::imageX) {
        x = x * V(p.ct) + z * V(p.st);
    }
    lanesStore(c.a[0] + j, x);
    lanesStore(c.a[1] + j, y);
    lanesStore(c.a[2] + j, z);
    lanesStore(c.a[3] + j, L);
    lanesStore(c.a[4] + j, M);
    lanesStore(c.a[5] + j, N);
    lanesStore(c.a[6] + j, path);
    lanesStore(c.a[7] + j, missed);
}

/// Intermediate values of a surface, between its passes.
struct ConicWork {
    alignas(64) double a[4][kChunkRays];
};

/// A flat surface (or flat focal plane) over the chunk, in two passes cut at
/// the division of laneTransfer (as the conic's, see traceConicChunk).
template <class V>
void traceFlatChunk(const SurfacePlan& p, const Rows& rows, std::size_t count, ConicWork& w) {
    const Rows c = rows;  // the row addresses held in registers, not reloaded after every store
    using T = LaneTraits<V>;
    for (std::size_t j = 0; j < count; j += T::width) {
        if (!lanesAny(liveLanes<V>(c, j))) continue;
        V x = T::load(c.a[0] + j), z = T::load(c.a[2] + j);
        V L = T::load(c.a[3] + j), N = T::load(c.a[5] + j);
        planTurnIn(p, x, z, L, N);
        lanesStore(w.a[0] + j, planSegmentStart(p, x, T::load(c.a[1] + j), z, L, T::load(c.a[4] + j), N));
        lanesStore(w.a[1] + j, (z - V(p.d)) / N);
        lanesStore(c.a[0] + j, x);
        lanesStore(c.a[3] + j, L);
        lanesStore(c.a[5] + j, N);
    }
    for (std::size_t j = 0; j < count; j += T::width) {
        const MaskOf<V> live = liveLanes<V>(c, j);
        if (!lanesAny(live)) continue;
        const V L = T::load(c.a[3] + j), M = T::load(c.a[4] + j), N = T::load(c.a[5] + j);
        const V t = T::load(w.a[1] + j);
        // laneTransfer and laneReflectFlat
        const MaskOf<V> hit = N != V(0.0);
        const V x = T::load(c.a[0] + j) - t * L;
        const V y = T::load(c.a[1] + j) - t * M;
        planFinish(p, c, j, live, hit, x, y, V(0.0), -L, -M, lanesAbs(N), L, M, N, T::load(w.a[0] + j) - t);
    }
}

/// A sphere over the chunk: one pass, its square root the only long step.
template <class V>
void traceSphereChunk(const SurfacePlan& p, const Rows& rows, std::size_t count) {
    const Rows c = rows;  // the row addresses held in registers, not reloaded after every store
    using T = LaneTraits<V>;
    for (std::size_t j = 0; j < count; j += T::width) {
        const MaskOf<V> live = liveLanes<V>(c, j);
        if (!lanesAny(live)) continue;
        V x = T::load(c.a[0] + j), y = T::load(c.a[1] + j), z = T::load(c.a[2] + j);
        V L = T::load(c.a[3] + j), M = T::load(c.a[4] + j), N = T::load(c.a[5] + j);
        planTurnIn(p, x, z, L, N);
        Lanes<V> r{x, y, z, L, M, N, V(0.0), planSegmentStart(p, x, y, z, L, M, N)};
        const MaskOf<V> hit = laneSphere(r, p.d, p.R);
        planFinish(p, c, j, live, hit, r.x, r.y, r.z, r.L, r.M, r.N, L, M, N, r.seg);
    }
}

/// A general conic over the chunk, in four passes over the lane groups.  In
/// one pass a group's arithmetic is a single chain of dependent steps (a
/// division, a square root, two more divisions) far longer than the
/// processor's window of instructions in flight, so groups hardly overlap;
/// cut at the square root and the divisions, each pass is a short chain and
/// the processor works on many groups at once.  The values crossing a cut go
/// through the cache, unchanged, so every lane gets laneConic's bits.
///
/// A lane for which laneTransfer or laneConic would report a miss carries a
/// NaN distance u from the second pass on: its position turns NaN, which the
/// finite test reports as the same miss of the same surface.
template <class V>
void traceConicChunk(const SurfacePlan& p, const Rows& rows, std::size_t count, ConicWork& w) {
    const Rows c = rows;  // the row addresses held in registers, not reloaded after every store
    using T = LaneTraits<V>;
    const V vR(p.R), vP(p.P);
    const V nan(std::numeric_limits<double>::quiet_NaN());
    // Pass 1: turn in, transfer to the vertex plane, the quadratic's
    // coefficients.
    for (std::size_t j = 0; j < count; j += T::width) {
        if (!lanesAny(liveLanes<V>(c, j))) continue;
        V x = T::load(c.a[0] + j), y = T::load(c.a[1] + j), z = T::load(c.a[2] + j);
        V L = T::load(c.a[3] + j), M = T::load(c.a[4] + j), N = T::load(c.a[5] + j);
        planTurnIn(p, x, z, L, N);
        Lanes<V> r{x, y, z, L, M, N, V(0.0), planSegmentStart(p, x, y, z, L, M, N)};
        const MaskOf<V> ok = laneTransfer(r, p.d);
        const ConicQuadratic<V> q = conicQuadratic(r.x, r.y, r.L, r.M, r.N, vR, vP);
        lanesStore(c.a[0] + j, r.x);
        lanesStore(c.a[1] + j, r.y);
        lanesStore(c.a[3] + j, r.L);
        lanesStore(c.a[5] + j, r.N);
        lanesStore(w.a[0] + j, r.seg);
        lanesStore(w.a[1] + j, q.qa);
        lanesStore(w.a[2] + j, lanesSelect(ok, q.qb, nan));
        lanesStore(w.a[3] + j, q.qc);
    }
    // Pass 2: the root nearer the vertex plane.
    for (std::size_t j = 0; j < count; j += T::width) {
        if (!lanesAny(liveLanes<V>(c, j))) continue;
        const ConicQuadratic<V> q{T::load(w.a[1] + j), T::load(w.a[2] + j), T::load(w.a[3] + j)};
        MaskOf<V> found;
        const V u = laneConicRoot(q, found);
        lanesStore(w.a[1] + j, lanesSelect(found, u, nan));
    }
    // Pass 3: the hit point and the scale of the reflection.
    for (std::size_t j = 0; j < count; j += T::width) {
        if (!lanesAny(liveLanes<V>(c, j))) continue;
        const V u = T::load(w.a[1] + j);
        const V L0 = T::load(c.a[3] + j), M0 = T::load(c.a[4] + j), N0 = T::load(c.a[5] + j);
        const V x = T::load(c.a[0] + j) + u * L0;
        const V y = T::load(c.a[1] + j) + u * M0;
        const V z = u * N0;
        const V nz = vP * z - vR;
        const V n2 = x * x + y * y + nz * nz;
        lanesStore(w.a[2] + j, V(2.0) * (L0 * x + M0 * y + N0 * nz) / n2);
        lanesStore(w.a[3] + j, n2);
    }
    // Pass 4: the reflection, the end of the surface.
    for (std::size_t j = 0; j < count; j += T::width) {
        const MaskOf<V> live = liveLanes<V>(c, j);
        if (!lanesAny(live)) continue;
        const V u = T::load(w.a[1] + j), seg = T::load(w.a[0] + j);
        const V L0 = T::load(c.a[3] + j), M0 = T::load(c.a[4] + j), N0 = T::load(c.a[5] + j);
        // The hit point again, as the previous pass formed it: cheaper
        // than a trip through the cache.
        const V x = T::load(c.a[0] + j) + u * L0;
        const V y = T::load(c.a[1] + j) + u * M0;
        const V z = u * N0;
        const V nz = vP * z - vR;
        const V k = T::load(w.a[2] + j), n2 = T::load(w.a[3] + j);
        V L = k * x - L0;
        V M = k * y - M0;
        V N = k * nz - N0;
        MaskOf<V> hit = LaneTraits<V>::all();
        // Normals whose squared length leaves the range of doubles (not
        // NaN, which the finite test catches): the unit normal.
        if (lanesAny(n2 < V(DBL_MIN) || n2 > V(DBL_MAX))) {
            const MaskOf<V> inRange = n2 >= V(DBL_MIN) && n2 <= V(DBL_MAX);
            const V len = lanesSqrt(n2);
            const V nx = x / len, ny = y / len, nzUnit = nz / len;
            const V g = L0 * nx + M0 * ny + N0 * nzUnit;
            L = lanesSelect(inRange, L, V(2.0) * g * nx - L0);
            M = lanesSelect(inRange, M, V(2.0) * g * ny - M0);
            N = lanesSelect(inRange, N, V(2.0) * g * nzUnit - N0);
            hit = inRange || len > V(0.0);
        }
        planFinish(p, c, j, live, hit, x, y, z, L, M, N, L0, M0, N0, seg + u);
    }
}

/// Any surface (the toroid) through laneSurface, one group at a time.
template <class V>
void traceAnyChunk(const Design& design, double entrance, const SurfacePlan& p, const Rows& rows,
                   std::size_t count) {
    const Rows c = rows;  // the row addresses held in registers, not reloaded after every store
    using T = LaneTraits<V>;
    for (std::size_t j = 0; j < count; j += T::width) {
        V missed = T::load(c.a[7] + j);
        MaskOf<V> live = missed == V(0.0);
        if (!lanesAny(live)) continue;
        Lanes<V> r{T::load(c.a[0] + j), T::load(c.a[1] + j), T::load(c.a[2] + j), T::load(c.a[3] + j),
                   T::load(c.a[4] + j), T::load(c.a[5] + j), T::load(c.a[6] + j), V(0.0)};
        const MaskOf<V> hit = laneSurface(design, entrance, r, p.i, live, p.arriving);
        missed = lanesSelect(live && !hit, V(static_cast<double>(p.i)), missed);
        if (p.out == SurfacePlan::Out::turn) {
            laneTurnOut(design.surfaces[p.i], r);
        } else if (p.out == SurfacePlan::Out::imageX) {
            r.x = r.x * V(p.ct) + r.z * V(p.st);
        }
        lanesStore(c.a[0] + j, r.x);
        lanesStore(c.a[1] + j, r.y);
        lanesStore(c.a[2] + j, r.z);
        lanesStore(c.a[3] + j, r.L);
        lanesStore(c.a[4] + j, r.M);
        lanesStore(c.a[5] + j, r.N);
        lanesStore(c.a[6] + j, r.path);
        lanesStore(c.a[7] + j, missed);
    }
}

/// Trace the first `count` rays of the chunk (padded to whole lane groups)
/// through surfaces 1..last, surface by surface, each surface by the loop
/// made for its kind; the rays start `entrance` before surface 1.
template <class V>
void traceChunk(const Design& design, double entrance, const Rows& c, std::size_t count, BundleEnd end) {
    const int n = design.surfaceCount < 0
                      ? 0
                      : (design.surfaceCount > kMaxSurfaces ? kMaxSurfaces : design.surfaceCount);
    const int last = end == BundleEnd::lastMirror ? n - 1 : n;
    ConicWork work;
    for (int i = 1; i <= last; ++i) {
        const Surface& s = design.surfaces[i];
        const SurfacePlan p = planSurface(design, entrance, i, n, end);
        if (s.kind == kToroid) {
            traceAnyChunk<V>(design, entrance, p, c, count);
        } else if (p.R == 0) {
            traceFlatChunk<V>(p, c, count, work);
        } else if (p.P == 1) {
            traceSphereChunk<V>(p, c, count);
        } else {
            traceConicChunk<V>(p, c, count, work);
        }
    }
}

}  // namespace
}  // namespace orvelin
