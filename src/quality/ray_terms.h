// What every traced pupil ray adds to the image-quality sums: its hit point
// about the centroid and the chief ray, the cone of the beam, the rates at
// which its hit point moves with focus, and its wavefront error against two
// reference spheres.  The terms are written once for one ray (double) or a
// vector of rays (an xsimd batch), with the same operations in the same
// order, and the sums are taken a vector of rays at a time.
//
// Included by one source file per instruction set; everything here has
// internal linkage, so code compiled for a wider instruction set can never be
// picked by the linker for another file.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <xsimd/xsimd.hpp>

#include "quality/reference_sphere.h"
#include "trace/batch_trace.h"

namespace orvelin {

/// What the rays of a field are measured against: pilot values close to
/// the means, about which the sums are taken so that no digit is lost to
/// cancellation.
struct TermsPlan {
    double chiefX = 0, chiefY = 0;              ///< the chief ray's hit point
    double chiefL = 0, chiefM = 0, chiefN = 1;  ///< the chief ray's direction
    double pilotX = 0, pilotY = 0;              ///< the centroid
    double slopeX = 0, slopeY = 0;              ///< taken from the focus slopes
    bool wavefront = false;                     ///< whether the errors are wanted
    ReferenceSphere sphere;
    double centre[2][3] = {};  ///< two reference centres
    double mean[2] = {};       ///< taken from the errors against them
};

/// Weighted sums over rays: of the hit point's offsets from the pilot
/// centroid (dx, dy) and from the chief ray (ex, ey), of the squared sine
/// between the ray and the chief ray, of the focus slopes (a, b) and of
/// the wavefront errors.
struct RaySums {
    double sw = 0, sx = 0, sy = 0, sxy2 = 0, chief2 = 0, cone2 = 0;
    double fa = 0, fb = 0, fxa = 0, faa = 0;
    double e[2] = {}, ee[2] = {};

    void add(const RaySums& o) {
        sw += o.sw, sx += o.sx, sy += o.sy, sxy2 += o.sxy2, chief2 += o.chief2, cone2 += o.cone2;
        fa += o.fa, fb += o.fb, fxa += o.fxa, faa += o.faa;
        for (int i = 0; i < 2; ++i) e[i] += o.e[i], ee[i] += o.ee[i];
    }
};

namespace {

inline double squareRoot(double v) {
    return std::sqrt(v);
}
template <class A>
xsimd::batch<double, A> squareRoot(const xsimd::batch<double, A>& v) {
    return xsimd::sqrt(v);
}
inline double atLeastZero(double v) {
    return std::max(0.0, v);
}
template <class A>
xsimd::batch<double, A> atLeastZero(const xsimd::batch<double, A>& v) {
    using B = xsimd::batch<double, A>;
    return xsimd::select(B(0.0) < v, v, B(0.0));  // std::max(0.0, v), lane by lane
}

/// A ray's way to the reference sphere about C: X = P - C, b = X.D, the
/// square root below and the wavefront error w.  With X_perp the part of X
/// across the ray, the path to the sphere beyond P is
/// s = -b - sigma sqrt(R^2 - X_perp^2); adding R (a piston) and writing the
/// difference of square roots without cancellation keeps every digit for
/// any R.
template <class V>
struct SpherePath {
    V Xx, Xy, Xz, b, root, w;
};

template <class V>
SpherePath<V> toSphere(const V& x, const V& y, const V& z, const V& L, const V& M, const V& N, const V& path,
                       const double* C, const ReferenceSphere& sphere) {
    SpherePath<V> o;
    o.Xx = x - V(C[0]);
    o.Xy = y - V(C[1]);
    o.Xz = z - V(C[2]);
    o.b = o.Xx * L + o.Xy * M + o.Xz * N;
    const V px = o.Xx - o.b * L, py = o.Xy - o.b * M, pz = o.Xz - o.b * N;
    const V p2 = px * px + py * py + pz * pz;
    if (std::isinf(sphere.R)) {
        o.root = V(0.0);
        o.w = path - o.b;
        return o;
    }
    o.root = squareRoot(atLeastZero(V(sphere.R * sphere.R) - p2));
    o.w = path - o.b + V(sphere.sigma) * p2 / (V(sphere.R) + o.root);
    return o;
}

/// The rates at which a ray's hit point moves with focus, less the plan's
/// means: d(hit)/d(shift) on the plane z = shift * D0.z (D0 the chief
/// ray), in the moved plane's own coordinates.
template <class V>
void focusSlopes(const V& L, const V& M, const V& N, const TermsPlan& p, V& a, V& b) {
    a = V(p.chiefN) * L / N - V(p.chiefL) - V(p.slopeX);
    b = V(p.chiefN) * M / N - V(p.chiefM) - V(p.slopeY);
}

/// The sums over the rays of a chunk whose weight is not 0 (the weights
/// padded with zeros to whole vectors, 64-byte aligned), a vector of rays
/// at a time.  Rays of weight 0 may hold any numbers: they add nothing.
template <class V>
void chunkSums(const TracedChunk& c, const double* weight, const TermsPlan& p, RaySums& out) {
    constexpr std::size_t W = V::size;
    V sw(0.0), sx(0.0), sy(0.0), sxy2(0.0), chief2(0.0), cone2(0.0), fa(0.0), fb(0.0), fxa(0.0), faa(0.0);
    V e[2] = {V(0.0), V(0.0)}, ee[2] = {V(0.0), V(0.0)};
    const V zero(0.0);
    // The chunk's arrays are padded to whole vectors (see TracedChunk).
    for (std::size_t j = 0; j < c.count; j += W) {
        const V w = V::load_aligned(weight + j);
        const auto counted = w > zero;
        const V x = V::load_unaligned(c.x + j), y = V::load_unaligned(c.y + j);
        const V L = V::load_unaligned(c.L + j), M = V::load_unaligned(c.M + j),
                N = V::load_unaligned(c.N + j);
        const V dx = xsimd::select(counted, x - V(p.pilotX), zero);
        const V dy = xsimd::select(counted, y - V(p.pilotY), zero);
        const V ex = xsimd::select(counted, x - V(p.chiefX), zero);
        const V ey = xsimd::select(counted, y - V(p.chiefY), zero);
        sw = sw + w;
        sx = sx + w * dx;
        sy = sy + w * dy;
        sxy2 = sxy2 + w * (dx * dx + dy * dy);
        chief2 = chief2 + w * (ex * ex + ey * ey);
        // The sine between the ray and the chief ray: |D x D0|.
        const V c0 = M * V(p.chiefN) - N * V(p.chiefM), c1 = N * V(p.chiefL) - L * V(p.chiefN),
                c2 = L * V(p.chiefM) - M * V(p.chiefL);
        cone2 = cone2 + w * xsimd::select(counted, c0 * c0 + c1 * c1 + c2 * c2, zero);
        V a, b;
        focusSlopes(L, M, N, p, a, b);
        a = xsimd::select(counted, a, zero);
        b = xsimd::select(counted, b, zero);
        fa = fa + w * a;
        fb = fb + w * b;
        fxa = fxa + w * (dx * a + dy * b);
        faa = faa + w * (a * a + b * b);
        if (!p.wavefront) continue;
        const V z = V::load_unaligned(c.z + j), path = V::load_unaligned(c.path + j);
        for (int i = 0; i < 2; ++i) {
            const V err = xsimd::select(
                counted, toSphere(x, y, z, L, M, N, path, p.centre[i], p.sphere).w - V(p.mean[i]), zero);
            e[i] = e[i] + w * err;
            ee[i] = ee[i] + w * err * err;
        }
    }
    // The lanes added in order.
    auto total = [](const V& v) {
        alignas(64) double lanes[W];
        v.store_aligned(lanes);
        double t = 0;
        for (std::size_t l = 0; l < W; ++l) t += lanes[l];
        return t;
    };
    RaySums s;
    s.sw = total(sw), s.sx = total(sx), s.sy = total(sy), s.sxy2 = total(sxy2), s.chief2 = total(chief2);
    s.cone2 = total(cone2), s.fa = total(fa), s.fb = total(fb), s.fxa = total(fxa), s.faa = total(faa);
    for (int i = 0; i < 2; ++i) s.e[i] = total(e[i]), s.ee[i] = total(ee[i]);
    out.add(s);
}

}  // namespace

namespace detail {
/// chunkSums for processors with AVX2.
void chunkSumsAvx2(const TracedChunk& c, const double* weight, const TermsPlan& p, RaySums& out);
}  // namespace detail

}  // namespace orvelin
