// Where a ray meets the conic x^2 + y^2 + P z^2 - 2 R z = 0 (vertex at the
// origin, the ray starting in the vertex plane): the quadratic in the
// distance u along the ray and its root nearer the vertex plane.  Written
// once for the one-ray trace (V = double) and the batched trace's lanes (V a
// plain double or a vector of doubles), so that every lane rounds as the
// one-ray trace does, operand for operand.
//
// Everything here has internal linkage: the header is also compiled for a
// wider instruction set (batch_trace_avx2.cpp), and an inline function with
// external linkage could have that copy picked by the linker for every file.
#pragma once

#include <cmath>

namespace orvelin {
namespace {

/// qa u^2 + qb u + qc = 0 for the ray from (x, y, 0) along (L, M, N).
template <class V>
struct ConicQuadratic {
    V qa, qb, qc;
};

template <class V>
[[gnu::always_inline]] inline ConicQuadratic<V> conicQuadratic(const V& x, const V& y, const V& L, const V& M,
                                                               const V& N, const V& R, const V& P) {
    return {L * L + M * M + P * N * N, V(2.0) * (x * L + y * M - R * N), x * x + y * y};
}

/// The discriminant; the quadratic has real roots where it is >= 0.
template <class V>
[[gnu::always_inline]] inline V conicDiscriminant(const ConicQuadratic<V>& q) {
    return q.qb * q.qb - V(4.0) * q.qa * q.qc;
}

/// The root nearer the vertex plane, in the form that keeps its precision
/// when qa is small (nearly a paraboloid along the ray): no difference of
/// nearly equal numbers.
template <class V>
[[gnu::always_inline]] inline V conicNearRoot(const ConicQuadratic<V>& q, const V& discriminant) {
    // std:: for a double; a vector type's own functions found by its namespace.
    using std::copysign;
    using std::sqrt;
    return V(-2.0) * q.qc / (q.qb + copysign(sqrt(discriminant), q.qb));
}

/// The one root when qa = 0 (a paraboloid's axis along the ray).
template <class V>
[[gnu::always_inline]] inline V conicLinearRoot(const ConicQuadratic<V>& q) {
    return -q.qc / q.qb;
}

}  // namespace
}  // namespace orvelin
