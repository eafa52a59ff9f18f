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

#include "design/design.h"
#include "trace/batch_trace.h"

namespace orvelin {
namespace {

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
MaskOf<V> laneTransfer(Lanes<V>& r, double d) {
    const MaskOf<V> ok = r.N != V(0.0);
    const V t = (r.z - V(d)) / r.N;
    r.x = r.x - t * r.L;
    r.y = r.y - t * r.M;
    r.z = V(0.0);
    r.seg = r.seg - t;
    return ok;
}

template <class V>
void laneReflectFlat(Lanes<V>& r) {
    r.L = -r.L;
    r.M = -r.M;
    r.N = lanesAbs(r.N);
}

/// Sphere of signed radius R (see traceSphere).
template <class V>
MaskOf<V> laneSphere(Lanes<V>& r, double d, double R) {
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

/// General conic in the vertex plane (see traceConic).
template <class V>
MaskOf<V> laneConic(Lanes<V>& r, double R, double P) {
    const V vR(R), vP(P);
    const V qa = r.L * r.L + r.M * r.M + vP * r.N * r.N;
    const V qb = V(2.0) * (r.x * r.L + r.y * r.M - vR * r.N);
    const V qc = r.x * r.x + r.y * r.y;
    MaskOf<V> ok = qb != V(0.0);
    const V q = qb * qb - V(4.0) * qa * qc;
    V u = V(-2.0) * qc / (qb + lanesCopysign(lanesSqrt(q), qb));
    const MaskOf<V> linear = qa == V(0.0);
    if (lanesAny(linear)) {
        u = lanesSelect(linear, -qc / qb, u);
        ok = ok && (linear || q >= V(0.0));
    } else {
        ok = ok && q >= V(0.0);
    }
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

/// Surface i (see surfaceStep): turn in, intersect, reflect.  With
/// `arriving` the ray keeps the direction in which it met the surface (at
/// the focal plane, where the reflection means nothing).
template <class V>
MaskOf<V> laneSurface(const Design& design, Lanes<V>& r, int i, MaskOf<V> live, bool arriving) {
    const Surface& s = design.surfaces[i];
    double d = design.surfaces[i - 1].signedSeparation;
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

/// Rays traced together surface by surface: small enough that all of them
/// stay in the first-level cache (8 arrays of 8 bytes a ray), large enough
/// that the processor overlaps the long dependent chain of one lane group
/// (two divisions and a square root a surface) with the next groups'.
constexpr std::size_t kChunkRays = 256;
static_assert(kChunkRays % 8 == 0, "a chunk holds whole lane groups of every kernel");

/// One chunk of rays in cache: the bundle's seven arrays and, per ray, the
/// surface it missed first (0: none yet).
struct Chunk {
    alignas(64) double a[8][kChunkRays];
};

/// Trace the first `count` rays of the chunk (padded to whole lane groups)
/// through surfaces 1..last, surface by surface.
template <class V>
void traceChunk(const Design& design, Chunk& c, std::size_t count, BundleEnd end) {
    constexpr std::size_t W = LaneTraits<V>::width;
    const int n = design.surfaceCount < 0
                      ? 0
                      : (design.surfaceCount > kMaxSurfaces ? kMaxSurfaces : design.surfaceCount);
    const int last = end == BundleEnd::lastMirror ? n - 1 : n;
    for (int i = 1; i <= last; ++i) {
        const Surface& s = design.surfaces[i];
        for (std::size_t j = 0; j < count; j += W) {
            V missed = LaneTraits<V>::load(c.a[7] + j);
            MaskOf<V> live = missed == V(0.0);
            if (!lanesAny(live)) continue;
            Lanes<V> r{LaneTraits<V>::load(c.a[0] + j), LaneTraits<V>::load(c.a[1] + j),
                       LaneTraits<V>::load(c.a[2] + j), LaneTraits<V>::load(c.a[3] + j),
                       LaneTraits<V>::load(c.a[4] + j), LaneTraits<V>::load(c.a[5] + j),
                       LaneTraits<V>::load(c.a[6] + j), V(0.0)};
            const MaskOf<V> hit = laneSurface(design, r, i, live, i == n);
            missed = lanesSelect(live && !hit, V(static_cast<double>(i)), missed);
            if (i < n) {
                laneTurnOut(s, r);
            } else if (end == BundleEnd::image && s.tilt != 0) {
                r.x = r.x * V(s.cosTilt) + r.z * V(s.sinTilt);
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
}

/// Trace rays [begin, stop) of the bundle a chunk at a time; a last lane
/// group that is not full is padded with axial rays whose results are
/// dropped.
template <class V>
void traceRange(const Design& design, RayBundle& b, BundleEnd end, std::size_t begin, std::size_t stop) {
    constexpr std::size_t W = LaneTraits<V>::width;
    BundleArray* arrays[7] = {&b.x, &b.y, &b.z, &b.L, &b.M, &b.N, &b.path};
    Chunk c;
    for (std::size_t first = begin; first < stop; first += kChunkRays) {
        const std::size_t count = stop - first < kChunkRays ? stop - first : kChunkRays;
        const std::size_t padded = (count + W - 1) / W * W;
        for (int k = 0; k < 7; ++k) {
            const double* src = arrays[k]->data() + first;
            for (std::size_t j = 0; j < count; ++j) c.a[k][j] = src[j];
            for (std::size_t j = count; j < padded; ++j) c.a[k][j] = k == 5 ? 1 : 0;
        }
        for (std::size_t j = 0; j < padded; ++j) c.a[7][j] = 0;
        traceChunk<V>(design, c, padded, end);
        for (int k = 0; k < 7; ++k) {
            double* dst = arrays[k]->data() + first;
            for (std::size_t j = 0; j < count; ++j) dst[j] = c.a[k][j];
        }
        for (std::size_t j = 0; j < count; ++j)
            b.status[first + j] = c.a[7][j] == 0 ? kTraceOk : traceMissStatus(static_cast<int>(c.a[7][j]));
    }
}

}  // namespace
}  // namespace orvelin
