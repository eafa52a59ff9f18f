// The terms of a traced pupil ray that cost a square root or a division:
// its wavefront error against a reference sphere, and the rates at which its
// hit point moves with focus.  Written once for one ray (double) or a vector
// of rays (an xsimd batch), with the same operations in the same order, so
// that a vector lane gives exactly the number the one-ray form gives.
//
// Included by one source file per instruction set; everything here has
// internal linkage, so code compiled for a wider instruction set can never be
// picked by the linker for another file.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <xsimd/xsimd.hpp>

#include "trace/batch_trace.h"

namespace orvelin {

/// A reference sphere: centred on C, through the exit pupil at distance R
/// along the chief ray, upstream of C (sigma +1) or downstream (-1).  An
/// exit pupil at infinity makes it a plane (R infinite).
struct ReferenceSphere {
    double R = INFINITY;
    double sigma = 1;
};

/// What the terms of a field's rays are measured against.
struct TermsPlan {
    double chiefL = 0, chiefM = 0, chiefN = 1;  ///< the chief ray's direction
    double slopeX = 0, slopeY = 0;              ///< taken from the focus slopes
    bool wavefront = false;                     ///< whether the errors are wanted
    ReferenceSphere sphere;
    double centre[2][3] = {};  ///< two reference centres
    double mean[2] = {};       ///< taken from the errors against them
};

/// The terms of every ray of a traced chunk (see chunkTerms).
struct ChunkTerms {
    alignas(64) double a[kStreamChunkRays], b[kStreamChunkRays], err[2][kStreamChunkRays];
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

/// The terms of every ray of the chunk, a vector of rays at a time.
template <class V>
void chunkTerms(const TracedChunk& c, const TermsPlan& p, ChunkTerms& out) {
    // The chunk's arrays are padded to whole vectors (see TracedChunk).
    for (std::size_t j = 0; j < c.count; j += V::size) {
        const V L = V::load_unaligned(c.L + j), M = V::load_unaligned(c.M + j),
                N = V::load_unaligned(c.N + j);
        V a, b;
        focusSlopes(L, M, N, p, a, b);
        a.store_aligned(out.a + j);
        b.store_aligned(out.b + j);
        if (!p.wavefront) continue;
        const V x = V::load_unaligned(c.x + j), y = V::load_unaligned(c.y + j),
                z = V::load_unaligned(c.z + j), path = V::load_unaligned(c.path + j);
        for (int i = 0; i < 2; ++i)
            (toSphere(x, y, z, L, M, N, path, p.centre[i], p.sphere).w - V(p.mean[i]))
                .store_aligned(out.err[i] + j);
    }
}

}  // namespace

namespace detail {
/// chunkTerms for processors with AVX2.
void chunkTermsAvx2(const TracedChunk& c, const TermsPlan& p, ChunkTerms& out);
}  // namespace detail

}  // namespace orvelin
