// The batched trace's kernel for processors with AVX2: four rays a lane
// group.  This file alone is compiled for AVX2 (without fused multiply-add,
// which would change the rounding); batch_trace.cpp calls it only when the
// processor has the instructions.
#include <xsimd/xsimd.hpp>

#include "trace/batch_trace_internal.h"

namespace orvelin {
namespace {

using Avx2 = xsimd::batch<double, xsimd::avx2>;
using Avx2Mask = xsimd::batch_bool<double, xsimd::avx2>;

// Lane operations for the vector type; declared before the kernel so that
// its templates find them.
inline Avx2 lanesSelect(const Avx2Mask& m, const Avx2& a, const Avx2& b) {
    return xsimd::select(m, a, b);
}
inline bool lanesAny(const Avx2Mask& m) {
    return xsimd::any(m);
}
inline Avx2 lanesSqrt(const Avx2& a) {
    return xsimd::sqrt(a);
}
inline Avx2 lanesAbs(const Avx2& a) {
    return xsimd::abs(a);
}
inline Avx2 lanesCopysign(const Avx2& a, const Avx2& b) {
    return xsimd::copysign(a, b);
}
inline Avx2Mask lanesFinite(const Avx2& a) {
    return xsimd::isfinite(a);
}
inline Avx2 lanesMax(const Avx2& a, const Avx2& b) {
    return xsimd::select(a < b, b, a);  // std::max(a, b), lane by lane
}
inline void lanesStore(double* p, const Avx2& v) {
    v.store_unaligned(p);
}

template <class V>
struct LaneTraits;
template <>
struct LaneTraits<Avx2> {
    using Mask = Avx2Mask;
    static constexpr std::size_t width = Avx2::size;
    static Avx2 load(const double* p) { return Avx2::load_unaligned(p); }
};

}  // namespace
}  // namespace orvelin

#include "trace/batch_trace_kernel.h"

namespace orvelin::detail {

void traceRangeAvx2(const Design& design, RayBundle& bundle, BundleEnd end, std::size_t begin,
                    std::size_t stop) {
    traceRange<Avx2>(design, bundle, end, begin, stop);
}

}  // namespace orvelin::detail
