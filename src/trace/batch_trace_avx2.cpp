// The batched trace's kernel for processors with AVX2: eight rays a lane
// group, as two vectors of four.  This file alone is compiled for AVX2 (without fused multiply-add,
// which would change the rounding); batch_trace.cpp calls it only when the
// processor has the instructions.
#include <xsimd/xsimd.hpp>

#include "trace/batch_trace_internal.h"

namespace orvelin {
namespace {

using Avx2 = xsimd::batch<double, xsimd::avx2>;
using Avx2Mask = xsimd::batch_bool<double, xsimd::avx2>;

// Two groups of four rays traced side by side.  A surface's arithmetic is one
// long dependent chain (a square root and two divisions); with one group the
// processor mostly waits on it, with two in the same instruction stream it
// works on the second while the first waits (about 1.2 times faster; three
// or four groups gain nothing more, their values no longer fit in the
// registers).  Every operation is still done lane by lane exactly as for one
// group, so the results do not change by a bit.
struct Pair {
    Avx2 a, b;
    Pair() = default;
    Pair(Avx2 x, Avx2 y) : a(x), b(y) {}
    explicit Pair(double v) : a(v), b(v) {}
};
struct PairMask {
    Avx2Mask a, b;
};

inline Pair operator+(const Pair& x, const Pair& y) {
    return {x.a + y.a, x.b + y.b};
}
inline Pair operator-(const Pair& x, const Pair& y) {
    return {x.a - y.a, x.b - y.b};
}
inline Pair operator*(const Pair& x, const Pair& y) {
    return {x.a * y.a, x.b * y.b};
}
inline Pair operator/(const Pair& x, const Pair& y) {
    return {x.a / y.a, x.b / y.b};
}
inline PairMask operator==(const Pair& x, const Pair& y) {
    return {x.a == y.a, x.b == y.b};
}
inline PairMask operator!=(const Pair& x, const Pair& y) {
    return {x.a != y.a, x.b != y.b};
}
inline PairMask operator<(const Pair& x, const Pair& y) {
    return {x.a < y.a, x.b < y.b};
}
inline PairMask operator<=(const Pair& x, const Pair& y) {
    return {x.a <= y.a, x.b <= y.b};
}
inline PairMask operator>=(const Pair& x, const Pair& y) {
    return {x.a >= y.a, x.b >= y.b};
}
inline PairMask operator>(const Pair& x, const Pair& y) {
    return {x.a > y.a, x.b > y.b};
}
inline PairMask operator&&(const PairMask& x, const PairMask& y) {
    return {x.a && y.a, x.b && y.b};
}
inline PairMask operator||(const PairMask& x, const PairMask& y) {
    return {x.a || y.a, x.b || y.b};
}
inline Pair operator-(const Pair& x) {
    return {-x.a, -x.b};
}
inline PairMask operator!(const PairMask& x) {
    return {!x.a, !x.b};
}

// Lane operations for the vector type; declared before the kernel so that
// its templates find them.
inline Pair lanesSelect(const PairMask& m, const Pair& x, const Pair& y) {
    return {xsimd::select(m.a, x.a, y.a), xsimd::select(m.b, x.b, y.b)};
}
inline bool lanesAny(const PairMask& m) {
    return xsimd::any(m.a || m.b);
}
inline Pair lanesSqrt(const Pair& x) {
    return {xsimd::sqrt(x.a), xsimd::sqrt(x.b)};
}
inline Pair lanesAbs(const Pair& x) {
    return {xsimd::abs(x.a), xsimd::abs(x.b)};
}
inline Pair lanesCopysign(const Pair& x, const Pair& y) {
    return {xsimd::copysign(x.a, y.a), xsimd::copysign(x.b, y.b)};
}
inline PairMask lanesFinite(const Pair& x) {
    return {xsimd::isfinite(x.a), xsimd::isfinite(x.b)};
}
inline Pair lanesMax(const Pair& x, const Pair& y) {
    // std::max(x, y), lane by lane
    return {xsimd::select(x.a < y.a, y.a, x.a), xsimd::select(x.b < y.b, y.b, x.b)};
}
inline void lanesStore(double* p, const Pair& v) {
    v.a.store_unaligned(p);
    v.b.store_unaligned(p + Avx2::size);
}

template <class V>
struct LaneTraits;
template <>
struct LaneTraits<Pair> {
    using Mask = PairMask;
    // The chunks of the trace hold a whole number of these.
    static constexpr std::size_t width = 2 * Avx2::size;
    static Pair load(const double* p) {
        return {Avx2::load_unaligned(p), Avx2::load_unaligned(p + Avx2::size)};
    }
};

}  // namespace
}  // namespace orvelin

#include "trace/batch_trace_kernel.h"

namespace orvelin::detail {

void traceRangeAvx2(const Design& design, RayBundle& bundle, BundleEnd end, std::size_t begin,
                    std::size_t stop) {
    traceRange<Pair>(design, bundle, end, begin, stop);
}

}  // namespace orvelin::detail
