// Speed of the batched trace: nanoseconds per ray and surface through
// conic mirrors on one core and on all, and the memory of a million-ray
// bundle.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "support/test_designs.h"
#include "trace/batch_trace.h"

using namespace orvelin;

namespace {

/// Pupil points filling the aperture of `d`, a square grid clipped to the
/// disc, `count` of them (repeating the grid as needed).
void pupilPoints(const Design& d, std::size_t count, std::vector<double>& px, std::vector<double>& py) {
    std::vector<double> gx, gy;
    const int k = 200;
    for (int i = -k; i <= k; ++i)
        for (int j = -k; j <= k; ++j)
            if (i * i + j * j <= k * k) {
                gx.push_back(d.semiAperture * i / k);
                gy.push_back(d.semiAperture * j / k);
            }
    px.resize(count);
    py.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        px[i] = gx[i % gx.size()];
        py[i] = gy[i % gy.size()];
    }
}

/// A field bundle through the three tilted conics and the tilted focal
/// plane (four surfaces), traced by `trace`; items are ray-surfaces, so the
/// time per item is the time per ray and surface.
template <class Trace>
void batchedConics(benchmark::State& st, Trace trace) {
    Design d = testing::threeMirrorTilted(false);
    TraceState s;
    setEntranceTangential(d, s);
    const std::size_t rays = static_cast<std::size_t>(st.range(0));
    std::vector<double> px, py;
    pupilPoints(d, rays, px, py);
    RayState start;
    startFieldRayPlus(d, start);
    RayBundle bundle;
    for (auto _ : st) {
        st.PauseTiming();
        startBundle(bundle, start, px, py);
        st.ResumeTiming();
        trace(d, s.entrance, bundle);
        benchmark::DoNotOptimize(bundle.x.data());
    }
    for (std::size_t i = 0; i < rays; ++i)
        if (bundle.status[i] != kTraceOk) st.SkipWithError("a ray missed");
    const int surfaces = d.surfaceCount;
    st.SetItemsProcessed(st.iterations() * static_cast<long>(rays) * surfaces);
    st.counters["ns_per_ray_surface"] =
        benchmark::Counter(static_cast<double>(st.iterations()) * static_cast<double>(rays) * surfaces,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
void BM_BatchConicTrace_OneCore(benchmark::State& st) {
    batchedConics(st, [](const Design& d, double e, RayBundle& b) { traceBundle(d, e, b, BundleEnd::image, 1); });
}
void BM_BatchConicTrace_AllCores(benchmark::State& st) {
    batchedConics(st, [](const Design& d, double e, RayBundle& b) { traceBundle(d, e, b, BundleEnd::image, 0); });
}
BENCHMARK(BM_BatchConicTrace_OneCore)->Arg(8000)->Arg(1 << 18)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_BatchConicTrace_AllCores)->Arg(8000)->Arg(1 << 18)->Unit(benchmark::kMicrosecond)->UseRealTime();

/// The same one ray at a time through the same arithmetic (no vectors, no
/// threads), for comparison.
void BM_BatchConicTrace_Scalar(benchmark::State& st) {
    batchedConics(st,
                  [](const Design& d, double e, RayBundle& b) { traceBundleScalar(d, e, b, BundleEnd::image); });
}
BENCHMARK(BM_BatchConicTrace_Scalar)->Arg(1 << 18)->Unit(benchmark::kMicrosecond)->UseRealTime();

/// A million rays of one field through a classical Cassegrain to the focal
/// plane, all cores; the bundle's memory as a counter (goal: 64 MB).
void BM_MillionRayCassegrain(benchmark::State& st) {
    const double e = 1300.0 / 700.0;
    Design d =
        testing::makeDesign({{2000, 1, 0, 700}, {-600000.0 / 700.0, e * e, 0, 1000}, {0, 0, 0, 0}}, 200, 0.2);
    std::vector<double> px, py;
    pupilPoints(d, 1000000, px, py);
    RayState start;
    startFieldRayPlus(d, start);
    RayBundle bundle;
    for (auto _ : st) {
        benchmark::DoNotOptimize(tracePupilToFocalPlane(d, start, px, py, bundle));
        benchmark::DoNotOptimize(bundle.x.data());
    }
    st.counters["bundle_MB"] = static_cast<double>(bundle.bytes()) / 1e6;
}
BENCHMARK(BM_MillionRayCassegrain)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
