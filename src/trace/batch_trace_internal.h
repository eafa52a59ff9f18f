// The kernels behind the batched trace, one per instruction set, and the
// chunk of rays they work on.
#pragma once

#include <cstddef>

#include "trace/batch_trace.h"

namespace orvelin::detail {

/// Rays traced together surface by surface: small enough that all of them
/// stay in the first-level cache (8 arrays of 8 bytes a ray), large enough
/// that each of a surface's passes (see the kernel) runs over many lane
/// groups, so that the processor keeps several of them in flight.
constexpr std::size_t kChunkRays = kStreamChunkRays;
static_assert(kChunkRays % 8 == 0, "a chunk holds whole lane groups of every kernel");

/// One chunk of rays in cache: x, y, z, L, M, N, path and, per ray, the
/// surface it missed first (0: none yet).
struct TraceChunk {
    enum Row { kX, kY, kZ, kL, kM, kN, kPath, kMissed };
    alignas(64) double a[8][kChunkRays];
};

/// The eight rows of a chunk where they lie: a TraceChunk's own, or a whole
/// chunk of a bundle's arrays, traced in place (copying the rays into a
/// chunk and back took more than a tenth of the trace).
struct TraceRows {
    double* a[8];
};

inline TraceRows rowsOf(TraceChunk& c) {
    return {{c.a[0], c.a[1], c.a[2], c.a[3], c.a[4], c.a[5], c.a[6], c.a[7]}};
}

/// Trace the first `count` rays of the chunk (a whole number of the widest
/// lane group, 8) through the design, surface by surface, from the start
/// plane `entrance` before surface 1.
using ChunkKernel = void (*)(const Design& design, double entrance, const TraceRows& chunk, std::size_t count,
                             BundleEnd end);

/// The kernel for processors with AVX2 (four lanes a group).
void traceChunkAvx2(const Design& design, double entrance, const TraceRows& chunk, std::size_t count,
                    BundleEnd end);

}  // namespace orvelin::detail
