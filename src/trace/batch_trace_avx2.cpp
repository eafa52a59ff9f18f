// The batched trace's kernel for processors with AVX2: four rays a lane
// group.  This file alone is compiled for AVX2 (without fused multiply-add,
// which would change the rounding); batch_trace.cpp calls it only when the
// processor has the instructions.
//
// One group at a time: the kernel's loops are cut short enough (see
// traceConicChunk) that the processor overlaps many groups by itself, and a
// group's values then fit in the sixteen vector registers.  (Two groups
// interleaved in one instruction stream, which helped the uncut loop, no
// longer fit and run slower.)
#include <xsimd/xsimd.hpp>

#include "trace/batch_trace_internal.h"

namespace orvelin {
namespace {

using Avx2 = xsimd::batch<double, xsimd::avx2>;
using Avx2Mask = xsimd::batch_bool<double, xsimd::avx2>;

// Lane operations for the vector type; declared before the kernel so that
// its templates find them.
inline Avx2 lanesSelect(const Avx2Mask& m, const Avx2& x, const Avx2& y) {
    return xsimd::select(m, x, y);
}
inline bool lanesAny(const Avx2Mask& m) {
    return xsimd::any(m);
}
inline Avx2 lanesSqrt(const Avx2& x) {
    return xsimd::sqrt(x);
}
inline Avx2 lanesAbs(const Avx2& x) {
    return xsimd::abs(x);
}
inline Avx2 lanesCopysign(const Avx2& x, const Avx2& y) {
    return xsimd::copysign(x, y);
}
inline Avx2Mask lanesFinite(const Avx2& x) {
    return xsimd::isfinite(x);
}
inline Avx2 lanesMax(const Avx2& x, const Avx2& y) {
    // std::max(x, y), lane by lane
    return xsimd::select(x < y, y, x);
}
inline void lanesStore(double* p, const Avx2& v) {
    v.store_unaligned(p);
}

template <class V>
struct LaneTraits;
template <>
struct LaneTraits<Avx2> {
    using Mask = Avx2Mask;
    // The chunks of the trace hold a whole number of these.
    static constexpr std::size_t width = Avx2::size;
    static Avx2 load(const double* p) { return Avx2::load_unaligned(p); }
    static Avx2Mask all() { return Avx2Mask(true); }
};

}  // namespace
}  // namespace orvelin

#include "trace/batch_trace_kernel.h"

namespace orvelin::detail {

void traceChunkAvx2(const Design& design, double entrance, const TraceRows& chunk, std::size_t count,
                    BundleEnd end) {
    traceChunk<Avx2>(design, entrance, chunk, count, end);
}

}  // namespace orvelin::detail
