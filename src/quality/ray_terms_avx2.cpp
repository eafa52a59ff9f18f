// The terms of traced pupil rays four at a time, for processors with AVX2.
// This file alone is compiled for AVX2 (without fused multiply-add, which
// would change the rounding); the image-quality figures call it only when
// the processor has the instructions.
#include "quality/ray_terms.h"

namespace orvelin::detail {

void chunkTermsAvx2(const TracedChunk& c, const TermsPlan& p, ChunkTerms& out) {
    chunkTerms<xsimd::batch<double, xsimd::avx2>>(c, p, out);
}

}  // namespace orvelin::detail
