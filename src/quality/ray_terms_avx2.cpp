// The sums over traced pupil rays four at a time, for processors with AVX2.
// This file alone is compiled for AVX2 (without fused multiply-add, which
// would change the rounding); the image-quality figures call it only when
// the processor has the instructions.
#include "quality/ray_terms.h"

namespace orvelin::detail {

void chunkSumsAvx2(const TracedChunk& c, const double* weight, const TermsPlan& p, RaySums& out) {
    chunkSums<xsimd::batch<double, xsimd::avx2>>(c, weight, p, out);
}

}  // namespace orvelin::detail
