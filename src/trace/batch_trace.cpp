#include "trace/batch_trace.h"

#include <tbb/blocked_range.h>
#include <tbb/info.h>
#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>

#include <algorithm>

#include "trace/batch_trace_internal.h"
#include "trace/batch_trace_kernel.h"

namespace orvelin {

namespace {

using detail::ChunkKernel;
using detail::kChunkRays;
using detail::TraceChunk;

/// Rays a thread takes at a time.  The bundle is cut into these blocks
/// whatever the number of threads, and every ray is traced alone, so the
/// threads change only who traces a block, never a result.  One chunk a
/// block: a thread that starts late still finds work to share, so small
/// bundles split evenly (1024 rays a block left 8000 rays 5% slower on two
/// cores; large bundles gain nothing either way).
constexpr std::size_t kBlockRays = kChunkRays;

/// Below this many rays a second thread costs more than it saves.
constexpr std::size_t kThreadedRays = 4096;

void traceChunkScalar(const Design& design, double entrance, const detail::TraceRows& chunk,
                      std::size_t count, BundleEnd end) {
    traceChunk<double>(design, entrance, chunk, count, end);
}

ChunkKernel bestKernel() {
    static const ChunkKernel kernel = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") ? &detail::traceChunkAvx2 : &traceChunkScalar;
    }();
    return kernel;
}

/// The count padded to whole lane groups of the widest kernel.
std::size_t padToLanes(std::size_t count) {
    return (count + 7) / 8 * 8;
}

/// Rays [count, padded) of a chunk as axial rays at the origin, whose
/// results are dropped: a last lane group that is not full.
void padChunk(TraceChunk& c, std::size_t count, std::size_t padded) {
    for (int k = 0; k < 8; ++k)
        for (std::size_t j = count; j < padded; ++j) c.a[k][j] = k == TraceChunk::kN ? 1 : 0;
}

/// Trace rays [begin, stop) of the bundle a chunk at a time: where the bundle's
/// arrays hold the chunk in whole lane groups, there; a last part group in
/// a padded copy.
void traceRange(ChunkKernel kernel, const Design& design, double entrance, RayBundle& b, BundleEnd end,
                std::size_t begin, std::size_t stop) {
    BundleArray* arrays[7] = {&b.x, &b.y, &b.z, &b.L, &b.M, &b.N, &b.path};
    TraceChunk c;
    for (std::size_t first = begin; first < stop; first += kChunkRays) {
        const std::size_t count = std::min(stop - first, kChunkRays);
        const std::size_t padded = padToLanes(count);
        std::fill_n(c.a[TraceChunk::kMissed], count, 0.0);
        if (padded == count) {
            detail::TraceRows rows = rowsOf(c);
            for (int k = 0; k < 7; ++k) rows.a[k] = arrays[k]->data() + first;
            kernel(design, entrance, rows, count, end);
        } else {
            for (int k = 0; k < 7; ++k) std::copy_n(arrays[k]->data() + first, count, c.a[k]);
            padChunk(c, count, padded);
            kernel(design, entrance, rowsOf(c), padded, end);
            for (int k = 0; k < 7; ++k) std::copy_n(c.a[k], count, arrays[k]->data() + first);
        }
        for (std::size_t j = 0; j < count; ++j)
            b.status[first + j] = statusOfMiss(c.a[TraceChunk::kMissed][j]);
    }
}

/// Run job(0) .. job(blocks - 1) on `threads` threads (0: all the machine
/// offers, 1: the calling thread alone).
template <class Job>
void forEachBlock(std::size_t blocks, int threads, const Job& job) {
    if (threads == 1 || blocks <= 1) {
        for (std::size_t b = 0; b < blocks; ++b) job(b);
        return;
    }
    auto run = [&] {
        tbb::parallel_for(tbb::blocked_range<std::size_t>(0, blocks, 1),
                          [&](const tbb::blocked_range<std::size_t>& r) {
                              for (std::size_t b = r.begin(); b != r.end(); ++b) job(b);
                          });
    };
    if (threads <= 0) {
        run();
    } else {
        tbb::task_arena arena(std::min(threads, tbb::info::default_concurrency()));
        arena.execute(run);
    }
}

}  // namespace

void RayBundle::resize(std::size_t n) {
    for (BundleArray* a : {&x, &y, &z, &L, &M, &N, &path}) a->resize(n);
    status.resize(n);
}

std::size_t RayBundle::bytes() const {
    return 7 * x.capacity() * sizeof(double) + status.capacity() * sizeof(TraceStatus);
}

void startBundle(RayBundle& bundle, const RayState& start, std::span<const double> px,
                 std::span<const double> py) {
    const std::size_t n = px.size();
    bundle.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        bundle.x[i] = px[i];
        bundle.y[i] = py[i];
        bundle.z[i] = start.z;
        bundle.L[i] = start.L;
        bundle.M[i] = start.M;
        bundle.N[i] = start.N;
        bundle.path[i] = 0;
        bundle.status[i] = kTraceOk;
    }
}

void traceBundleScalar(const Design& design, double entrance, RayBundle& bundle, BundleEnd end) {
    traceRange(&traceChunkScalar, design, entrance, bundle, end, 0, bundle.size());
}

void traceBundle(const Design& design, double entrance, RayBundle& bundle, BundleEnd end, int threads) {
    const std::size_t n = bundle.size();
    const ChunkKernel kernel = bestKernel();
    if (n < kThreadedRays) threads = 1;
    forEachBlock((n + kBlockRays - 1) / kBlockRays, threads, [&](std::size_t b) {
        const std::size_t begin = b * kBlockRays;
        traceRange(kernel, design, entrance, bundle, end, begin, std::min(n, begin + kBlockRays));
    });
}

namespace {

/// The stream's work: blocks on threads, chunks in a block in order, each
/// chunk started by `start`, traced and handed to `consume`.
template <class Start>
void runStream(const Design& design, double entrance, std::size_t rays, BundleEnd end, const Start& start,
               const StreamConsumer& consume, int threads) {
    const ChunkKernel kernel = bestKernel();
    forEachBlock(streamBlocks(rays), threads, [&](std::size_t b) {
        TraceChunk c;
        const std::size_t stop = std::min(rays, (b + 1) * kStreamBlockRays);
        for (std::size_t first = b * kStreamBlockRays; first < stop; first += kChunkRays) {
            const std::size_t count = std::min(stop - first, kChunkRays);
            const std::size_t padded = padToLanes(count);
            start(first, count, c);
            std::fill_n(c.a[TraceChunk::kPath], count, 0.0);
            std::fill_n(c.a[TraceChunk::kMissed], count, 0.0);
            padChunk(c, count, padded);
            kernel(design, entrance, rowsOf(c), padded, end);
            const TracedChunk traced{first,
                                     count,
                                     c.a[TraceChunk::kX],
                                     c.a[TraceChunk::kY],
                                     c.a[TraceChunk::kZ],
                                     c.a[TraceChunk::kL],
                                     c.a[TraceChunk::kM],
                                     c.a[TraceChunk::kN],
                                     c.a[TraceChunk::kPath],
                                     c.a[TraceChunk::kMissed]};
            consume(b, traced);
        }
    });
}

}  // namespace

void traceStream(const Design& design, double entrance, const RayState& start, std::size_t rays, BundleEnd end,
                 const StreamPoints& points, const StreamConsumer& consume, int threads) {
    runStream(
        design, entrance, rays, end,
        [&](std::size_t first, std::size_t count, TraceChunk& c) {
            points(first, count, c.a[TraceChunk::kX], c.a[TraceChunk::kY]);
            std::fill_n(c.a[TraceChunk::kZ], count, start.z);
            std::fill_n(c.a[TraceChunk::kL], count, start.L);
            std::fill_n(c.a[TraceChunk::kM], count, start.M);
            std::fill_n(c.a[TraceChunk::kN], count, start.N);
        },
        consume, threads);
}

void traceStartsStream(const Design& design, double entrance, std::size_t rays, BundleEnd end,
                       const StreamStarts& starts, const StreamConsumer& consume, int threads) {
    runStream(
        design, entrance, rays, end,
        [&](std::size_t first, std::size_t count, TraceChunk& c) {
            double* const rows[6] = {c.a[TraceChunk::kX], c.a[TraceChunk::kY], c.a[TraceChunk::kZ],
                                     c.a[TraceChunk::kL], c.a[TraceChunk::kM], c.a[TraceChunk::kN]};
            starts(first, count, rows);
        },
        consume, threads);
}

bool tracePupilToFocalPlane(const Design& design, const RayState& fieldStart, std::span<const double> px,
                            std::span<const double> py, RayBundle& bundle, int threads) {
    TraceState state;
    startBundle(bundle, fieldStart, px, py);
    if (!setEntranceTangential(design, state)) {
        std::fill(bundle.status.begin(), bundle.status.end(), state.status);
        return false;
    }
    traceBundle(design, state.entrance, bundle, BundleEnd::focalPlane, threads);
    return true;
}

}  // namespace orvelin
