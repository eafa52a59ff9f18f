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

/// Rays a thread takes at a time.  The bundle is cut into these blocks
/// whatever the number of threads, and every ray is traced alone, so the
/// threads change only who traces a block, never a result.
constexpr std::size_t kBlockRays = 1024;

/// Below this many rays a second thread costs more than it saves.
constexpr std::size_t kThreadedRays = 4096;

using RangeKernel = void (*)(const Design&, RayBundle&, BundleEnd, std::size_t, std::size_t);

void traceRangeScalar(const Design& design, RayBundle& bundle, BundleEnd end, std::size_t begin,
                      std::size_t stop) {
    traceRange<double>(design, bundle, end, begin, stop);
}

RangeKernel bestKernel() {
    static const RangeKernel kernel = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") ? &detail::traceRangeAvx2 : &traceRangeScalar;
    }();
    return kernel;
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

void traceBundleScalar(const Design& design, RayBundle& bundle, BundleEnd end) {
    traceRangeScalar(design, bundle, end, 0, bundle.size());
}

void traceBundle(const Design& design, RayBundle& bundle, BundleEnd end, int threads) {
    const std::size_t n = bundle.size();
    const RangeKernel kernel = bestKernel();
    if (threads == 1 || n < kThreadedRays) {
        kernel(design, bundle, end, 0, n);
        return;
    }
    const std::size_t blocks = (n + kBlockRays - 1) / kBlockRays;
    auto run = [&] {
        tbb::parallel_for(tbb::blocked_range<std::size_t>(0, blocks, 1),
                          [&](const tbb::blocked_range<std::size_t>& r) {
                              for (std::size_t b = r.begin(); b != r.end(); ++b) {
                                  const std::size_t begin = b * kBlockRays;
                                  kernel(design, bundle, end, begin, std::min(n, begin + kBlockRays));
                              }
                          });
    };
    if (threads <= 0) {
        run();
    } else {
        tbb::task_arena arena(std::min(threads, tbb::info::default_concurrency()));
        arena.execute(run);
    }
}

bool tracePupilToFocalPlane(const Design& design, const RayState& fieldStart, std::span<const double> px,
                            std::span<const double> py, RayBundle& bundle, int threads) {
    Design d = design;
    TraceState state;
    startBundle(bundle, fieldStart, px, py);
    if (!setEntranceTangential(d, state)) {
        std::fill(bundle.status.begin(), bundle.status.end(), state.status);
        return false;
    }
    traceBundle(d, bundle, BundleEnd::focalPlane, threads);
    return true;
}

}  // namespace orvelin
