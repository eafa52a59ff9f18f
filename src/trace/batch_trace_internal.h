// The kernels behind traceBundle, one per instruction set.
#pragma once

#include <cstddef>

#include "trace/batch_trace.h"

namespace orvelin::detail {

/// Rays [begin, stop) of the bundle, four lanes at a time (AVX2 only).
void traceRangeAvx2(const Design& design, RayBundle& bundle, BundleEnd end, std::size_t begin,
                    std::size_t stop);

}  // namespace orvelin::detail
